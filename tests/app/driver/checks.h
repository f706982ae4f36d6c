#pragma once
// Expectations of the driver: each failed one is printed at once and counted.

#include <string>

void Expect(bool condition, const std::string& what);
void ExpectEqual(const std::string& actual, const std::string& expected, const std::string& what);
void ExpectEqual(long long actual, long long expected, const std::string& what);
void ExpectStartsWith(const std::string& text, const std::string& prefix, const std::string& what);
void ExpectContains(const std::string& text, const std::string& part, const std::string& what);

// A step that cannot go on (a window that never came): counted as a failure.
struct StepFailed {
    std::string what;
};
[[noreturn]] void Fail(const std::string& what);

int FailureCount();
// Prints a progress line of the scenario.
void Note(const std::string& text);
// The text with CR, LF, TAB and non-printable bytes written as escapes.
std::string Escaped(const std::string& text);
