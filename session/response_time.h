#pragma once
// How long a server took to answer, in capture time.

#include <optional>

#include "session/transaction.h"

// Milliseconds from the request to its response; none when either is missing or the (hostile)
// times are too far apart to subtract.
std::optional<double> ResponseTimeMs(const Transaction& transaction);
