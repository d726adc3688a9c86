// The edit box's clipboard, drag and drop: copies inside the editor keep their colours.

#include "editor/RichTextBox.h"

#include <QDataStream>
#include <QMimeData>

using skyrend::ColorRef;

namespace {

// Copies inside the editor keep their colours through this format; anything else pastes as
// plain text in the typing colour.
const QString kRunsMime = QStringLiteral("application/x-skyrend-f1-colored-text");
constexpr quint32 kRunsMimeVersion = 1;

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
            keepSavedColors();
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
    keepSavedColors();
}
