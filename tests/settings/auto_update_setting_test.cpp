// The AutoUpdate setting in settings.ini of the current directory.

#include "settings/auto_update_setting.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "settings/html_report_setting.h"
#include "tests/settings/file_fixture.h"

namespace {
const char* const kStoredOn = "[ZEP Modbus TCP Parser]\r\nAutoUpdate=1\r\n\r\n";
const char* const kStoredOff = "[ZEP Modbus TCP Parser]\r\nAutoUpdate=0\r\n\r\n";
}  // namespace

class AutoUpdateSetting : public FileFixture {
protected:
    bool LoadFrom(const std::string& bytes) {
        WriteBytes("settings.ini", bytes);
        return LoadAutoUpdateSetting();
    }
};

TEST_F(AutoUpdateSetting, OnWithoutASettingsFile) {
    EXPECT_TRUE(LoadAutoUpdateSetting());
    EXPECT_FALSE(FileExists("settings.ini"));
}

TEST_F(AutoUpdateSetting, StoreWritesExactlyThreeLines) {
    StoreAutoUpdateSetting(true);
    EXPECT_EQ(ReadBytes("settings.ini"), kStoredOn);
    StoreAutoUpdateSetting(false);
    EXPECT_EQ(ReadBytes("settings.ini"), kStoredOff);
}

TEST_F(AutoUpdateSetting, StoredValueIsLoadedAgain) {
    StoreAutoUpdateSetting(false);
    EXPECT_FALSE(LoadAutoUpdateSetting());
    StoreAutoUpdateSetting(true);
    EXPECT_TRUE(LoadAutoUpdateSetting());
}

TEST_F(AutoUpdateSetting, NamesMatchWhateverTheCapitals) {
    EXPECT_FALSE(LoadFrom("[zep modbus tcp parser]\r\nAUTOUPDATE=0\r\n"));
    EXPECT_FALSE(LoadFrom("[ZEP Modbus TCP Parser]\r\nautoupdate=0\r\n"));
}

TEST_F(AutoUpdateSetting, BlanksAroundEqualsHideTheKey) {
    EXPECT_TRUE(LoadFrom("[ZEP Modbus TCP Parser]\r\nAutoUpdate = 0\r\n"));
}

TEST_F(AutoUpdateSetting, ValuesAreReadLikeAtoi) {
    EXPECT_FALSE(LoadFrom("[ZEP Modbus TCP Parser]\r\nAutoUpdate=no\r\n"));
    EXPECT_FALSE(LoadFrom("[ZEP Modbus TCP Parser]\r\nAutoUpdate=yes\r\n"));
    EXPECT_FALSE(LoadFrom("[ZEP Modbus TCP Parser]\r\nAutoUpdate=\r\n"));
    EXPECT_TRUE(LoadFrom("[ZEP Modbus TCP Parser]\r\nAutoUpdate= 1\r\n"));
    EXPECT_TRUE(LoadFrom("[ZEP Modbus TCP Parser]\r\nAutoUpdate=1abc\r\n"));
    EXPECT_TRUE(LoadFrom("[ZEP Modbus TCP Parser]\r\nAutoUpdate=-3\r\n"));
}

TEST_F(AutoUpdateSetting, MissingSectionOrKeyMeansOn) {
    EXPECT_TRUE(LoadFrom("[Other]\r\nAutoUpdate=0\r\n"));
    EXPECT_TRUE(LoadFrom("[ZEP Modbus TCP Parser]\r\nSomethingElse=0\r\n"));
    EXPECT_TRUE(LoadFrom(""));
    EXPECT_TRUE(LoadFrom(";AutoUpdate=0\r\n"));
}

TEST_F(AutoUpdateSetting, OnlyTheFirstOfRepeatedSectionsCounts) {
    // The key after the repeated header lands in the first section, which the look-up finds.
    EXPECT_FALSE(
        LoadFrom("[ZEP Modbus TCP Parser]\r\n[ZEP Modbus TCP Parser]\r\nAutoUpdate=0\r\n"));
    EXPECT_FALSE(
        LoadFrom("[ZEP Modbus TCP Parser]\r\nAutoUpdate=1\r\n[Other]\r\n"
                 "[zep modbus tcp parser]\r\nAutoUpdate=0\r\n"));
}

TEST_F(AutoUpdateSetting, WhatCameBeforeABadLineStillCounts) {
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(LoadFrom("[ZEP Modbus TCP Parser]\r\nAutoUpdate=0\r\n\tbroken\r\n"));
    EXPECT_TRUE(LoadFrom("[ZEP Modbus TCP Parser]\r\n\tbroken\r\nAutoUpdate=0\r\n"));
    EXPECT_TRUE(LoadFrom("\xEF\xBB\xBF[ZEP Modbus TCP Parser]\r\nAutoUpdate=0\r\n"));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Failing on char 9\nFailing on char 9\nFailing on char -17\n");
}

TEST_F(AutoUpdateSetting, StoreDiscardsEverythingElseInTheFile) {
    WriteBytes("settings.ini",
               ";my notes\r\n[ZEP Modbus TCP Parser]\r\n#why\r\nAutoUpdate = 1\r\nAutoUpdate=1\r\n"
               "[Other]\r\nx=y\r\n");
    StoreAutoUpdateSetting(false);
    EXPECT_EQ(ReadBytes("settings.ini"), kStoredOff);
}

TEST_F(AutoUpdateSetting, StoreGoesToTheCurrentDirectoryOfTheMoment) {
    std::filesystem::create_directory("later");
    StoreAutoUpdateSetting(true);
    std::filesystem::current_path("later");
    StoreAutoUpdateSetting(false);
    std::filesystem::current_path("..");
    EXPECT_EQ(ReadBytes("settings.ini"), kStoredOn);
    EXPECT_EQ(ReadBytes("later/settings.ini"), kStoredOff);
}

TEST_F(AutoUpdateSetting, UnwritableFileKeepsItsOldValueSilently) {
    std::filesystem::create_directory("settings.ini");  // a directory cannot be opened as a file
    StoreAutoUpdateSetting(false);
    EXPECT_TRUE(std::filesystem::is_directory("settings.ini"));
    EXPECT_TRUE(LoadAutoUpdateSetting());
}

TEST_F(AutoUpdateSetting, CtrlZHidesWhatFollows) {
    EXPECT_TRUE(
        LoadFrom("[ZEP Modbus TCP Parser]\r\n\x1A"
                 "AutoUpdate=0\r\n"));
    EXPECT_FALSE(LoadFrom("[ZEP Modbus TCP Parser]\r\nAutoUpdate=0\x1A\r\n"));
}

TEST_F(AutoUpdateSetting, HtmlReportIsOnUnlessSetToZeroAndSurvivesStoringAutoUpdate) {
    EXPECT_TRUE(LoadHtmlReportSetting());
    WriteBytes("settings.ini", "[ZEP Modbus TCP Parser]\r\nAutoUpdate=1\r\nhtmlreport=0\r\n");
    EXPECT_FALSE(LoadHtmlReportSetting());
    StoreAutoUpdateSetting(false);
    EXPECT_FALSE(LoadHtmlReportSetting());
    EXPECT_FALSE(LoadAutoUpdateSetting());
    WriteBytes("settings.ini", "[ZEP Modbus TCP Parser]\r\nHtmlReport=yes\r\n");
    EXPECT_FALSE(LoadHtmlReportSetting());  // read as the number it starts with, as AutoUpdate
}
