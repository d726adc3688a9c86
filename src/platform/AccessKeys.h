// SPDX-License-Identifier: MIT

#pragma once

#include <QSet>
#include <QString>

namespace platform {

// Access keys (the underlined letter, "&" in a caption) for the items of one menu, where the
// captions come from data (colour names, macros, file paths): each item gets a letter or digit
// of its own caption that no other item of the menu has, or none when all its letters are
// taken.
class AccessKeys {
public:
    // Takes the key of a caption that has one already ("&Insert"), so no other item gets it.
    void reserve(const QString& caption);
    // `plain` shown as it is (its own "&" doubled), with an "&" before its first letter or digit
    // whose key is free, looked for from `from` to the end and then from the start.
    QString assign(const QString& plain, qsizetype from = 0);

private:
    QSet<QChar> taken_; // upper case: Alt+r and Alt+R are one key
};

} // namespace platform
