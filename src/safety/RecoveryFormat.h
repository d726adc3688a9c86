// SPDX-License-Identifier: MIT

#pragma once

#include "document/HelpFormat.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace safety {

// One recovery copy: a document exactly as the window showed it, and where it belongs.
struct RecoveryCopy {
    QString file;         // the recovery file itself
    QString documentPath; // the help file it belongs to; empty for an untitled document
    QString title;        // the document's title when the copy was made
    QDateTime written;    // when the copy was made (UTC)
    skyrend::ColoredText doc;
};

// The bytes of a recovery file. The current form keeps the text as UTF-16LE and the colour runs
// as numbers, so whatever the window shows comes back unchanged (a visible "%Y", lone
// surrogates, colours outside the palette); a length and a SHA-1 over the header and the body
// tell a torn or damaged file. Copies of the older form hold the save's tagged text and are
// read by the help file's rules.
namespace recoveryformat {

QByteArray encode(const RecoveryCopy& copy);

struct Decoded {
    std::optional<RecoveryCopy> copy; // `file` left empty
    QString error;                    // why there is no copy
};
Decoded decode(const QByteArray& bytes);

} // namespace recoveryformat
} // namespace safety
