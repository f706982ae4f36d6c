#pragma once
// Why a request stands alone, in the words of the files the tool writes: one table for the
// name the transaction log and the summary give and the sentence of an anomaly's detail.

#include "session/transaction.h"

// "connection closed", "timed out", "capture ended", "too many waiting"; null when answered.
const char* UnansweredText(Unanswered reason);
// "its connection closed first", ...: the detail of an `unanswered_request`; "" when answered.
const char* UnansweredDetail(Unanswered reason);
