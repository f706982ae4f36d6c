#pragma once
// printf-style formatting into std::string.

#include <cstdarg>
#include <string>

#if defined(__GNUC__)
#define ZEP_PRINTF(fmtIndex, argIndex) __attribute__((format(printf, fmtIndex, argIndex)))
#else
#define ZEP_PRINTF(fmtIndex, argIndex)
#endif

// Formats without any length limit.
std::string FormatV(const char* format, va_list args);
std::string Format(const char* format, ...) ZEP_PRINTF(1, 2);

// Appends formatted text to `text`.
void AppendFormat(std::string& text, const char* format, ...) ZEP_PRINTF(2, 3);

// Formats as into a fixed 4096-byte buffer: longer texts keep their first 4095 characters.
std::string FormatLimitedV(const char* format, va_list args);
std::string FormatLimited(const char* format, ...) ZEP_PRINTF(1, 2);

constexpr size_t kFormatBufferSize = 4096;

// The fields of the report's most frequent lines, without a printf call each: exactly what
// "%-<width>d" and "%#0<width>x" print.
void AppendDecimalLeft(std::string& text, long long value, size_t width);
void AppendHexAlternate(std::string& text, unsigned value, size_t width);
