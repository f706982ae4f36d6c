#include "tests/app/driver/expected_texts.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace expected {

std::string Instructions() {
    return " 1) Download Ethereal (https://www.wireshark.org/)\r\n"
           " 2) Install Ethereal \r\n"
           " 3) Start up Ethereal\r\n"
           " 4) Connect your PC to a hub \r\n"
           " 5) Connect your Modbus devices (server, client) to the same hub \r\n"
           " 6) Start capturing packets with Ethereal. \r\n"
           "\tSee Ethereal's webpage for more information on how to use Ethereal \r\n"
           "\thttps://www.wireshark.org/faq.html \r\n"
           " 7) After you have collected a few Modbus packets stop the capture \r\n"
           " 8) From the main menu in Ethereal click File -> Save as \r\n"
           " 9) Under file type select \"libpcap (tcpdump, ethereal, ect.)\" this should be the "
           "default. \r\n"
           "10) Save the capture file to your local disk \r\n"
           "11) Open ZEP Modbus TCP Parser \r\n"
           "12) Click the browse button on the main dialog \r\n"
           "13) Find and select your Ethereal capture file\r\n"
           "14) Click Analyze \r\n"
           "15) Wait for the results\r\n"
           "16) Review the results \r\n"
           "\r\n"
           "For additional help please read the help file (menu -> help)\r\n";
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vector<char> buffer(8192);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    return buffer.data();
}

}  // namespace expected
