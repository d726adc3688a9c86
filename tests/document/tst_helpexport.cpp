// SPDX-License-Identifier: MIT

#include "document/HelpExport.h"
#include "document/HelpFileReader.h"

#include "DocumentTestKit.h"

#include <QtTest>

#include <random>

using namespace skyrend;
using namespace kit;

namespace {

QString fromUtf8(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// What a browser makes of a fragment: its characters (tags dropped, entities decoded, <br> as
// CR LF) and the colour of each from the innermost coloured span. `fault` names what does not
// parse, and a span that repeats its neighbour's colour.
struct ReadBack {
    QString text;
    std::vector<ColorRef> colors;
    QString fault;
};

// No 0x00BBGGRR value. (Not std::optional: GCC 12 warns falsely of a use before it is set in a
// release build.)
constexpr ColorRef kNoColor = 0xFFFFFFFFu;

ReadBack readFragment(const QString& html)
{
    ReadBack r;
    std::vector<ColorRef> open;
    // Colour of a span that ended right before; kNoColor for none.
    ColorRef lastClosed = kNoColor;
    for (qsizetype i = 0; i < html.size() && r.fault.isEmpty();) {
        const auto addChar = [&](QString c) {
            r.text += c;
            for (qsizetype k = 0; k < c.size(); ++k)
                r.colors.push_back(open.empty() ? 0 : open.back());
            lastClosed = kNoColor;
        };
        if (html[i] == u'<') {
            const qsizetype end = html.indexOf(u'>', i);
            const QString tag = html.mid(i, end - i + 1);
            i = end + 1;
            static const QRegularExpression colored(u"^<span style=\"color:#([0-9a-f]{6})\">$"_qs);
            if (const auto m = colored.match(tag); m.hasMatch()) {
                const uint v = m.captured(1).toUInt(nullptr, 16);
                const ColorRef c = rgb(v >> 16, (v >> 8) & 0xFF, v & 0xFF);
                if (lastClosed == c)
                    r.fault = u"two neighbouring spans of one colour"_qs;
                open.push_back(c);
            } else if (tag.startsWith(u"<span "_qs)) {
                open.push_back(0);
            } else if (tag == u"</span>"_qs) {
                lastClosed = open.back();
                open.pop_back();
            } else if (tag == u"<br>"_qs) {
                addChar(u"\r\n"_qs);
            } else {
                r.fault = u"unexpected tag "_qs + tag;
            }
        } else if (html[i] == u'&') {
            const qsizetype end = html.indexOf(u';', i);
            const QString name = html.mid(i + 1, end - i - 1);
            i = end + 1;
            static const QHash<QString, QString> named{{u"lt"_qs, u"<"_qs},
                                                       {u"gt"_qs, u">"_qs},
                                                       {u"amp"_qs, u"&"_qs},
                                                       {u"quot"_qs, u"\""_qs}};
            if (name.startsWith(u'#'))
                addChar(QString(QChar(name.mid(1).toUInt())));
            else if (named.contains(name))
                addChar(named[name]);
            else
                r.fault = u"unknown entity "_qs + name;
        } else if (html[i] == u'"' || html[i] == u'\'' || html[i] == u'>') {
            r.fault = u"unescaped "_qs + html[i];
        } else {
            const qsizetype n = html[i].isHighSurrogate() ? 2 : 1;
            addChar(html.mid(i, n));
            i += n;
        }
    }
    return r;
}

QByteArray fixture(const QString& name)
{
    QFile file(QStringLiteral(SKYREND_TEST_DATA "/export/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(name));
    return file.readAll();
}

QByteArray bytesOf(const std::string& s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

// What a forum shows for BBCode, read as forums read it: a '[' that starts no known tag is text.
// `fault` names tags that do not nest, and a colour that ends only to start again.
ReadBack readBbcode(const QString& code)
{
    static const QRegularExpression tag(u"\\G\\[(color=#([0-9a-f]{6})|/color|b|/b|i|/i)\\]"_qs);
    ReadBack r;
    QStringList open;
    ColorRef color = kNoColor;
    ColorRef lastClosed = kNoColor;
    for (qsizetype i = 0; i < code.size() && r.fault.isEmpty();) {
        const auto m = tag.match(code, i);
        if (!m.hasMatch()) {
            const qsizetype n = code[i].isHighSurrogate() ? 2 : 1;
            r.text += code.mid(i, n);
            for (qsizetype k = 0; k < n; ++k)
                r.colors.push_back(color == kNoColor ? 0 : color);
            lastClosed = kNoColor;
            i += n;
            continue;
        }
        i += m.capturedLength();
        const QString name = m.captured(1);
        if (name.startsWith(u'/')) {
            if (open.isEmpty() || open.takeLast() != name.mid(1).section(u'=', 0, 0))
                r.fault = u"[%1] closes nothing open"_qs.arg(name);
            if (name == u"/color"_qs) {
                lastClosed = color;
                color = kNoColor;
            }
            continue;
        }
        open.push_back(name.section(u'=', 0, 0));
        if (!m.captured(2).isEmpty()) {
            const uint v = m.captured(2).toUInt(nullptr, 16);
            const ColorRef c = rgb(v >> 16, (v >> 8) & 0xFF, v & 0xFF);
            if (color != kNoColor)
                r.fault = u"a colour inside a colour"_qs;
            if (lastClosed == c)
                r.fault = u"a colour ended only to start again"_qs;
            color = c;
        } else {
            lastClosed = kNoColor;
        }
    }
    if (r.fault.isEmpty() && !open.isEmpty())
        r.fault = u"[%1] left open"_qs.arg(open.join(u","_qs));
    return r;
}

} // namespace

class TestHelpExport : public QObject {
    Q_OBJECT

private slots:
    void fragmentEscapes_data();
    void fragmentEscapes();
    void fragmentReadsBackAsTheText();
    void fixtures_data();
    void fixtures();
    void pageTitle_data();
    void pageTitle();
    void bbcodeReadsBackAsTheText();
};

void TestHelpExport::fragmentEscapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("letters");
    QTest::addColumn<QString>("expected"); // inside the outer span

    QTest::newRow("markup characters") << u"<a & \"b\" 'c'>"_qs << u"WWWWWWWWWWWWW"_qs
                                       << u"<span style=\"color:#adadad\">&lt;a &amp; &quot;b"
                                          "&quot; &#39;c&#39;&gt;</span>"_qs;
    QTest::newRow("runs of spaces and a tab kept")
        << u"  a   b\t"_qs << u"GGGGGGGG"_qs
        << u"<span style=\"color:#73ff63\">  a   b\t</span>"_qs;
    QTest::newRow("non-ASCII as UTF-8") << u"\u00e9\u20ac"_qs << u"YY"_qs
                                        << u"<span style=\"color:#ffce63\">\u00e9\u20ac</span>"_qs;
    QTest::newRow("one span per colour run, line break inside")
        << u"ab\r\ncd"_qs << u"RRRRPP"_qs
        << u"<span style=\"color:#ce0808\">ab<br></span><span style=\"color:#c0c0ff\">cd</span>"_qs;
    QTest::newRow("a macro stays text")
        << u"%KEsc"_qs << u"BBBBB"_qs << u"<span style=\"color:#b5b5ff\">%KEsc</span>"_qs;
    QTest::newRow("controls as references")
        << u"a\u0001\u0081"_qs << u"ppp"_qs
        << u"<span style=\"color:#ff8c9c\">a&#1;&#129;</span>"_qs;
    QTest::newRow("empty") << QString() << QString() << QString();
}

void TestHelpExport::fragmentEscapes()
{
    QFETCH(QString, text);
    QFETCH(QString, letters);
    QFETCH(QString, expected);
    const QString html = fromUtf8(htmlFragment(colored(text, letters)));
    const QString outer =
        u"<span style=\"white-space:pre-wrap;background-color:#000000;font-family:monospace\">"_qs;
    QVERIFY(html.startsWith(outer));
    QVERIFY(html.endsWith(u"</span>"_qs));
    QCOMPARE(html.mid(outer.size(), html.size() - outer.size() - 7), expected);
}

// Whatever the document, a browser shows exactly its text in its colours.
void TestHelpExport::fragmentReadsBackAsTheText()
{
    std::mt19937 random(20240611);
    const std::u16string_view pieces[] = {
        u"<", u">",      u"&", u"\"",         u"'",     u" ", u"  ",     u"\r\n", u"\t",
        u"a", u"\u00e9", u"€", u"\U0001F600", u"%KEsc", u"#", u"\u0001", u";"};
    const ColorRef colors[] = {ColorValues[White], ColorValues[Red], ColorValues[Pink], kForeign};
    for (int round = 0; round < 300; ++round) {
        const ColoredText doc = randomDocument(random, pieces, colors, 40, 3);
        ReadBack back = readFragment(fromUtf8(htmlFragment(doc)));
        QVERIFY2(back.fault.isEmpty(), qPrintable(back.fault));
        QCOMPARE(back.text, qs(doc.text));
        // A line break shows no colour; <br> stands for both of its characters.
        std::vector<ColorRef> expected = colorsOf(doc);
        // A character shows in one colour, that of its first half.
        for (std::size_t k = 0; k < doc.text.size(); ++k)
            if (doc.text[k] == u'\n' || doc.text[k] == u'\r')
                expected[k] = back.colors[k] = 0;
            else if (QChar::isLowSurrogate(doc.text[k]))
                expected[k] = expected[k - 1];
        QCOMPARE(back.colors, expected);
    }
}

// Files as the editor shows them, against the page and the BBCode they export to.
void TestHelpExport::fixtures_data()
{
    QTest::addColumn<QString>("name");
    // Text above the first page; escaping; a tag inside a header line; colour runs over lines;
    // runs of spaces; Windows-1252 letters; a '[' for BBCode; known and unknown macros; a blank
    // first line of a page; a page of its header alone.
    QTest::newRow("pages") << u"pages"_qs;
    QTest::newRow("empty file") << u"empty"_qs;
}

void TestHelpExport::fixtures()
{
    QFETCH(QString, name);
    const ColoredText doc = readHelpFile(fixture(name + u".hlp"_qs).toStdString());
    QCOMPARE(bytesOf(htmlPage(doc, u16(name + u".hlp"_qs))), fixture(name + u".html"_qs));
    QCOMPARE(bytesOf(bbcode(doc)), fixture(name + u".bbcode"_qs));
}

void TestHelpExport::pageTitle_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::newRow("the name given") << u"#Rules"_qs << u"Commands.hlp"_qs << u"Commands.hlp"_qs;
    QTest::newRow("else the first page's title")
        << u"intro\r\n#Rules & <more>\r\n#Ships"_qs << QString() << u"Rules &amp; &lt;more&gt;"_qs;
    QTest::newRow("else a title of its own") << u"no pages"_qs << QString() << u"Skyrend help"_qs;
    QTest::newRow("a name outside ASCII")
        << QString() << u"Hilfe \u00e4\u20ac.hlp"_qs << u"Hilfe \u00e4\u20ac.hlp"_qs;
}

void TestHelpExport::pageTitle()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(QString, title);
    const ColoredText doc{u16(text), {{std::size_t(text.size()), ColorValues[Green]}}};
    const QString page = fromUtf8(htmlPage(doc, u16(name)));
    QVERIFY2(page.contains(u"<title>"_qs + title + u"</title>"_qs), qPrintable(page));
}

// Whatever the document, a forum shows its lines in their colours, header lines without their
// '#', and every tag closes.
void TestHelpExport::bbcodeReadsBackAsTheText()
{
    std::mt19937 random(77);
    const std::u16string_view pieces[] = {u"[",          u"]",    u"[b]",  u"[/color]", u"a",
                                          u"#",          u"\r\n", u" ",    u"\u00e9",   u"%",
                                          u"\U0001F600", u"=",    u"\r\n#"};
    const ColorRef colors[] = {ColorValues[White], ColorValues[Green], ColorValues[Pink], kForeign};
    for (int round = 0; round < 300; ++round) {
        const ColoredText doc = randomDocument(random, pieces, colors, 30, 3);
        ReadBack back = readBbcode(fromUtf8(bbcode(doc)));
        QVERIFY2(back.fault.isEmpty(), qPrintable(back.fault + u": "_qs + qs(doc.text)));

        QString text;
        std::vector<ColorRef> expected;
        const std::vector<ColorRef> perChar = colorsOf(doc);
        for (std::size_t k = 0; k < doc.text.size(); ++k) {
            const char16_t c = doc.text[k];
            if (c == u'\n')
                continue; // the CR of CR LF stands for it
            if (c == u'#' && (k == 0 || doc.text[k - 1] == u'\n'))
                continue;
            text += c == u'\r' ? QChar(u'\n') : QChar(c);
            expected.push_back(c == u'\r'                 ? 0
                               : QChar::isLowSurrogate(c) ? expected.back()
                                                          : perChar[k]);
        }
        if (!doc.text.empty())
            text += u'\n', expected.push_back(0);
        for (qsizetype k = 0; k < back.text.size(); ++k)
            if (back.text[k] == u'\n')
                back.colors[std::size_t(k)] = 0;
        QCOMPARE(back.text, text);
        QCOMPARE(back.colors, expected);
    }
}

QTEST_APPLESS_MAIN(TestHelpExport)
#include "tst_helpexport.moc"
