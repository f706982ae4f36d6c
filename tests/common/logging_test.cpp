// Log files, logged message boxes and the file helpers.

#include "common/logging.h"

#include <gtest/gtest.h>

#include <regex>

#include "common/text_file.h"
#include "tests/support/pcap_builder.h"
#include "tests/support/test_environment.h"

using Logging = InTempDirectory;

TEST(LogEntryPrefix, DayMonthYearAndTime) {
    std::tm t{};
    t.tm_mday = 6;
    t.tm_mon = 11;
    t.tm_year = 2026 - 1900;
    t.tm_hour = 9;
    t.tm_min = 51;
    t.tm_sec = 20;
    EXPECT_EQ(LogEntryPrefix(t), "\n[06-12-2026 09:51:20] ");
}

TEST(TextModeLineEnds, EveryLineFeedGetsACarriageReturn) {
    EXPECT_EQ(ToTextModeLineEnds("a\nb\r\nc"), "a\r\nb\r\r\nc");
}

TEST_F(Logging, MessageAndLogWritesTwoEntriesAndReturnsTheAnswer) {
    presenter_.answers.push_back(kIdYes);
    EXPECT_EQ(MessageAndLog(kMbYesNo, "Question %d?", 7), kIdYes);
    ASSERT_EQ(presenter_.boxes.size(), 1u);
    EXPECT_EQ(presenter_.boxes[0].text, "Question 7?");
    EXPECT_EQ(presenter_.boxes[0].style, kMbYesNo);
    const std::string log = ReadFileText("log.txt");
    const std::regex expected(
        "\r\n\\[\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d\\] MessageAndLog iType=\\[4\\] "
        "msg=\\[Question 7\\?\\]"
        "\r\n\\[\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d\\] MessageAndLog return = \\[ 6\\]");
    EXPECT_TRUE(std::regex_match(log, expected)) << log;
}

TEST_F(Logging, NegativeStyleShowsAnOkBox) {
    EXPECT_EQ(MessageAndLog(-1, "note"), kIdOk);
    EXPECT_EQ(presenter_.boxes.at(0).style, kMbOk);
    EXPECT_NE(ReadFileText("log.txt").find("iType=[-1] msg=[note]"), std::string::npos);
}

TEST_F(Logging, ShowMessageDoesNotReadTheTextAsAFormatTwice) {
    ShowMessage("File: %s", "C:\\100%s\\x.pcap");
    EXPECT_EQ(presenter_.boxes.at(0).text, "File: C:\\100%s\\x.pcap");
}

TEST_F(Logging, LongMessagesAreCutTo4095Characters) {
    const std::string longText(5000, 'x');
    ShowMessage("%s", longText.c_str());
    EXPECT_EQ(presenter_.boxes.at(0).text, std::string(4095, 'x'));
}

TEST_F(Logging, DebugLogFollowsItsSwitch) {
    DebugLog("hidden");
    LogMessage("visible %d", 1);
    EXPECT_EQ(ReadFileText("Debuglog.txt"), "");
    EXPECT_NE(ReadFileText("log.txt").find("] visible 1"), std::string::npos);

    SetDebugLogEnabled(true);
    LogMessage("both");
    DebugLog("debug\nline");
    const std::string debug = ReadFileText("Debuglog.txt");
    EXPECT_NE(debug.find("] both"), std::string::npos);
    EXPECT_NE(debug.find("] debug\r\nline"), std::string::npos);
    EXPECT_EQ(debug.substr(0, 3), "\r\n[");
}

TEST_F(Logging, PanicReportLayout) {
    PanicReport("src/a.cpp", 12, "Dec  7 2026", "08:00:00", "Buffer is not large enugh");
    EXPECT_EQ(presenter_.boxes.at(0).text,
              "PANIC!\r\n\r\nFile=[src/a.cpp] \r\nLine=[12]\r\nDate=[Dec  7 "
              "2026]\r\nTime=[08:00:00]\r\n\r\n"
              "Message=[Buffer is not large enugh]");
}

TEST_F(Logging, AppendToFileReportsWhetherItWrote) {
    EXPECT_TRUE(AppendToFile("out.txt", "a\n%d\n", 5));
    EXPECT_TRUE(AppendToFile("out.txt", "b"));
    EXPECT_EQ(ReadFileText("out.txt"), "a\r\n5\r\nb");
    EXPECT_FALSE(AppendToFile("no/such/dir/out.txt", "x"));
    EXPECT_TRUE(presenter_.boxes.empty());
}

TEST(MessagePresenterScope, InstallsForItsLifeAndPutsThePreviousBack) {
    ASSERT_EQ(GetMessagePresenter(), nullptr);
    RecordingPresenter outer;
    RecordingPresenter inner;
    {
        const ScopedMessagePresenter outerScope(outer);
        {
            const ScopedMessagePresenter innerScope(inner);
            inner.answers.push_back(kIdYes);
            EXPECT_EQ(PresentMessage("inner?", kMbYesNo), kIdYes);
        }
        EXPECT_EQ(GetMessagePresenter(), &outer);
        PresentMessage("outer", kMbOk);
    }
    EXPECT_EQ(GetMessagePresenter(), nullptr);
    ASSERT_EQ(inner.boxes.size(), 1u);
    EXPECT_EQ(inner.boxes[0].text, "inner?");
    ASSERT_EQ(outer.boxes.size(), 1u);
    EXPECT_EQ(outer.boxes[0].text, "outer");
}

TEST(MessagePresenterScope, WithoutAPresenterTheDefaultButtonAnswers) {
    ASSERT_EQ(GetMessagePresenter(), nullptr);
    EXPECT_EQ(PresentMessage("note", kMbOk), kIdOk);
    EXPECT_EQ(PresentMessage("question", kMbYesNo), kIdNo);
    EXPECT_EQ(PresentMessage("question with an icon", kMbYesNo | 0x20), kIdNo);  // MB_ICONQUESTION
    EXPECT_EQ(PresentMessage("warning", 0x30), kIdOk);                           // MB_ICONWARNING
}
