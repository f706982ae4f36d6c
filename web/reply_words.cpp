#include "web/reply_words.h"

namespace {

struct ReplyWord {
    const char* word;
    UpdateReply meaning;
};

constexpr const char* kReceivedWord = "PASS";

constexpr ReplyWord kUpdateReplyWords[] = {
    {"PASS", UpdateReply::Current},
    {"Update", UpdateReply::NewerVersion},
    {"FAIL", UpdateReply::NoUpdate},
};

}  // namespace

UpdateReply InterpretUpdateReply(const std::string& reply) {
    for (const ReplyWord& entry : kUpdateReplyWords) {
        if (reply.find(entry.word) != std::string::npos) {
            return entry.meaning;
        }
    }
    return UpdateReply::NoWord;
}

bool FeedbackReceived(const std::string& reply) {
    return reply.find(kReceivedWord) != std::string::npos;
}
