// Save: the coloured document back into tagged text, written over the document's file.

#include "editor/frmMain.h"

#include "document/Cp1252.h"
#include "document/HelpFormat.h"
#include "platform/RedrawLock.h"

#include <QLocale>
#include <QSaveFile>

namespace {

// The character at `index` as the user sees it (a surrogate pair is one character).
QString characterAt(const std::u16string& text, std::size_t index)
{
    const auto* data = reinterpret_cast<const QChar*>(text.data());
    if (QChar::isHighSurrogate(text[index]) && index + 1 < text.size() &&
        QChar::isLowSurrogate(text[index + 1]))
        return QString(data + index, 2);
    return QString(data[index]);
}

} // namespace

QString frmMain::savedPercent(double percent)
{
    return QLocale::system().toString(percent, 'g', 15);
}

bool frmMain::menu_Save_Click()
{
    if (isBusy())
        return false;
    if (CurrentFile.isEmpty() || DocTitle.isEmpty())
        return menu_SaveAs_Click();
    if (!mayOverwrite(CurrentFile))
        return false;

    if (!rEdit->headerLineBefore(rEdit->TextLength())) {
        platform::showMessage(
            desktop_, this,
            QStringLiteral("Suggestion: It is common practice to have at least 1 header line in "
                           "each Commands.hlp file. Line 1 should read:\r\n"
                           "# <title> (F1 for more options)"),
            QStringLiteral("Information"), platform::Icon::Information);
    }

    const QString path = CurrentFile;
    const QString fileLabel = QStringLiteral("File [") + path + QStringLiteral("] ");
    menu_Save->setEnabled(false);
    const qsizetype caret = rEdit->SelStart();
    AbortFlag = 0;

    // The walk: read the document's text and colours, in slices, showing progress.
    skyrend::ColoredText doc;
    {
        BusyScope busy(*this, Activity::Saving);
        platform::RedrawLock lock(rEdit);
        const double total = double(rEdit->TextLength());
        RichTextBox::ColoredRead read(*rEdit);
        while (!read.done()) {
            read.readUntil(QDeadlineTimer(SliceMilliseconds));
            const double done = double(read.result().text.size());
            if (done > 0)
                lblCaption->setText(fileLabel + savedPercent(done / total * 100) +
                                    QStringLiteral("% Saved."));
            if (!read.done())
                desktop_.yield();
        }
        doc = read.take();
    }
    rEdit->setSelStart(caret);

    auto notSaved = [&] {
        lblCaption->setText(fileLabel + QStringLiteral("NOT saved."));
        setDirty(true);
        return false;
    };

    // A character the game's code page has no byte for would turn into something else.
    if (const auto bad = skyrend::firstUnencodableCp1252(doc.text)) {
        const skyrend::LineColumn at = skyrend::lineColumnOf(doc.text, *bad);
        platform::showMessage(desktop_, this,
                              QStringLiteral("The character '%1' at line %2, column %3 cannot be "
                                             "written to a help file. Nothing was saved.")
                                  .arg(characterAt(doc.text, *bad))
                                  .arg(at.line)
                                  .arg(at.column),
                              QStringLiteral("Save Failed"), platform::Icon::Critical);
        return notSaved();
    }

    const std::u16string encoded = skyrend::encodeHelpText(doc);

    // The format has no escape for a "%" before a tag letter or another "%": say so before the
    // text comes back different.
    if (const auto bad = skyrend::findUnkeepable(doc, encoded)) {
        const skyrend::LineColumn at = skyrend::lineColumnOf(doc.text, *bad);
        const platform::Button answer = platform::showMessage(
            desktop_, this,
            QStringLiteral("This text cannot be kept as it is in a help file: line %1, column %2 "
                           "would be read as a colour tag. Save anyway?")
                .arg(at.line)
                .arg(at.column),
            QStringLiteral("Warning"), platform::Icon::Warning, platform::Buttons::YesNo,
            platform::Button::No);
        if (answer != platform::Button::Yes)
            return notSaved();
    }

    const std::string bytes = skyrend::encodeCp1252(encoded);
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written)
        written = file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
    if (written)
        written = file.commit();
    else
        file.cancelWriting();
    if (!written) {
        platform::showMessage(desktop_, this,
                              QStringLiteral("Could not save the file.\r\n") + path +
                                  QStringLiteral("\r\n") + file.errorString(),
                              QStringLiteral("Save Failed"), platform::Icon::Critical);
        return notSaved();
    }

    setDirty(false);
    lblCaption->setText(fileLabel + QStringLiteral("Saved."));
    emit fileSaved(path);
    return true;
}
