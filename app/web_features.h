#pragma once
// The dialogs' network functions: the update check and the feedback form. A build without the
// web part (ZEP_WITH_WEB=OFF) has them do nothing, and the dialogs disable their controls.

#include <string>

// False in a build without the web part.
bool WebFeaturesBuilt();

// The quiet start-up check (AutoUpdate on) and the one the user asks for.
void CheckForUpdateAtStartup();
void CheckForUpdateNow();

void SendFeedbackText(const std::string& productName, const std::string& productVersion,
                      const std::string& feedbackText, const std::string& buildNote);
