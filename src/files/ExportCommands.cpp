// SPDX-License-Identifier: MIT

#include "files/ExportCommands.h"

#include "document/HelpExport.h"
#include "editor/RichTextBox.h"
#include "session/DocumentSession.h"
#include "storage/Storage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

#include <filesystem>

ExportCommands::ExportCommands(QMenu& fileMenu, RichTextBox& box, session::DocumentSession& session,
                               platform::Desktop& desktop, QWidget* dialogParent)
    : QObject(&fileMenu), box_(box), session_(session), desktop_(desktop),
      dialogParent_(dialogParent), menu_(fileMenu.addMenu(QStringLiteral("&Export")))
{
    connect(menu_->addAction(QStringLiteral("&HTML...")), &QAction::triggered, this,
            [this] { exportAs(Form::Html); });
    connect(menu_->addAction(QStringLiteral("&BBCode...")), &QAction::triggered, this,
            [this] { exportAs(Form::Bbcode); });
    connect(&session_, &session::DocumentSession::activityChanged, this,
            &ExportCommands::showActivity);
}

// A load fills the box piece by piece and a save must see it unchanged: neither is the moment to
// read the document.
void ExportCommands::showActivity()
{
    menu_->menuAction()->setEnabled(!session_.isBusy());
}

// Beside the document's file, named after it; an untitled one after its title.
QString ExportCommands::proposedName(Form form) const
{
    const QString suffix = form == Form::Html ? QStringLiteral(".html") : QStringLiteral(".txt");
    const QString path = session_.path();
    if (path.isEmpty())
        return session_.title() + suffix;
    const QFileInfo file(path);
    return file.dir().filePath(file.completeBaseName() + suffix);
}

bool ExportCommands::exportAs(Form form)
{
    if (session_.isBusy() || session_.isEnding())
        return false;
    const bool html = form == Form::Html;
    const std::optional<QString> chosen = desktop_.saveFileName(
        dialogParent_, html ? QStringLiteral("Export as HTML") : QStringLiteral("Export as BBCode"),
        html ? QStringLiteral("HTML page (*.html *.htm);;All files (*)")
             : QStringLiteral("BBCode text (*.txt);;All files (*)"),
        proposedName(form));
    // The dialog runs the event loop: a load may have begun meanwhile.
    if (!chosen || chosen->isEmpty() || session_.isBusy() || session_.isEnding())
        return false;

    const skyrend::ColoredText doc = box_.coloredText();
    const QString name =
        session_.path().isEmpty() ? QString() : QFileInfo(session_.path()).fileName();
    const std::string bytes =
        html ? skyrend::htmlPage(doc, name.toStdU16String()) : skyrend::bbcode(doc);
    const storage::WriteResult written =
        storage::writeFile(std::filesystem::path(QFile::encodeName(*chosen).toStdString()), bytes);
    if (written.ok())
        return true;
    platform::showMessage(desktop_, dialogParent_,
                          QStringLiteral("Cannot export to ") + QDir::toNativeSeparators(*chosen) +
                              QStringLiteral(":\r\n") + QString::fromStdString(written.message),
                          QStringLiteral("Export Failed"), platform::Icon::Critical);
    return false;
}
