// SPDX-License-Identifier: MIT

#pragma once

#include <functional>
#include <vector>

class QWidget;

// Timing and printing shared by the parts of skyrend-f1-bench.

double median(std::vector<double> values);

// Milliseconds of `work`, median of `runs`; `prepare` runs untimed before each.
double timeMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work);

// Milliseconds of one run of `work`.
double elapsedMs(const std::function<void()>& work);

// Types `keys` keys into `box` as a user writing short lines does (40 characters, then Enter),
// letting it repaint every 50 keys; appends the microseconds of each key to `us`.
void typeShortLines(QWidget& box, int keys, std::vector<double>& us);

// The 99th percentile.
double percentile99(std::vector<double> values);

// One "name: value" line.
void print(const char* name, double value, int decimals = 1);
