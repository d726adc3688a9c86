// SPDX-License-Identifier: MIT

#pragma once

#include "find/FindSupport.h"

#include <QRegularExpression>
#include <QStringMatcher>

#include <functional>
#include <vector>

class QPlainTextEdit;
class RichTextBox;
class TagView;
class QTextDocument;

namespace find {

// One match, in Qt positions (a line break is one character).
struct Match {
    int position = 0;
    int length = 0;
    bool operator==(const Match&) const = default;
};

// A search over a snapshot of the document's text as shown (tags are no text; a line break is
// "\n"). The text and the colours are read once, when the search is made.
class DocumentSearch {
public:
    // `tags` when the document is a tag view's, whose colours are those it shows.
    DocumentSearch(const QTextDocument& document, const QString& pattern,
                   const FindOptions& options, const TagView* tags = nullptr);

    bool valid() const { return error_.isEmpty(); }
    QString error() const { return error_; }

    std::vector<Match> all() const;
    // The first match starting at or after `position`, and the last one starting before it.
    std::optional<Match> firstFrom(int position) const;
    std::optional<Match> lastBefore(int position) const;
    // Whether exactly [position, position + length) is a match.
    bool isMatch(const Match& m) const;
    // The colour of the character at a position (a line break has the colour it is saved in).
    skyrend::ColorRef colorAt(int position) const;
    // The number of capturing groups of a regular expression (0 for plain text).
    int groups() const { return literal_ ? 0 : expression_.captureCount(); }
    // The text of a match and of each group in it, for the replacement of that match.
    QStringList captured(const Match& m) const;

private:
    // The raw match at or after `from` (before any word or colour check).
    std::optional<Match> rawMatchFrom(int from) const;
    bool accepted(const Match& m) const;
    bool isWordChar(int position) const;
    void readColors(const QTextDocument& document);
    std::size_t runAt(int position) const;

    const TagView* tags_;
    QString text_;
    FindOptions options_;
    QString error_;
    bool literal_ = true;
    QStringMatcher matcher_;
    QRegularExpression expression_;
    // Colour runs: run i starts at runStarts_[i].
    std::vector<int> runStarts_;
    std::vector<skyrend::ColorRef> runColors_;
};

// The find bar's view of a RichTextBox, or of whichever box `shown` gives (the text as shown:
// the document, or its tags).
class EditorFindSupport : public FindSupport {
public:
    explicit EditorFindSupport(RichTextBox& box, std::function<QPlainTextEdit&()> shown = {})
        : box_(box), shown_(std::move(shown))
    {
    }

    QString currentFindString() const override;
    FindOutcome find(const QString& pattern, const FindOptions& options, Direction direction,
                     bool fromSelectionStart) override;
    FindOutcome replace(const QString& pattern, const QString& replacement,
                        const FindOptions& options) override;
    int replaceAll(const QString& pattern, const QString& replacement, const FindOptions& options,
                   QString* error) override;
    void focusText() override;

private:
    FindOutcome findIn(const DocumentSearch& search, Direction direction, int from);
    void select(const Match& m);
    // The text that replaces each match: the replacement itself, or in regular-expression mode
    // what it makes of the match's groups; empty function with `error` set when it cannot.
    std::function<QString(const Match&)> replacer(const DocumentSearch& search,
                                                  const QString& replacement,
                                                  const FindOptions& options, QString* error) const;
    QPlainTextEdit& edit() const;
    DocumentSearch searchShown(const QString& pattern, const FindOptions& options) const;

    RichTextBox& box_;
    std::function<QPlainTextEdit&()> shown_;
};

} // namespace find
