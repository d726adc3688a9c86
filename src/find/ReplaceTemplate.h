// SPDX-License-Identifier: MIT

#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace find {

// A replacement as regular-expression mode reads it: \0 to \9 stand for the match and its
// groups, \\ for a backslash, \n for a line break and \t for a tab. Any other backslash stays
// as typed, so nothing the user wrote is lost. "$1" has no meaning here and stays literal.
class ReplaceTemplate {
public:
    // `groups` is the number of capturing groups the pattern has.
    ReplaceTemplate(const QString& replacement, int groups);

    // Empty when the replacement may be used; otherwise why not (a group the pattern lacks).
    QString error() const { return error_; }
    bool valid() const { return error_.isEmpty(); }

    // The replacement for one match; `captured` holds the whole match and then each group.
    QString expand(const QStringList& captured) const;

private:
    struct Piece {
        QString text; // literal text, when group < 0
        int group = -1;
    };
    std::vector<Piece> pieces_;
    QString error_;
};

} // namespace find
