// SPDX-License-Identifier: MIT

#pragma once

#include "platform/Desktop.h"

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QWidget;
class RichTextBox;
namespace session {
class DocumentSession;
}

// File > Export: writes the document as an HTML page or as forum BBCode to a file the user
// names. The document stays what it was: its file, its name and its edited state are untouched.
class ExportCommands : public QObject {
    Q_OBJECT

public:
    enum class Form { Html, Bbcode };

    // Adds the "Export" submenu to `fileMenu`, at its end.
    ExportCommands(QMenu& fileMenu, RichTextBox& box, session::DocumentSession& session,
                   platform::Desktop& desktop, QWidget* dialogParent);

    QMenu* menu() const { return menu_; }

    // Asks for a file name, then writes the export there. True when written; false when busy,
    // cancelled, or the write failed (which a message box says).
    bool exportAs(Form form);

private:
    QString proposedName(Form form) const;
    void showActivity();

    RichTextBox& box_;
    session::DocumentSession& session_;
    platform::Desktop& desktop_;
    QWidget* dialogParent_;
    QMenu* menu_;
};
