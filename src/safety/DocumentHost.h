#pragma once

#include <QString>

class QWidget;

namespace safety {

// What the recovery copy and the file watcher need from the editor window. The window's
// wiring implements it; the safety classes know nothing else of the window.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;

    // The window: parent of the boxes, and whose activation is watched.
    virtual QWidget* widget() = 0;
    // The file the document belongs to; empty for an untitled document.
    virtual QString documentPath() const = 0;
    virtual QString documentTitle() const = 0;
    virtual bool isEdited() const = 0;
    // A load or save is running: nothing may touch the document now.
    virtual bool isBusy() const = 0;
    // The document as a help file's tagged text (colours as tags, line breaks as in the box).
    virtual QString taggedText() const = 0;
    // The folder of config.ini, as it is now.
    virtual QString settingsFolder() const = 0;
    // Reads documentPath() from disk again, dropping the edits.
    virtual void reload() = 0;
    // The document no longer matches its file (the file went away).
    virtual void markEdited() = 0;
    // Puts recovered tagged text in as an edited document belonging to `path` (empty:
    // untitled, named `title`). False when the load was cancelled.
    virtual bool restore(const QString& path, const QString& title, const QString& tagged) = 0;
};

} // namespace safety
