#include "editor/RichTextBox.h"

#include "document/Cp1252.h"

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

// Copies inside the editor keep their colours through this format; anything else pastes as
// plain text in the typing colour.
const QString kRunsMime = QStringLiteral("application/x-skyrend-f1-colored-text");
constexpr quint32 kRunsMimeVersion = 1;

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
    const std::u16string text =
        skyrend::decodeCp1252(std::string_view(bytes.constData(), std::size_t(bytes.size())));
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
// Whole-document reads

skyrend::ColoredText RichTextBox::coloredText() const
{
    ColoredRead read(*this);
    read.readUntil(QDeadlineTimer(QDeadlineTimer::Forever));
    return read.take();
}

RichTextBox::ColoredRead::ColoredRead(const RichTextBox& box)
    : raw_(box.document()->toRawText()), formats_(box.document()->allFormats()),
      colors_(std::size_t(formats_.size())), block_(box.document()->begin())
{
    out_.text.reserve(std::size_t(box.TextLength()));
}

ColorRef RichTextBox::ColoredRead::colorOfFormat(int index)
{
    if (index < 0 || index >= formats_.size())
        return colorOf(QTextCharFormat());
    auto& color = colors_[std::size_t(index)];
    if (!color)
        color = colorOf(formats_[index].toCharFormat());
    return *color;
}

void RichTextBox::ColoredRead::readUntil(const QDeadlineTimer& deadline)
{
    // Fragments come in document order, so the text is sliced from the raw copy by their
    // lengths; a fragment's position would cost a tree walk each.
    const auto* raw = reinterpret_cast<const char16_t*>(raw_.utf16());
    auto append = [this](const char16_t* data, std::size_t length, ColorRef color) {
        out_.text.append(data, length);
        skyrend::appendRun(out_.runs, length, color);
    };
    int count = 0;
    while (block_.isValid()) {
        for (auto it = block_.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const auto length = std::size_t(f.length());
            append(raw + position_, length, colorOfFormat(f.charFormatIndex()));
            position_ += qsizetype(length);
        }
        const QTextBlock next = block_.next();
        if (next.isValid()) {
            append(u"\r\n", 2, colorOfFormat(next.charFormatIndex()));
            ++position_; // one block separator
        }
        block_ = next;
        if ((++count & 63) == 0 && deadline.hasExpired())
            break;
    }
}

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
        } else if (b.length() > 1 && document()->characterAt(b.position()) == QLatin1Char('#')) {
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

QString RichTextBox::lineFrom(qsizetype offset) const
{
    const BlockSpan span = blockAtOffset(offset);
    QString line = span.block.text().mid(offset - span.startOffset);
    if (span.block.next().isValid())
        line += QLatin1String("\r\n");
    return line;
}

// ---------------------------------------------------------------------------------------------
// Loading a decoded document

RichTextBox::ColoredLoad::ColoredLoad(RichTextBox& box, const skyrend::ColoredText& doc,
                                      ColorRef interim)
    : box_(box), doc_(doc), interim_(interim), cursor_(box.document()),
      undoWasEnabled_(box.document()->isUndoRedoEnabled())
{
    // A load is not an edit anyone could undo; switching undo off also forgets the history.
    box.document()->setUndoRedoEnabled(false);
    box.document()->clear();
}

RichTextBox::ColoredLoad::~ColoredLoad()
{
    box_.document()->setUndoRedoEnabled(undoWasEnabled_);
}

std::size_t RichTextBox::ColoredLoad::colorUntil(const QDeadlineTimer& deadline)
{
    // One edit block per slice: Qt lays the text out once, when the block ends.
    cursor_.beginEditBlock();
    while (run_ < doc_.runs.size()) {
        const skyrend::ColorRun& run = doc_.runs[run_];
        const auto* data = reinterpret_cast<const QChar*>(doc_.text.data() + offset_);
        if (!restShown_) {
            // Appending each run in its colour is the cheapest way to a coloured document. A
            // line break is one character in the box: a run that ends between CR and LF gives
            // the pair its colour (the LF is skipped when the next run starts).
            const std::size_t from = skipLineFeed_ ? 1 : 0;
            std::size_t length = run.length;
            skipLineFeed_ = false;
            if (data[length - 1] == QLatin1Char('\r') && offset_ + length < doc_.text.size() &&
                doc_.text[offset_ + length] == u'\n') {
                skipLineFeed_ = true;
                ++length; // take the LF along
            }
            if (length > from)
                cursor_.insertText(QString::fromRawData(data + from, qsizetype(length - from)),
                                   box_.formatFor(run.color));
        } else {
            // The rest stands in the box in the interim colour: colour it in place, so each
            // slice costs its own runs only.
            int length = int(run.length);
            for (std::size_t i = 0; i < run.length; ++i)
                if (data[i] == QLatin1Char('\n'))
                    --length; // "\r\n" is one block separator
            if (run.color != interim_) {
                cursor_.setPosition(position_);
                cursor_.setPosition(position_ + length, QTextCursor::KeepAnchor);
                cursor_.setCharFormat(box_.formatFor(run.color));
            }
            position_ += length;
        }
        offset_ += run.length;
        ++run_;
        if ((run_ & 31) == 0 && deadline.hasExpired())
            break;
    }
    cursor_.endEditBlock();
    return offset_;
}

void RichTextBox::ColoredLoad::showRest()
{
    if (restShown_ || done())
        return;
    cursor_.movePosition(QTextCursor::End);
    position_ = cursor_.position();
    const std::size_t from = offset_ + (skipLineFeed_ ? 1 : 0); // that LF is in the box already
    const auto* data = reinterpret_cast<const QChar*>(doc_.text.data() + from);
    cursor_.insertText(QString::fromRawData(data, qsizetype(doc_.text.size() - from)),
                       box_.formatFor(interim_));
    restShown_ = true;
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
    if (event->matches(QKeySequence::InsertLineSeparator)) {
        // The help file knows one kind of line break; Shift+Enter makes the same as Enter.
        QKeyEvent plain(event->type(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QPlainTextEdit::keyPressEvent(&plain);
        event->setAccepted(plain.isAccepted());
        return;
    }
    const QString text = event->text();
    if (text == QLatin1String("%") && !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        // A typed '%' opens an undo step of its own, which the tag letter typed next joins;
        // so an undo right after a typed tag goes back to the text before the '%'.
        QTextCursor c = textCursor();
        c.beginEditBlock();
        insertPlain(c, text);
        c.endEditBlock();
        setTextCursor(c);
        ensureCursorVisible();
        event->accept();
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
// Clipboard and drag and drop

namespace {
bool hasLocalFiles(const QMimeData* data)
{
    if (!data->hasUrls())
        return false;
    for (const QUrl& url : data->urls())
        if (!url.isLocalFile())
            return false;
    return !data->urls().isEmpty();
}
} // namespace

void RichTextBox::dragEnterEvent(QDragEnterEvent* event)
{
    if (hasLocalFiles(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    QPlainTextEdit::dragEnterEvent(event);
}

void RichTextBox::dragMoveEvent(QDragMoveEvent* event)
{
    if (hasLocalFiles(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    QPlainTextEdit::dragMoveEvent(event);
}

void RichTextBox::dropEvent(QDropEvent* event)
{
    if (hasLocalFiles(event->mimeData())) {
        event->acceptProposedAction();
        emit filesDropped(event->mimeData()->urls());
        return;
    }
    QPlainTextEdit::dropEvent(event);
}

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

QMimeData* RichTextBox::createMimeDataFromSelection() const
{
    const QTextCursor c = textCursor();
    QString text;
    QList<QPair<int, ColorRef>> runs;
    readRange(c.selectionStart(), c.selectionEnd(), text, runs);

    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out << kRunsMimeVersion << text << quint32(runs.size());
    for (const auto& [length, color] : runs)
        out << quint32(length) << quint32(color);

    auto* data = new QMimeData;
    data->setText(text);
    data->setData(kRunsMime, payload);
    return data;
}

bool RichTextBox::canInsertFromMimeData(const QMimeData* source) const
{
    return source->hasFormat(kRunsMime) || source->hasText();
}

void RichTextBox::insertFromMimeData(const QMimeData* source)
{
    QTextCursor c = textCursor();
    if (source->hasFormat(kRunsMime)) {
        QDataStream in(source->data(kRunsMime));
        quint32 version = 0, count = 0;
        QString text;
        in >> version >> text >> count;
        QList<QPair<QString, ColorRef>> pieces;
        qsizetype used = 0;
        bool ok = in.status() == QDataStream::Ok && version == kRunsMimeVersion &&
                  count <= quint32(text.size());
        for (quint32 i = 0; ok && i < count; ++i) {
            quint32 length = 0, color = 0;
            in >> length >> color;
            ok = in.status() == QDataStream::Ok && length > 0 && length <= text.size() - used;
            if (!ok)
                break;
            // Only the document's own colours come in; anything else takes the typing colour.
            const ColorRef colour =
                skyrend::paletteRowOfColor(color) ? ColorRef(color) : colorOf(c.charFormat());
            pieces.append({text.mid(used, length), colour});
            used += length;
        }
        if (ok && used == text.size()) {
            c.beginEditBlock();
            c.removeSelectedText();
            for (const auto& [piece, color] : pieces)
                c.insertText(toQtLineBreaks(piece), formatFor(color));
            c.endEditBlock();
            setTextCursor(c);
            ensureCursorVisible();
            return;
        }
    }
    if (!source->hasText())
        return;
    c.beginEditBlock();
    insertPlain(c, source->text());
    c.endEditBlock();
    setTextCursor(c);
    ensureCursorVisible();
}
