#include "BenchTiming.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double timeMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        prepare();
        ms.push_back(elapsedMs(work));
    }
    return median(ms);
}

double elapsedMs(const std::function<void()>& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}

void print(const char* name, double value, int decimals)
{
    std::printf("%s: %.*f\n", name, decimals, value);
    std::fflush(stdout);
}
