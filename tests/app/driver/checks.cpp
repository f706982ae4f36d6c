#include "tests/app/driver/checks.h"

#include <cstdio>

namespace {
int g_failures = 0;

void Report(const std::string& what) {
    ++g_failures;
    std::printf("  FAIL: %s\n", what.c_str());
    std::fflush(stdout);
}
}  // namespace

std::string Escaped(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        switch (c) {
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (c < 0x20 || c >= 0x7F) {
                    char hex[8];
                    std::snprintf(hex, sizeof(hex), "\\x%02X", c);
                    out += hex;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out;
}

void Expect(bool condition, const std::string& what) {
    if (!condition) {
        Report(what);
    }
}

void ExpectEqual(const std::string& actual, const std::string& expected, const std::string& what) {
    if (actual != expected) {
        Report(what + "\n    expected: \"" + Escaped(expected) + "\"\n    actual:   \"" +
               Escaped(actual) + "\"");
    }
}

void ExpectEqual(long long actual, long long expected, const std::string& what) {
    if (actual != expected) {
        Report(what + ": expected " + std::to_string(expected) + ", actual " +
               std::to_string(actual));
    }
}

void ExpectStartsWith(const std::string& text, const std::string& prefix, const std::string& what) {
    if (text.compare(0, prefix.size(), prefix) != 0) {
        Report(what + "\n    expected to start with: \"" + Escaped(prefix) + "\"\n    actual: \"" +
               Escaped(text.substr(0, prefix.size() + 40)) + "\"");
    }
}

void ExpectContains(const std::string& text, const std::string& part, const std::string& what) {
    if (text.find(part) == std::string::npos) {
        Report(what + "\n    expected to contain: \"" + Escaped(part) + "\"\n    in: \"" +
               Escaped(text.substr(0, 400)) + "\"");
    }
}

void Fail(const std::string& what) {
    throw StepFailed{what};
}

int FailureCount() {
    return g_failures;
}

void Note(const std::string& text) {
    std::printf("  - %s\n", text.c_str());
    std::fflush(stdout);
}
