#pragma once
// The run's fixed texts: its messages and the summary, word for word as the program has always
// shown them (misspellings included), since users, their scripts and the log rely on them.
// Everything that is printf-formatted says so by its % fields.

namespace run_texts {

constexpr const char kSelectFile[] = "Please select a file to processed";
constexpr const char kNotACaptureFile[] =
    "The input file is a %s, not a capture file\nInput file=[%s]";
constexpr const char kInputUnreadable[] = "The input file does not exist/readable\nInput file=[%s]";
constexpr const char kCaptureIsOutput[] = "The capture cannot be its own report or log\nFile: %s";
constexpr const char kPreviousReport[] =
    "We have found a previous result file.\nFile: %s\nPlease remove this file before "
    "continuing.\n\nWould you like to browse to this file ?";
constexpr const char kNotEnoughSpace[] =
    "Not enugh free hard drive space\nFree space: %llu MB\nMinimum required free space: %d MB";
// A capture that is missing, refused by the system or shorter than any capture file header;
// the third line says what was found.
constexpr const char kCannotReadInput[] = "Can not read input file\nFile: %s\n%s";
constexpr const char kInvalidInput[] = "Invalid input file\nFile: %s\n%s";
constexpr const char kLinkNotRead[] = "Invalid input file\nFile: %s\n%s is not read";
constexpr const char kNoModbusMessages[] =
    "Error: There are no valid Modbus messages in this file\nFile: %s";
// A live capture that could not start (or capture filters in a build without them).
constexpr const char kCannotCapture[] = "Can not capture\n%s";
// The filter, and libpcap's message.
constexpr const char kBadCaptureFilter[] = "Invalid capture filter\nFilter: %s\n%s";
constexpr const char kCannotWriteReport[] = "Can not write to the report file\nFile: %s";
constexpr const char kCaptureDamaged[] =
    "The capture is damaged or could not be read at record %llu (file offset %lld): %s\nFile: %s";
constexpr const char kAnalysed[] =
    "We have analyzed %d modbus messages and saved the results to your computer\nFile: "
    "%s\nWould you like to view the results?";

// The summary: records, messages, ignored messages, the report's path.
constexpr const char kSummary[] =
    "%d\tMessages processed\r\n%d\tModbus messages processed\r\n%d\tModbus message ingored "
    "\r\n\r\nOutput: %s";
constexpr const char kIgnoredExplained[] =
    "\r\n\r\n"
    "* Modbus messages are ignored if any of the following occur\r\n"
    "  - A Modbus TCP message with a zero length \r\n"
    "  - A Modbus TCP message with an incorrect length \r\n"
    "  - A Modbus TCP message with an invalid header  \r\n";

// After the summary of a live capture: what its packet filter counted.
constexpr const char kPacketStatistics[] =
    "\r\n\r\n%llu\tPackets received\r\n%llu\tPackets dropped by the kernel\r\n%llu\tPackets "
    "dropped by the interface";

}  // namespace run_texts
