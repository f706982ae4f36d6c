// A document rewritten while a run goes on is always whole for a reader, and comes due on its
// interval of wall-clock time or when asked for.

#include "common/whole_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/update_schedule.h"

namespace fs = std::filesystem;

namespace {

std::string Contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class WholeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        directory_ =
            fs::temp_directory_path() /
            ("whole-file-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(directory_);
        fs::create_directories(directory_);
        path_ = (directory_ / "summary.json").string();
    }
    void TearDown() override { fs::remove_all(directory_); }

    fs::path directory_;
    std::string path_;
};

}  // namespace

TEST_F(WholeFileTest, AReaderSeesTheOldVersionUntilTheNewOneIsWhole) {
    WholeFile document(path_);
    ASSERT_TRUE(
        document.Write([](BufferedTextFile& file) { return file.WriteBytes("first\r\n"); }));
    std::string seenWhileWriting;
    ASSERT_TRUE(document.Write([&](BufferedTextFile& file) {
        const bool written = file.WriteBytes("second, ") && file.Flush() &&
                             file.WriteBytes("in two pieces\r\n") && file.Flush();
        seenWhileWriting = Contents(path_);  // both pieces are on disk, not yet in place
        return written;
    }));
    EXPECT_EQ(seenWhileWriting, "first\r\n");
    EXPECT_EQ(Contents(path_), "second, in two pieces\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(directory_), fs::directory_iterator()), 1)
        << "only the document is left in its folder";
}

TEST_F(WholeFileTest, AVersionThatFailsLeavesThePreviousOne) {
    WholeFile document(path_);
    ASSERT_TRUE(document.Write([](BufferedTextFile& file) { return file.WriteBytes("kept\r\n"); }));
    EXPECT_FALSE(document.Write([](BufferedTextFile& file) {
        file.WriteBytes("half");
        return false;
    }));
    EXPECT_EQ(Contents(path_), "kept\r\n");
    EXPECT_FALSE(fs::exists(path_ + ".part"));
}

TEST_F(WholeFileTest, OnlyARegularFileOrANewNameIsReplaced) {
    EXPECT_TRUE(WholeFile(path_).Replaceable());  // nothing there yet
    std::ofstream(path_) << "old";
    EXPECT_TRUE(WholeFile(path_).Replaceable());
    EXPECT_FALSE(WholeFile("-").Replaceable());
#ifndef _WIN32
    EXPECT_FALSE(WholeFile("/dev/null").Replaceable());
    // A device is written into as it stands, never renamed over.
    EXPECT_TRUE(WholeFile("/dev/null").Write([](BufferedTextFile& file) {
        return file.WriteBytes("gone\r\n");
    }));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
#endif
}

TEST(UpdateSchedule, ComesDueOnItsIntervalOrWhenAsked) {
    using std::chrono::milliseconds;
    const UpdateSchedule::Clock::time_point start = UpdateSchedule::Clock::now();
    UpdateSchedule schedule(10);
    EXPECT_FALSE(schedule.Due(false, start + milliseconds(9000)));
    EXPECT_TRUE(schedule.Due(false, start + milliseconds(10100)));
    EXPECT_FALSE(schedule.Due(false, start + milliseconds(15000)));  // the interval starts anew
    EXPECT_TRUE(schedule.Due(true, start + milliseconds(15000)));    // SIGHUP: at once
    EXPECT_FALSE(schedule.Due(false, start + milliseconds(21000)));  // ... and then 10 s on
    EXPECT_TRUE(schedule.Due(false, start + milliseconds(25100)));
}

TEST(UpdateSchedule, AZeroIntervalNeverComesDue) {
    UpdateSchedule schedule(0);
    const UpdateSchedule::Clock::time_point later =
        UpdateSchedule::Clock::now() + std::chrono::hours(24);
    EXPECT_FALSE(schedule.Due(false, later));
    EXPECT_FALSE(schedule.Due(true, later));  // a file capture writes its files at the end only
}

#ifndef _WIN32
TEST_F(WholeFileTest, ALinkToTheDocumentStaysALink) {
    const std::string real = (directory_ / "real.json").string();
    std::ofstream(real) << "old";
    fs::create_symlink(real, path_);
    ASSERT_TRUE(
        WholeFile(path_).Write([](BufferedTextFile& file) { return file.WriteBytes("new"); }));
    EXPECT_TRUE(fs::is_symlink(path_));
    EXPECT_EQ(Contents(real), "new");
}
#endif
