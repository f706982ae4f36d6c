#include "common/logging.h"

#include "common/message_presenter.h"
#include "common/text_file.h"

namespace {

bool debugLogEnabled = false;  // a diagnostic switched on by the front end when asked for

std::string CurrentPrefix() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    return local != nullptr ? LogEntryPrefix(*local) : LogEntryPrefix(std::tm{});
}

bool WriteEntry(const char* fileName, const std::string& text) {
    return AppendTextToFile(fileName, CurrentPrefix() + text);
}

void WriteDebugEntry(const std::string& text) {
    if (debugLogEnabled) {
        WriteEntry(kDebugLogFileName, text);
    }
}

void WriteLogEntry(const std::string& text) {
    if (WriteEntry(kLogFileName, text)) {
        WriteDebugEntry(FormatLimited("%s", text.c_str()));
    }
}

int PresentAndLog(int iType, const std::string& text) {
    WriteLogEntry(Format("MessageAndLog iType=[%d] msg=[%s]", iType, text.c_str()));
    const int result = PresentMessage(text, iType < 0 ? kMbOk : iType);
    WriteLogEntry(Format("MessageAndLog return = [ %d]", result));
    return result;
}

}  // namespace

void SetDebugLogEnabled(bool enabled) {
    debugLogEnabled = enabled;
}

bool IsDebugLogEnabled() {
    return debugLogEnabled;
}

std::string LogEntryPrefix(const std::tm& t) {
    return Format("\n[%02d-%02d-%02d %02d:%02d:%02d] ", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900,
                  t.tm_hour, t.tm_min, t.tm_sec);
}

void LogMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatV(format, args);
    va_end(args);
    WriteLogEntry(text);
}

void DebugLog(const char* format, ...) {
    if (!debugLogEnabled) {
        return;
    }
    va_list args;
    va_start(args, format);
    const std::string text = FormatV(format, args);
    va_end(args);
    WriteDebugEntry(text);
}

int MessageAndLog(int iType, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatLimitedV(format, args);
    va_end(args);
    return PresentAndLog(iType, text);
}

int ShowMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatLimitedV(format, args);
    va_end(args);
    return PresentAndLog(kMbOk, text);
}

int PanicReport(const char* sourcePath, int sourceLine, const char* buildDate,
                const char* buildTime, const char* message) {
    return ShowMessage(
        "PANIC!\r\n\r\nFile=[%s] \r\nLine=[%d]\r\nDate=[%s]\r\nTime=[%s]\r\n\r\nMessage=[%s]",
        sourcePath, sourceLine, buildDate, buildTime, message);
}

bool AppendToFile(const char* fileName, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatV(format, args);
    va_end(args);
    return AppendTextToFile(fileName, text);
}
