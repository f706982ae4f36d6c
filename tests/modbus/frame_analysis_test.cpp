// Decoding of polls and responses and the report block of one frame.

#include "modbus/frame_analysis.h"

#include <gtest/gtest.h>

#include "modbus/poll_analysis.h"
#include "modbus/response_analysis.h"
#include "tests/support/frame_helpers.h"
#include "tests/support/pcap_builder.h"
#include "views/report_text.h"

namespace {

std::string Poll(const Bytes& frame) {
    return PollText(AnalysePoll(FrameView(ByteView(frame))));
}

std::string Response(const Bytes& frame, const Bytes& poll = Bytes()) {
    return ResponseText(AnalyseResponse(FrameView(ByteView(frame)), FrameView(ByteView(poll))));
}

// The report block of `frame` (heading, findings, sections), the answered poll given or not.
std::string Block(const Bytes& frame, const Bytes& poll = Bytes(),
                  const FrameAddresses* addresses = nullptr) {
    const DecodedFrame report = AnalyseFrame(FrameView(ByteView(frame)), FrameView(ByteView(poll)));
    return FrameAnalysisText(report, ByteView(frame), addresses);
}

const std::string kUnknownAddress =
    "(Address is unknown because the Poll Message was not provided.)";

}  // namespace

TEST(PollAnalysis, ReadFunctions) {
    EXPECT_EQ(Poll({0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}),
              "Device Address =1       =0x01\r\n"
              "Function       =3       =0x03 =Read Holding Registers\r\n"
              "Point Address  =40001   \r\n"
              "Point Count    =1       \r\n");
    const std::string coils = Poll(WithRtuCrc({0x01, 0x01, 0x00, 0x13, 0x00, 0x13}));
    EXPECT_NE(coils.find("Point Address  =20      \r\nPoint Count    =19      \r\n"),
              std::string::npos);
    EXPECT_NE(Poll(WithRtuCrc({1, 2, 0x00, 0xC4, 0x00, 0x16})).find("Point Address  =10197   \r\n"),
              std::string::npos);
    EXPECT_NE(Poll(WithRtuCrc({1, 4, 0x00, 0x08, 0x00, 0x01})).find("Point Address  =30009   \r\n"),
              std::string::npos);
}

TEST(PollAnalysis, SingleWrites) {
    EXPECT_EQ(Poll(WithRtuCrc({1, 5, 0x00, 0xAC, 0xFF, 0x00})),
              "Device Address =1       =0x01\r\n"
              "Function       =5       =0x05 =Force Single Coil\r\n"
              "Point Address  =173     \r\n"
              "Required State =0xff00  On    (0xff00=On, 0x0000=Off)\r\n");
    EXPECT_NE(Poll(WithRtuCrc({1, 5, 0x00, 0xAC, 0x00, 0x00}))
                  .find("Required State =0000  Off    (0xff00=On, 0x0000=Off)\r\n"),
              std::string::npos);
    EXPECT_NE(Poll(WithRtuCrc({1, 5, 0x00, 0xAC, 0x12, 0x34})).find("Required State =0x1234  On "),
              std::string::npos);
    EXPECT_NE(Poll(WithRtuCrc({1, 6, 0x00, 0x01, 0x00, 0x03}))
                  .find("Point Address  =40002   \r\n"
                        "Required value =3       =0x03\r\n"),
              std::string::npos);
}

TEST(PollAnalysis, ForceMultipleCoilsListsEveryBit) {
    const std::string report =
        Poll(WithRtuCrc({0x01, 0x0F, 0x00, 0x13, 0x00, 0x0A, 0x02, 0xCD, 0x01}));
    std::string expected =
        "Device Address =1       =0x01\r\n"
        "Function       =15      =0x0f =Force Multiple Coils\r\n"
        "Point Address  =00020  \r\n"
        "Point Count    =10      \r\n";
    const int states[16] = {1, 0, 1, 1, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 16; ++i) {
        char line[300];
        const char* text = states[i] ? "On" : "Off";
        if (i < 10) {
            std::snprintf(line, sizeof(line), "\tPoint Address  =%05d   State=%d=%s\r\n", 20 + i,
                          states[i], text);
        } else {
            std::snprintf(
                line, sizeof(line),
                "\tPoint Address  =%05d   State=%d=%s . This is padding. Conformal devices should "
                "ignore this point. Bad Mbodbus implemntations might apply this data.\r\n",
                20 + i, states[i], text);
        }
        expected += line;
    }
    EXPECT_EQ(report, expected);
}

TEST(PollAnalysis, PresetMultipleRegistersFollowsTheByteCount) {
    EXPECT_EQ(Poll(WithRtuCrc({0x01, 0x10, 0x00, 0x01, 0x00, 0x02, 0x04, 0x00, 0x0A, 0x01, 0x02})),
              "Device Address =1       =0x01\r\n"
              "Function       =16      =0x10 =Preset Multiple Registers\r\n"
              "Point Address  =40002   \r\n"
              "Point Count    =2       \r\n"
              "\tPoint Address  =40002   Value=10   =0x000a \r\n"
              "\tPoint Address  =40003   Value=258  =0x0102 \r\n");
    const std::string odd = Poll(WithRtuCrc({1, 0x10, 0, 1, 0, 3, 5, 0, 1, 0, 2, 0}));
    EXPECT_NE(odd.find("=40003   Value=2"), std::string::npos);
    EXPECT_EQ(odd.find("=40004"), std::string::npos);
}

TEST(PollAnalysis, MaskWriteAndReadWrite) {
    EXPECT_EQ(Poll(WithRtuCrc({0x01, 0x16, 0x00, 0x04, 0x00, 0xF2, 0x00, 0x25})),
              "Device Address =1       =0x01\r\n"
              "Function       =22      =0x16 =Masked Write 4x Registers\r\n"
              "Point Address  =40005    \r\n"
              "AND Mask       =242     =0xf2\r\n"
              "OR Mask        =37      =0x25\r\n"
              "Algorithm      ='Result = ( Current Contents AND And_Mask ) OR ( Or_Mask AND "
              "And_Mask )'\r\n");
    EXPECT_EQ(Poll(WithRtuCrc({0x01, 0x17, 0x00, 0x03, 0x00, 0x06, 0x00, 0x0E, 0x00, 0x03, 0x06,
                               0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF})),
              "Device Address =1       =0x01\r\n"
              "Function       =23      =0x17 =Read or Write 4x Registers\r\n"
              "Read Point Addr =40004    \r\n"
              "Read Qty        =6       \r\n"
              "Write Point Addr=40015    \r\n"
              "Write Qty       =3       \r\n"
              "\tWrite Data: Point Address  =40015   Value=255  =0x00ff \r\n"
              "\tWrite Data: Point Address  =40016   Value=255  =0x00ff \r\n"
              "\tWrite Data: Point Address  =40017   Value=255  =0x00ff \r\n");
}

TEST(PollAnalysis, HeaderOnlyFunctions) {
    for (uint8_t f : {7, 11, 12, 17}) {
        const std::string report = Poll(WithRtuCrc({0x01, f}));
        EXPECT_EQ(report.find("Point"), std::string::npos);
        EXPECT_EQ(report.substr(0, 31), "Device Address =1       =0x01\r\n");
    }
}

TEST(ResponseAnalysis, CoilsWithAndWithoutPoll) {
    const Bytes response = WithRtuCrc({0x01, 0x01, 0x01, 0x0D});
    std::string expected =
        "Device Address =1       =0x01\r\n"
        "Function       =1       =0x01 =Read Coil Status\r\n"
        "Point Address  =20      (Obtained from Poll)\r\n"
        "Point Count    =4       (Obtained from Poll)\r\n"
        "\tPoint Address  =20      State=1=On\r\n"
        "\tPoint Address  =21      State=0=Off\r\n"
        "\tPoint Address  =22      State=1=On\r\n"
        "\tPoint Address  =23      State=1=On\r\n";
    for (int address = 24; address <= 27; ++address) {
        expected += "\tPoint Address  =" + std::to_string(address) +
                    "      State=0=Off . This is padding. Conformal devices should have added "
                    "these points, as "
                    "padding, to make a full byte in the response. Therefore you cannot rely on "
                    "this data. Bad "
                    "Modbus implemntations might add valid data as padding.\r\n";
    }
    EXPECT_EQ(Response(response, WithRtuCrc({0x01, 0x01, 0x00, 0x13, 0x00, 0x04})), expected);

    const std::string alone = Response(response);
    EXPECT_NE(alone.find("\tPoint Index    =1       State=1=On. " + kUnknownAddress + "\r\n"),
              std::string::npos);
    EXPECT_NE(
        alone.find(
            "\tPoint Index    =8       State=0=Off. " + kUnknownAddress +
            "\r\n"
            "Note that without knowledge of the poll, the specific addresses of each point cannot "
            "be "
            "determined as this information is not contained in the response. Furthermore, it "
            "cannot be determined how many of these points are the data that was requested in the "
            "poll and how many of these points are padding.\r\n"),
        std::string::npos);
    EXPECT_NE(Response(WithRtuCrc({1, 2, 1, 0x80})).find("Point Index    =8       State=1=On."),
              std::string::npos);
}

TEST(ResponseAnalysis, RegistersWithAndWithoutPoll) {
    EXPECT_EQ(Response(WithRtuCrc({0x01, 0x03, 0x02, 0x00, 0x2A})),
              "Device Address =1       =0x01\r\n"
              "Function       =3       =0x03 =Read Holding Registers\r\n"
              "Point Count    =1       (Implied by byte count=2)\r\n"
              "\tPoint Index    =1       Value=42   =0x2a. " +
                  kUnknownAddress +
                  "\r\n"
                  "Note that without knowledge of the poll, the specific addresses of each point "
                  "cannot be "
                  "determined as this information is not contained in the response.\r\n");
    EXPECT_EQ(Response(WithRtuCrc({0x01, 0x03, 0x02, 0x00, 0x2A}),
                       WithRtuCrc({0x01, 0x03, 0x00, 0x6B, 0x00, 0x01})),
              "Device Address =1       =0x01\r\n"
              "Function       =3       =0x03 =Read Holding Registers\r\n"
              "Point Address  =40108   (Obtained from Poll)\r\n"
              "Point Count    =1       (Obtained from Poll)\r\n"
              "\tPoint Address  =40108   Value=42   =0x2a\r\n");
    const std::string two = Response(WithRtuCrc({0x01, 0x03, 0x04, 0x00, 0x0A, 0x01, 0x02}));
    EXPECT_NE(two.find("Point Count    =2       (Implied by byte count=4)\r\n"), std::string::npos);
    EXPECT_NE(two.find("\tPoint Index    =2       Value=258  =0x102. "), std::string::npos);
    EXPECT_NE(Response(WithRtuCrc({1, 4, 2, 0, 7}), WithRtuCrc({1, 4, 0, 8, 0, 1}))
                  .find("\tPoint Address  =30009   Value=7    =0x07\r\n"),
              std::string::npos);
}

TEST(ResponseAnalysis, ReadWriteRegisters) {
    EXPECT_EQ(Response(WithRtuCrc({0x01, 0x17, 0x02, 0x00, 0xFF})),
              "Device Address =1       =0x01\r\n"
              "Function       =23      =0x17 =Read or Write 4x Registers\r\n"
              "Read Pnt Count =1       (Implied by byte count=2)\r\n"
              "\tPoint Index    =1       Value=255  =0x00ff. " +
                  kUnknownAddress +
                  "\r\n"
                  "Note that without knowledge of the poll, the specific addresses of each point "
                  "cannot be "
                  "determined as this information is not contained in the response.\r\n");
    EXPECT_NE(Response(WithRtuCrc({1, 0x17, 2, 0, 0xFF}),
                       WithRtuCrc({1, 0x17, 0, 3, 0, 1, 0, 14, 0, 1, 2, 0, 1}))
                  .find("\tPoint Address  =40004   Value=255  =0x00ff\r\n"),
              std::string::npos);
}

TEST(ResponseAnalysis, ExceptionAndWrites) {
    EXPECT_EQ(Response(WithRtuCrc({0x01, 0x83, 0x02})),
              "Exception Response\r\n"
              "Device Address =1       =0x01\r\n"
              "Function       =3       =0x03 =Read Holding Registers\r\n"
              "Exception Code =2       =0x02\r\n");
    EXPECT_EQ(Response(WithRtuCrc({1, 15, 0, 0x13, 0, 10})),
              "Device Address =1       =0x01\r\n"
              "Function       =15      =0x0f =Force Multiple Coils\r\n"
              "Point Address  =00020   \r\n"
              "Point Count    =10      \r\n");
    EXPECT_NE(Response(WithRtuCrc({1, 16, 0, 1, 0, 2}))
                  .find("Point Address  =40002    \r\nPoint Count    =2       \r\n"),
              std::string::npos);
}

TEST(ResponseAnalysis, EchoOfSingleRegisterAndMaskWrite) {
    const Bytes write = WithRtuCrc({1, 6, 0, 1, 0, 3});
    const std::string echo = "This is the response - an echo of the poll.\r\n";
    EXPECT_NE(Response(write, write).find(echo), std::string::npos);
    Bytes otherCrc = write;
    otherCrc.back() ^= 1;
    EXPECT_EQ(Response(write, otherCrc).find(echo), std::string::npos);
    EXPECT_EQ(Response(write).find(echo), std::string::npos);
    const Bytes mask = WithRtuCrc({1, 22, 0, 4, 0, 0xF2, 0, 0x25});
    EXPECT_NE(Response(mask, mask).find(echo), std::string::npos);
}

TEST(ResponseAnalysis, ReportSlaveId) {
    EXPECT_EQ(Response(WithRtuCrc({0x01, 0x11, 0x05, 0x0A, 0xFF, 0x01, 0x02, 0x03})),
              "Device Address     =1       =0x01\r\n"
              "Function           =17      =0x11 =Report Slave ID\r\n"
              "Byte Count         =5       \r\n"
              "Slave ID           =10      =0x0a\r\n"
              "Run Indicator      =0xff    =On\r\n"
              "Additional Data is device dependent\r\n"
              "Additional Data[1] =1       =0x01\r\n"
              "Additional Data[2] =2       =0x02\r\n"
              "Additional Data[3] =3       =0x03\r\n");
    const std::string two = Response(WithRtuCrc({1, 0x11, 2, 0x0A, 0x01}));
    EXPECT_NE(two.find("Run Indicator      =0x01    =Unkown - 0x00==Off 0xff==On\r\n"),
              std::string::npos);
    EXPECT_EQ(two.find("Additional"), std::string::npos);
}

TEST(FrameAnalysis, CompletePollBlock) {
    const FrameAddresses addresses{"192.168.0.10", "192.168.0.20"};
    EXPECT_EQ(Block(BytesOfHex("01 03 00 00 00 01 84 0A"), Bytes(), &addresses),
              "\r\nFrame Analysis (01 03 00 00 00 01 84 0A )\r\n"
              "--------------\r\n"
              "\r\nThe frame has no errors.\r\n"
              "\r\nPoll Analysis\r\n"
              "-------------\r\n"
              "Source:        =192.168.0.10\r\nDestination    =192.168.0.20\r\n"
              "Device Address =1       =0x01\r\n"
              "Function       =3       =0x03 =Read Holding Registers\r\n"
              "Point Address  =40001   \r\n"
              "Point Count    =1       \r\n");
}

TEST(FrameAnalysis, RejectionsEndTheBlock) {
    EXPECT_EQ(Block(BytesOfHex("01 03")),
              "\r\nFrame Analysis (01 03 )\r\n--------------\r\n"
              "Error #0001\r\nThere are too few bytes in the message to form a valid Frame."
              "\r\nThe frame is not a Valid Modbus RTU Frame. Its contents cannot be "
              "analysed.\r\nAn example of "
              "an invalid frame is one that doesnt have enough bytes to form a full message.\r\n");

    const std::string diagnostic = Block(WithRtuCrc({1, 8, 0, 0, 0x12, 0x34}));
    EXPECT_EQ(diagnostic.substr(diagnostic.find("-\r\n") + 3),
              "We do not support analysis of of some functions in this version of the application. "
              "Function "
              "code=8(dec)=0x8\r\n No further analysis is possible.\r\n");

    const std::string impossible = Block(WithRtuCrc({1, 5, 0, 1, 0xFF, 0, 0}));
    EXPECT_EQ(
        impossible.substr(impossible.find("-\r\n") + 3),
        "\r\nCloser inspection of the frame indicates that it is not a Valid Modbus RTU Frame. "
        "\r\nIt is not possible for a message with the function code specified below to have the "
        "number of "
        "bytes indicated.\r\n"
        "Function code=5(dec)=0x5\r\nCount of bytes provided for analysis=9\r\n"
        "The message says there should be byte count=8\r\n"
        "\r\n No further analysis is possible.\r\n");

    const std::string tooShort = Block(WithRtuCrc({1, 12, 0, 0}));
    EXPECT_EQ(
        tooShort.substr(tooShort.find("-\r\n") + 3),
        "\r\nCloser inspection of the frame indicates that it is not a Valid Modbus RTU Frame. "
        "There are too few bytes for this function code=12(dec)=0xc\r\n No further analysis is "
        "possible.\r\n");

    const std::string mismatch = Block(WithRtuCrc({1, 3, 2, 0, 1, 0, 2}));
    EXPECT_EQ(
        mismatch.substr(mismatch.find("-\r\n") + 3),
        "\r\nCloser inspection of the frame indicates that it is not a Valid Modbus RTU Frame. "
        "\r\nThe number of bytes supplied for anlysis do not match the number of bytes "
        "reported "
        "inside the message itself.\r\nFunction code=3(dec)=0x3\r\nCount of bytes provided for "
        "analysis=9\r\nThe message says there should be byte count=7\r\n\r\n No further "
        "analysis is possible.\r\n");
}

TEST(FrameAnalysis, BadCrcIsStillDecoded) {
    const std::string report = Block(BytesOfHex("01 03 00 00 00 01 00 00"));
    EXPECT_NE(
        report.find(
            "Error #0007\r\nThe checksum is invalid. Actual=0x0000 Required=0x840a\r\nThe frame "
            "has "
            "errors but there may be sufficient information to analyse the message.\r\n. \r\nPoll "
            "Analysis\r\n"),
        std::string::npos);
    EXPECT_EQ(report.find("The frame has no errors."), std::string::npos);
    EXPECT_EQ(report.find("Source:"), std::string::npos);
}

TEST(FrameAnalysis, AmbiguousFrameGetsBothSections) {
    const FrameAddresses addresses{"10.0.0.9", "10.0.0.5"};
    const Bytes frame = WithRtuCrc({1, 6, 0, 1, 0, 3});
    const std::string report = Block(frame, frame, &addresses);
    EXPECT_NE(
        report.find(
            "\r\nThe frame has no errors.\r\n\r\nThe direction of the message is ambiguous. In "
            "isolation "
            "it cannot be determined if it is a poll or response. If information of about the "
            "previous or next message was known a best guess could have been made.\r\n\r\n\r\nPoll "
            "Analysis\r\n-------------\r\n1Source:        =10.0.0.9\r\nDestination    "
            "=10.0.0.5\r\n"),
        std::string::npos);
    EXPECT_NE(report.find("\r\nResponse Analysis\r\n-----------------\r\nSource:        "
                          "=10.0.0.9\r\nDestination    "
                          "=10.0.0.5\r\n"),
              std::string::npos);
    EXPECT_NE(report.find("This is the response - an echo of the poll.\r\n"), std::string::npos);
    EXPECT_EQ(report.substr(report.size() - 2), "\r\n");
}

TEST(FrameAnalysis, HostileCountsStayInsideTheFrame) {
    // A read quantity over 110 makes a function 23 frame a response whatever its byte count says:
    // 255 data bytes claimed, 5 carried; the registers past the frame read as 0.
    const std::string registers = Block(WithRtuCrc({1, 0x17, 0xFF, 0, 0xFF, 0xFF, 0, 0}));
    EXPECT_NE(registers.find("Read Pnt Count =127     (Implied by byte count=255)\r\n"),
              std::string::npos);
    EXPECT_NE(registers.find("\tPoint Index    =2       Value=65280=0xff00. "), std::string::npos);
    EXPECT_NE(registers.find("\tPoint Index    =127     Value=0    ="), std::string::npos);
    EXPECT_EQ(registers.find("\tPoint Index    =128 "), std::string::npos);

    // Longer than the analyser looks at: only its first 1000 bytes count.
    Bytes frame = {1, 3, 2};
    frame.resize(1500, 0xFF);
    EXPECT_NE(Block(frame).find("Function code=3(dec)=0x3\r\nCount of bytes provided for "
                                "analysis=1000\r\nThe message says there should be byte "
                                "count=7\r\n"),
              std::string::npos);
}
