// examples/plant.pcapng: two libmodbus clients and two servers on one segment, one client
// pipelining three reads per segment. The expectations follow from what the recording's clients
// sent (examples/record/plant_clients.c) and the servers' register contents.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/analysis_run.h"
#include "tests/support/pcap_builder.h"
#include "tests/support/test_environment.h"

namespace fs = std::filesystem;

namespace {

const char kClientA1[] = "10.10.1.1:50011";  // to server 1 (10.10.1.2, unit 1)
const char kClientA2[] = "10.10.1.1:50012";  // to server 2 (10.10.1.3, unit 2)
const char kClientB[] = "10.10.1.4:50041";   // to server 1, pipelined

std::string PlantCapturePath() {
    const char* source = std::getenv("ZEP_SOURCE_DIR");
    return (fs::path(source != nullptr ? source : ".") / "examples" / "plant.pcapng").string();
}

class PlantCapture : public InTempDirectory {
protected:
    void SetUp() override {
        InTempDirectory::SetUp();
        ASSERT_TRUE(fs::exists(PlantCapturePath())) << PlantCapturePath();
        host_.inputPath = PlantCapturePath();
        host_.options = AnalysisOptions();  // transaction pairing, as the product runs
        host_.options.transactionLog = "transactions.jsonl";
        ASSERT_EQ(RunAnalysis(host_, platform_), AnalysisResult::Completed);
        report_ = ReadFileText("output.txt");
        std::istringstream lines(ReadFileText("transactions.jsonl"));
        std::string line;
        while (std::getline(lines, line)) {
            transactions_.push_back(nlohmann::json::parse(line));
        }
    }

    FakeHost host_;
    FakePlatform platform_;
    std::string report_;
    std::vector<nlohmann::json> transactions_;
};

}  // namespace

TEST_F(PlantCapture, EveryRequestIsAnsweredOnItsOwnConnection) {
    // A: 3 x (read 4 registers, read 8 coils) per server plus one write each; B: 3 x 3 reads.
    std::map<std::string, int> perClient;
    for (const auto& t : transactions_) {
        perClient[t["client"].get<std::string>() + " " + t["server"].get<std::string>()]++;
        EXPECT_FALSE(t["request"].is_null()) << t.dump();
        EXPECT_FALSE(t["response"].is_null()) << t.dump();
        EXPECT_EQ(t["exception"], nullptr) << t.dump();
    }
    EXPECT_EQ(transactions_.size(), 23u);
    EXPECT_EQ(perClient[std::string(kClientA1) + " 10.10.1.2:502"], 7);
    EXPECT_EQ(perClient[std::string(kClientA2) + " 10.10.1.3:502"], 7);
    EXPECT_EQ(perClient[std::string(kClientB) + " 10.10.1.2:502"], 9);
    EXPECT_EQ(report_.find("Address is unknown"), std::string::npos);
}

TEST_F(PlantCapture, SameTransactionIdsOnTwoServersKeepTheirOwnValues) {
    // Both of A's connections read 40001..40004 with the same transaction ids; holding register
    // 40001 is 0x000A on unit 1 and 0x100A on unit 2, and 40003 becomes 0x1234 on unit 1 after
    // the first cycle.
    int reads = 0;
    for (const auto& t : transactions_) {
        if (t["function"] != 3 || t["client"].get<std::string>().rfind("10.10.1.1:", 0) != 0) {
            continue;
        }
        const bool unit2 = t["client"] == kClientA2;
        EXPECT_EQ(t["unit"], unit2 ? 2 : 1);
        ASSERT_EQ(t["points"].size(), 4u) << t.dump();
        EXPECT_EQ(t["points"][0]["reference"], 40001);
        EXPECT_EQ(t["points"][0]["value"], unit2 ? 0x100A : 0x000A) << t.dump();
        if (!unit2 && t["transaction_id"] != 1) {
            EXPECT_EQ(t["points"][2]["value"], 0x1234) << t.dump();
        }
        ++reads;
    }
    EXPECT_EQ(reads, 6);
}

TEST_F(PlantCapture, PipelinedResponsesCarryTheAddressesOfTheirOwnRequests) {
    // B sends reads of 40005, 40009 and 40013 (two registers each) in one segment, three times,
    // with transaction ids 1..9; the server answers them in order.
    std::map<int, std::vector<int>> requestFrames, responseFrames;  // per round of three
    for (const auto& t : transactions_) {
        if (t["client"] != kClientB) {
            continue;
        }
        const int tid = t["transaction_id"];
        const int firstRegister = 40005 + 4 * ((tid - 1) % 3);
        ASSERT_EQ(t["points"].size(), 2u) << t.dump();
        EXPECT_EQ(t["points"][0]["reference"], firstRegister) << t.dump();
        // register n (0-based) of unit 1 holds n * 0x102
        EXPECT_EQ(t["points"][1]["value"], (firstRegister - 40000) * 0x102) << t.dump();
        requestFrames[(tid - 1) / 3].push_back(t["request"]["capture_frame"]);
        responseFrames[(tid - 1) / 3].push_back(t["response"]["capture_frame"]);
    }
    ASSERT_EQ(requestFrames.size(), 3u);
    for (const auto& [round, requests] : requestFrames) {
        const std::vector<int>& responses = responseFrames[round];
        ASSERT_EQ(requests.size(), 3u);
        EXPECT_EQ(requests, std::vector<int>(3, requests[0])) << "one segment, round " << round;
        EXPECT_TRUE(requests[0] < responses[0] && responses[0] < responses[1] &&
                    responses[1] < responses[2])
            << "one segment per answer, round " << round;
    }
}
