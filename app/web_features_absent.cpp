// A build without the web part: nothing goes online, and the controls that would are disabled.

#include "app/web_features.h"

bool WebFeaturesBuilt() {
    return false;
}

void CheckForUpdateAtStartup() {}

void CheckForUpdateNow() {}

void SendFeedbackText(const std::string&, const std::string&, const std::string&,
                      const std::string&) {}
