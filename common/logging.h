#pragma once
// Log files, message boxes that are logged, and the file helpers of the capture analysis.

#include <cstdint>
#include <ctime>
#include <string>

#include "common/text_format.h"

// The logs, in the working directory.
constexpr const char* kLogFileName = "log.txt";
constexpr const char* kDebugLogFileName = "Debuglog.txt";

// The debug log (Debuglog.txt) is written only while this switch is on; it is off until a front
// end switches it on.
void SetDebugLogEnabled(bool enabled);
bool IsDebugLogEnabled();

// "\n[dd-mm-yyyy hh:mm:ss] ", the prefix of every log entry.
std::string LogEntryPrefix(const std::tm& localTime);

// One entry in log.txt, then the same text as an entry in the debug log.
void LogMessage(const char* format, ...) ZEP_PRINTF(1, 2);
// One entry in Debuglog.txt while the debug switch is on.
void DebugLog(const char* format, ...) ZEP_PRINTF(1, 2);

// Shows a box of style iType (a negative style shows as OK), logging text and answer.
int MessageAndLog(int iType, const char* format, ...) ZEP_PRINTF(2, 3);
// An OK box with the formatted text, shown as it stands.
int ShowMessage(const char* format, ...) ZEP_PRINTF(1, 2);
// Reports an internal failure with the place that raised it and the build's date and time.
int PanicReport(const char* sourcePath, int sourceLine, const char* buildDate,
                const char* buildTime, const char* message);
#define PANIC_REPORT(message) PanicReport(__FILE__, __LINE__, __DATE__, __TIME__, (message))

// Appends the formatted text to the named file (text-mode line ends). False when it could not be
// written; nothing is reported.
bool AppendToFile(const char* fileName, const char* format, ...) ZEP_PRINTF(2, 3);
