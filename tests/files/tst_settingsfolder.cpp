// SPDX-License-Identifier: MIT
// Where config.ini lives: beside the program for a portable copy, in the user's configuration
// folder for an installed one, made only when it is first asked for.
#include "files/IniFile.h"
#include "files/SettingsFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

using skyrend::SettingsLayout;

class tst_SettingsFolder : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_config; // XDG_CONFIG_HOME during the tests
    QString m_appConfig;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_config = m_dir.filePath(QStringLiteral("xdg config"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config));
        // The folder the user's configuration folder gives for this application.
        m_appConfig = m_config + QLatin1Char('/') + QCoreApplication::applicationName() + '/';
    }
    void init() { QVERIFY(QDir(m_config).removeRecursively()); }

    void theBuildsLayout()
    {
        QCOMPARE(skyrend::builtSettingsLayout(),
                 SKYREND_EXPECTED_INSTALLED ? SettingsLayout::Installed : SettingsLayout::Portable);
    }

    void folders_data()
    {
        QTest::addColumn<SettingsLayout>("layout");
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<QString>("expected"); // "<config>/" stands for the application's folder
        QTest::newRow("portable") << SettingsLayout::Portable << "/opt/sky"
                                  << "/opt/sky/";
        QTest::newRow("portable, separator given") << SettingsLayout::Portable << "/opt/sky/"
                                                   << "/opt/sky/";
        QTest::newRow("portable, spaces") << SettingsLayout::Portable << "/a b/c d"
                                          << "/a b/c d/";
        QTest::newRow("installed") << SettingsLayout::Installed << "/usr/bin"
                                   << "<config>/";
        QTest::newRow("installed, no program folder") << SettingsLayout::Installed << ""
                                                      << "<config>/";
    }
    void folders()
    {
        QFETCH(SettingsLayout, layout);
        QFETCH(QString, programFolder);
        QFETCH(QString, expected);
        expected.replace(QStringLiteral("<config>/"), m_appConfig);
        QCOMPARE(skyrend::settingsFolder(layout, programFolder), expected);
        // Deciding the folder creates nothing.
        QVERIFY(!QFileInfo::exists(m_config));
    }

    // The first write into a fresh configuration folder succeeds, and it lands there alone.
    void theInstalledFolderIsMadeWhenFirstNeeded()
    {
        const QString folder = skyrend::settingsFolder(SettingsLayout::Installed, QString());
        const QString file = skyrend::settingsFileIn(folder);
        QCOMPARE(file, m_appConfig + QStringLiteral("config.ini"));
        QVERIFY(QFileInfo(folder).isDir());
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(skyrend::WriteINI("Recent", "0", "/home/u/Commands.hlp", file));
        QCOMPARE(skyrend::ReadINI("Recent", "0", skyrend::settingsFileIn(folder)),
                 QStringLiteral("/home/u/Commands.hlp"));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"config.ini"});
    }

    // A file where the folder should be: the path comes back, nothing is written, no crash.
    void aFileInTheWayIsLeftAlone()
    {
        QVERIFY(QDir().mkpath(m_config));
        const QString blocker = m_appConfig.chopped(1);
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("keep") == 4);
        f.close();
        const QString file = skyrend::settingsFileIn(m_appConfig);
        QCOMPARE(file, m_appConfig + QStringLiteral("config.ini"));
        QVERIFY(!skyrend::WriteINI("Recent", "0", "x", file));
        QVERIFY(QFileInfo(blocker).isFile());
        QFile back(blocker);
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(back.readAll(), QByteArray("keep"));
    }
};

QTEST_GUILESS_MAIN(tst_SettingsFolder)
#include "tst_settingsfolder.moc"
