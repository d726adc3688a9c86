// SPDX-License-Identifier: MIT

#pragma once

#include "document/HelpFormat.h"

#include <QString>

#include <cstddef>
#include <string>

namespace storage {
struct WriteResult;
}

namespace session {

// What a save of `doc` would write, and what it would not give back, in the words of its boxes.
struct SaveCheck {
    std::string bytes; // the file's bytes
    // Empty when every character has a byte in the game's code page; otherwise the refusal.
    QString unwritable;
    // Empty when the text reads back whole; otherwise the warning, ending in a question.
    QString unkeepable;
};
SaveCheck checkSave(const skyrend::ColoredText& doc);

// A document bigger than the editor opens.
QString tooLargeMessage(std::size_t bytes);
// The write went wrong.
QString writeFailedMessage(const QString& path, const storage::WriteResult& result);

} // namespace session
