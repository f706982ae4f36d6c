#include "app/instructions_text.h"

std::string InstructionsText() {
    std::string text;
    text += " 1) Download Ethereal (";
    text += kCaptureToolHomePage;
    text += ")\r\n";
    text += " 2) Install Ethereal \r\n";
    text += " 3) Start up Ethereal\r\n";
    text += " 4) Connect your PC to a hub \r\n";
    text += " 5) Connect your Modbus devices (server, client) to the same hub \r\n";
    text += " 6) Start capturing packets with Ethereal. \r\n";
    text += "\tSee Ethereal's webpage for more information on how to use Ethereal \r\n\t";
    text += kCaptureToolFaqPage;
    text += " \r\n";
    text += " 7) After you have collected a few Modbus packets stop the capture \r\n";
    text += " 8) From the main menu in Ethereal click File -> Save as \r\n";
    text +=
        " 9) Under file type select \"libpcap (tcpdump, ethereal, ect.)\" this should be the "
        "default. \r\n";
    text += "10) Save the capture file to your local disk \r\n";
    text += "11) Open ZEP Modbus TCP Parser \r\n";
    text += "12) Click the browse button on the main dialog \r\n";
    text += "13) Find and select your Ethereal capture file\r\n";
    text += "14) Click Analyze \r\n";
    text += "15) Wait for the results\r\n";
    text += "16) Review the results \r\n";
    text += "\r\n";
    text += "For additional help please read the help file (menu -> help)\r\n";
    return text;
}
