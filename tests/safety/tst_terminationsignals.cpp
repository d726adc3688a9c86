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
    void arriveOnTheEventLoop()
    {
        QFETCH(int, signal);
        // What was there before (the test library's own handlers, in a program the defaults).
        const auto before = handlerOf(signal);
        {
            TerminationSignals handlers;
            QVERIFY(handlers.install());
            QVERIFY(handlerOf(signal) != before);
            QSignalSpy requested(&handlers, &TerminationSignals::requested);
            errno = EDOM;
            QCOMPARE(::raise(signal), 0);
            QCOMPARE(errno, EDOM);          // the handler leaves errno as it was
            QCOMPARE(requested.count(), 0); // not from within the handler
            QTRY_COMPARE(requested.count(), 1);
            QCOMPARE(requested.front().front().toInt(), signal);
            // Two in a row are two requests.
            ::raise(signal);
            ::raise(signal);
            QTRY_COMPARE(requested.count(), 3);
        }
        // Gone with the object: what was there before is back.
        QVERIFY(handlerOf(signal) == before);
    }

    void oneInstanceAtATime()
    {
        const auto before = handlerOf(SIGTERM);
        TerminationSignals first, second;
        QVERIFY(first.install());
        QVERIFY(!second.install());
        first.restore();
        QVERIFY(handlerOf(SIGTERM) == before);
        QVERIFY(second.install());
        QVERIFY(second.installed());
        second.restore();
        QVERIFY(!second.installed());
        QVERIFY(handlerOf(SIGTERM) == before);
    }
};

QTEST_GUILESS_MAIN(tst_TerminationSignals)
#include "tst_terminationsignals.moc"
