// SPDX-License-Identifier: MIT
// The program told to end (SIGTERM and the like) at any moment: the user's text ends up in the
// recovery copy, and nothing answered by a box that closes with the program writes a file.

#include "WindowFixture.h"

#include "safety/RecoveryGuard.h"
#include "safety/RecoveryStore.h"

#include <QtTest>

using platform::Button;

namespace {

// More lines than a save or a load handles between two yields.
QByteArray manyLines()
{
    QByteArray text = "#Rules\r\n";
    for (int i = 0; i < 400; ++i)
        text += "%Rline " + QByteArray::number(i) + "\r\n";
    return text;
}

} // namespace

class tst_SessionEnding : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }

    void endKeepsTheTextAndWritesNoFile_data()
    {
        QTest::addColumn<QString>("when");
        QTest::addColumn<bool>("fileWritten");
        QTest::addColumn<bool>("copyKept"); // the edits are the user's, so a copy holds them
        QTest::newRow("idle") << "idle" << false << true;
        QTest::newRow("the save's warning box is open") << "warning" << false << true;
        // The text is read whole first; the save then stops before it writes, as after a box.
        QTest::newRow("a save is running") << "saving" << false << true;
        // What the box holds is the other file's, half read: nothing to keep.
        QTest::newRow("a load is running") << "loading" << false << false;
    }
    void endKeepsTheTextAndWritesNoFile()
    {
        QFETCH(QString, when);
        QFETCH(bool, fileWritten);
        QFETCH(bool, copyKept);
        WindowFixture f;
        session::DocumentSession& session = f.w().session();
        session.sliceMilliseconds = 0; // a yield between every two pieces
        const QString path = f.open(manyLines());
        const QString other = f.writeFile(QStringLiteral("other.hlp"), manyLines());
        QTest::keyClick(f.w().rEdit, Qt::Key_End, Qt::ControlModifier);
        f.type(QStringLiteral("%%kept")); // a visible "%%": the save warns
        const QString shown = f.edit().Text();

        int ended = 0;
        bool kept = false;
        // Asked at every yield, as a signal sent again would: the program ends once.
        auto end = [&] {
            session.endKeepingEdits([&](bool k) {
                ++ended;
                kept = k;
            });
        };
        f.desktop.clear();
        if (when == QLatin1String("idle")) {
            end();
            QCOMPARE(ended, 1);
            QVERIFY(!session.save());
            QVERIFY(!session.open(other));
        } else if (when == QLatin1String("warning")) {
            f.desktop.onBox = [&](const platform::MessageBox&) { end(); };
            f.desktop.answer(Button::Yes); // what the box says as the program goes
            QVERIFY(!session.save());
        } else if (when == QLatin1String("saving")) {
            f.desktop.answer(Button::Yes);
            f.desktop.onYield = [&](int) {
                end();
                QCOMPARE(ended, 0); // not while the text is being read
            };
            QVERIFY(!session.save());
        } else {
            f.desktop.onYield = [&](int) {
                if (session.activity() == session::DocumentSession::Activity::Loading)
                    end();
            };
            f.w().OpenFile(other); // replaces the edits: opening asks nothing
        }
        QCOMPARE(ended, 1);
        QVERIFY(kept);
        QVERIFY2(f.desktop.allAnswersUsed(), "an answer was left over");
        QVERIFY(session.isEnding());
        VERIFY_NO_UNEXPECTED_BOXES(f); // no "Abort Was Called." on the way out

        QCOMPARE(f.readFile(path).contains("kept"), fileWritten);
        const QString copy = f.w().findChild<safety::RecoveryGuard*>()->currentCopy();
        QCOMPARE(!copy.isEmpty() && QFileInfo::exists(copy), copyKept);
        if (copyKept) {
            const auto read = safety::RecoveryStore::read(copy);
            QVERIFY2(read.copy, qPrintable(read.error));
            QCOMPARE(QString::fromStdU16String(read.copy->doc.text), shown);
        }
    }
};

QTEST_MAIN(tst_SessionEnding)
#include "tst_sessionending.moc"
