// SPDX-License-Identifier: MIT

#pragma once

#include "document/DocumentLines.h"
#include "document/HelpFormat.h"

#include <QString>

class QWidget;

namespace safety {

// What the recovery copy and the file watcher need from the document's session (today the
// window's wiring, SafetyWiring.cpp); the safety classes know nothing else of the window.
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
    // The document exactly as the window shows it: text with "\r\n" line breaks, and the colour
    // of every character (runs as in HelpFormat.h). Not the tagged form a save writes.
    virtual skyrend::ColoredText shownText() const = 0;
    // The same as lines that stay as they are: cheap to take, and safe to read on a worker
    // thread while the document goes on changing.
    virtual std::vector<skyrend::LinePtr> shownLines() const
    {
        return skyrend::splitLines(shownText());
    }
    // The folder of config.ini, as it is now.
    virtual QString settingsFolder() const = 0;
    // Reads documentPath() from disk again, dropping the edits.
    virtual void reload() = 0;
    // The document differs from its file (the file went away, or changed and the user kept the
    // text): Save is enabled and closing asks.
    virtual void markEdited() = 0;
    // Puts a recovered document in, exactly as `doc` holds it, as an edited document belonging
    // to `path` (empty: untitled, named `title`). False when the load was cancelled.
    virtual bool restore(const QString& path, const QString& title,
                         const skyrend::ColoredText& doc) = 0;
};

} // namespace safety
