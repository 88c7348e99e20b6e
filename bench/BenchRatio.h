#pragma once
// Throughput comparisons that lumeno_bench prints after its run, e.g. our checksum against a
// reference library on the same data. Register one at namespace scope in a benchmark file:
//   static const bool s_ratio = RegisterThroughputRatio({"ours / theirs", "BM_Ours", "BM_Theirs"});
// Runs are paired by argument ("BM_Ours/4096" with "BM_Theirs/4096"); both must set bytes processed.

struct ThroughputRatio {
    const char* label;
    const char* ours;
    const char* reference;
};

bool RegisterThroughputRatio(const ThroughputRatio& ratio);
