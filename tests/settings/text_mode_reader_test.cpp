#include "settings/text_mode_reader.h"

#include <gtest/gtest.h>

#include "tests/settings/file_fixture.h"

using Lines = std::vector<std::string>;

class TextModeReader : public FileFixture {};

TEST_F(TextModeReader, MissingFileCannotBeRead) {
    Lines lines;
    EXPECT_FALSE(ReadTextModeLines("absent.ini", lines));
    EXPECT_TRUE(lines.empty());
}

TEST_F(TextModeReader, LinesEndInLfOrCrLf) {
    WriteBytes("f.ini", "one\r\ntwo\nthree\r\n");
    Lines lines;
    ASSERT_TRUE(ReadTextModeLines("f.ini", lines));
    EXPECT_EQ(lines, (Lines{"one", "two", "three"}));
}

TEST_F(TextModeReader, LastLineWithoutLineEndIsALine) {
    WriteBytes("f.ini", "one\r\nlast");
    Lines lines;
    ASSERT_TRUE(ReadTextModeLines("f.ini", lines));
    EXPECT_EQ(lines, (Lines{"one", "last"}));
}

TEST_F(TextModeReader, OnlyTheCrBeforeLfBelongsToTheLineEnd) {
    WriteBytes("f.ini", "a\rb\r\nc\r\r\n\r\n");
    Lines lines;
    ASSERT_TRUE(ReadTextModeLines("f.ini", lines));
    EXPECT_EQ(lines, (Lines{"a\rb", "c\r", ""}));
}

TEST_F(TextModeReader, CtrlZEndsTheFile) {
    WriteBytes("f.ini", "a=1\r\nb=2\x1A\r\nc=3\r\n");
    Lines lines;
    ASSERT_TRUE(ReadTextModeLines("f.ini", lines));
    EXPECT_EQ(lines, (Lines{"a=1", "b=2"}));
}

TEST_F(TextModeReader, EmptyFileHasNoLines) {
    WriteBytes("f.ini", "");
    Lines lines;
    ASSERT_TRUE(ReadTextModeLines("f.ini", lines));
    EXPECT_TRUE(lines.empty());
}
