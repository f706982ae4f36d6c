#pragma once
// The texts of the update check's and the feedback submission's message boxes.

#include <string>

constexpr const char* kNoUpdateNotice = "No updates available ";
constexpr const char* kNewVersionQuestion =
    "There is a new version of this application available.\n"
    "Would you like to download the new version?";
constexpr const char* kNoConnectionNotice =
    "We could not connect to our servers.\n"
    "Our servers could be down or \n"
    "You might not have a connection to the internet at this moment, please check your "
    "connection and try again.";
constexpr const char* kEmptyFeedbackNotice =
    "No message to send. \nPlease enter some text in to the message field ";
constexpr const char* kFeedbackSentNotice = "Your message has been sent successfully\nThank you.";

// The failure notice, ending with the technical-support address in parentheses.
std::string FeedbackFailedNotice();
