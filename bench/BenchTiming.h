#pragma once

#include <functional>
#include <vector>

// Timing and printing shared by the parts of skyrend-f1-bench.

double median(std::vector<double> values);

// Milliseconds of `work`, median of `runs`; `prepare` runs untimed before each.
double timeMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work);

// Milliseconds of one run of `work`.
double elapsedMs(const std::function<void()>& work);

// One "name: value" line.
void print(const char* name, double value, int decimals = 1);
