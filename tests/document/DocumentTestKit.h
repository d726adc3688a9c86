// SPDX-License-Identifier: MIT

#pragma once

// Helpers shared by the document model's tests: conversions, coloured test documents written
// as one colour letter per character, and random documents for the property tests.

#include "document/HelpFormat.h"

#include <QtTest>

#include <random>

namespace kit {

using namespace skyrend;

// A colour that no palette row has, as another editor might leave behind.
constexpr ColorRef kForeign = 0x00123456;

inline std::u16string u16(const QString& s)
{
    return s.toStdU16String();
}

inline QString qs(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

// The text of a document as a failed check names it.
inline QByteArray named(const ColoredText& doc)
{
    return qs(doc.text).toUtf8().toPercentEncoding();
}

// Colours are written one letter per character: the palette letters, and 'x' for kForeign.
inline ColorRef colorOfLetter(QChar letter)
{
    if (letter == u'x')
        return kForeign;
    const auto row = paletteRowOfLetter(letter.unicode());
    if (!row)
        qFatal("bad colour letter in test data");
    return ColorValues[*row];
}

inline ColoredText colored(const QString& text, QString letters)
{
    letters.remove(u' '); // test data groups letters with spaces for reading
    if (letters.size() != text.size())
        qFatal("test data: %d letters for %d characters", int(letters.size()), int(text.size()));
    std::vector<ColorRef> colors;
    for (const QChar l : letters)
        colors.push_back(colorOfLetter(l));
    return {u16(text), runsFromColors(colors)};
}

inline std::u16string_view pieceText(const char16_t& c)
{
    return {&c, 1};
}
inline std::u16string_view pieceText(std::u16string_view piece)
{
    return piece;
}

// Fewer than `maxPieces` pieces drawn from `pieces` (characters or strings). Each character
// keeps the colour before it but for a one-in-`change` chance of a new one from `colors`.
template <class Pieces>
ColoredText randomDocument(std::mt19937& random, const Pieces& pieces,
                           std::span<const ColorRef> colors, unsigned maxPieces,
                           unsigned change = 1)
{
    ColoredText doc;
    std::vector<ColorRef> perChar;
    ColorRef color = colors[random() % colors.size()];
    for (unsigned k = random() % maxPieces; k > 0; --k)
        for (const char16_t c : pieceText(pieces[random() % std::size(pieces)])) {
            if (random() % change == 0)
                color = colors[random() % colors.size()];
            doc.text.push_back(c);
            perChar.push_back(color);
        }
    doc.runs = runsFromColors(perChar);
    return doc;
}

} // namespace kit
