// Captures compressed with gzip (.pcap.gz, .pcapng.gz): told by their magic, inflated as they
// are read, and a damaged or cut compressed stream ends the capture as damage or a cut record.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include "capture/gzip_byte_stream.h"
#include "tests/capture/capture_test_helpers.h"
#include "tests/support/capture_builder.h"
#include "tests/support/memory_byte_stream.h"
#include "tests/support/test_environment.h"

namespace {

// `bytes` as one gzip member, made here with zlib as gzip(1) would make it; level 0 stores
// the bytes as they are, so that damage to them goes unseen until the trailer's check.
Bytes Gzip(const Bytes& bytes, int level = 6) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
    Bytes out(deflateBound(&stream, bytes.size()) + 32);
    stream.next_in = const_cast<uint8_t*>(bytes.data());
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// Bytes that do not compress (a linear congruential sequence), different for each seed.
Bytes Noise(size_t size, uint32_t seed) {
    Bytes bytes(size);
    for (uint8_t& byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(seed >> 24);
    }
    return bytes;
}

Bytes ThreeRecords() {
    return PcapBuilder().Record(Bytes(60, 1)).Record(Bytes(700, 2)).Record(Bytes(80, 3)).Build();
}

std::vector<Bytes> Contents(const Bytes& capture, MemoryStreamOptions options = {}) {
    auto source = OpenBytes(capture, options);
    return source ? ReadAll(*source).contents : std::vector<Bytes>();
}

}  // namespace

TEST(GzipCapture, ReadsCompressedPcapAndPcapngAsThePlainOnes) {
    const Bytes pcap = ThreeRecords();
    EXPECT_EQ(Contents(Gzip(pcap)), Contents(pcap));
    const Bytes pcapng =
        PcapngBuilder().Section().Interface(1).Enhanced(0, 5, Bytes(90, 7)).Build();
    auto source = OpenBytes(Gzip(pcapng));
    ASSERT_TRUE(source);
    EXPECT_STREQ(source->ContainerName(), "pcapng");
    const ReadResult read = ReadAll(*source);
    ASSERT_EQ(read.contents.size(), 1u);
    EXPECT_EQ(read.contents[0], Bytes(90, 7));
    EXPECT_EQ(read.last, CaptureOutcome::End);
}

TEST(GzipCapture, ReadsPieceByPieceFromAPipeAndAgainAfterARewind) {
    const Bytes pcap = ThreeRecords();
    MemoryStreamOptions pipe;
    pipe.pieceSize = 1;  // even the two magic bytes come one at a time
    EXPECT_EQ(Contents(Gzip(pcap), pipe), Contents(pcap));
    auto source = OpenBytes(Gzip(pcap));
    ASSERT_TRUE(source);
    ReadAll(*source);
    ASSERT_TRUE(source->Rewind());
    EXPECT_EQ(ReadAll(*source).contents, Contents(pcap));
}

TEST(GzipCapture, ReadsMembersOneAfterAnotherAsOneStream) {
    const Bytes pcap = ThreeRecords();
    const Bytes head(pcap.begin(), pcap.begin() + 100);
    const Bytes tail(pcap.begin() + 100, pcap.end());
    Bytes both = Gzip(head);
    const Bytes second = Gzip(tail);
    both.insert(both.end(), second.begin(), second.end());
    EXPECT_EQ(Contents(both), Contents(pcap));
}

TEST(GzipCapture, ACutCompressedStreamEndsInACutRecord) {
    Bytes gz = Gzip(PcapBuilder().Record(Noise(3000, 1)).Record(Noise(3000, 2)).Build());
    gz.resize(gz.size() - 1000);  // the trailer and the end of the last record's data
    auto source = OpenBytes(gz);
    ASSERT_TRUE(source);
    const ReadResult read = ReadAll(*source);
    EXPECT_EQ(read.last, CaptureOutcome::CutRecord);
    ASSERT_EQ(read.contents.size(), 1u);
    EXPECT_EQ(read.contents[0], Noise(3000, 1));
}

// A capture larger than what is read when it is opened (the reader's first block).
Bytes LargeCapture() {
    PcapBuilder builder;
    builder.SnapLength(kMaxRecordBytes);
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        builder.Record(Noise(200000, seed));
    }
    return builder.Build();
}

TEST(GzipCapture, DamagedCompressedDataIsAReadErrorThatSaysSo) {
    Bytes gz = Gzip(LargeCapture());
    gz[gz.size() - 6] ^= 0xFF;  // the trailer's CRC-32 of the inflated bytes
    auto source = OpenBytes(gz);
    ASSERT_TRUE(source);
    const ReadResult read = ReadAll(*source);
    EXPECT_EQ(read.last, CaptureOutcome::ReadError);
    EXPECT_GE(read.records.size(), 2u);
    EXPECT_NE(source->Failure().message.find("the gzip data is damaged (incorrect data check)"),
              std::string::npos)
        << source->Failure().message;

    // Damage in the first block is found when the capture is opened.
    Bytes early = Gzip(PcapBuilder().Record(Noise(3000, 1)).Build());
    early[3] = 0xFF;  // reserved header flags
    CaptureOpenError error;
    EXPECT_FALSE(
        OpenCaptureStream(std::make_unique<MemoryByteStream>(early, MemoryStreamOptions()), error));
    EXPECT_NE(error.message.find("the gzip data is damaged"), std::string::npos) << error.message;
}

// Damaged compressed data may inflate to garbage well before zlib finds the damage (stored
// blocks have no check but the trailer's): the garbage reads as a record no capture can hold,
// yet what is wrong is the compressed data, and the run says so.
TEST(GzipCapture, GarbageInflatedFromDamagedDataIsNamedAsTheDamage) {
    const Bytes plain = LargeCapture();
    Bytes gz = Gzip(plain, 0);
    // The fifth record's captured length, far past what is read when the capture is opened.
    const size_t fifthLength = 24 + 4 * (16 + 200000) + 8;
    // Found in the stored bytes by the end of the fourth record's data and the fifth's header
    // up to its length (every record has the same time stamp).
    const Bytes pattern(plain.begin() + fifthLength - 16, plain.begin() + fifthLength + 4);
    const auto at = std::search(gz.begin(), gz.end(), pattern.begin(), pattern.end());
    ASSERT_NE(at, gz.end());
    *(at + 16 + 3) ^= 0x40;  // the length's high byte: 1 GiB more than the record holds
    auto source = OpenBytes(gz);
    ASSERT_TRUE(source);
    const ReadResult read = ReadAll(*source);
    EXPECT_EQ(read.records.size(), 4u);
    EXPECT_EQ(read.last, CaptureOutcome::ReadError);
    EXPECT_NE(source->Failure().message.find("the gzip data is damaged (incorrect data check)"),
              std::string::npos)
        << source->Failure().message;
    EXPECT_EQ(source->Failure().recordNumber, 5u);

    // The same length in a plain capture is a damaged record, as it always was.
    Bytes damagedPlain = plain;
    damagedPlain[fifthLength + 3] ^= 0x40;
    auto plainSource = OpenBytes(damagedPlain);
    ASSERT_TRUE(plainSource);
    EXPECT_EQ(ReadAll(*plainSource).last, CaptureOutcome::Damaged);
}

// The address pairing reads its capture twice: a rewind part-way through a compressed stream
// starts it over, and the bytes read again are the capture's own.
TEST(GzipCapture, RewindPartWayReadsTheSameBytesAgain) {
    const Bytes plain = LargeCapture();
    const Bytes half(plain.begin(), plain.begin() + plain.size() / 2);
    const Bytes rest(plain.begin() + plain.size() / 2, plain.end());
    Bytes twoMembers = Gzip(half);
    const Bytes second = Gzip(rest);
    twoMembers.insert(twoMembers.end(), second.begin(), second.end());
    for (const Bytes& gz : {Gzip(plain), twoMembers}) {
        // Stopped within the first block, within the first member, within the second.
        for (size_t stop : {size_t{1000}, plain.size() / 3, plain.size() * 3 / 4}) {
            GzipByteStream stream(std::make_unique<MemoryByteStream>(gz, MemoryStreamOptions()));
            Bytes read(plain.size() + 1);
            size_t got = 0;
            while (got < stop) {
                const size_t n = stream.Read(read.data() + got, stop - got);
                ASSERT_GT(n, 0u);
                got += n;
            }
            ASSERT_TRUE(stream.Rewind());
            got = 0;
            while (const size_t n = stream.Read(read.data() + got, read.size() - got)) {
                got += n;
            }
            read.resize(got);
            EXPECT_TRUE(read == plain) << "stopped at " << stop << ", read again " << got;
            EXPECT_EQ(stream.Error(), "");
        }
    }
}

TEST(GzipCapture, DamageAnywhereEndsTheCaptureEarlyAndNeverHangs) {
    const Bytes plain = LargeCapture();
    const Bytes gz = Gzip(plain);
    for (size_t at = 10; at < gz.size(); at += gz.size() / 7) {
        Bytes damaged = gz;
        for (size_t i = at; i < at + 64 && i < damaged.size(); ++i) {
            damaged[i] ^= 0xA5;
        }
        CaptureOpenError error;
        auto source = OpenCaptureStream(
            std::make_unique<MemoryByteStream>(damaged, MemoryStreamOptions()), error);
        if (source) {
            const ReadResult read = ReadAll(*source);
            EXPECT_NE(read.last, CaptureOutcome::End) << "damage at " << at;
        }
    }
}

TEST(GzipCapture, ACompressedFileThatIsNoCaptureIsNamedByItsInflatedStart) {
    const std::string page = "<html><head><title>capture</title></head></html>";
    EXPECT_EQ(OpenError(Gzip(Bytes(page.begin(), page.end()))),
              "not a pcap or pcapng capture (it begins with 3c 68 74 6d)");
    // Only the magic makes gzip: a plain capture starting with 1f is no gzip.
    EXPECT_EQ(OpenError({0x1F, 0x00, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0,
                         0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0}),
              "not a pcap or pcapng capture (it begins with 1f 00 01 02)");
}

class GzipCaptureFile : public InTempDirectory {};

TEST_F(GzipCaptureFile, OpensACompressedFileWhateverItsName) {
    WriteFile("capture.pcap", Gzip(ThreeRecords()));
    CaptureOpenError error;
    auto source = OpenCaptureSource("capture.pcap", error);
    ASSERT_TRUE(source) << error.message;
    EXPECT_EQ(ReadAll(*source).contents, Contents(ThreeRecords()));
}
