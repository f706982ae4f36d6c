#pragma once
// One view of the decoded transactions: the report, the transaction log, the summary, progress
// ... Each sees every transaction once, in report order, with what the plant stage derived for
// it, and at the end what the run found of the whole plant. Views only render.

#include <string>

#include "plant/derivation.h"
#include "plant/plant_needs.h"
#include "plant/plant_result.h"
#include "session/transaction.h"

class TransactionSink {
public:
    virtual ~TransactionSink() = default;

    // What the view needs the plant stage to work out for it; nothing by default.
    virtual PlantNeeds Needs() const { return PlantNeeds(); }

    // False when the transaction could not be written: the run stops.
    virtual bool Take(const Transaction& transaction, const Derivation& derived) = 0;
    // The run goes on (a live capture, a stream): shows or stores what was found so far. Called
    // about once a second of wall-clock time, and with `requested` when the user asked for the
    // periodic files now. False when it could not be stored.
    virtual bool Refresh(const PlantResult& /*plant*/, bool /*requested*/) { return true; }
    // The run is over: stores what was taken, with what the run found of the plant. False when
    // some of it could not be stored.
    virtual bool Close(const PlantResult& /*plant*/) { return true; }
    // The file a failure is reported against; empty for views that write no file.
    virtual std::string FileName() const { return std::string(); }
};
