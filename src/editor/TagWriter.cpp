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

// What a save would lose: every place, the first ten by line and column.
QString unkeepableWarning(const std::u16string& text, const std::vector<skyrend::Unkeepable>& lost)
{
    constexpr std::size_t kListed = 10;
    QString message = QStringLiteral(
        "This text cannot be kept as it is in a help file; when the file is read again:");
    for (std::size_t i = 0; i < lost.size() && i < kListed; ++i) {
        const skyrend::Unkeepable& u = lost[i];
        const skyrend::LineColumn at = skyrend::lineColumnOf(text, u.index);
        const QString what =
            u.kind == skyrend::Unkeepable::DroppedPercent
                ? QStringLiteral("the first \"%\" of \"%%\" is dropped when the file is read")
                : QStringLiteral("\"%%1\" is read as a colour tag").arg(QChar(u.letter));
        message +=
            QStringLiteral("\r\nline %1, column %2: %3").arg(at.line).arg(at.column).arg(what);
    }
    if (lost.size() > kListed)
        message += QStringLiteral("\r\nand %1 more").arg(lost.size() - kListed);
    return message + QStringLiteral("\r\n\r\nSave anyway?");
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
    const bool wasDirty = IsDirty;
    menu_Save->setEnabled(false);
    const qsizetype caret = rEdit->SelStart();
    AbortFlag = 0;

    // The walk: read the document's text and colours, in slices, showing progress. The last
    // figure, 100, waits for the file to be written: nothing may claim a save that has not
    // happened (a box below may still stop it).
    skyrend::ColoredText doc;
    {
        BusyScope busy(*this, Activity::Saving);
        platform::RedrawLock lock(rEdit);
        const double total = double(rEdit->TextLength());
        RichTextBox::ColoredRead read(*rEdit);
        while (!read.done()) {
            read.readUntil(QDeadlineTimer(SliceMilliseconds));
            const double done = double(read.result().text.size());
            if (done > 0 && done < total)
                lblCaption->setText(fileLabel + savedPercent(done / total * 100) +
                                    QStringLiteral("% Saved."));
            if (!read.done())
                desktop_.yield();
        }
        doc = read.take();
    }
    rEdit->setSelStart(caret);

    // Nothing written: the document stays as it was, edited or not.
    auto notSaved = [&] {
        lblCaption->setText(fileLabel + QStringLiteral("NOT saved."));
        setDirty(wasDirty);
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

    // The format has no escape for a "%" before a tag letter or another "%": say where the text
    // would come back different, and how, before it does.
    const std::vector<skyrend::Unkeepable> lost = skyrend::findUnkeepables(doc.text);
    if (!lost.empty()) {
        const platform::Button answer = platform::showMessage(
            desktop_, this, unkeepableWarning(doc.text, lost), QStringLiteral("Warning"),
            platform::Icon::Warning, platform::Buttons::YesNo, platform::Button::No);
        if (answer != platform::Button::Yes)
            return notSaved();
    }

    const std::string bytes = skyrend::encodeCp1252(skyrend::encodeHelpText(doc));
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

    lblCaption->setText(fileLabel + savedPercent(100) + QStringLiteral("% Saved."));
    setDirty(false);
    lblCaption->setText(fileLabel + QStringLiteral("Saved."));
    emit fileSaved(path);
    return true;
}
