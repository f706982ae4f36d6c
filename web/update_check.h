#pragma once
// Asks the maker's update-check script whether a newer version exists and offers to download it.

#include "web/web_server_access.h"

class PlatformServices;

// interactive: the user asked (every outcome is shown); otherwise the quiet start-up check,
// which speaks up only when a newer version exists. A Yes to the download question hands the
// installer address to the shell with the verb "open". Returns true when the reply carried
// one of the words PASS, Update or FAIL.
bool CheckForUpdate(bool interactive, PlatformServices& platform,
                    const WebServerAccess& server = WebServerAccess());

// The same against the maker's web server, opening the installer with the system's shell.
bool CheckForUpdate(bool interactive);
