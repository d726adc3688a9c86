// SPDX-License-Identifier: MIT
// The edit box's events: the edited mark, typed colour tags, the page header in the status
// label, and the Colors pop-up.

#include "editor/frmMain.h"

#include "document/Palette.h"

#include <QMenu>

#include <functional>

namespace {

const QString kNoHeader = QStringLiteral(
    "Error: You must have at least 1 header line (ie: #Welcome to My Zone (F1 For More "
    "Information))");

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
           key == Qt::Key_Meta || key == Qt::Key_AltGr;
}

} // namespace

void frmMain::rEdit_Change()
{
    // Loading and New fill the box without it being an edit; whether the text differs from its
    // file is the session's to say.
    if (!session_ || session_->isQuiet())
        return;
    closeApproved_ = false; // an approval to close was for the document before this edit
}

void frmMain::rEdit_KeyDown(int key, Qt::KeyboardModifiers)
{
    // Pure white or black come from outside the palette; typing goes on in the palette's White.
    const auto color = rEdit->SelColor();
    if (color && (*color == 0x00FFFFFFu || *color == 0x00000000u))
        rEdit->setSelColor(skyrend::ColorValues[skyrend::White]);

    if (key == Qt::Key_Escape)
        session_->requestAbort();
}

void frmMain::showPageHeader()
{
    if (rEdit->TextLength() == 0)
        return;
    // The page the caret is in: the last line before the caret that starts with '#'. At the very
    // start of the text, the first line.
    const qsizetype s = rEdit->SelStart();
    const std::optional<qsizetype> header = s > 0 ? rEdit->headerLineBefore(s) : qsizetype(0);
    if (!header) {
        lblCaption->setText(kNoHeader);
        return;
    }
    lblCaption->setText(rEdit->lineFrom(*header));
}

QString frmMain::GetTagColor(const QString& letter) const
{
    if (letter.size() == 1)
        if (const auto color = skyrend::tagColor(u'%', letter[0].unicode()))
            return QString::number(*color);
    return QStringLiteral("null");
}

void frmMain::rEdit_KeyUp(int key, Qt::KeyboardModifiers shift)
{
    // Releasing a modifier, or a key of a shortcut (Ctrl+Z), is no typing: an undo that brings
    // back a "%" and a letter must not turn them into a tag again, even when Ctrl is let go
    // before the Z.
    if (rEdit->releaseEndsShortcut(key) || isModifierKey(key) ||
        (shift & (Qt::ControlModifier | Qt::AltModifier)))
        return;
    // A tag typed was taken when its letter was typed; while nothing moved since, what stands
    // before the caret is older text, whichever key is let go now.
    if (typedTag_.revision == rEdit->document()->revision() &&
        typedTag_.position == rEdit->textCursor().position())
        return;
    typedTag_ = {};
    const bool letterKey = key >= Qt::Key_A && key <= Qt::Key_Z;
    takeTagBeforeCaret([&](QChar letter) { return letterKey && letter.toUpper() == QChar(key); });
}

void frmMain::rEdit_TextTyped(int, const QString& text)
{
    // A fast typist presses the next key before letting go of the tag letter: the tag is taken
    // as soon as its letter is in the text.
    if (text.size() == 1 &&
        takeTagBeforeCaret([&](QChar letter) { return letter == text.front(); }))
        typedTag_ = {rEdit->document()->revision(), rEdit->textCursor().position()};
}

bool frmMain::takeTagBeforeCaret(const std::function<bool(QChar)>& justTyped)
{
    const qsizetype s = rEdit->SelStart();
    if (s < 2)
        return false;
    const QChar letter = rEdit->charAt(s - 1);
    const auto color = skyrend::tagColor(rEdit->charAt(s - 2).unicode(), letter.unicode());
    if (!color)
        return false;
    // When the letter was just typed, removing the pair joins the typing's undo step, so one
    // undo goes back to the text before the "%".
    rEdit->setSelStart(s - 2);
    rEdit->setSelLength(2);
    rEdit->setSelText(QString(), justTyped(letter) ? RichTextBox::JoinPreviousUndoStep
                                                   : RichTextBox::NewUndoStep);
    rEdit->setSelColor(*color);
    return true;
}

void frmMain::rEdit_MouseDown(int button, Qt::KeyboardModifiers, int x, int y)
{
    if (button == 1) // the click has moved the caret
        showPageHeader();
    const qsizetype n = rEdit->SelLength();
    const QString label = lblCaption->text();
    if (n > 0 && n <= label.size() && rEdit->TextLength() > 0 &&
        rEdit->SelText().compare(label.left(n), Qt::CaseInsensitive) == 0) {
        lblCaption->setText(QStringLiteral("Coloring This Line Makes No Difference."));
        return;
    }
    if (button == 2 && menu_Colors->menuAction()->isEnabled()) {
        const QPoint at(twipsToPixels(x, rEdit->logicalDpiX()),
                        twipsToPixels(y, rEdit->logicalDpiY()));
        menu_Colors->popup(rEdit->mapToGlobal(at));
    }
}
