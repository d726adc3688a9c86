// SPDX-License-Identifier: MIT
// The edit box's clipboard, drag and drop: copies inside the editor keep their colours, text
// from other programs is read by the file's tags.

#include "editor/RichTextBox.h"

#include "document/HelpExport.h"

#include <QClipboard>
#include <QDataStream>
#include <QGuiApplication>
#include <QMimeData>

using skyrend::ColorRef;

namespace {

// Copies inside the editor keep their colours through this format; text from anywhere else is
// read as tagged text.
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
    // For programs that take coloured text; a paste in the editor reads its own format instead.
    const std::string html = skyrend::htmlFragment(selectedColoredText());
    data->setHtml(QString::fromUtf8(html.data(), qsizetype(html.size())));
    return data;
}

bool RichTextBox::canInsertFromMimeData(const QMimeData* source) const
{
    return source->hasFormat(kRunsMime) || source->hasText();
}

void RichTextBox::insertFromMimeData(const QMimeData* source)
{
    const ColorRef typing = colorOf(textCursor().charFormat());
    if (source->hasFormat(kRunsMime)) {
        QDataStream in(source->data(kRunsMime));
        quint32 version = 0, count = 0;
        QString text;
        in >> version >> text >> count;
        skyrend::ColoredText doc;
        doc.text = text.toStdU16String();
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
            skyrend::appendRun(doc.runs, length,
                               skyrend::paletteRowOfColor(color) ? ColorRef(color) : typing);
            used += length;
        }
        if (ok && used == text.size()) {
            insertColored(doc);
            return;
        }
    }
    // Never the HTML a copy also offers: other programs' text is the file's tagged form.
    if (!source->hasText())
        return;
    insertColored(skyrend::decodePastedText(source->text().toStdU16String(), typing));
}

void RichTextBox::insertColored(const skyrend::ColoredText& doc)
{
    QTextCursor c = textCursor();
    c.beginEditBlock();
    c.removeSelectedText();
    std::size_t used = 0;
    for (const skyrend::ColorRun& run : doc.runs) {
        const QString piece = QString::fromUtf16(doc.text.data() + used, qsizetype(run.length));
        c.insertText(toQtLineBreaks(piece), formatFor(run.color));
        used += run.length;
    }
    c.endEditBlock();
    setTextCursor(c);
    ensureCursorVisible();
    keepSavedColors();
}

skyrend::ColoredText RichTextBox::selectedColoredText() const
{
    const QTextCursor c = textCursor();
    QString text;
    QList<QPair<int, ColorRef>> runs;
    readRange(c.selectionStart(), c.selectionEnd(), text, runs);
    skyrend::ColoredText out;
    out.text.reserve(std::size_t(text.size() + text.count(QLatin1Char('\n'))));
    qsizetype used = 0;
    for (const auto& [length, color] : runs) {
        const std::size_t before = out.text.size();
        for (const QChar ch : QStringView(text).mid(used, length)) {
            if (ch == QLatin1Char('\n'))
                out.text.append(u"\r\n");
            else
                out.text.push_back(ch.unicode());
        }
        skyrend::appendRun(out.runs, out.text.size() - before, color);
        used += length;
    }
    return out;
}

void RichTextBox::copyWithTags()
{
    if (!textCursor().hasSelection())
        return;
    auto* data = new QMimeData;
    data->setText(QString::fromStdU16String(skyrend::encodeCopiedText(selectedColoredText())));
    QGuiApplication::clipboard()->setMimeData(data);
}

void RichTextBox::pasteAsPlainText()
{
    const QMimeData* source = QGuiApplication::clipboard()->mimeData();
    if (isReadOnly() || !source || !source->hasText())
        return;
    QTextCursor c = textCursor();
    c.beginEditBlock();
    insertPlain(c, source->text());
    c.endEditBlock();
    setTextCursor(c);
    ensureCursorVisible();
    keepSavedColors();
}
