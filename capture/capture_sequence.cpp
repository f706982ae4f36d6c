#include "capture/capture_sequence.h"

#include <algorithm>
#include <optional>

namespace {

// A record's time in nanoseconds, for ordering only.
struct SortTime {
    int64_t seconds = 0;
    uint64_t nanoseconds = 0;
    bool operator<(const SortTime& other) const {
        return seconds != other.seconds ? seconds < other.seconds : nanoseconds < other.nanoseconds;
    }
};

SortTime SortTimeOf(const CaptureTimestamp& time) {
    uint64_t nanoseconds = time.fraction;
    for (uint8_t digits = time.fractionDigits; digits < 9; ++digits) {
        nanoseconds *= 10;
    }
    return {time.seconds, nanoseconds};
}

}  // namespace

std::unique_ptr<CaptureSequence> CaptureSequence::Open(const std::vector<std::string>& paths,
                                                       Opener opener, CaptureOpenError& error,
                                                       std::string& failedPath) {
    struct Entry {
        std::optional<SortTime> first;  // none: no whole first record
        size_t given = 0;
    };
    std::vector<Entry> entries;
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::unique_ptr<CaptureSource> source = opener(paths[i], error);
        if (!source) {
            failedPath = paths[i];
            return nullptr;
        }
        Entry entry;
        entry.given = i;
        CaptureRecord record;
        if (source->Next(record) == CaptureOutcome::Record) {
            entry.first = SortTimeOf(record.time);
        }
        entries.push_back(entry);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.first && b.first) {
            return *a.first < *b.first;
        }
        return a.first.has_value() && !b.first.has_value();
    });
    std::vector<std::string> ordered;
    for (const Entry& entry : entries) {
        ordered.push_back(paths[entry.given]);
    }
    return std::unique_ptr<CaptureSequence>(new CaptureSequence(std::move(ordered), opener));
}

CaptureOutcome CaptureSequence::Stop(CaptureOutcome outcome, const CaptureFailure& failure) {
    stopped_ = outcome;
    failure_ = failure;
    return outcome;
}

CaptureOutcome CaptureSequence::Next(CaptureRecord& record) {
    while (stopped_ == CaptureOutcome::Record) {
        if (!current_) {
            if (next_ >= paths_.size()) {
                stopped_ = CaptureOutcome::End;
                break;
            }
            CaptureOpenError error;
            current_ = opener_(paths_[next_], error);
            ++next_;
            if (!current_) {  // it was read a moment ago
                CaptureFailure failure;
                failure.recordNumber = 1;
                failure.message = error.message;
                failure.path = paths_[next_ - 1];
                return Stop(CaptureOutcome::ReadError, failure);
            }
        }
        const CaptureOutcome outcome = current_->Next(record);
        if (outcome == CaptureOutcome::Record) {
            record.number = ++delivered_;
            record.capture = static_cast<uint32_t>(next_);
            return outcome;
        }
        CaptureFailure failure = current_->Failure();
        failure.path = paths_[next_ - 1];
        const bool last = next_ >= paths_.size();
        if (outcome == CaptureOutcome::CutRecord && !last) {
            // The file ends there; the next one goes on.
            if (cutNotice_) {
                cutNotice_(failure, failure.path);
            }
        } else if (outcome != CaptureOutcome::End) {
            return Stop(outcome, failure);
        }
        current_.reset();
    }
    return stopped_;
}

bool CaptureSequence::Rewind() {
    current_.reset();
    next_ = 0;
    delivered_ = 0;
    stopped_ = CaptureOutcome::Record;
    failure_ = CaptureFailure();
    return true;
}

const char* CaptureSequence::ContainerName() const {
    return current_ ? current_->ContainerName() : "pcap";
}
