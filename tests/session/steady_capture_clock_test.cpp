#include "session/steady_capture_clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "capture/capture_time.h"
#include "session/response_time.h"
#include "session/transaction.h"

namespace {

constexpr int64_t kSecond = 1'000'000'000;

CaptureTimestamp At(int64_t seconds, uint32_t milliseconds = 0) {
    CaptureTimestamp time;
    time.seconds = seconds;
    time.fraction = milliseconds * 1000;
    return time;
}

TEST(SteadyCaptureClock, RecordsALittleOutOfOrderOnlyHoldTheClock) {
    SteadyCaptureClock clock;
    clock.Advance(1, At(100, 500));
    clock.Advance(2, At(100, 0));  // half a second earlier: another interface's record
    EXPECT_EQ(clock.now(), 100 * kSecond + kSecond / 2);
    EXPECT_EQ(clock.SteadyOf(2, At(100, 0)), 100 * kSecond);
    EXPECT_TRUE(clock.TakeSteps().empty());
}

TEST(SteadyCaptureClock, CarriesOnFromWhereItWasAtAStep) {
    SteadyCaptureClock clock;
    clock.Advance(1, At(5000));
    clock.Advance(2, At(1400));  // set back an hour
    EXPECT_EQ(clock.now(), 5000 * kSecond);
    clock.Advance(3, At(1401));
    EXPECT_EQ(clock.now(), 5001 * kSecond);
    // A message whose last byte came before the step keeps that record's time.
    EXPECT_EQ(clock.SteadyOf(1, At(5000)), 5000 * kSecond);
    EXPECT_EQ(clock.SteadyOf(3, At(1401)), 5001 * kSecond);
    const std::vector<ClockStep> steps = clock.TakeSteps();
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].nanoseconds, -3600 * kSecond);
    EXPECT_EQ(steps[0].record, 2u);
    EXPECT_TRUE(clock.TakeSteps().empty());  // reported once

    clock.Advance(4, At(8602));  // set forward two hours
    EXPECT_EQ(clock.now(), 5001 * kSecond);
    ASSERT_EQ(clock.TakeSteps().size(), 1u);
    clock.Advance(5, At(8602 - 3599));  // back by less than an hour: still a step
    clock.Advance(6, At(8602));         // on by less than an hour: time passing
    EXPECT_EQ(clock.now(), (5001 + 3599) * kSecond);
}

TEST(SteadyCaptureClock, EveryStepBeforeAMessageIsTakenInOrder) {
    SteadyCaptureClock clock;
    clock.Advance(1, At(10'000));
    clock.Advance(2, At(9'998));
    clock.Advance(3, At(2'000));
    clock.Advance(4, At(1'999));
    clock.Advance(5, At(7'000));  // forward by more than an hour
    const std::vector<ClockStep> steps = clock.TakeSteps();
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].nanoseconds, -2 * kSecond);
    EXPECT_EQ(steps[0].record, 2u);
    EXPECT_EQ(steps[1].nanoseconds, -7'998 * kSecond);
    EXPECT_EQ(steps[2].record, 4u);
    EXPECT_EQ(steps[3].nanoseconds, 5'001 * kSecond);
}

// Past 64 steps waiting for a message, the last one kept stands for the larger of it and the next.
TEST(SteadyCaptureClock, PastTheBoundTheLastStepKeptIsTheLarger) {
    SteadyCaptureClock clock;
    int64_t seconds = 100'000;
    uint64_t record = 1;
    clock.Advance(record, At(seconds));
    for (int step = 0; step < 64; ++step) {
        seconds -= 2;
        clock.Advance(++record, At(seconds));
    }
    clock.Advance(++record, At(seconds - 10));  // larger than the last kept: takes its place
    const uint64_t larger = record;
    clock.Advance(++record, At(seconds - 13));  // smaller than that one: dropped
    const std::vector<ClockStep> steps = clock.TakeSteps();
    ASSERT_EQ(steps.size(), 64u);
    EXPECT_EQ(steps[62].nanoseconds, -2 * kSecond);
    EXPECT_EQ(steps.back().nanoseconds, -10 * kSecond);
    EXPECT_EQ(steps.back().record, larger);
}

TEST(SteadyCaptureClock, TimesAtTheEndsOfTheRangeDoNotOverflow) {
    SteadyCaptureClock clock;
    const int64_t kMax = std::numeric_limits<int64_t>::max();
    clock.Advance(1, At(kMax));
    clock.Advance(2, At(std::numeric_limits<int64_t>::min()));
    clock.Advance(3, At(0));
    EXPECT_EQ(clock.now(), kMax);  // never back
    EXPECT_EQ(clock.SteadyOf(3, At(kMax)), kMax);
}

}  // namespace

// A shift whose fraction comes to exactly one second carries it into the seconds: the fraction
// stays below one second, in the time's own resolution when the shift is whole units of it.
TEST(ShiftedTimestamp, AFractionOfExactlyOneSecondCarries) {
    struct Case {
        int64_t seconds;
        uint32_t fraction;
        uint8_t digits;
        int64_t shiftNs;
        int64_t wantSeconds;
    };
    const Case cases[] = {
        {100, 999999, 6, 1000, 101},                       // 1 us onto the last microsecond
        {100, 250000, 6, 750'000'000, 101},                // 0.75 s
        {100, 750000, 6, 2 * kSecond + 250'000'000, 103},  // 2.25 s
        {100, 999999999, 9, 1, 101},                       // 1 ns onto the last nanosecond
        {100, 500000000, 9, 500'000'000, 101},
        {100, 999, 3, 1'000'000, 101},        // 1 ms onto the last millisecond
        {100, 250000, 6, -250'000'000, 100},  // back onto a whole second
        {100, 0, 6, -kSecond, 99},
        {100, 1, 9, -kSecond - 1, 99},
    };
    for (const Case& c : cases) {
        CaptureTimestamp time;
        time.seconds = c.seconds;
        time.fraction = c.fraction;
        time.fractionDigits = c.digits;
        const CaptureTimestamp shifted = ShiftedTimestamp(time, c.shiftNs);
        EXPECT_EQ(shifted.seconds, c.wantSeconds) << c.fraction << " + " << c.shiftNs;
        EXPECT_EQ(shifted.fraction, 0u) << c.fraction << " + " << c.shiftNs;
        EXPECT_EQ(shifted.fractionDigits, c.digits) << c.fraction << " + " << c.shiftNs;
    }
}

// An answer stamped at its request's instant (a coarse capture clock, a loopback server) took
// 0 ms, which counts like any other time; one stamped before its request has none.
TEST(ResponseTime, AnAnswerAtTheRequestsInstantTookZeroMilliseconds) {
    const auto stamped = [](int64_t seconds, uint32_t micros) {
        CModbusMessage message;
        message.time.seconds = seconds;
        message.time.fraction = micros;
        message.time.fractionDigits = 6;
        return message;
    };
    Transaction t;
    t.request = stamped(100, 250000);
    t.response = stamped(100, 250000);
    ASSERT_TRUE(ResponseTimeMs(t).has_value());
    EXPECT_EQ(*ResponseTimeMs(t), 0.0);
    t.response = stamped(100, 262500);
    EXPECT_DOUBLE_EQ(ResponseTimeMs(t).value_or(-1), 12.5);
    t.response = stamped(100, 249999);
    EXPECT_FALSE(ResponseTimeMs(t).has_value());
}
