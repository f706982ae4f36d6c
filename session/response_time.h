#pragma once
// How long a server took to answer, on the steady capture clock.

#include <optional>

#include "session/transaction.h"

// Milliseconds from the request to its response; none when either is missing, when the capture
// clock stepped between them (see SteadyCaptureClock), when the response was captured before its
// request, or when the (hostile) times are too far apart to subtract.
std::optional<double> ResponseTimeMs(const Transaction& transaction);
