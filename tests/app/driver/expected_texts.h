#pragma once
// What the program must show, written down from the product's description, letter for letter.

#include <string>

namespace expected {

constexpr const char* kTitle = "ZEP Modbus TCP Parser";
constexpr const char* kAboutTitle = "About ZEP Modbus TCP Parser";

// The settings file as the close command writes it.
constexpr const char* kSettingsOn = "[ZEP Modbus TCP Parser]\r\nAutoUpdate=1\r\n\r\n";
constexpr const char* kSettingsOff = "[ZEP Modbus TCP Parser]\r\nAutoUpdate=0\r\n\r\n";

// Messages of the analysis run.
constexpr const char* kNoPath = "Please select a file to processed";
constexpr const char* kUnreadableInput = "The input file does not exist/readable\nInput file=[%s]";
constexpr const char* kEarlierReport =
    "We have found a previous result file.\nFile: %s\nPlease remove this file before "
    "continuing.\n\nWould you like to browse to this file ?";
constexpr const char* kNoModbus =
    "Error: There are no valid Modbus messages in this file\nFile: %s";
constexpr const char* kAnalysed =
    "We have analyzed %d modbus messages and saved the results to your computer\nFile: "
    "%s\nWould you like to view the results?";
constexpr const char* kSummary =
    "%d\tMessages processed\r\n%d\tModbus messages processed\r\n%d\tModbus message ingored "
    "\r\n\r\nOutput: %s";
constexpr const char* kIgnoredExplanation =
    "\r\n\r\n"
    "* Modbus messages are ignored if any of the following occur\r\n"
    "  - A Modbus TCP message with a zero length \r\n"
    "  - A Modbus TCP message with an incorrect length \r\n"
    "  - A Modbus TCP message with an invalid header  \r\n";
constexpr const char* kProgressHead =
    "\tModbus messages processed...Please wait\r\n\r\nLine:\r\n\t";

// Messages of the update check and the feedback form.
constexpr const char* kNoUpdate = "No updates available ";
constexpr const char* kNewVersion =
    "There is a new version of this application available.\nWould you like to download the new "
    "version?";
constexpr const char* kNoConnection =
    "We could not connect to our servers.\nOur servers could be down or \nYou might not have a "
    "connection to the internet at this moment, please check your connection and try again.";
constexpr const char* kEmptyFeedback =
    "No message to send. \nPlease enter some text in to the message field ";
constexpr const char* kFeedbackSent = "Your message has been sent successfully\nThank you.";
constexpr const char* kFeedbackFailedHead =
    "We were unable to send your message\nYou might not have a connection to the internet at "
    "this moment, please check your connection and try again.\nIf you are still unable to send "
    "your message please manually contact technical support (";

// About box texts.
constexpr const char* kVersionLines =
    "ZEP Modbus TCP Parser v1.00aA\r\nLast Updated March 02 2006\r\n\r\n";
constexpr const char* kFeedbackTemplate =
    "Name:     \r\nEmail:    \r\n\r\nPlease send us feedback....\r\n\r\n\r\n";
constexpr const char* kAnonymousNote =
    "Your comments will be sent anonymously.\nIf you require a response please include some "
    "contact information (Name, Email, Phone number...)";

// Paths and queries on the maker's web server.
constexpr const char* kUpdateScript = "/script/checkversion.php";
constexpr const char* kFeedbackScript = "/script/sendfeedback.php";
constexpr const char* kInstallerPath =
    "/files/resources/modbus/Installer_ZEP Modbus TCP Parser.exe";
constexpr const char* kForumHelpPath = "/forums/viewtopic.php?t=33";
constexpr const char* kMainLogoQuery = "?ref=ZEP Modbus TCP Parser (v1.00aA)";
constexpr const char* kAboutLogoQuery = "?ref=ZEP Modbus TCP Parser(1.00aA)";
constexpr const char* kLinkQuery = "/?ref=ZEP Modbus TCP Parser (v1.00aA)";

// The update check's request as the test server logs it (fields decoded).
constexpr const char* kUpdateRequest =
    "POST /script/checkversion.php\tapp_name=ZEP Modbus TCP Parser\tapp_ver=1.00aA";

// The instructions text, with the capture tool's web pages that this build names.
std::string Instructions();

// printf-style formatting of the texts above.
std::string Format(const char* format, ...);

}  // namespace expected
