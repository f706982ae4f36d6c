// Writing INI documents: the fixed layout with CR LF line ends.

#include <gtest/gtest.h>

#include "settings/ini_document.h"
#include "tests/settings/file_fixture.h"

class IniSave : public FileFixture {};

TEST_F(IniSave, OneSectionWithOneKey) {
    IniDocument document("out.ini");
    document.SetBool("ZEP Modbus TCP Parser", "AutoUpdate", true);
    EXPECT_TRUE(document.Save());
    EXPECT_EQ(ReadBytes("out.ini"), "[ZEP Modbus TCP Parser]\r\nAutoUpdate=1\r\n\r\n");
}

TEST_F(IniSave, FreshDocumentWritesAnEmptyFile) {
    WriteBytes("out.ini", "old content\r\n");
    IniDocument document("out.ini");
    EXPECT_TRUE(document.Save());
    EXPECT_TRUE(FileExists("out.ini"));
    EXPECT_EQ(ReadBytes("out.ini"), "");
}

TEST_F(IniSave, FullLayout) {
    IniDocument document("out.ini");
    document.AddHeaderComment("first");
    document.AddHeaderComment(" second");
    document.SetString("A", "k1", "v1");
    document.AddSectionComment("A", "about a");
    document.SetString("A", "k2", " spaced ");
    document.AppendSection("Empty");
    EXPECT_TRUE(document.Save());
    EXPECT_EQ(ReadBytes("out.ini"),
              ";first\r\n"
              "; second\r\n"
              "\r\n"
              "[A]\r\n"
              ";about a\r\n"
              "k1=v1\r\n"
              "k2= spaced \r\n"
              "\r\n"
              "[Empty]\r\n"
              "\r\n");
}

TEST_F(IniSave, HashCommentsComeBackWithSemicolonsRightAfterTheHeader) {
    WriteBytes("s.ini", "#top\n[S]\na=1\n# between\nb=2\n");
    IniDocument document("s.ini");
    EXPECT_TRUE(document.Load());
    EXPECT_TRUE(document.Save());
    EXPECT_EQ(ReadBytes("s.ini"), ";top\r\n\r\n[S]\r\n; between\r\na=1\r\nb=2\r\n\r\n");
}

TEST_F(IniSave, KeyBeforeAnySectionIsWrittenUnderEmptyBrackets) {
    WriteBytes("s.ini", "k=v\r\n");
    IniDocument document("s.ini");
    EXPECT_TRUE(document.Load());
    EXPECT_TRUE(document.Save());
    EXPECT_EQ(ReadBytes("s.ini"), "[]\r\nk=v\r\n\r\n");
}

TEST_F(IniSave, RepeatedSectionIsWrittenTwiceTheSecondEmpty) {
    WriteBytes("s.ini", "[A]\r\na=1\r\n[A]\r\nb=2\r\n");
    IniDocument document("s.ini");
    EXPECT_TRUE(document.Load());
    EXPECT_TRUE(document.Save());
    EXPECT_EQ(ReadBytes("s.ini"), "[A]\r\na=1\r\nb=2\r\n\r\n[A]\r\n\r\n");
}

TEST_F(IniSave, LineFeedInsideAValueBecomesCrLf) {
    IniDocument document("out.ini");
    document.SetString("S", "k", "a\nb");
    EXPECT_TRUE(document.Save());
    EXPECT_EQ(ReadBytes("out.ini"), "[S]\r\nk=a\r\nb\r\n\r\n");
}

TEST_F(IniSave, UnwritableFileGivesFalse) {
    IniDocument document("no-such-directory/out.ini");
    document.SetString("S", "k", "v");
    EXPECT_FALSE(document.Save());
}
