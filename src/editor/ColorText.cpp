// Turning a help file's tagged text into the coloured document in the edit box.

#include "editor/frmMain.h"

#include "document/HelpFileReader.h"
#include "platform/RedrawLock.h"

#include <cmath>

namespace {

std::u16string_view viewOf(const QString& s)
{
    return {reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size())};
}

} // namespace

int frmMain::phase2Percent(std::size_t k, std::size_t m)
{
    if (m < 2)
        return 0;
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    return int(std::nearbyint(double(k) / double(m - 1) * 100.0));
}

void frmMain::colorText(const QString& text, RichTextBox* target)
{
    skyrend::HelpFileReader reader(viewOf(text));
    colorText(reader, target);
}

void frmMain::colorText(skyrend::HelpFileReader& reader, RichTextBox* target)
{
    // The file is read in pieces of this many characters, the deadline looked at between them.
    constexpr std::size_t kReadPiece = 64 * 1024;
    const QString colorizing = QStringLiteral("Colorizing File [") + CurrentFile + QLatin1Char(']');
    bool closing = false;
    {
        BusyScope busy(*this, Activity::Loading);
        QuietEdits quiet(*this);
        platform::RedrawLock lock(target);

        target->setText(QString());
        target->setSelColor(skyrend::ColorValues[skyrend::Green]);
        lblCaption->setText(colorizing);
        AbortFlag = 0;

        // Pass 1: decode, in slices between which the window stays live (Escape, closing). The
        // first slice is shorter: reading the file came before it.
        QDeadlineTimer slice(SliceMilliseconds / 2);
        while (!reader.done()) {
            do
                reader.readSome(kReadPiece);
            while (!reader.done() && !slice.hasExpired());
            if (reader.done())
                break;
            desktop_.yield();
            if (AbortFlag)
                break;
            slice.setRemainingTime(SliceMilliseconds);
        }
        const skyrend::ColoredText doc = reader.take();
        lblCaption->setText(colorizing + QLatin1Char(' '));
        const std::size_t m = doc.text.size();

        // An Escape pressed during pass 1 is seen here at the latest, before anything is
        // coloured.
        if (m > 0 && !AbortFlag)
            desktop_.yield();

        // Pass 2: the visible text goes into the box run by run, in slices between which the
        // window stays live.
        if (!AbortFlag) {
            RichTextBox::ColoredLoad load(*target, doc);
            lblCaption->setText(colorizing);
            while (!load.done()) {
                const std::size_t done = load.colorUntil(QDeadlineTimer(SliceMilliseconds));
                lblCaption->setText(colorizing + QStringLiteral(" Phase2: ") +
                                    QString::number(phase2Percent(done - 1, m)) + QLatin1Char('%'));
                // Also after the last slice: what comes after the load starts afresh.
                if (load.done() && m < kReadPiece)
                    break;
                desktop_.yield();
                if (AbortFlag)
                    break;
            }
        }

        if (!AbortFlag) {
            lblCaption->setText(QStringLiteral("File Loaded. [") + CurrentFile + QLatin1Char(']'));
            if (m > 0) {
                target->setSelStart(qsizetype(m) - 1);
                target->setSelLength(1);
            }
            return;
        }
        closing = closeWhenIdle_;
    }

    // Cancelled. A close of the window ends the load without a word: nothing was edited.
    if (closing)
        return;
    platform::showMessage(desktop_, this, QStringLiteral("Abort Was Called."),
                          QStringLiteral("File Load Aborted."), platform::Icon::Information);
    setDirty(false);
    menu_New_Click();
    AbortFlag = 1; // the caller skips its remaining steps
}
