// SPDX-License-Identifier: MIT
// View, Show Tags: the tagged text shown and edited in place of the coloured box, the caret and
// the first line kept across a toggle, edits reaching the document at once.

#include "WindowFixture.h"
#include "document/HelpFormat.h"
#include "editor/TagView.h"
#include "editor/TagViewSwitch.h"
#include "find/EditorFindSupport.h"
#include "panels/PageListModel.h"
#include "panels/PagesPanel.h"
#include "panels/SidePanels.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

#include <random>

using skyrend::ColorRef;

namespace {

const char* const kPieces[] = {"a",  "bc", " ",    "%R",         "%G",  "%Y",  "%W",  "%%",
                               "%b", "%K", "\r\n", "\r\n#Page ", "x#y", "%%R", "\xE9"};

QByteArray randomFile(std::mt19937& random, int pieces)
{
    QByteArray file = "#Start\r\n";
    for (int k = 0; k < pieces; ++k)
        file += kPieces[random() % std::size(kPieces)];
    return file;
}

std::u16string u16(const QString& s)
{
    return s.toStdU16String();
}

// The text of a block from column `column` on.
QString restOfLine(const QTextDocument& doc, int position)
{
    const QTextBlock b = doc.findBlock(position);
    return b.text().mid(position - b.position());
}

// What the coloured box must hold for a tagged text: the text read, in the colours a save and
// reload give it.
skyrend::ColoredText shownFor(const QString& tagged)
{
    skyrend::ColoredText doc = skyrend::decodeHelpText(
        u16(QString(tagged).replace(QLatin1Char('\n'), u"\r\n"_qs)) + u"\r\n");
    doc.runs = skyrend::colorsAfterReload(doc);
    return doc;
}

void setSelection(QPlainTextEdit& edit, int anchor, int position)
{
    QTextCursor c(edit.document());
    c.setPosition(anchor);
    c.setPosition(position, QTextCursor::KeepAnchor);
    edit.setTextCursor(c);
}

} // namespace

class tst_TagView : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        f->w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f->w()));
    }
    void cleanup() { f.reset(); }

    // For random files and random selections: the tags show what a save writes, the caret and
    // the selection stand on the same characters there, and two toggles give back the very same
    // places, starting from either side.
    void toggleKeepsThePlace()
    {
        std::mt19937 random(1209);
        RichTextBox& box = f->edit();
        TagView& view = *f->w().tagView;
        for (int round = 0; round < 40; ++round) {
            f->open(randomFile(random, 60));
            const std::u16string saved = skyrend::encodeHelpText(box.coloredText());
            const QString expectedTags =
                QString::fromStdU16String(saved.substr(0, saved.size() - 2))
                    .replace(u"\r\n"_qs, u"\n"_qs);
            const int size = box.document()->characterCount() - 1;
            const QString shown = box.toPlainText();
            for (int pick = 0; pick < 5; ++pick) {
                const int anchor = int(random() % unsigned(size + 1));
                const int position = int(random() % unsigned(size + 1));
                setSelection(box, anchor, position);
                f->w().menu_ShowTags->trigger();
                QVERIFY(f->w().tagViews->isShown());
                QCOMPARE(view.toPlainText(), expectedTags);
                const QTextCursor v = view.textCursor();
                for (const auto& [inBox, inView] :
                     {std::pair{anchor, v.anchor()}, std::pair{position, v.position()}}) {
                    const QString shownAfter = restOfLine(*box.document(), inBox);
                    const QString tagsAfter = restOfLine(*view.document(), inView);
                    QCOMPARE(QString::fromStdU16String(skyrend::decodeVisibleText(u16(tagsAfter))),
                             shownAfter);
                }
                f->w().menu_ShowTags->trigger();
                QVERIFY(!f->w().tagViews->isShown());
                QCOMPARE(box.textCursor().anchor(), anchor);
                QCOMPARE(box.textCursor().position(), position);

                // From the tags' side: any place, there and back, is the same place.
                f->w().menu_ShowTags->trigger();
                const int tagSize = view.document()->characterCount() - 1;
                const int tagAnchor = int(random() % unsigned(tagSize + 1));
                const int tagPosition = int(random() % unsigned(tagSize + 1));
                setSelection(view, tagAnchor, tagPosition);
                f->w().menu_ShowTags->trigger();
                f->w().menu_ShowTags->trigger();
                QCOMPARE(view.textCursor().anchor(), tagAnchor);
                QCOMPARE(view.textCursor().position(), tagPosition);
                f->w().menu_ShowTags->trigger();
                QCOMPARE(box.toPlainText(), shown);
                QVERIFY(!f->w().IsDirty()); // looking is no edit
            }
        }
    }

    void toggleKeepsTheFirstLineShown()
    {
        QByteArray file = "#Long\r\n";
        for (int i = 0; i < 400; ++i)
            file += "%Rline %G" + QByteArray::number(i) + "\r\n";
        f->open(file);
        RichTextBox& box = f->edit();
        box.verticalScrollBar()->setValue(150);
        setSelection(box, box.document()->findBlockByNumber(160).position(),
                     box.document()->findBlockByNumber(160).position());
        f->w().menu_ShowTags->trigger();
        QCOMPARE(f->w().tagView->verticalScrollBar()->value(), 150);
        f->w().tagView->verticalScrollBar()->setValue(300);
        f->w().menu_ShowTags->trigger();
        QCOMPARE(box.verticalScrollBar()->value(), 300);
    }

    // Random typing in the tags (tags, header marks, line breaks, deletions, undo): after every
    // key the coloured box holds what the tags read as, and the tags' undo steps are one step of
    // the box when the tags are left.
    void editsReachTheDocument()
    {
        std::mt19937 random(77);
        const char* const keys[] = {"a", "%", "R", "G", "W", "#", " ", "\n", "\b", "z", "\x1a"};
        RichTextBox& box = f->edit();
        TagView& view = *f->w().tagView;
        for (int round = 0; round < 12; ++round) {
            f->open(randomFile(random, 40));
            const skyrend::ColoredText before = box.coloredText();
            f->w().menu_ShowTags->trigger();
            for (int k = 0; k < 60; ++k) {
                const int size = view.document()->characterCount() - 1;
                if (random() % 4 == 0)
                    setSelection(view, int(random() % unsigned(size + 1)),
                                 int(random() % unsigned(size + 1)));
                const char* key = keys[random() % std::size(keys)];
                if (*key == '\n')
                    QTest::keyClick(&view, Qt::Key_Return);
                else if (*key == '\b')
                    QTest::keyClick(&view, Qt::Key_Backspace);
                else if (*key == '\x1a')
                    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
                else
                    QTest::keyClicks(&view, QString::fromLatin1(key));
                const skyrend::ColoredText expected = shownFor(view.toPlainText());
                QCOMPARE(box.document()->blockCount(), view.document()->blockCount());
                QCOMPARE(QString::fromStdU16String(box.coloredText().text),
                         QString::fromStdU16String(expected.text));
                QCOMPARE(colorLetters(skyrend::colorsOf(box.coloredText())),
                         colorLetters(skyrend::colorsOf(expected)));
            }
            const bool changed = !(box.coloredText() == before);
            f->w().menu_ShowTags->trigger();
            QVERIFY(f->w().IsDirty() || !changed);
            if (f->w().IsDirty())
                box.undo(); // the whole visit at once
            QVERIFY(box.coloredText() == before);
            QVERIFY(!f->w().IsDirty());
        }
    }

    void findAndTheColourFilterSeeTheTags()
    {
        f->open("#Top\r\nplain %Rred a%G green a\r\n");
        f->w().menu_ShowTags->trigger();
        TagView& view = *f->w().tagView;
        find::EditorFindSupport search(
            f->edit(), [this]() -> QPlainTextEdit& { return f->w().tagViews->current(); });
        setSelection(view, 0, 0);
        QCOMPARE(search.find(u"%R"_qs, {}, find::Direction::Forward, false).status,
                 find::FindOutcome::Found);
        QCOMPARE(view.textCursor().selectedText(), u"%R"_qs);
        find::FindOptions red;
        red.color = pal::R;
        setSelection(view, 0, 0);
        QCOMPARE(search.find(u"a"_qs, red, find::Direction::Forward, false).status,
                 find::FindOutcome::Found);
        QCOMPARE(restOfLine(*view.document(), view.textCursor().selectionStart()),
                 u"a%G green a"_qs);
        QCOMPARE(search.replaceAll(u"green"_qs, u"%Yyellow"_qs, {}, nullptr), 1);
        QCOMPARE(QString::fromStdU16String(f->edit().coloredText().text),
                 u"#Top\r\nplain red a yellow a"_qs);
        QCOMPARE(colorLetters(skyrend::colorsOf(f->edit().coloredText())).right(8), u"YYYYYYYY"_qs);
    }

    // Each character in the colour the reader gives it, a tag in the colour it switches to and
    // set apart on a ground of its own, a header line on its own ground.
    void theTagsAreColouredAsRead()
    {
        f->open("#Top %Rx\r\n%Gplain %Rred%%\r\n");
        f->w().menu_ShowTags->trigger();
        TagView& view = *f->w().tagView;
        view.colorAll();
        auto shown = [&](int line) {
            QString colors, grounds;
            const QTextBlock b = view.document()->findBlockByNumber(line);
            for (int k = 0; k < b.length() - 1; ++k)
                for (const auto& r : b.layout()->formats())
                    if (k >= r.start && k < r.start + r.length) {
                        colors += colorLetters({RichTextBox::colorOf(r.format)});
                        grounds += r.format.hasProperty(QTextFormat::BackgroundBrush)
                                       ? (r.format.background() == view.palette().base() ? u'?'
                                          : b.text().startsWith(u'#') && k == 0          ? u'h'
                                                                                         : u'x')
                                       : u'-';
                    }
            return colors + u'|' + grounds;
        };
        // A save writes no tag inside a header line; a tag typed there is read.
        QCOMPARE(view.document()->findBlockByNumber(0).text(), u"#Top x"_qs);
        QCOMPARE(shown(0).section(u'|', 0, 0), u"GGGGGG"_qs);
        QCOMPARE(shown(1), u"GGGGGGRRRRRR|------xx----"_qs);
        QTest::keyClick(&view, Qt::Key_Home);
        QTest::keyClick(&view, Qt::Key_End);
        setSelection(view, 5, 5);
        QTest::keyClicks(&view, u"%Y"_qs);
        view.colorAll();
        QCOMPARE(shown(0).section(u'|', 0, 0), u"GGGGGYYY"_qs);
        QVERIFY(!shown(0).section(u'|', 1).contains(u'-')); // the whole header line is marked
    }

    // The Pages panel moves the document's caret; the tags follow it, and the panel reads a
    // header line made among the tags.
    void pagesFollowTheTags()
    {
        f->open("#One\r\ntext\r\n#Two\r\nmore %Rred\r\n");
        f->w().menu_ShowTags->trigger();
        TagView& view = *f->w().tagView;
        panels::PagesPanel& pages = *f->w().sidePanels->pages;
        pages.goToBlock(2);
        QCOMPARE(view.textCursor().blockNumber(), 2);
        QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(&view, Qt::Key_Return);
        QTest::keyClicks(&view, u"#Three"_qs);
        f->w().sidePanels->refreshNow();
        QCOMPARE(pages.model().rowCount(), 3);
        QVERIFY(f->w().lblCaption->text().startsWith(u"#Three"_qs));
    }

    // Loading a file, or New, leaves the tags of the old document.
    void aNewDocumentLeavesTheTags()
    {
        f->open("#A\r\n%Rred\r\n");
        f->w().menu_ShowTags->trigger();
        QVERIFY(f->w().tagViews->isShown());
        f->w().menu_New_Click();
        QVERIFY(!f->w().tagViews->isShown());
        QVERIFY(!f->w().menu_ShowTags->isChecked());
        QVERIFY(f->edit().isVisible());
        f->w().menu_ShowTags->trigger();
        f->open("#B\r\n");
        QVERIFY(!f->w().tagViews->isShown());
        QCOMPARE(QString::fromStdU16String(f->edit().coloredText().text), u"#B"_qs);
    }

private:
    std::unique_ptr<WindowFixture> f;
};

QTEST_MAIN(tst_TagView)
#include "tst_tagview.moc"
