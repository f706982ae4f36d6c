// Storing and looking up values in an INI document.

#include <gtest/gtest.h>

#include "settings/ini_document.h"

using Strings = std::vector<std::string>;

TEST(IniLookup, FreshDocumentIsEmptyAndAnswersWithDefaults) {
    IniDocument document("unused.ini");
    EXPECT_EQ(document.SectionCount(), 0);
    EXPECT_EQ(document.FindSection("S"), -1);
    EXPECT_EQ(document.GetString("S", "k", "dflt"), "dflt");
    EXPECT_EQ(document.GetInt("S", "k", -12), -12);
    EXPECT_TRUE(document.GetBool("S", "k", true));
    EXPECT_FALSE(document.GetBool("S", "k", false));
}

TEST(IniLookup, NamesMatchWithLettersFolded) {
    IniDocument document("unused.ini");
    document.SetString("ZEP Modbus TCP Parser", "autoupdate", "0");
    EXPECT_EQ(document.FindSection("zep modbus tcp parser"), 0);
    EXPECT_EQ(document.FindSection("ZEP MODBUS TCP PARSER"), 0);
    EXPECT_EQ(document.FindKey(0, "AutoUpdate"), 0);
    EXPECT_FALSE(document.GetBool("zep modbus tcp parser", "AutoUpdate", true));
    EXPECT_EQ(document.FindKey(0, "AutoUpdate "), -1);
    EXPECT_EQ(document.FindSection("ZEP Modbus TCP Parser "), -1);
}

TEST(IniLookup, OnlyAsciiCapitalsAreFolded) {
    IniDocument document("unused.ini");
    EXPECT_EQ(document.FoldLetters("AZaz@[`{09 \xC4\xE4"), "azaz@[`{09 \xC4\xE4");
    document.SetString("S", "\xC4", "upper");
    EXPECT_EQ(document.GetString("S", "\xE4", "none"), "none");
    EXPECT_EQ(document.GetString("s", "\xC4", "none"), "upper");
}

TEST(IniLookup, FindKeyRejectsSectionIndexesOutOfRange) {
    IniDocument document("unused.ini");
    document.SetString("S", "k", "v");
    EXPECT_EQ(document.FindKey(0, "k"), 0);
    EXPECT_EQ(document.FindKey(-1, "k"), -1);
    EXPECT_EQ(document.FindKey(1, "k"), -1);
}

TEST(IniLookup, SetStringCreatesSectionsAndKeysOnDemandAndReplacesValues) {
    IniDocument document("unused.ini");
    EXPECT_TRUE(document.SetString("A", "one", "1"));
    EXPECT_TRUE(document.SetString("B", "two", "2"));
    EXPECT_TRUE(document.SetString("a", "ONE", "uno"));
    EXPECT_TRUE(document.SetString("A", "three", "3"));
    ASSERT_EQ(document.SectionCount(), 2);
    EXPECT_EQ(document.Section(0).keyNames, (Strings{"one", "three"}));
    EXPECT_EQ(document.Section(0).values, (Strings{"uno", "3"}));
    EXPECT_EQ(document.SectionName(1), "B");
}

TEST(IniLookup, AppendSectionDoesNotLookForTheName) {
    IniDocument document("unused.ini");
    EXPECT_EQ(document.AppendSection("S"), 0);
    EXPECT_EQ(document.AppendSection("S"), 1);
    EXPECT_EQ(document.AppendSection(""), 2);
    EXPECT_EQ(document.FindSection("S"), 0);
    EXPECT_EQ(document.FindSection(""), 2);
}

TEST(IniLookup, IntegersAreStoredInDecimalAndReadLikeAtoi) {
    IniDocument document("unused.ini");
    document.SetInt("S", "n", -42);
    document.SetInt("S", "z", 0);
    EXPECT_EQ(document.GetString("S", "n", ""), "-42");
    EXPECT_EQ(document.GetString("S", "z", ""), "0");
    EXPECT_EQ(document.GetInt("S", "n", 5), -42);

    document.SetString("S", "text", "yes");
    document.SetString("S", "empty", "");
    document.SetString("S", "blank", " 1");
    document.SetString("S", "trail", "1abc");
    EXPECT_EQ(document.GetInt("S", "text", 9), 0);
    EXPECT_EQ(document.GetInt("S", "empty", 9), 0);
    EXPECT_EQ(document.GetInt("S", "blank", 9), 1);
    EXPECT_EQ(document.GetInt("S", "trail", 9), 1);
}

TEST(IniLookup, FlagsAreStoredAsOneOrZeroAndReadAsNonZero) {
    IniDocument document("unused.ini");
    document.SetBool("S", "on", true);
    document.SetBool("S", "off", false);
    EXPECT_EQ(document.GetString("S", "on", ""), "1");
    EXPECT_EQ(document.GetString("S", "off", ""), "0");
    document.SetString("S", "seven", "7");
    document.SetString("S", "minus", "-1");
    document.SetString("S", "no", "no");
    EXPECT_TRUE(document.GetBool("S", "on", false));
    EXPECT_FALSE(document.GetBool("S", "off", true));
    EXPECT_TRUE(document.GetBool("S", "seven", false));
    EXPECT_TRUE(document.GetBool("S", "minus", false));
    EXPECT_FALSE(document.GetBool("S", "no", true));
}

TEST(IniLookup, CommentsGoToTheHeaderOrToAnExistingSection) {
    IniDocument document("unused.ini");
    document.AddHeaderComment("head");
    EXPECT_FALSE(document.AddSectionComment("S", "lost"));
    document.AppendSection("S");
    document.AppendSection("S");
    EXPECT_TRUE(document.AddSectionComment("s", "kept"));
    EXPECT_EQ(document.HeaderComments(), Strings{"head"});
    EXPECT_EQ(document.Section(0).comments, Strings{"kept"});
    EXPECT_TRUE(document.Section(1).comments.empty());
}
