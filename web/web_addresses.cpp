#include "web/web_addresses.h"

#include "web/maker_web_server.h"  // generated from the build settings

const char* MakerWebHost() {
    return ZEP_MAKER_WEB_HOST;
}

const char* TechnicalSupportEmail() {
    return ZEP_SUPPORT_EMAIL;
}

std::string HomePageAddress(const std::string& host) {
    return "http://" + host;
}

std::string UpdateCheckAddress(const std::string& host) {
    return HomePageAddress(host) + "/script/checkversion.php";
}

std::string FeedbackAddress(const std::string& host) {
    return HomePageAddress(host) + "/script/sendfeedback.php";
}

std::string InstallerAddress(const std::string& host) {
    return HomePageAddress(host) + "/files/resources/modbus/Installer_ZEP Modbus TCP Parser.exe";
}

std::string ForumHelpAddress(const std::string& host) {
    return HomePageAddress(host) + "/forums/viewtopic.php?t=33";
}
