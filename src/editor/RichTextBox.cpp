// SPDX-License-Identifier: MIT

#include "editor/RichTextBox.h"

#include "document/Cp1252.h"
#include "document/FileLimits.h"
#include "editor/BoxLines.h"
#include "editor/SavedColorKeeper.h"

#include <QAbstractTextDocumentLayout>
#include <QDataStream>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>

#include <climits>

using skyrend::ColorRef;

namespace {

// Walks [from, to) of the document (Qt positions) from block `b` on: visit(piece, colour) for
// each stretch of one fragment, visit(QStringView(), colour) for each line break, whose colour is
// the char format of the block after it. Stops when visit returns false.
template <class Visit> void visitPieces(QTextBlock b, int from, int to, Visit&& visit)
{
    for (; b.isValid(); b = b.next()) {
        const int blockStart = b.position(); // positions cost a tree walk: once each
        if (blockStart >= to)
            return;
        const QString text = b.text();
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const int fragmentStart = f.position();
            const int start = qMax(fragmentStart, from);
            const int end = qMin(fragmentStart + f.length(), to);
            if (start < end && !visit(QStringView(text).mid(start - blockStart, end - start),
                                      RichTextBox::colorOf(f.charFormat())))
                return;
        }
        const QTextBlock next = b.next();
        const int separator = blockStart + b.length() - 1;
        if (next.isValid() && separator >= from && separator < to &&
            !visit(QStringView(), RichTextBox::colorOf(next.charFormat())))
            return;
    }
}

bool isQtBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator ||
           c == QChar::LineSeparator;
}

} // namespace

QColor toQColor(ColorRef color)
{
    return QColor(int(skyrend::redOf(color)), int(skyrend::greenOf(color)),
                  int(skyrend::blueOf(color)));
}

int twipsToPixels(int twips, int dpi)
{
    return int((qint64(twips) * dpi + 720) / 1440);
}
int pixelsToTwips(int pixels, int dpi)
{
    return dpi > 0 ? int(qint64(pixels) * 1440 / dpi) : 0;
}

QString toQtLineBreaks(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            continue; // the LF that follows makes the one break
        if (isQtBreak(c))
            out += QLatin1Char('\n');
        else if (c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1)
            out += QChar::ReplacementCharacter; // Qt would turn these frame marks into breaks
        else
            out += c;
    }
    return out;
}

RichTextBox::RichTextBox(QWidget* parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setLineWidth(1);
    setAcceptDrops(true);
    connect(document(), &QTextDocument::contentsChange, this, [this](int position, int, int) {
        forgetHeadersFrom(position);
        emit Change();
    });
    keeper_ = new SavedColorKeeper(*this);
    lines_ = new BoxLines(*this);
}

void RichTextBox::keepSavedColors()
{
    keeper_->settle();
}

namespace {

// A key that types text, which the box inserts itself (Qt would leave it out of the undo
// step of the recolouring it needs).
bool typesText(const QKeyEvent* key)
{
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier) || key->text().isEmpty())
        return false;
    for (const QChar c : key->text())
        if (!c.isPrint() && c != QLatin1Char('\t'))
            return false;
    return true;
}

} // namespace

bool RichTextBox::event(QEvent* event)
{
    const QEvent::Type type = event->type();
    const auto* key = type == QEvent::KeyPress || type == QEvent::ShortcutOverride
                          ? static_cast<QKeyEvent*>(event)
                          : nullptr;
    if (key) {
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            shortcutKeys_.insert(key->key());
        else if (type == QEvent::KeyPress && !key->isAutoRepeat())
            shortcutKeys_.remove(key->key());
    }
    // Whatever an event did to the text (typing, undo, paste, a drop) is done when it returns.
    const bool handled = QPlainTextEdit::event(event);
    if (keeper_)
        keeper_->settle();
    if (type == QEvent::KeyPress)
        emit KeyDone(key->key(), key->modifiers());
    return handled;
}

bool RichTextBox::viewportEvent(QEvent* event)
{
    const bool handled = QPlainTextEdit::viewportEvent(event);
    if (keeper_)
        keeper_->settle();
    return handled;
}

bool RichTextBox::releaseEndsShortcut(int key)
{
    return shortcutKeys_.remove(key);
}

// ---------------------------------------------------------------------------------------------
// Offsets

RichTextBox::BlockSpan RichTextBox::blockAtOffset(qsizetype offset) const
{
    const QTextDocument* doc = document();
    // A block's first offset is its Qt position plus the block number (one extra character for
    // every line break before it). Binary search for the last block starting at or before offset.
    int lo = 0;
    int hi = doc->findBlock(int(qMin<qsizetype>(offset, doc->characterCount() - 1))).blockNumber();
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        const QTextBlock b = doc->findBlockByNumber(mid);
        if (qsizetype(b.position()) + mid <= offset)
            lo = mid;
        else
            hi = mid - 1;
    }
    const QTextBlock block = doc->findBlockByNumber(lo);
    return {block, qsizetype(block.position()) + lo};
}

int RichTextBox::positionOf(qsizetype offset) const
{
    offset = qBound<qsizetype>(0, offset, TextLength());
    const BlockSpan span = blockAtOffset(offset);
    const qsizetype local = offset - span.startOffset;
    const int textLength = span.block.length() - 1;
    // Between CR and LF: the end of the pair, which is where the next block starts.
    return span.block.position() + int(qMin<qsizetype>(local, textLength + 1));
}

qsizetype RichTextBox::offsetOf(int position) const
{
    return qsizetype(position) + document()->findBlock(position).blockNumber();
}

qsizetype RichTextBox::TextLength() const
{
    const QTextDocument* doc = document();
    return qsizetype(doc->characterCount()) - 1 + doc->blockCount() - 1;
}

QChar RichTextBox::charAt(qsizetype offset) const
{
    if (offset < 0 || offset >= TextLength())
        return {};
    const BlockSpan span = blockAtOffset(offset);
    const qsizetype local = offset - span.startOffset;
    const int textLength = span.block.length() - 1;
    if (local < textLength)
        return document()->characterAt(span.block.position() + int(local));
    return local == textLength ? QLatin1Char('\r') : QLatin1Char('\n');
}

// ---------------------------------------------------------------------------------------------
// Content

QString RichTextBox::Text() const
{
    QString out;
    out.reserve(TextLength());
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        if (b != document()->begin())
            out += QLatin1String("\r\n");
        out += b.text();
    }
    return out;
}

void RichTextBox::setText(const QString& text)
{
    QTextDocument* doc = document();
    const QTextCharFormat typing = formatFor(colorOf(textCursor().charFormat()));
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false); // also forgets the old history
    doc->clear();                   // far cheaper than deleting the text block by block
    QTextCursor c(doc);
    c.beginEditBlock();
    c.setBlockCharFormat(typing);
    c.insertText(toQtLineBreaks(text), typing);
    c.endEditBlock();
    keeper_->settle();
    doc->setUndoRedoEnabled(undo);
    c.setPosition(0);
    c.setCharFormat(typing);
    setTextCursor(c);
}

bool RichTextBox::LoadFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const std::string_view view(bytes.constData(), std::size_t(bytes.size()));
    if (const auto found = skyrend::firstOverlongLine(view)) {
        if (error)
            *error = QString::fromStdString(skyrend::overlongLineSentence(*found));
        return false;
    }
    const std::u16string text = skyrend::decodeCp1252(view);
    setText(QString::fromStdU16String(text));
    return true;
}

// ---------------------------------------------------------------------------------------------
// Selection

qsizetype RichTextBox::SelStart() const
{
    return offsetOf(textCursor().selectionStart());
}

void RichTextBox::setSelStart(qsizetype offset)
{
    QTextCursor c = textCursor();
    c.setPosition(positionOf(offset));
    setTextCursor(c);
}

qsizetype RichTextBox::SelLength() const
{
    const QTextCursor c = textCursor();
    return offsetOf(c.selectionEnd()) - offsetOf(c.selectionStart());
}

void RichTextBox::setSelLength(qsizetype length)
{
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    const qsizetype startOffset = offsetOf(start);
    c.setPosition(start);
    c.setPosition(positionOf(startOffset + qMax<qsizetype>(0, length)), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString RichTextBox::SelText() const
{
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    return text;
}

void RichTextBox::setSelText(const QString& text, UndoStep step)
{
    QTextCursor c = textCursor();
    if (step == JoinPreviousUndoStep)
        c.joinPreviousEditBlock();
    else
        c.beginEditBlock();
    insertPlain(c, text);
    c.endEditBlock();
    setTextCursor(c);
    keeper_->settle();
}

void RichTextBox::insertPlain(QTextCursor& cursor, const QString& text)
{
    // The typing colour, and nothing else of whatever format the caret reports.
    cursor.insertText(toQtLineBreaks(text), formatFor(colorOf(cursor.charFormat())));
}

// ---------------------------------------------------------------------------------------------
// Colours

ColorRef RichTextBox::colorOf(const QTextCharFormat& format)
{
    if (!format.hasProperty(QTextFormat::ForegroundBrush))
        return skyrend::ColorValues[skyrend::White];
    const QColor c = format.foreground().color();
    return skyrend::rgb(unsigned(c.red()), unsigned(c.green()), unsigned(c.blue()));
}

QTextCharFormat RichTextBox::formatFor(ColorRef color) const
{
    auto it = formats_.find(color);
    if (it == formats_.end()) {
        QTextCharFormat f;
        f.setForeground(toQColor(color));
        it = formats_.insert(color, f);
    }
    return *it;
}

std::optional<ColorRef> RichTextBox::uniformColor(int from, int to) const
{
    std::optional<ColorRef> seen;
    bool mixed = false;
    visitPieces(document()->findBlock(from), from, to, [&](QStringView, ColorRef c) {
        if (!seen)
            seen = c;
        mixed = *seen != c;
        return !mixed;
    });
    return mixed ? std::nullopt : seen;
}

std::optional<ColorRef> RichTextBox::SelColor() const
{
    const QTextCursor c = textCursor();
    if (!c.hasSelection())
        return colorOf(c.charFormat());
    return uniformColor(c.selectionStart(), c.selectionEnd());
}

void RichTextBox::setSelColor(ColorRef color)
{
    QTextCursor c = textCursor();
    c.setCharFormat(formatFor(color)); // with nothing selected: the typing colour
    setTextCursor(c);
    keeper_->settle();
}

bool RichTextBox::setSelColor(const QString& decimal)
{
    bool ok = false;
    const qlonglong value = decimal.trimmed().toLongLong(&ok);
    if (!ok || value < 0 || value > 0xFFFFFF)
        return false;
    setSelColor(ColorRef(value));
    return true;
}

// ---------------------------------------------------------------------------------------------
// Header lines

std::optional<qsizetype> RichTextBox::headerLineBefore(qsizetype offset) const
{
    if (offset <= 0)
        return std::nullopt;
    const QTextBlock from = blockAtOffset(qMin(offset, TextLength()) - 1).block;
    // Walk back to the nearest header line; a stretch known to hold none is jumped over, so
    // typing far below the last header (or in a file without one) costs no walk per key.
    std::optional<int> found;
    bool done = false;
    for (QTextBlock b = from; b.isValid() && !done; b = b.previous()) {
        if (headerMemo_.valid && b.position() > headerMemo_.header &&
            b.position() < headerMemo_.headerFreeTo) {
            if (headerMemo_.header >= 0)
                found = headerMemo_.header;
            done = true;
        } else if (b.length() > 1 &&
                   skyrend::opensHeaderLine(document()->characterAt(b.position()).unicode())) {
            found = b.position();
            done = true;
        }
    }
    headerMemo_ = {true, found.value_or(-1), from.position() + from.length()};
    if (!found)
        return std::nullopt;
    return offsetOf(*found);
}

void RichTextBox::forgetHeadersFrom(int position)
{
    if (!headerMemo_.valid)
        return;
    if (position <= headerMemo_.header)
        headerMemo_.valid = false;
    else if (position < headerMemo_.headerFreeTo)
        headerMemo_.headerFreeTo = document()->findBlock(position).position();
}

bool RichTextBox::selectionInHeaderLines() const
{
    const QTextCursor c = textCursor();
    if (!c.hasSelection())
        return false;
    const QTextBlock first = document()->findBlock(c.selectionStart());
    // A selection that ends where a line starts holds nothing of that line.
    for (QTextBlock b = first; b.isValid() && (b == first || b.position() < c.selectionEnd());
         b = b.next())
        if (b.length() <= 1 ||
            !skyrend::opensHeaderLine(document()->characterAt(b.position()).unicode()))
            return false;
    return true;
}

QString RichTextBox::lineFrom(qsizetype offset) const
{
    const BlockSpan span = blockAtOffset(offset);
    QString line = span.block.text().mid(offset - span.startOffset);
    if (span.block.next().isValid())
        line += QLatin1String("\r\n");
    return line;
}

// ---------------------------------------------------------------------------------------------
// Keys and mouse

void RichTextBox::keyPressEvent(QKeyEvent* event)
{
    emit KeyDown(event->key(), event->modifiers());

    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Y && mods == Qt::ControlModifier) ||
        (event->key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier))) {
        redo();
        event->accept();
        return;
    }
    if (mods == (Qt::ControlModifier | Qt::ShiftModifier) &&
        (event->key() == Qt::Key_C || event->key() == Qt::Key_V)) {
        // The Edit menu's Copy with Tags and Paste as Plain Text, which only show these keys.
        if (event->key() == Qt::Key_C)
            copyWithTags();
        else
            pasteAsPlainText();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::InsertLineSeparator)) {
        // The help file knows one kind of line break; Shift+Enter makes the same as Enter.
        QKeyEvent plain(event->type(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QPlainTextEdit::keyPressEvent(&plain);
        event->setAccepted(plain.isAccepted());
        return;
    }
    const QString text = event->text();
    if (typesText(event) && !overwriteMode()) {
        // Typed text and the recolouring it needs are one undo step, joined to the text typed
        // right before it as Qt's own typing does. A typed '%' starts a step of its own, which
        // a tag letter typed next joins; so an undo right after a typed tag goes back to the
        // text before the '%'.
        QTextCursor c = textCursor();
        const bool join =
            text != QLatin1String("%") && !c.hasSelection() && c.position() == typedEnd_ &&
            document()->availableUndoSteps() == typedSteps_ && document()->isModified();
        if (join)
            c.joinPreviousEditBlock();
        else
            c.beginEditBlock();
        insertPlain(c, text);
        c.endEditBlock();
        setTextCursor(c);
        keeper_->settle();
        ensureCursorVisible();
        typedEnd_ = textCursor().position();
        typedSteps_ = document()->availableUndoSteps();
        event->accept();
        emit TextTyped(event->key(), text);
        return;
    }
    if (text.contains(QChar::LineSeparator)) {
        QTextCursor c = textCursor();
        insertPlain(c, text);
        setTextCursor(c);
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void RichTextBox::keyReleaseEvent(QKeyEvent* event)
{
    QPlainTextEdit::keyReleaseEvent(event);
    emit KeyUp(event->key(), event->modifiers());
}

void RichTextBox::mousePressEvent(QMouseEvent* event)
{
    QPlainTextEdit::mousePressEvent(event);
    int button = 0;
    switch (event->button()) {
    case Qt::LeftButton:
        button = 1;
        break;
    case Qt::RightButton:
        button = 2;
        break;
    case Qt::MiddleButton:
        button = 4;
        break;
    default:
        return;
    }
    const QPoint p = event->position().toPoint() + viewport()->geometry().topLeft();
    emit MouseDown(button, event->modifiers(), pixelsToTwips(p.x(), logicalDpiX()),
                   pixelsToTwips(p.y(), logicalDpiY()));
}

void RichTextBox::contextMenuEvent(QContextMenuEvent* event)
{
    // A right click is answered through MouseDown; the menu key opens the same menu at the caret.
    if (event->reason() == QContextMenuEvent::Keyboard)
        emit menuKeyPressed(viewport()->mapToGlobal(cursorRect().bottomLeft()));
    event->accept();
}

void RichTextBox::inputMethodEvent(QInputMethodEvent* event)
{
    if (event->commitString().contains(QChar::LineSeparator)) {
        QInputMethodEvent normalized(event->preeditString(), event->attributes());
        normalized.setCommitString(toQtLineBreaks(event->commitString()), event->replacementStart(),
                                   event->replacementLength());
        QPlainTextEdit::inputMethodEvent(&normalized);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Reading a range

void RichTextBox::readRange(int from, int to, QString& text,
                            QList<QPair<int, ColorRef>>& runs) const
{
    visitPieces(document()->findBlock(from), from, to, [&](QStringView piece, ColorRef color) {
        if (piece.isNull())
            piece = u"\n";
        text += piece;
        if (!runs.isEmpty() && runs.back().second == color)
            runs.back().first += int(piece.size());
        else
            runs.append({int(piece.size()), color});
        return true;
    });
}
