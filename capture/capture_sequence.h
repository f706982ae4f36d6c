#pragma once
// Several capture files read as one capture (the files tcpdump -C/-G or dumpcap -b write): in
// the order of their first record's time, records numbered on across the files.
//
// Only one file is open at a time: each is opened once to learn its first record's time and
// closed again, then opened anew when its turn comes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_source.h"

class CaptureSequence : public CaptureSource {
public:
    // Opens one file of the sequence; null with `error` set when it cannot be read.
    using Opener =
        std::function<std::unique_ptr<CaptureSource>(const std::string&, CaptureOpenError&)>;
    // Told when a file that is not the last one ends in a cut record: the next file follows.
    using CutNotice = std::function<void(const CaptureFailure& cut, const std::string& path)>;

    // Opens every file in turn to read its first record, and orders them by its time (ties, and
    // files without a first record, keep the order given; the latter come last). Null, with
    // `error` and `failedPath` set, when a file cannot be opened.
    static std::unique_ptr<CaptureSequence> Open(const std::vector<std::string>& paths,
                                                 Opener opener, CaptureOpenError& error,
                                                 std::string& failedPath);

    // The paths in reading order: a record's `capture` is its 1-based position here.
    const std::vector<std::string>& Paths() const { return paths_; }
    void SetCutNotice(CutNotice notice) { cutNotice_ = std::move(notice); }

    // Records are numbered on from file to file; `capture` tells the file. A cut last record of
    // a file ends that file and reading goes on with the next one; damage or a read error ends
    // the sequence, its failure numbered within its file and naming the file's path.
    CaptureOutcome Next(CaptureRecord& record) override;
    bool Rewind() override;
    const CaptureFailure& Failure() const override { return failure_; }
    const char* ContainerName() const override;

private:
    CaptureSequence(std::vector<std::string> paths, Opener opener)
        : paths_(std::move(paths)), opener_(std::move(opener)) {}
    CaptureOutcome Stop(CaptureOutcome outcome, const CaptureFailure& failure);

    std::vector<std::string> paths_;
    Opener opener_;
    CutNotice cutNotice_;
    std::unique_ptr<CaptureSource> current_;
    size_t next_ = 0;         // the position of the file to open after the current one
    uint64_t delivered_ = 0;  // records delivered from earlier files and the current one
    CaptureOutcome stopped_ = CaptureOutcome::Record;
    CaptureFailure failure_;
};
