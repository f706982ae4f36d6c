#include "web/feedback.h"

#include "common/message_presenter.h"
#include "web/form_body.h"
#include "web/form_post.h"
#include "web/reply_words.h"
#include "web/web_messages.h"

bool SendFeedback(const std::string& productName, const std::string& productVersion,
                  const std::string& feedbackText, const std::string& buildNote,
                  const WebServerAccess& server) {
    if (feedbackText.empty()) {
        PresentMessage(kEmptyFeedbackNotice, kMbOk);
        return false;
    }
    const std::string body = FeedbackBody(productName, productVersion, feedbackText, buildNote);
    const bool received =
        FeedbackReceived(PostFormForReply(FeedbackAddress(server.host), body, server.http));
    PresentMessage(received ? kFeedbackSentNotice : FeedbackFailedNotice(), kMbOk);
    return received;
}
