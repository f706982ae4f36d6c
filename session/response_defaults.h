#pragma once
// How long a server may take to answer before the analysis says so, unless told otherwise.

// A request unanswered this long in capture time is given up and reported alone.
constexpr int kDefaultResponseTimeoutSeconds = 60;
// A response later than this is a slow response.
constexpr int kDefaultSlowResponseMs = 1000;
