// Opening captures by path: what is refused before reading, files, named pipes, and the spool
// that lets a one-way input be read again.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "capture/spooled_byte_stream.h"
#include "tests/capture/capture_test_helpers.h"
#include "tests/support/capture_builder.h"
#include "tests/support/test_environment.h"

namespace {

class CaptureInput : public InTempDirectory {
protected:
    std::unique_ptr<CaptureSource> Open(const std::string& path) {
        error_ = CaptureOpenError();
        return OpenCaptureSource(path, error_);
    }
    CaptureOpenError error_;
};

Bytes SmallCapture() {
    return PcapBuilder().Record(Bytes(60, 1)).Record(Bytes(70, 2)).Record(Bytes(80, 3)).Build();
}

}  // namespace

TEST_F(CaptureInput, RefusesWhatIsNotACaptureFileWithAPlainReason) {
    ASSERT_EQ(mkdir("folder.pcap", 0755), 0);
    EXPECT_FALSE(Open("folder.pcap"));
    EXPECT_EQ(error_.message, "a directory, not a capture file");
    EXPECT_FALSE(Open("/dev/null"));
    EXPECT_EQ(error_.message, "a device, not a capture file");
    EXPECT_FALSE(Open("missing.pcap"));
    EXPECT_EQ(error_.message, "No such file or directory");
    EXPECT_TRUE(error_.unreadable);

    const std::string page = "<html><head><title>capture</title>";
    WriteFile("page.pcap", Bytes(page.begin(), page.end()));
    EXPECT_FALSE(Open("page.pcap"));
    EXPECT_EQ(error_.message, "not a pcap or pcapng capture (it begins with 3c 68 74 6d)");
    EXPECT_FALSE(error_.unreadable);
    EXPECT_TRUE(presenter_.boxes.empty());  // reasons, not message boxes
}

TEST_F(CaptureInput, FilesShorterThanAnyFileHeaderAreUnreadable) {
    WriteFile("empty.pcap", {});
    EXPECT_FALSE(Open("empty.pcap"));
    EXPECT_EQ(error_.message, "an empty file");
    EXPECT_TRUE(error_.unreadable);
    WriteFile("one.pcap", {0xD4});
    EXPECT_FALSE(Open("one.pcap"));
    EXPECT_EQ(error_.message, "1 byte, too short for a capture file header (24 bytes)");
    // The start of a pcap header, cut before its end.
    WriteFile("short.pcap",
              {0xD4, 0xC3, 0xB2, 0xA1, 2, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
    EXPECT_FALSE(Open("short.pcap"));
    EXPECT_EQ(error_.message, "23 bytes, too short for a capture file header (24 bytes)");
    EXPECT_TRUE(error_.unreadable);
    EXPECT_TRUE(presenter_.boxes.empty());  // reasons, not message boxes
}

TEST_F(CaptureInput, ReadsFilesOfEitherContainerWhateverTheirName) {
    WriteFile("capture.txt",
              PcapngBuilder().Section().Interface(1).Enhanced(0, 0, Bytes(60, 9)).Build());
    auto pcapng = Open("capture.txt");
    ASSERT_TRUE(pcapng) << error_.message;
    EXPECT_STREQ(pcapng->ContainerName(), "pcapng");
    EXPECT_EQ(ReadAll(*pcapng).records.size(), 1u);

    WriteFile("capture.pcapng", SmallCapture());
    auto pcap = Open("capture.pcapng");
    ASSERT_TRUE(pcap) << error_.message;
    EXPECT_EQ(ReadAll(*pcap).records.size(), 3u);
    ASSERT_TRUE(pcap->Rewind());
    EXPECT_EQ(ReadAll(*pcap).contents[2], Bytes(80, 3));
}

TEST_F(CaptureInput, NamedPipeIsReadAsAStreamAndRewindsFromItsSpool) {
    ASSERT_EQ(mkfifo("live.pcap", 0600), 0);
    const Bytes capture = SmallCapture();
    std::thread writer([&capture] {
        std::FILE* pipe = std::fopen("live.pcap", "wb");
        ASSERT_NE(pipe, nullptr);
        std::fwrite(capture.data(), 1, capture.size(), pipe);
        std::fclose(pipe);
    });
    auto source = Open("live.pcap");
    ASSERT_TRUE(source) << error_.message;
    const ReadResult first = ReadAll(*source);
    writer.join();
    EXPECT_EQ(first.last, CaptureOutcome::End);
    ASSERT_EQ(first.records.size(), 3u);
    ASSERT_TRUE(source->Rewind());
    const ReadResult second = ReadAll(*source);
    ASSERT_EQ(second.records.size(), 3u);
    EXPECT_EQ(second.contents, first.contents);
    EXPECT_EQ(second.records[2].fileOffset, first.records[2].fileOffset);
}

// Reads until `count` bytes came or the input ended: a pipe may hand out less per read.
size_t ReadUpTo(ByteStream& stream, uint8_t* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        const size_t got = stream.Read(buffer + done, count - done);
        if (got == 0) {
            break;
        }
        done += got;
    }
    return done;
}

TEST(SpooledByteStream, RewindReplaysWhatWasReadThenGoesOnWithTheInput) {
    const Bytes capture = SmallCapture();
    auto handedOut = std::make_shared<size_t>(0);
    MemoryStreamOptions pipeLike;
    pipeLike.pieceSize = 50;
    pipeLike.rewindable = false;
    auto stream = std::make_unique<SpooledByteStream>(
        std::make_unique<MemoryByteStream>(capture, pipeLike, handedOut));
    SpooledByteStream& spool = *stream;

    uint8_t head[100];
    ASSERT_EQ(ReadUpTo(spool, head, sizeof(head)), 100u);
    ASSERT_TRUE(spool.Rewind());
    Bytes all(capture.size() + 10);
    EXPECT_EQ(ReadUpTo(spool, all.data(), all.size()), capture.size());
    all.resize(capture.size());
    EXPECT_EQ(all, capture);
    EXPECT_EQ(*handedOut, capture.size());  // no byte was taken from the input twice
    EXPECT_TRUE(spool.Error().empty());

    // The same through a capture source.
    CaptureOpenError error;
    auto source = OpenCaptureStream(
        std::make_unique<SpooledByteStream>(std::make_unique<MemoryByteStream>(capture, pipeLike)),
        error);
    ASSERT_TRUE(source);
    EXPECT_EQ(ReadAll(*source).records.size(), 3u);
    ASSERT_TRUE(source->Rewind());
    EXPECT_EQ(ReadAll(*source).records.size(), 3u);
}
