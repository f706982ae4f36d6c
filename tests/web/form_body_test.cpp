// The form bodies of the update check and the feedback.

#include "web/form_body.h"

#include <gtest/gtest.h>

#include "common/product_identity.h"

TEST(FormEncode, LettersDigitsAndFourMarksStay) {
    EXPECT_EQ(FormEncode("AZaz09*-._"), "AZaz09*-._");
    EXPECT_EQ(FormEncode(""), "");
}

TEST(FormEncode, BlankBecomesPlus) {
    EXPECT_EQ(FormEncode("ZEP Modbus TCP Parser"), "ZEP+Modbus+TCP+Parser");
    EXPECT_EQ(FormEncode(" "), "+");
}

TEST(FormEncode, FormCharactersAreEscaped) {
    EXPECT_EQ(FormEncode("a&b=c+d%e"), "a%26b%3Dc%2Bd%25e");
    EXPECT_EQ(FormEncode("line 1\r\nline 2"), "line+1%0D%0Aline+2");
    EXPECT_EQ(FormEncode("(v1.00aA)"), "%28v1.00aA%29");
    EXPECT_EQ(FormEncode("~!?/:;#"), "%7E%21%3F%2F%3A%3B%23");
}

TEST(FormEncode, EveryOtherByteIsEscapedWithCapitalHexDigits) {
    EXPECT_EQ(FormEncode(std::string("\x00\x1F\x7F\x80\xE9\xFF", 6)), "%00%1F%7F%80%E9%FF");
}

TEST(FormBodies, UpdateCheck) {
    EXPECT_EQ(UpdateCheckBody(), "app_name=ZEP+Modbus+TCP+Parser&app_ver=1.00aA");
}

TEST(FormBodies, FeedbackKeysInOrder) {
    EXPECT_EQ(FeedbackBody("ZEP Modbus TCP Parser", "1.00aA", "Hello",
                           "Last Compile date: Mar  2 2006 11:27:18"),
              "Product=ZEP+Modbus+TCP+Parser&ProductV=1.00aA&Msg=Hello"
              "&Notes=Last+Compile+date%3A+Mar++2+2006+11%3A27%3A18");
}

TEST(FormBodies, FeedbackTextCannotSplitTheForm) {
    EXPECT_EQ(FeedbackBody("P", "V", "x&Notes=forged", "N"),
              "Product=P&ProductV=V&Msg=x%26Notes%3Dforged&Notes=N");
}

TEST(FormBodies, FullVersionCarriesBothBuildLetters) {
    EXPECT_EQ(FullVersionText(), "1.00aA");
}
