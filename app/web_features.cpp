#include "app/web_features.h"

#include "web/feedback.h"
#include "web/update_check.h"

bool WebFeaturesBuilt() {
    return true;
}

void CheckForUpdateAtStartup() {
    CheckForUpdate(false);
}

void CheckForUpdateNow() {
    CheckForUpdate(true);
}

void SendFeedbackText(const std::string& productName, const std::string& productVersion,
                      const std::string& feedbackText, const std::string& buildNote) {
    SendFeedback(productName, productVersion, feedbackText, buildNote);
}
