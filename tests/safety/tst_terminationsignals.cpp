// SPDX-License-Identifier: MIT

#include "safety/TerminationSignals.h"

#include <QSignalSpy>
#include <QtTest>

#include <csignal>

using safety::TerminationSignals;

namespace {

void (*handlerOf(int signal))(int)
{
    struct sigaction now {};
    sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

} // namespace

class tst_TerminationSignals : public QObject {
    Q_OBJECT

private slots:
    void arriveOnTheEventLoop_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
        QTest::newRow("SIGINT") << SIGINT;
    }
    // One instance at a time; what was there before (the test library's own handlers, in a
    // program the defaults) is back after restore() and after the object is gone.
    void arriveOnTheEventLoop()
    {
        QFETCH(int, signal);
        const auto before = handlerOf(signal);
        {
            TerminationSignals handlers, second;
            QVERIFY(handlers.install());
            QVERIFY(!second.install());
            QVERIFY(handlerOf(signal) != before);
            QSignalSpy requested(&handlers, &TerminationSignals::requested);
            errno = EDOM;
            QCOMPARE(::raise(signal), 0);
            QCOMPARE(errno, EDOM);          // the handler leaves errno as it was
            QCOMPARE(requested.count(), 0); // not from within the handler
            QTRY_COMPARE(requested.count(), 1);
            QCOMPARE(requested.front().front().toInt(), signal);
            ::raise(signal); // two in a row are two requests
            ::raise(signal);
            QTRY_COMPARE(requested.count(), 3);
            handlers.restore();
            QVERIFY(!handlers.installed() && handlerOf(signal) == before);
            QVERIFY(second.install() && second.installed());
        }
        QVERIFY(handlerOf(signal) == before);
    }
};

QTEST_GUILESS_MAIN(tst_TerminationSignals)
#include "tst_terminationsignals.moc"
