// SPDX-License-Identifier: MIT

#include "document/Macros.h"

#include <QtTest>

using namespace skyrend;

namespace {
QString qs(std::string_view s)
{
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}
} // namespace

class tst_Macros : public QObject {
    Q_OBJECT
private slots:
    void rows_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("description");
        const char* rows[][2] = {
            {"%KEsc", "'Escape' Key"},
            {"%KB_LEFT", "'Left' Key."},
            {"%KB_RIGHT", "'Right' Key"},
            {"%KB_FORWARD", "'Forward' Key"},
            {"%KB_REVERSE", "'Reverse' Key"},
            {"%KB_AFTERBURNERS", "'Afterburners' Key."},
            {"%KB_BULLET", "'Fire guns' Key"},
            {"%KB_BOMB", "'Fire bomb' Key"},
            {"%KB_MINE", "'Drop mine' Key"},
            {"%KB_THOR", "'Thor's hammer' Key."},
            {"%KB_BURST", "'Burst' Key"},
            {"%KB_STEALTH", "'Stealth' Key"},
            {"%KB_CLOAK", "'Cloak' Key"},
            {"%KB_XRADAR", "'X-radar' Key."},
            {"%KB_ANTIWARP", "'AntiWarp' Key"},
            {"%KB_MULTI", "'Multi-fire guns' Key"},
            {"%KB_REPEL", "'Repel' Key"},
            {"%KB_WARP", "'Warp' Key"},
            {"%KB_PORTAL", "'Set portal' Key"},
            {"%KB_DECOY", "'Drop decoy' Key"},
            {"%KB_ROCKET", "'Fire rocket' Key"},
            {"%KB_BRICK", "'Drop brick' Key"},
            {"%KB_ATTACH", "'Attach/detach' Key"},
            {"%KB_VIEWMAP", "'Show map' Key"},
            {"%KB_CYCLE", "'Stat box' Key"},
            {"%KB_PREV", "'Prev ticked player' Key"},
            {"%KB_NEXT", "'Next ticked player' Key"},
            {"%KB_PLAY", "'Toggle spectator mode' Key"},
            {"%KPrintScrn", "'Take screenshot' Key"},
            {"", ""},
        };
        static_assert(std::size(rows) == MacroUpperBound + 1);
        for (int row = 0; row <= MacroUpperBound; ++row)
            QTest::addRow("%d %s", row, rows[row][0]) << row << rows[row][0] << rows[row][1];
    }
    void rows()
    {
        QFETCH(int, row);
        QFETCH(QString, token);
        QFETCH(QString, description);
        InitMacros();
        // Fixed-width fields: the text, then spaces up to the width.
        QCOMPARE(qs(MacroTokens[row]), token.leftJustified(int(MacroTokenWidth)));
        QCOMPARE(qs(MacroDescriptions[row]), description.leftJustified(int(MacroDescriptionWidth)));
        QCOMPARE(qs(trimmedField(MacroTokens[row])), token);
    }

    void macroNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("known");
        QTest::newRow("short prefix") << "Esc" << true;
        QTest::newRow("long prefix") << "B_WARP" << true;
        QTest::newRow("fills the field") << "B_AFTERBURNERS" << true;
        QTest::newRow("last row") << "PrintScrn" << true;
        QTest::newRow("case matters") << "esc" << false;
        QTest::newRow("longer name") << "B_WARPED" << false;
        QTest::newRow("prefix of a name") << "B_WAR" << false;
        QTest::newRow("with %K") << "%KEsc" << false;
        QTest::newRow("blank row is no macro") << "" << false;
    }
    void macroNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, known);
        const std::u16string_view view(reinterpret_cast<const char16_t*>(name.utf16()),
                                       std::size_t(name.size()));
        QCOMPARE(isMacroName(view), known);
    }
};

QTEST_APPLESS_MAIN(tst_Macros)
#include "tst_macros.moc"
