#pragma once
// Posts the About box's feedback text to the maker's feedback script.

#include <string>

#include "web/web_server_access.h"

// An empty text is refused with a notice and nothing is sent. Otherwise the text is posted with
// the product identity and the build note, and the user is told whether it arrived. Returns
// true when the script acknowledged it.
bool SendFeedback(const std::string& productName, const std::string& productVersion,
                  const std::string& feedbackText, const std::string& buildNote,
                  const WebServerAccess& server = WebServerAccess());
