// Reading INI files: the strict line parser and what it keeps.

#include <gtest/gtest.h>

#include "settings/ini_document.h"
#include "tests/settings/file_fixture.h"

using Strings = std::vector<std::string>;

class IniLoad : public FileFixture {
protected:
    // Writes `bytes` as f.ini and loads it into `document_`; returns Load's result.
    bool LoadBytes(const std::string& bytes) {
        WriteBytes("f.ini", bytes);
        return document_.Load();
    }
    // Like LoadBytes, and also returns what the parser printed on standard output.
    bool LoadBytesCapturingOutput(const std::string& bytes, std::string& printed) {
        WriteBytes("f.ini", bytes);
        ::testing::internal::CaptureStdout();
        const bool loaded = document_.Load();
        printed = ::testing::internal::GetCapturedStdout();
        return loaded;
    }

    IniDocument document_{"f.ini"};
};

TEST_F(IniLoad, MissingFileGivesFalseAndLeavesTheDocumentEmpty) {
    EXPECT_FALSE(document_.Load());
    EXPECT_EQ(document_.SectionCount(), 0);
    EXPECT_TRUE(document_.HeaderComments().empty());
    EXPECT_TRUE(document_.GetBool("ZEP Modbus TCP Parser", "AutoUpdate", true));
    EXPECT_FALSE(document_.GetBool("ZEP Modbus TCP Parser", "AutoUpdate", false));
}

TEST_F(IniLoad, SectionAndKeysAreRead) {
    EXPECT_TRUE(LoadBytes("[ZEP Modbus TCP Parser]\r\nAutoUpdate=1\r\n\r\n"));
    ASSERT_EQ(document_.SectionCount(), 1);
    EXPECT_EQ(document_.SectionName(0), "ZEP Modbus TCP Parser");
    EXPECT_EQ(document_.Section(0).keyNames, Strings{"AutoUpdate"});
    EXPECT_EQ(document_.Section(0).values, Strings{"1"});
    EXPECT_EQ(document_.GetString("ZEP Modbus TCP Parser", "AutoUpdate", "x"), "1");
}

TEST_F(IniLoad, BlanksAreNeverTrimmed) {
    EXPECT_TRUE(LoadBytes("[S]\r\nAutoUpdate = 1\r\n"));
    EXPECT_EQ(document_.Section(0).keyNames, Strings{"AutoUpdate "});
    EXPECT_EQ(document_.Section(0).values, Strings{" 1"});
    EXPECT_EQ(document_.FindKey(0, "AutoUpdate"), -1);
    EXPECT_EQ(document_.GetString("S", "AutoUpdate ", "x"), " 1");
    EXPECT_EQ(document_.GetInt("S", "AutoUpdate", 7), 7);
}

TEST_F(IniLoad, CommentCharacterAfterEqualsBelongsToTheValue) {
    EXPECT_TRUE(LoadBytes("[S]\r\na=1;x\r\nb=2#y\r\n"));
    EXPECT_EQ(document_.GetString("S", "a", ""), "1;x");
    EXPECT_EQ(document_.GetString("S", "b", ""), "2#y");
    EXPECT_TRUE(document_.Section(0).comments.empty());
}

TEST_F(IniLoad, CommentCharacterBeforeEqualsMakesTheLineAComment) {
    EXPECT_TRUE(LoadBytes("[S]\r\na;b=c\r\n"));
    EXPECT_TRUE(document_.Section(0).keyNames.empty());
    EXPECT_EQ(document_.Section(0).comments, Strings{"b=c"});
}

TEST_F(IniLoad, BracketBeforeAnyOtherMarkOpensASection) {
    EXPECT_TRUE(LoadBytes("x[y]z\r\nk=v\r\n"));
    ASSERT_EQ(document_.SectionCount(), 1);
    EXPECT_EQ(document_.SectionName(0), "y");
    EXPECT_EQ(document_.GetString("y", "k", ""), "v");
}

TEST_F(IniLoad, SectionNameRunsToTheLastClosingBracket) {
    EXPECT_TRUE(LoadBytes("  [Main] ; note\r\n[a]b]\r\n[]\r\n"));
    ASSERT_EQ(document_.SectionCount(), 3);
    EXPECT_EQ(document_.SectionName(0), "Main");
    EXPECT_EQ(document_.SectionName(1), "a]b");
    EXPECT_EQ(document_.SectionName(2), "");
    EXPECT_TRUE(document_.Section(0).comments.empty());
}

TEST_F(IniLoad, UnclosedHeaderKeepsTheCurrentSection) {
    EXPECT_TRUE(LoadBytes("[First]\r\n[Main\r\n]x[\r\nk=v\r\n"));
    ASSERT_EQ(document_.SectionCount(), 1);
    EXPECT_EQ(document_.SectionName(0), "First");
    EXPECT_EQ(document_.GetString("First", "k", ""), "v");
}

TEST_F(IniLoad, RepeatedHeaderAddsAnEmptySectionAndFillsTheFirst) {
    EXPECT_TRUE(LoadBytes("[A]\r\na=1\r\n[B]\r\nb=2\r\n[A]\r\n;late\r\nc=3\r\n"));
    ASSERT_EQ(document_.SectionCount(), 3);
    EXPECT_EQ(document_.SectionName(2), "A");
    EXPECT_EQ(document_.FindSection("A"), 0);
    EXPECT_EQ(document_.Section(0).keyNames, (Strings{"a", "c"}));
    EXPECT_EQ(document_.Section(0).comments, Strings{"late"});
    EXPECT_TRUE(document_.Section(2).keyNames.empty());
    EXPECT_TRUE(document_.Section(2).comments.empty());
    EXPECT_TRUE(document_.Section(1).comments.empty());
}

TEST_F(IniLoad, LaterValueOfARepeatedKeyWinsAtTheFirstPosition) {
    EXPECT_TRUE(LoadBytes("[S]\r\nk=1\r\nother=x\r\nK=2\r\n"));
    EXPECT_EQ(document_.Section(0).keyNames, (Strings{"k", "other"}));
    EXPECT_EQ(document_.Section(0).values, (Strings{"2", "x"}));
}

TEST_F(IniLoad, CommentOnlyFileGivesHeaderCommentsAndFalse) {
    EXPECT_FALSE(LoadBytes(";one\r\n#two\r\n  ;three\r\n;\r\n"));
    EXPECT_EQ(document_.SectionCount(), 0);
    EXPECT_EQ(document_.HeaderComments(), (Strings{"one", "two", "three", ""}));
}

TEST_F(IniLoad, CommentsGoToTheHeaderOrToTheCurrentSection) {
    EXPECT_TRUE(LoadBytes(";top\r\n[A]\r\n#in a\r\nk=v\r\n;after k\r\n[B]\r\n; in b\r\n"));
    EXPECT_EQ(document_.HeaderComments(), Strings{"top"});
    EXPECT_EQ(document_.Section(0).comments, (Strings{"in a", "after k"}));
    EXPECT_EQ(document_.Section(1).comments, Strings{" in b"});
}

TEST_F(IniLoad, KeyBeforeAnySectionGoesToTheEmptyName) {
    EXPECT_TRUE(LoadBytes("k=v\r\n"));
    ASSERT_EQ(document_.SectionCount(), 1);
    EXPECT_EQ(document_.SectionName(0), "");
    EXPECT_EQ(document_.GetString("", "k", "x"), "v");
}

TEST_F(IniLoad, EmptyKeyNameAndEmptyValueAreKept) {
    EXPECT_TRUE(LoadBytes("[S]\r\n=v\r\nk=\r\n"));
    EXPECT_EQ(document_.Section(0).keyNames, (Strings{"", "k"}));
    EXPECT_EQ(document_.Section(0).values, (Strings{"v", ""}));
}

TEST_F(IniLoad, LinesWithoutMarksAndEmptyLinesAreIgnored) {
    EXPECT_TRUE(LoadBytes("\r\nplain words\r\n[S]\r\n\nmore words\r\nk=v\r\n"));
    EXPECT_EQ(document_.Section(0).keyNames, Strings{"k"});
    EXPECT_TRUE(document_.Section(0).comments.empty());
}

TEST_F(IniLoad, OneMoreCarriageReturnAtTheLineEndIsDropped) {
    EXPECT_TRUE(LoadBytes("[S]\r\r\na=1\r\r\nb=x\ry\r\nc=2\r"));
    EXPECT_EQ(document_.SectionName(0), "S");
    EXPECT_EQ(document_.GetString("S", "a", ""), "1");
    EXPECT_EQ(document_.GetString("S", "b", ""), "x\ry");
    EXPECT_EQ(document_.GetString("S", "c", ""), "2");
}

TEST_F(IniLoad, LineWithOnlyCarriageReturnsIsEmpty) {
    EXPECT_TRUE(LoadBytes("[S]\r\n\r\r\nk=v\r\n"));
    EXPECT_EQ(document_.GetString("S", "k", ""), "v");
}

TEST_F(IniLoad, TabAtLineStartStopsReadingButKeepsWhatCameBefore) {
    std::string printed;
    EXPECT_FALSE(LoadBytesCapturingOutput("[S]\r\na=1\r\n\tb=2\r\nc=3\r\n[T]\r\n", printed));
    EXPECT_EQ(printed, "Failing on char 9\n");
    ASSERT_EQ(document_.SectionCount(), 1);
    EXPECT_EQ(document_.GetString("S", "a", ""), "1");
    EXPECT_EQ(document_.FindKey(0, "b"), -1);
    EXPECT_EQ(document_.FindKey(0, "c"), -1);
}

TEST_F(IniLoad, ByteOrderMarkStopsReadingAtOnce) {
    std::string printed;
    EXPECT_FALSE(LoadBytesCapturingOutput("\xEF\xBB\xBF[S]\r\na=1\r\n", printed));
    EXPECT_EQ(printed, "Failing on char -17\n");
    EXPECT_EQ(document_.SectionCount(), 0);
}

TEST_F(IniLoad, PrintableMeansBlankToTilde) {
    std::string printed;
    EXPECT_TRUE(LoadBytesCapturingOutput("[S]\r\n a=1\r\n~=2\r\nx\tb=3\r\n", printed));
    EXPECT_EQ(printed, "");
    EXPECT_EQ(document_.Section(0).keyNames, (Strings{" a", "~", "x\tb"}));

    IniDocument withDelete("g.ini");
    WriteBytes("g.ini", "[S]\r\n\x7F=1\r\n");
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(withDelete.Load());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Failing on char 127\n");
    EXPECT_EQ(withDelete.SectionCount(), 1);

    IniDocument withHighByte("h.ini");
    WriteBytes("h.ini", "\x80=1\r\n");
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(withHighByte.Load());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Failing on char -128\n");
}

TEST_F(IniLoad, CtrlZEndsTheFile) {
    EXPECT_TRUE(LoadBytes("[S]\r\na=1\x1A\r\nb=2\r\n"));
    EXPECT_EQ(document_.GetString("S", "a", ""), "1");
    EXPECT_EQ(document_.FindKey(0, "b"), -1);
}

TEST_F(IniLoad, CtrlZAtTheStartLeavesNothing) {
    EXPECT_FALSE(LoadBytes("\x1A[S]\r\na=1\r\n"));
    EXPECT_EQ(document_.SectionCount(), 0);
}

TEST_F(IniLoad, LoadAddsToWhatIsAlreadyThere) {
    document_.SetString("Mine", "k", "v");
    EXPECT_TRUE(LoadBytes("[Mine]\r\nk2=w\r\n"));
    ASSERT_EQ(document_.SectionCount(), 2);
    EXPECT_EQ(document_.GetString("Mine", "k", ""), "v");
    EXPECT_EQ(document_.GetString("Mine", "k2", ""), "w");
}
