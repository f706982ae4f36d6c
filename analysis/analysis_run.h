#pragma once
// One analysis run: from the chosen capture file to output.txt and the summary.

#include "analysis/analysis_host.h"

class PlatformServices;

enum class AnalysisResult {
    Completed,    // the capture was analysed and the summary was written into the results box
    EndedEarly,   // a precondition or the capture stopped the run; the user has been told
    Interrupted,  // the user stopped it; the report holds whole blocks up to there
};

constexpr unsigned long long kMinimumFreeBytes = 10ull * 1048576ull;

AnalysisResult RunAnalysis(const AnalysisRequest& request, AnalysisHost& host,
                           PlatformServices& platform);
