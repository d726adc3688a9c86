// SPDX-License-Identifier: MIT

#include "WindowFixture.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmConfig.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <map>

namespace {

// What happened while a modal dialog ran.
template <class Dialog> struct ModalRun {
    bool shown = false;        // a modal Dialog was active inside the open call
    bool openAfterAct = false; // it was still visible when the test's actions were done
    QPointer<Dialog> dialog;   // null once the dialog has been destroyed
};

// Calls `open`, which is expected to run a modal Dialog, and runs `act` on that dialog from
// inside its event loop. A dialog that `act` leaves open is closed afterwards, so a fault fails
// the test instead of hanging it.
template <class Dialog>
ModalRun<Dialog> runModal(const std::function<void()>& open,
                          const std::function<void(Dialog&)>& act)
{
    ModalRun<Dialog> run;
    QTimer timer; // a local timer: if `open` shows nothing modal, it dies unfired with the test
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&run, &act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            // Something else, or a Dialog that is not modal, may still hold `open` in a loop.
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && (qobject_cast<Dialog*>(w) || w->isModal()))
                    w->close();
            return;
        }
        run.shown = true;
        run.dialog = dialog;
        act(*dialog);
        run.openAfterAct = dialog->isVisible();
        if (run.openAfterAct)
            dialog->reject();
    });
    timer.start(0);
    open();
    return run;
}

// Where a design position in twips lands on a widget at its DPI.
QRect expectedPixels(const QWidget* w, const QRect& twips)
{
    auto px = [](int t, int dpi) { return qRound(t * dpi / 1440.0); };
    const int dx = w->logicalDpiX();
    const int dy = w->logicalDpiY();
    return {px(twips.x(), dx), px(twips.y(), dy), px(twips.width(), dx), px(twips.height(), dy)};
}

std::map<QString, QLabel*> labelsOf(const frmAbout& about)
{
    return {{"Image1", about.Image1}, {"Label1", about.Label1}, {"Label2", about.Label2},
            {"Label3", about.Label3}, {"Label4", about.Label4}, {"Label5", about.Label5},
            {"Label6", about.Label6}, {"Label7", about.Label7}};
}

std::map<QString, QLabel*> labelsOf(const frmConfig& config)
{
    return {{"Label1", config.Label1}, {"Label2", config.Label2}};
}

const QString kHelpColourLines[] = {"W-White ", "P-Purple", "Y-Yellow", "R-Red   ",
                                    "G-Green ", "B-Blue  ", "p-Pink  "};

} // namespace

class tst_Dialogs : public QObject {
    Q_OBJECT

private slots:
    // ---- Help Topics ----------------------------------------------------------------------

    void helpTopicsShowsTheUsageTextAndTheColourTags_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("handler") << false;
        QTest::newRow("Help menu item") << true;
    }
    void helpTopicsShowsTheUsageTextAndTheColourTags()
    {
        QFETCH(bool, fromMenu);
        QStringList lines = {
            "Skyrend F1 Editor - Help ",
            "How-to-use: Essentially, just type text, select the text you want to color,",
            "  right click, and select a color. As of v1.2, I have enabled a list of macros, ",
            "  that Skyrend has in game. Essentially, these are replaced with the ",
            "  true key values, of the game. %KEsc, becomes 'Esc' in the F1.",
            "",
            ".: Common Error :.",
            "You may receive an error about missing a header line, this means you need to "
            "create, ",
            " a header (Essentially a line with a leading '#'). This creates a new F1 'window', "
            "i.e.",
            "#Help (F1 for More)",
            "",
            "Color Tags - that are currently implemented (for loading of files).",
        };
        for (const QString& line : kHelpColourLines)
            lines << line;

        WindowFixture f;
        // The fixture's program folder holds config.ini.
        lines << ""
              << "Settings and recent files: " + f.dir.filePath(QStringLiteral("config.ini"));
        const QString expected = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
        f.desktop.answer(platform::Button::Ok);
        if (fromMenu)
            f.w().menu_HelpFile->trigger();
        else
            f.w().menu_HelpFile_Click();

        QCOMPARE(f.desktop.boxes.size(), 1);
        const platform::MessageBox& box = f.desktop.boxes.first().box;
        // Line by line first, so a difference names its line.
        QCOMPARE(box.text.split(QStringLiteral("\r\n")), lines + QStringList{QString()});
        QCOMPARE(box.text, expected);
        QCOMPARE(box.title, QStringLiteral("EZ Help"));
        QCOMPARE(box.icon, platform::Icon::Information);
        QCOMPARE(box.buttons, platform::Buttons::Ok);
        VERIFY_NO_UNEXPECTED_BOXES(f);
        QCOMPARE(f.w().windowTitle(), QStringLiteral("Skyrend F1 Editor v.1.2 [Untitled0]"));
    }

    // ---- About ----------------------------------------------------------------------------

    void aboutShowsTheRunningVersionAndClosesByItsLink()
    {
        WindowFixture f;
        const QString version =
            QStringLiteral("v.%1.%2").arg(SKYREND_VERSION_MAJOR).arg(SKYREND_VERSION_MINOR);
        QCOMPARE(f.w().AppVersion, version);

        QStringList seen;
        auto showAndClickClose = [&](frmAbout& about) {
            seen << about.windowTitle() << about.Label1->text() << about.Label4->text()
                 << about.Label5->text();
            QTest::mouseClick(about.Label5, Qt::LeftButton);
        };
        auto run = runModal<frmAbout>([&] { f.w().menu_About->trigger(); }, showAndClickClose);
        QVERIFY2(run.shown, "no modal About box");
        QCOMPARE(seen, QStringList({"About...", "Skyrend F1 Editor", version, "Close"}));
        QVERIFY2(!run.openAfterAct, "a click on Close left the About box open");
        QVERIFY2(run.dialog.isNull(), "the About box outlived its closing");
        QVERIFY(f.desktop.boxes.isEmpty());
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void aboutIsAFreshBoxEachTime()
    {
        WindowFixture f;
        auto markAndClose = [](frmAbout& about) {
            // A box that were kept and shown again would still carry these.
            about.setProperty("seen", true);
            about.Label4->setText(QStringLiteral("changed"));
            about.close();
        };
        auto first = runModal<frmAbout>([&] { f.w().menu_About_Click(); }, markAndClose);
        QVERIFY(first.shown);
        QVERIFY(first.dialog.isNull());

        bool seenBefore = true;
        QString version;
        auto second = runModal<frmAbout>([&] { f.w().menu_About_Click(); },
                                         [&](frmAbout& about) {
                                             seenBefore = about.property("seen").isValid();
                                             version = about.Label4->text();
                                             about.close();
                                         });
        QVERIFY(second.shown);
        QVERIFY(!seenBefore);
        QCOMPARE(version, f.w().AppVersion);
        QVERIFY(second.dialog.isNull());
    }

    void aboutIsAFixedToolWindow()
    {
        frmAbout about(QStringLiteral("v.1.2"));
        const Qt::WindowFlags flags = about.windowFlags();
        QVERIFY(flags.testFlag(Qt::Tool));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        const QSize size = expectedPixels(&about, QRect(0, 0, 4680, 4170)).size();
        QCOMPARE(about.minimumSize(), size);
        QCOMPARE(about.maximumSize(), size);
    }

    void aboutLayoutInTwips_data()
    {
        QTest::addColumn<QString>("element");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<bool>("bold");
        QTest::newRow("Image1") << "Image1" << QRect(240, 240, 630, 480) << false;
        QTest::newRow("Label1") << "Label1" << QRect(1320, 240, 2775, 255) << true;
        QTest::newRow("Label4") << "Label4" << QRect(3720, 240, 615, 255) << true;
        QTest::newRow("Label2") << "Label2" << QRect(1560, 480, 1455, 255) << true;
        QTest::newRow("Label3") << "Label3" << QRect(1560, 720, 2775, 255) << true;
        QTest::newRow("Label7") << "Label7" << QRect(1560, 960, 2775, 255) << true;
        QTest::newRow("Label6") << "Label6" << QRect(840, 1320, 3015, 2295) << false;
        QTest::newRow("Label5") << "Label5" << QRect(240, 3720, 4095, 255) << false;
    }
    void aboutLayoutInTwips()
    {
        QFETCH(QString, element);
        QFETCH(QRect, twips);
        QFETCH(bool, bold);
        frmAbout about(QStringLiteral("v.1.2"));
        const QLabel* label = labelsOf(about).at(element);
        QCOMPARE(label->geometry(), expectedPixels(&about, twips));
        QCOMPARE(label->font().bold(), bold);
    }

    // The boxes are fixed in twips while the fonts are the desktop's: no text may be cut off.
    void oneLineLabelsShowTheirWholeText_data()
    {
        QTest::addColumn<bool>("about");
        QTest::addColumn<QString>("element");
        for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label5", "Label7"})
            QTest::newRow(qPrintable(QStringLiteral("About ") + name)) << true << name;
        for (const char* name : {"Label1", "Label2"})
            QTest::newRow(qPrintable(QStringLiteral("Configuration ") + name)) << false << name;
    }
    void oneLineLabelsShowTheirWholeText()
    {
        QFETCH(bool, about);
        QFETCH(QString, element);
        ScriptedDesktop desktop;
        frmAbout aboutBox(QStringLiteral("v.1.2"));
        frmConfig config(desktop);
        const QLabel* label = about ? labelsOf(aboutBox).at(element) : labelsOf(config).at(element);
        const QFontMetrics metrics(label->font());
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->contentsRect().width(),
                 qPrintable(QStringLiteral("\"%1\" needs %2 pixels, has %3")
                                .arg(label->text())
                                .arg(metrics.horizontalAdvance(label->text()))
                                .arg(label->contentsRect().width())));
        QVERIFY(metrics.height() <= label->contentsRect().height());
    }

    void aboutCloseLinkIsBlueAndUnderlinedAndTheLogoIsItsOwnSize()
    {
        frmAbout about(QStringLiteral("v.1.2"));
        QCOMPARE(about.Label5->palette().color(QPalette::WindowText), QColor(0, 0, 192));
        QVERIFY(about.Label5->font().underline());
        QCOMPARE(about.Label5->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
        QCOMPARE(frmAbout::logo().size(), QSize(42, 32));
        QVERIFY(about.Label6->wordWrap());
        QVERIFY(!about.Label6->text().isEmpty());
    }

    // ---- Configuration --------------------------------------------------------------------

    void configurationSaysItHasNoOptionsAndClosesAtOnce()
    {
        WindowFixture f;
        QStringList seen;
        auto lookAndClickClose = [&](frmConfig& config) {
            seen << config.windowTitle() << config.Label1->text() << config.Label2->text()
                 << config.Command1->text() << config.Command2->text()
                 << (config.Command1->isEnabled() ? "Save enabled" : "Save disabled")
                 << (config.Command1->nextInFocusChain() == config.Command2 ? "Save, then Close"
                                                                            : "other tab order");
            QTest::mouseClick(config.Command2, Qt::LeftButton);
        };
        auto run = runModal<frmConfig>([&] { f.w().menu_Config->trigger(); }, lookAndClickClose);
        QVERIFY2(run.shown, "no modal Configuration dialog");
        QCOMPARE(seen, QStringList({"Configuration", "Configuration",
                                    "There are currently no options that you may edit.", "Save",
                                    "Close", "Save disabled", "Save, then Close"}));
        QVERIFY2(!run.openAfterAct, "one click on Close left the dialog open");
        QVERIFY(run.dialog.isNull());
        QVERIFY(f.desktop.boxes.isEmpty());
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void configurationWithSaveEnabledAsksBeforeClosing_data()
    {
        QTest::addColumn<platform::Button>("answer");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Yes") << platform::Button::Yes << true;
        QTest::newRow("No") << platform::Button::No << true;
        QTest::newRow("Cancel") << platform::Button::Cancel << false;
    }
    void configurationWithSaveEnabledAsksBeforeClosing()
    {
        QFETCH(platform::Button, answer);
        QFETCH(bool, closes);
        WindowFixture f;
        f.desktop.answer(answer);
        auto run = runModal<frmConfig>([&] { f.w().menu_Config_Click(); },
                                       [](frmConfig& config) {
                                           config.Command1->setEnabled(true);
                                           QTest::mouseClick(config.Command2, Qt::LeftButton);
                                       });
        QVERIFY(run.shown);
        QCOMPARE(f.desktop.boxes.size(), 1);
        const platform::MessageBox& box = f.desktop.boxes.first().box;
        QCOMPARE(box.text, QStringLiteral("Save Settings?"));
        QCOMPARE(box.title, QStringLiteral("Settings"));
        QCOMPARE(box.buttons, platform::Buttons::YesNoCancel);
        QCOMPARE(box.icon, platform::Icon::Information);
        QCOMPARE(run.openAfterAct, !closes);
        VERIFY_NO_UNEXPECTED_BOXES(f);
        // Nothing is saved, whatever the answer.
        QVERIFY(!QFile::exists(f.w().settingsFile()));
    }

    void configurationClosedByItsFrameOrSaveNeverAsks()
    {
        WindowFixture f;
        bool openAfterSave = false;
        auto run = runModal<frmConfig>(
            [&] { f.w().menu_Config_Click(); },
            [&](frmConfig& config) {
                config.Command1->setEnabled(true);
                QTest::mouseClick(config.Command1, Qt::LeftButton); // "Save" has no action
                openAfterSave = config.isVisible();
                config.close();
            });
        QVERIFY(run.shown);
        QVERIFY(openAfterSave);
        QVERIFY(!run.openAfterAct);
        QVERIFY(f.desktop.boxes.isEmpty());
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }

    void configurationLayoutInTwips_data()
    {
        QTest::addColumn<QString>("element");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("window") << "window" << QRect(0, 0, 6240, 4995);
        QTest::newRow("Label1") << "Label1" << QRect(120, 120, 4335, 255);
        QTest::newRow("Label2") << "Label2" << QRect(120, 480, 6015, 255);
        QTest::newRow("Command1") << "Command1" << QRect(3720, 4440, 1215, 375);
        QTest::newRow("Command2") << "Command2" << QRect(4920, 4440, 1215, 375);
    }
    void configurationLayoutInTwips()
    {
        QFETCH(QString, element);
        QFETCH(QRect, twips);
        ScriptedDesktop desktop;
        frmConfig config(desktop);
        const std::map<QString, QWidget*> widgets = {{"Label1", config.Label1},
                                                     {"Label2", config.Label2},
                                                     {"Command1", config.Command1},
                                                     {"Command2", config.Command2}};
        const QRect actual = element == QLatin1String("window") ? QRect({0, 0}, config.size())
                                                                : widgets.at(element)->geometry();
        QCOMPARE(actual, expectedPixels(&config, twips));
        QVERIFY(config.Label1->font().bold());
        QVERIFY(!config.Label2->font().bold());
    }

    // ---- Both dialogs ---------------------------------------------------------------------

    void mainWindowIgnoresKeysWhileADialogIsOpen_data()
    {
        QTest::addColumn<bool>("about");
        QTest::newRow("About") << true;
        QTest::newRow("Configuration") << false;
    }
    void mainWindowIgnoresKeysWhileADialogIsOpen()
    {
        QFETCH(bool, about);
        WindowFixture f;
        QApplication::setActiveWindow(&f.w());
        f.edit().setFocus();
        // Keys go through the window system, as a user's do, so modality applies. With no
        // dialog open the same key reaches the edit box.
        QTest::keyClick(f.w().windowHandle(), 'a');
        QCOMPARE(f.edit().Text(), QStringLiteral("a"));

        bool modal = false;
        auto pressWhileOpen = [&](QDialog& dialog) {
            modal = QApplication::activeModalWidget() == &dialog && dialog.isModal();
            QTest::keyClick(f.w().windowHandle(), 'b');
            dialog.close();
        };
        const bool shown =
            about ? runModal<frmAbout>([&] { f.w().menu_About_Click(); }, pressWhileOpen).shown
                  : runModal<frmConfig>([&] { f.w().menu_Config_Click(); }, pressWhileOpen).shown;
        QVERIFY(shown);
        QVERIFY(modal);
        QCOMPARE(f.edit().Text(), QStringLiteral("a"));
        VERIFY_NO_UNEXPECTED_BOXES(f);
    }
};

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
