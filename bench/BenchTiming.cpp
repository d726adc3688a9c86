// SPDX-License-Identifier: MIT

#include "BenchTiming.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

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

void typeShortLines(QWidget& box, int keys, std::vector<double>& us)
{
    for (int i = 0; i < keys; ++i) {
        QElapsedTimer t;
        t.start();
        if (i % 41 == 40)
            QTest::keyClick(&box, Qt::Key_Return);
        else
            QTest::keyClick(&box, "abcdefgh ij"[i % 11]);
        us.push_back(double(t.nsecsElapsed()) / 1000);
        if (i % 50 == 49)
            QCoreApplication::processEvents(); // it repaints between keys, as for a user
    }
}

double percentile99(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() * 99 / 100];
}
