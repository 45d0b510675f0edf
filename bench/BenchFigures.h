#pragma once

#include <QtGlobal>

#include <vector>

// What the benchmarks print their figures with.

// The value at fraction `p` (0 to 1) of the sorted values; at least one value.
double percentile(std::vector<double> values, double p);

// A process's resident memory in KiB (this process's for pid 0), or 0 when it is gone.
long residentKb(qint64 pid = 0);

// A process's CPU time so far (user and system), in seconds, or 0 when it is gone.
double processCpuSeconds(qint64 pid);
