// SPDX-License-Identifier: MIT

#pragma once

#include "document/Palette.h"

#include <QString>

#include <optional>

namespace find {

struct FindOptions {
    bool matchCase = false;
    bool wholeWords = false;
    std::optional<skyrend::ColorRef> color; // nothing: any colour
    bool regularExpression = false;
};

enum class Direction { Forward, Backward };

struct FindOutcome {
    enum Status { Found, Wrapped, NotFound, BadPattern };
    Status status = NotFound;
    QString error; // why the pattern is bad
};

// What the find bar needs from the text it searches. The bar knows nothing else of the window.
class FindSupport {
public:
    virtual ~FindSupport() = default;

    // The text to search for when the bar opens: the selection, if it lies within one line.
    virtual QString currentFindString() const = 0;
    // Selects the next (or previous) match, wrapping at the end. With `fromSelectionStart` the
    // search starts at the selection's start, so a match that is selected already stays.
    virtual FindOutcome find(const QString& pattern, const FindOptions& options,
                             Direction direction, bool fromSelectionStart) = 0;
    // Replaces the selection when it is a match, then selects the next match.
    virtual FindOutcome replace(const QString& pattern, const QString& replacement,
                                const FindOptions& options) = 0;
    // Replaces every match in one undo step; the number replaced, or -1 with `error` set.
    virtual int replaceAll(const QString& pattern, const QString& replacement,
                           const FindOptions& options, QString* error) = 0;
    // Gives the keyboard back to the text.
    virtual void focusText() = 0;
};

} // namespace find
