// SPDX-License-Identifier: MIT

#pragma once

#include "platform/Desktop.h"

#include <QString>

namespace platform {

// The one file dialog the window shares between Open and Save As. Its file name persists from
// one use to the next, so the next dialog proposes the file chosen last.
class CommonDialog {
public:
    CommonDialog(Desktop& desktop, QWidget* parent);

    // Filter in the classic "Description|pattern|Description|pattern" form.
    QString Filter;
    QString DialogTitle;
    QString FileName;
    // The folder the dialogs start in (the file name of FileName proposed in it); empty: the
    // folder of FileName.
    QString InitDir;

    // False when the user cancelled; FileName is then unchanged.
    bool ShowOpen();
    bool ShowSave();

    // The chosen file's name without its folder.
    QString FileTitle() const;

    // The filter in the form Qt's dialogs take.
    static QString qtFilter(const QString& classicFilter);
    // The extension a save dialog adds to a name typed without one while the filter (in Qt's
    // form, "Name (*.ext ...)") is selected: "hlp" for the help-file filter, none otherwise.
    static QString defaultSuffixOf(const QString& qtNameFilter);

private:
    QString proposed() const;

    Desktop& desktop_;
    QWidget* parent_;
};

} // namespace platform
