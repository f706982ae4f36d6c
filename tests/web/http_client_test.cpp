// The HTTP client of this platform against a real server on loopback: the request it sends,
// the replies it returns, the port rule, certificates and time-outs.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/web/web_test_support.h"
#include "web/http_retriever.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kScriptPath = "/script/checkversion.php";

class HttpClient : public ::testing::TestWithParam<ServerKind>, protected ServerFixture {
protected:
    void SetUp() override { StartServer(GetParam()); }
    void TearDown() override { StopServer(); }

    std::string Url(const std::string& path = kScriptPath) const {
        return "http://" + server_.Host() + path;
    }
    HttpOptions Options() const { return Access().http; }

    // Fetches with a fresh client; "<null>" stands for a null reply.
    std::string FetchText(const std::string& url, const std::string& body) {
        HttpRetriever retriever(Options());
        const char* reply =
            retriever.Fetch(url.c_str(), body.data(), static_cast<int>(body.size()));
        return reply == nullptr ? "<null>" : reply;
    }
};

INSTANTIATE_TEST_SUITE_P(Transports, HttpClient,
                         ::testing::Values(ServerKind::PlainPort80, ServerKind::TlsGood), KindName);

}  // namespace

TEST_P(HttpClient, PostsTheFormAsSpecified) {
    server_.Answer("PASS");
    const std::string body = "app_name=ZEP+Modbus+TCP+Parser&app_ver=1.00aA";
    EXPECT_EQ(FetchText(Url(), body), "PASS");

    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const RecordedRequest& request = requests[0];
    EXPECT_EQ(request.requestLine, "POST /script/checkversion.php HTTP/1.1");
    EXPECT_EQ(request.Header("User-Agent"), "Tavo Software HTTP Retriever 1.0");
    EXPECT_EQ(request.Header("Accept"), "*/*");
    EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.Header("Content-Length"), std::to_string(body.size()));
    EXPECT_EQ(request.Header("Host"), server_.Host());
    EXPECT_EQ(request.Header("Expect"), "<none>");
    EXPECT_EQ(request.body, body);
}

TEST_P(HttpClient, BodyBytesAreSentUnaltered) {
    const char raw[] = "raw \x01\x00\xFF&=+% bytes";
    const std::string body(raw, sizeof raw - 1);
    EXPECT_EQ(FetchText(Url("/script/sendfeedback.php"), body), "");
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].requestLine, "POST /script/sendfeedback.php HTTP/1.1");
    EXPECT_EQ(requests[0].body, body);
}

TEST_P(HttpClient, BodyLengthMinusOneMeansUpToTheNul) {
    HttpRetriever retriever(Options());
    ASSERT_NE(retriever.Fetch(Url().c_str(), "a=1\0b=2", -1), nullptr);
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].body, "a=1");
}

TEST_P(HttpClient, NullAddressMakesNoRequest) {
    HttpRetriever retriever(Options());
    EXPECT_EQ(retriever.Fetch(nullptr, "a=1", 3), nullptr);
    EXPECT_TRUE(server_.Requests().empty());
}

TEST_P(HttpClient, EmptyReplyIsEmptyText) {
    server_.Answer("");
    EXPECT_EQ(FetchText(Url(), "a=1"), "");
}

TEST_P(HttpClient, LongReplyArrivesWholeAndInOrder) {
    std::string reply;
    for (int i = 0; reply.size() < 50000; ++i) {
        reply += std::to_string(i) + ",";
    }
    server_.Answer(reply);
    EXPECT_EQ(FetchText(Url(), "a=1"), reply);
}

TEST_P(HttpClient, NulEndsTheReplyText) {
    server_.Answer(std::string("abc\0PASS", 8));
    EXPECT_EQ(FetchText(Url(), "a=1"), "abc");
}

TEST_P(HttpClient, ErrorPageIsReturnedLikeAnyReply) {
    const std::string page = "<html><body><h1>404 Not Found</h1>No such script.</body></html>";
    server_.Answer(page, 404);
    EXPECT_EQ(FetchText(Url(), "a=1"), page);
    server_.Answer("Internal error", 500);
    EXPECT_EQ(FetchText(Url(), "a=1"), "Internal error");
}

TEST_P(HttpClient, SecondFetchOnOneClientReplacesTheReply) {
    HttpRetriever retriever(Options());
    server_.Answer("first");
    EXPECT_STREQ(retriever.Fetch(Url().c_str(), "a=1", 3), "first");
    server_.Answer("second");
    EXPECT_STREQ(retriever.Fetch(Url().c_str(), "a=2", 3), "second");
    EXPECT_EQ(server_.Requests().size(), 2u);
}

TEST_P(HttpClient, ServerThatNeverAnswersTimesOut) {
    server_.Hang();
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(FetchText(Url(), "a=1"), "<null>");
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(ShortTimeouts().stallMs));
    EXPECT_LT(waited, std::chrono::seconds(2));
    EXPECT_EQ(server_.Requests().size(), 1u);
}

TEST_P(HttpClient, ReplyThatStopsHalfWayKeepsWhatArrived) {
    server_.AnswerThenStall("PASS and then nothing more", 4);
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(FetchText(Url(), "a=1"), "PASS");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
}

TEST_P(HttpClient, DrippingReplyEndsAtTheOverallDeadlineKeepingWhatArrived) {
    // A byte every 50 ms never stalls for 300 ms; the whole reply would take 10 s.
    const std::string reply = "PASS" + std::string(200, '.');
    server_.AnswerDripping(reply, 50);
    HttpOptions options = Options();
    options.timeouts.overallMs = 800;
    HttpRetriever retriever(options);
    const Clock::time_point start = Clock::now();
    const char* text = retriever.Fetch(Url().c_str(), "a=1", 3);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(800));
    EXPECT_LT(waited, std::chrono::seconds(2));
    ASSERT_NE(text, nullptr);
    const std::string kept = text;
    EXPECT_GE(kept.size(), 4u);
    EXPECT_LT(kept.size(), reply.size());
    EXPECT_EQ(kept, reply.substr(0, kept.size()));
}

TEST_P(HttpClient, ReplyBeyondOneMebibyteKeepsItsFirstMebibyte) {
    std::string reply;
    for (int i = 0; reply.size() < 1024 * 1024 + 5000; ++i) {
        reply += std::to_string(i) + ",";
    }
    server_.Answer(reply);
    const std::string kept = FetchText(Url(), "a=1");
    ASSERT_EQ(kept.size(), 1024u * 1024u);
    EXPECT_TRUE(kept == reply.substr(0, kept.size()));
}

TEST_P(HttpClient, ConnectionClosedWithoutAnswerMeansNotSent) {
    server_.CloseWithoutAnswer();
    EXPECT_EQ(FetchText(Url(), "a=1"), "<null>");
}

TEST_P(HttpClient, MalformedAddressMakesNoRequest) {
    EXPECT_EQ(FetchText("no address", "a=1"), "<null>");
    EXPECT_EQ(FetchText("gopher://" + server_.Host() + "/x", "a=1"), "<null>");
    EXPECT_TRUE(server_.Requests().empty());
}

TEST(HttpClientWithoutServer, NoServerGivesNull) {
    HttpOptions options;
    options.timeouts = ShortTimeouts();
    HttpRetriever retriever(options);
    const std::string url = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/x";
    EXPECT_EQ(retriever.Fetch(url.c_str(), "a=1", 3), nullptr);
}

// The port alone decides: 80 is plain, any other port is TLS, whatever the scheme says.
class PortRule : public ::testing::Test, protected ServerFixture {
protected:
    void TearDown() override { StopServer(); }

    std::string FetchText(const std::string& url) {
        HttpRetriever retriever(Access().http);
        const char* reply = retriever.Fetch(url.c_str(), "a=1", 3);
        return reply == nullptr ? "<null>" : reply;
    }
};

TEST_F(PortRule, HttpSchemeOnAnotherPortSpeaksTls) {
    StartServer(ServerKind::TlsGood);
    server_.Answer("over TLS");
    EXPECT_EQ(FetchText("http://127.0.0.1:" + std::to_string(server_.Port()) + "/p"), "over TLS");
    EXPECT_EQ(FetchText("https://127.0.0.1:" + std::to_string(server_.Port()) + "/p"), "over TLS");
}

TEST_F(PortRule, PlainServerOnAnotherPortIsNotReached) {
    StartServer(ServerKind::PlainOtherPort);
    server_.Answer("PASS");
    EXPECT_EQ(FetchText("http://127.0.0.1:" + std::to_string(server_.Port()) + "/p"), "<null>");
    EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(PortRule, HttpsSchemeOnPort80SpeaksPlainHttp) {
    StartServer(ServerKind::PlainPort80);
    if (IsSkipped()) {
        return;
    }
    server_.Answer("plain");
    EXPECT_EQ(FetchText("https://" + server_.Host() + ":80/p"), "plain");
    EXPECT_EQ(FetchText("http://" + server_.Host() + ":80/p"), "plain");
}

// Certificates are verified: a wrong name, a past date or an unknown authority is refused.
class Certificates : public PortRule {};

TEST_F(Certificates, ValidCertificateOfATrustedAuthorityIsAccepted) {
    StartServer(ServerKind::TlsGood);
    server_.Answer("PASS");
    EXPECT_EQ(FetchText("http://" + server_.Host() + "/p"), "PASS");
    EXPECT_EQ(FetchText("http://localhost:" + std::to_string(server_.Port()) + "/p"), "PASS");
}

TEST_F(Certificates, WrongNameIsRefused) {
    StartServer(ServerKind::TlsWrongName);
    server_.Answer("PASS");
    EXPECT_EQ(FetchText("http://" + server_.Host() + "/p"), "<null>");
    EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(Certificates, ExpiredCertificateIsRefused) {
    StartServer(ServerKind::TlsExpired);
    server_.Answer("PASS");
    EXPECT_EQ(FetchText("http://" + server_.Host() + "/p"), "<null>");
    EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(Certificates, UnknownAuthorityIsRefused) {
    StartServer(ServerKind::TlsGood);
    server_.Answer("PASS");
    HttpOptions systemTrust;  // the system's authorities only, which never signed this one
    systemTrust.timeouts = ShortTimeouts();
    HttpRetriever retriever(systemTrust);
    const std::string url = "http://" + server_.Host() + "/p";
    EXPECT_EQ(retriever.Fetch(url.c_str(), "a=1", 3), nullptr);
    EXPECT_TRUE(server_.Requests().empty());
}
