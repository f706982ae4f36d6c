#pragma once
// Why a request stands alone, in the words of the files the tool writes.

#include "session/transaction.h"

// "connection closed", "timed out", "capture ended", "too many waiting"; null when answered.
const char* UnansweredText(Unanswered reason);
