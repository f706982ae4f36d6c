#include "session/unanswered_text.h"

namespace {

struct UnansweredWords {
    Unanswered reason;
    const char* text;
    const char* detail;
};

constexpr UnansweredWords kWords[] = {
    {Unanswered::ConnectionClosed, "connection closed", "its connection closed first"},
    {Unanswered::TimedOut, "timed out", "no response within the response time-out"},
    {Unanswered::CaptureEnded, "capture ended", "the capture ended first"},
    {Unanswered::TooManyWaiting, "too many waiting", "too many requests were waiting"},
};

const UnansweredWords* WordsOf(Unanswered reason) {
    for (const UnansweredWords& words : kWords) {
        if (words.reason == reason) {
            return &words;
        }
    }
    return nullptr;  // answered
}

}  // namespace

const char* UnansweredText(Unanswered reason) {
    const UnansweredWords* words = WordsOf(reason);
    return words != nullptr ? words->text : nullptr;
}

const char* UnansweredDetail(Unanswered reason) {
    const UnansweredWords* words = WordsOf(reason);
    return words != nullptr ? words->detail : "";
}
