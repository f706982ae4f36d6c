#include "views/unanswered_text.h"

const char* UnansweredText(Unanswered reason) {
    switch (reason) {
        case Unanswered::No:
            return nullptr;
        case Unanswered::ConnectionClosed:
            return "connection closed";
        case Unanswered::TimedOut:
            return "timed out";
        case Unanswered::CaptureEnded:
            return "capture ended";
        case Unanswered::TooManyWaiting:
            return "too many waiting";
    }
    return nullptr;
}
