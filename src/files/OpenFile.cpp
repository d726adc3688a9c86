// Bringing a file from disk into the editor.

#include "editor/frmMain.h"

#include "document/HelpFileReader.h"
#include "document/Palette.h"
#include "files/RecentList.h"

#include <QFile>
#include <QFileInfo>
#include <QMenu>

namespace {

// Bigger files are not help files (a disk image, a video); reading them could exhaust memory.
constexpr qint64 kMaxFileSize = qint64(64) * 1024 * 1024;

} // namespace

bool frmMain::FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    // A pipe, socket or device exists, but opening one can block until a writer comes along:
    // it is refused when it is read.
    if (info.exists() && !info.isFile() && !info.isDir())
        return true;
    QFile file(path);
    return file.open(QIODevice::ReadOnly); // fails for folders too
}

void frmMain::OpenFile(const QString& path)
{
    if (isBusy())
        return;
    auto cannotOpen = [this](const QString& text) {
        platform::showMessage(desktop_, this, text, QStringLiteral("can not open"),
                              platform::Icon::Critical);
    };
    if (!path.isEmpty() && QFileInfo(path).isDir()) {
        cannotOpen(QStringLiteral("This is a folder, not a file.\r\n") + path);
        return;
    }
    if (!FileExists(path)) {
        cannotOpen(QStringLiteral("This file does not exist.\r\n") + path);
        return;
    }

    // Read the whole file before anything changes: a file that cannot be read leaves the
    // document, its name and the recent list as they were.
    auto cannotRead = [&](const QString& reason) {
        cannotOpen(QStringLiteral("This file could not be read.\r\n") + path +
                   QStringLiteral("\r\n") + reason);
    };
    if (!QFileInfo(path).isFile()) {
        cannotRead(QStringLiteral("It is not a regular file."));
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        cannotRead(file.errorString());
        return;
    }
    auto tooLarge = [&](const QString& size) {
        cannotOpen(QStringLiteral("This file is too large to edit (%1; the limit is 64 MiB).\r\n")
                       .arg(size) +
                   path);
    };
    if (file.size() > kMaxFileSize) {
        // Rounded up, so that a file just over the limit is not called as large as the limit.
        tooLarge(QStringLiteral("%1 MiB").arg((file.size() + 1024 * 1024 - 1) / (1024 * 1024)));
        return;
    }
    // Read up to one byte past the limit: some files report a size of 0 and then go on and on
    // (a kernel file such as /proc/self/pagemap).
    QByteArray bytes;
    bytes.reserve(qsizetype(file.size()));
    while (bytes.size() <= kMaxFileSize) {
        const QByteArray chunk = file.read(qint64(1) << 20);
        if (chunk.isEmpty())
            break;
        bytes.append(chunk);
    }
    if (file.error() != QFileDevice::NoError) {
        cannotRead(file.errorString());
        return;
    }
    if (bytes.size() > kMaxFileSize) { // it grew while it was read, or gave no size
        tooLarge(QStringLiteral("more than 64 MiB"));
        return;
    }
    file.close();

    DocTitle = QFileInfo(path).fileName();
    CurrentFile = path;
    setDirty(false);

    // Decoded a piece at a time while the box fills, so a big file never freezes the window.
    skyrend::HelpFileReader reader(std::string_view(bytes.constData(), std::size_t(bytes.size())));

    menu_RecentFile->menuAction()->setEnabled(false);
    menu_SaveAs->setEnabled(false);
    menu_Colors->menuAction()->setEnabled(false);
    colorText(reader, rEdit);
    bytes.clear();

    {
        QuietEdits quiet(*this);
        rEdit->setSelStart(0);
        rEdit->setSelColor(skyrend::ColorValues[skyrend::White]);
    }
    menu_SaveAs->setEnabled(true);
    menu_RecentFile->menuAction()->setEnabled(true);
    menu_Save->setEnabled(false);
    menu_Colors->menuAction()->setEnabled(true);
    if (!AbortFlag)
        rememberRecentFile(CurrentFile);
    LoadRecentMenu();
    if (AbortFlag)
        return;

    if (!rEdit->headerLineBefore(rEdit->TextLength())) {
        platform::showMessage(
            desktop_, this,
            QStringLiteral("This is not a valid F1 (Commands.hlp) file. Missing a "
                           "header #Title line."),
            QStringLiteral("Please Fix."), platform::Icon::Information);
        platform::showMessage(desktop_, this,
                              QStringLiteral("Since header line is not valid, colors will not be "
                                             "accurate; and saving will only overwrite incorrect "
                                             "colors."),
                              QString());
        platform::showMessage(desktop_, this,
                              QStringLiteral("Best deal 1.) open commands.hlp in notepad or text "
                                             "editor add a line, then re-open with this program."),
                              QString());
    }

    setDirty(false);
    SavedLength = qint32(qMin<qsizetype>(rEdit->TextLength(), INT32_MAX));
    lblCaption->setText(QStringLiteral("File Loaded. [") + CurrentFile + QLatin1Char(']'));
    emit fileLoaded(CurrentFile);
}
