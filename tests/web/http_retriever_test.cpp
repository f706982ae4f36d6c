// The client's reading of replies, over a scripted transport.

#include "web/http_retriever.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "web/http_transport.h"

namespace {

// What the scripted transport saw and how it answers.
struct Script {
    bool sendSucceeds = true;
    std::deque<std::string> chunks;
    bool failAfterChunks = false;    // the read after the last chunk fails instead of ending
    std::vector<std::string> posts;  // "url|body" of every PostForm
    std::vector<size_t> readCapacities;
};

class ScriptedTransport : public HttpTransport {
public:
    explicit ScriptedTransport(Script& script) : script_(script) {}

    bool PostForm(const char* url, const char* body, size_t length) override {
        script_.posts.push_back(std::string(url) + "|" + std::string(body, length));
        return script_.sendSucceeds;
    }

    bool ReadChunk(char* buffer, size_t capacity, size_t& delivered) override {
        script_.readCapacities.push_back(capacity);
        delivered = 0;
        if (script_.chunks.empty()) {
            return !script_.failAfterChunks;
        }
        const std::string chunk = script_.chunks.front();
        script_.chunks.pop_front();
        delivered = chunk.copy(buffer, capacity);
        return true;
    }

private:
    Script& script_;
};

}  // namespace

TEST(HttpRetriever, RequestNotSentGivesNull) {
    Script script;
    script.sendSucceeds = false;
    HttpRetriever retriever(std::make_unique<ScriptedTransport>(script));
    EXPECT_EQ(retriever.Fetch("http://h/p", "a=1", 3), nullptr);
    EXPECT_EQ(script.posts.size(), 1u);
}

TEST(HttpRetriever, ChunksAreJoinedInOrderAskingForAtMost8191Bytes) {
    Script script;
    script.chunks = {std::string(8191, 'a'), std::string(8191, 'b'), "end"};
    HttpRetriever retriever(std::make_unique<ScriptedTransport>(script));
    const char* reply = retriever.Fetch("http://h/p", "", 0);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(std::string(reply), std::string(8191, 'a') + std::string(8191, 'b') + "end");
    ASSERT_EQ(script.readCapacities.size(), 4u);
    for (size_t capacity : script.readCapacities) {
        EXPECT_EQ(capacity, 8191u);
    }
}

TEST(HttpRetriever, NulEndsTheTextOfItsChunkOnly) {
    Script script;
    script.chunks = {std::string("AB\0CD", 5), "EF", std::string("\0GH", 3), "IJ"};
    HttpRetriever retriever(std::make_unique<ScriptedTransport>(script));
    EXPECT_STREQ(retriever.Fetch("http://h/p", "", 0), "ABEFIJ");
}

TEST(HttpRetriever, FailedReadKeepsWhatCameBefore) {
    Script script;
    script.chunks = {"PA", "SS"};
    script.failAfterChunks = true;
    HttpRetriever retriever(std::make_unique<ScriptedTransport>(script));
    EXPECT_STREQ(retriever.Fetch("http://h/p", "", 0), "PASS");
}

TEST(HttpRetriever, FailedSendKeepsTheEarlierReplyValid) {
    Script script;
    script.chunks = {"kept"};
    HttpRetriever retriever(std::make_unique<ScriptedTransport>(script));
    const char* first = retriever.Fetch("http://h/p", "", 0);
    ASSERT_NE(first, nullptr);
    script.sendSucceeds = false;
    EXPECT_EQ(retriever.Fetch("http://h/p", "", 0), nullptr);
    EXPECT_STREQ(first, "kept");
}

TEST(HttpRetriever, ReadingStopsAtOneMebibyte) {
    Script script;
    for (int i = 0; i < 200; ++i) {
        script.chunks.push_back(std::string(8191, static_cast<char>('a' + i % 26)));
    }
    HttpRetriever retriever(std::make_unique<ScriptedTransport>(script));
    const char* reply = retriever.Fetch("http://h/p", "", 0);
    ASSERT_NE(reply, nullptr);
    const std::string text = reply;
    EXPECT_EQ(text.size(), 1048576u);
    // 128 whole chunks, then only the 128 bytes that fill the mebibyte; nothing more is asked.
    ASSERT_EQ(script.readCapacities.size(), 129u);
    EXPECT_EQ(script.readCapacities.back(), 128u);
    EXPECT_EQ(text.substr(128 * 8191), std::string(128, static_cast<char>('a' + 128 % 26)));
}
