#pragma once
// The maker's web server and the addresses on it. The host is chosen when the program is built
// (CMake cache variables ZEP_MAKER_WEB_HOST and ZEP_SUPPORT_EMAIL); every function that builds
// an address also takes another host, so that a test can point it at a server of its own.
// All addresses use the scheme "http".

#include <string>

// The host of the maker's web server, possibly with ":port".
const char* MakerWebHost();
// The technical-support e-mail address named when feedback cannot be sent.
const char* TechnicalSupportEmail();

// "http://<host>": the home page; the dialogs append their reference queries to it.
std::string HomePageAddress(const std::string& host = MakerWebHost());
// The update-check script, posted to.
std::string UpdateCheckAddress(const std::string& host = MakerWebHost());
// The feedback script, posted to.
std::string FeedbackAddress(const std::string& host = MakerWebHost());
// The installer of the newest version, opened in the browser (blanks not escaped).
std::string InstallerAddress(const std::string& host = MakerWebHost());
// The help topic on the maker's forum, opened by the Help command.
std::string ForumHelpAddress(const std::string& host = MakerWebHost());
