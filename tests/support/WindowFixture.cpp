// SPDX-License-Identifier: MIT

#include "WindowFixture.h"

#include "document/HelpFormat.h"

#include <QFile>
#include <QTest>

WindowFixture::WindowFixture()
{
    window = std::make_unique<frmMain>(desktop, dir.path());
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("window not exposed");
}

WindowFixture::~WindowFixture() = default;

QString WindowFixture::writeFile(const QString& name, const QByteArray& bytes) const
{
    const QString p = path(name);
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(p));
    return p;
}

QByteArray WindowFixture::readFile(const QString& p) const
{
    QFile f(p);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString WindowFixture::open(const QByteArray& tagged, const QString& name)
{
    const QString p = writeFile(name, tagged);
    window->OpenFile(p);
    return p;
}

void WindowFixture::fill(const QString& text, const QString& letters, const QString& name)
{
    if (text.size() != letters.size())
        qFatal("fill: %d characters but %d colours", int(text.size()), int(letters.size()));
    std::vector<skyrend::ColorRef> colors;
    for (QChar l : letters) {
        const auto row = skyrend::paletteRowOfLetter(l.unicode());
        colors.push_back(row ? skyrend::ColorValues[*row] : skyrend::ColorRef(0xFFFFFF));
    }
    const skyrend::ColoredText doc{text.toStdU16String(), skyrend::runsFromColors(colors)};
    {
        RichTextBox::ColoredLoad load(*window->rEdit, doc);
        while (!load.done())
            load.colorUntil(QDeadlineTimer(QDeadlineTimer::Forever));
    }
    if (!name.isEmpty()) {
        window->session().nameAfter(path(name), name);
    }
}

std::vector<skyrend::ColorRef> WindowFixture::colors() const
{
    return skyrend::colorsOf(window->rEdit->coloredText());
}

void WindowFixture::type(const QString& keys)
{
    for (const QChar c : keys) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F) {
            QTest::keyClick(window->rEdit, char(c.unicode()));
        } else {
            // QTest knows key codes for ASCII only; anything else goes as text.
            QTest::sendKeyEvent(QTest::Press, window->rEdit, Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, window->rEdit, Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
        }
    }
}

QString colorLetters(const std::vector<skyrend::ColorRef>& colors)
{
    QString out;
    for (skyrend::ColorRef c : colors) {
        const auto row = skyrend::paletteRowOfColor(c);
        out += row ? QLatin1Char(skyrend::ColorLetters[*row]) : QLatin1Char('?');
    }
    return out;
}
