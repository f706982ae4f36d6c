// The feedback submission against a scripted server: the form, the boxes, the refusals.

#include "web/feedback.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/web/web_test_support.h"
#include "web/web_addresses.h"

namespace {

const char* const kBuildNote = "Last Compile date: Mar  2 2006 11:27:18";
const char* const kEmptyNotice =
    "No message to send. \nPlease enter some text in to the message field ";
const char* const kSentNotice = "Your message has been sent successfully\nThank you.";

std::string FailedNotice() {
    return std::string(
               "We were unable to send your message\nYou might not have a connection to the "
               "internet at this moment, please check your connection and try again.\nIf you "
               "are still unable to send your message please manually contact technical "
               "support (") +
           TechnicalSupportEmail() + ")";
}

class Feedback : public ::testing::TestWithParam<ServerKind>, protected ServerFixture {
protected:
    void SetUp() override { StartServer(GetParam()); }
    void TearDown() override { StopServer(); }

    bool Send(const std::string& text) {
        return SendFeedback("ZEP Modbus TCP Parser", "1.00aA", text, kBuildNote, Access());
    }

    void ExpectOneBox(const std::string& text) {
        ASSERT_EQ(presenter_.boxes.size(), 1u);
        EXPECT_EQ(presenter_.boxes[0].text, text);
        EXPECT_EQ(presenter_.boxes[0].style, kMbOk);
    }
};

INSTANTIATE_TEST_SUITE_P(Transports, Feedback,
                         ::testing::Values(ServerKind::PlainPort80, ServerKind::TlsGood), KindName);

}  // namespace

TEST_P(Feedback, PostsTheFourFieldsToTheFeedbackScript) {
    server_.Answer("PASS");
    EXPECT_TRUE(Send("Works well.\r\nThanks"));
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].requestLine, "POST /script/sendfeedback.php HTTP/1.1");
    EXPECT_EQ(requests[0].body,
              "Product=ZEP+Modbus+TCP+Parser&ProductV=1.00aA&Msg=Works+well.%0D%0AThanks"
              "&Notes=Last+Compile+date%3A+Mar++2+2006+11%3A27%3A18");
    EXPECT_EQ(requests[0].form, (Fields{{"Product", "ZEP Modbus TCP Parser"},
                                        {"ProductV", "1.00aA"},
                                        {"Msg", "Works well.\r\nThanks"},
                                        {"Notes", kBuildNote}}));
}

TEST_P(Feedback, FormCharactersReachTheServerUnchanged) {
    const std::string text = "a&b=c+d%20e %zz; 100% & more=less\xE9";
    server_.Answer("PASS");
    EXPECT_TRUE(Send(text));
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    ASSERT_EQ(requests[0].form.size(), 4u);
    EXPECT_EQ(requests[0].form[2], (std::pair<std::string, std::string>{"Msg", text}));
    EXPECT_EQ(requests[0].form[3].second, kBuildNote);
}

TEST_P(Feedback, PassSaysSent) {
    server_.Answer("PASS");
    EXPECT_TRUE(Send("hello"));
    ExpectOneBox(kSentNotice);
}

TEST_P(Feedback, AnyOtherReplySaysFailed) {
    for (const char* reply : {"FAIL", "Update", "pass", ""}) {
        presenter_.boxes.clear();
        server_.Answer(reply);
        EXPECT_FALSE(Send("hello")) << reply;
        ExpectOneBox(FailedNotice());
    }
}

TEST_P(Feedback, ErrorPageWithPassCountsAsSent) {
    server_.Answer("<html>404 PASS</html>", 404);
    EXPECT_TRUE(Send("hello"));
    ExpectOneBox(kSentNotice);
}

TEST_P(Feedback, EmptyTextIsRefusedWithoutARequest) {
    server_.Answer("PASS");
    EXPECT_FALSE(Send(""));
    ExpectOneBox(kEmptyNotice);
    EXPECT_TRUE(server_.Requests().empty());
}

TEST_P(Feedback, SingleBlankIsSent) {
    server_.Answer("PASS");
    EXPECT_TRUE(Send(" "));
    ExpectOneBox(kSentNotice);
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].form[2].second, " ");
}

TEST_P(Feedback, ServerThatNeverAnswersSaysFailed) {
    server_.Hang();
    EXPECT_FALSE(Send("hello"));
    ExpectOneBox(FailedNotice());
}

TEST(FeedbackWithoutServer, SaysFailed) {
    RecordingPresenter presenter;
    const ScopedMessagePresenter presenterScope(presenter);
    WebServerAccess access;
    access.host = "127.0.0.1:" + std::to_string(UnusedLoopbackPort());
    access.http.timeouts = ShortTimeouts();
    EXPECT_FALSE(SendFeedback("ZEP Modbus TCP Parser", "1.00aA", "hello", kBuildNote, access));
    ASSERT_EQ(presenter.boxes.size(), 1u);
    EXPECT_EQ(presenter.boxes[0].text, FailedNotice());
}
