#pragma once
// What the maker's scripts mean by their replies: status words found anywhere in the text,
// capitals and small letters distinct.

#include <string>

enum class UpdateReply {
    Current,       // "PASS": the installed version is current
    NewerVersion,  // "Update" (and no "PASS"): a newer version exists
    NoUpdate,      // "FAIL" (and neither of the others): no update offered
    NoWord,        // none of them: no answer from the server
};

// The words are tried in the order PASS, Update, FAIL; the first one found decides.
UpdateReply InterpretUpdateReply(const std::string& reply);

// True when the feedback script acknowledged the message ("PASS").
bool FeedbackReceived(const std::string& reply);
