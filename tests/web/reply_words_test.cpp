// Reading the status words out of the maker's replies.

#include "web/reply_words.h"

#include <gtest/gtest.h>

TEST(UpdateReplies, EachWordAnywhereInTheText) {
    EXPECT_EQ(InterpretUpdateReply("PASS"), UpdateReply::Current);
    EXPECT_EQ(InterpretUpdateReply("<html>status: PASSED</html>"), UpdateReply::Current);
    EXPECT_EQ(InterpretUpdateReply("Update"), UpdateReply::NewerVersion);
    EXPECT_EQ(InterpretUpdateReply("404 Not Found. Updates are elsewhere"),
              UpdateReply::NewerVersion);
    EXPECT_EQ(InterpretUpdateReply("FAIL"), UpdateReply::NoUpdate);
    EXPECT_EQ(InterpretUpdateReply("xxFAILxx"), UpdateReply::NoUpdate);
}

TEST(UpdateReplies, PassBeatsUpdateBeatsFail) {
    EXPECT_EQ(InterpretUpdateReply("Update PASS"), UpdateReply::Current);
    EXPECT_EQ(InterpretUpdateReply("FAIL PASS"), UpdateReply::Current);
    EXPECT_EQ(InterpretUpdateReply("FAIL Update"), UpdateReply::NewerVersion);
}

TEST(UpdateReplies, CapitalsCount) {
    EXPECT_EQ(InterpretUpdateReply("update"), UpdateReply::NoWord);
    EXPECT_EQ(InterpretUpdateReply("pass"), UpdateReply::NoWord);
    EXPECT_EQ(InterpretUpdateReply("Fail"), UpdateReply::NoWord);
    EXPECT_EQ(InterpretUpdateReply("UPDATE"), UpdateReply::NoWord);
    EXPECT_EQ(InterpretUpdateReply(""), UpdateReply::NoWord);
    EXPECT_EQ(InterpretUpdateReply("PAS S"), UpdateReply::NoWord);
}

TEST(FeedbackReplies, OnlyPassMeansReceived) {
    EXPECT_TRUE(FeedbackReceived("PASS"));
    EXPECT_TRUE(FeedbackReceived("ok, PASS, thanks"));
    EXPECT_FALSE(FeedbackReceived("FAIL"));
    EXPECT_FALSE(FeedbackReceived("Update"));
    EXPECT_FALSE(FeedbackReceived("pass"));
    EXPECT_FALSE(FeedbackReceived(""));
}
