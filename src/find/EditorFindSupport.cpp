// SPDX-License-Identifier: MIT

#include "find/EditorFindSupport.h"

#include "editor/RichTextBox.h"
#include "editor/TagView.h"
#include "find/ReplaceTemplate.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <climits>

namespace find {

DocumentSearch::DocumentSearch(const QTextDocument& document, const QString& pattern,
                               const FindOptions& options, const TagView* tags)
    : tags_(tags), options_(options), literal_(!options.regularExpression)
{
    if (literal_) {
        matcher_ =
            QStringMatcher(pattern, options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive);
    } else {
        auto flags =
            QRegularExpression::MultilineOption | QRegularExpression::UseUnicodePropertiesOption;
        if (!options.matchCase)
            flags |= QRegularExpression::CaseInsensitiveOption;
        expression_ = QRegularExpression(pattern, flags);
        if (!expression_.isValid()) {
            error_ = QStringLiteral("Bad regular expression: %1 (at character %2)")
                         .arg(expression_.errorString())
                         .arg(expression_.patternErrorOffset() + 1);
            return;
        }
    }
    if (pattern.isEmpty())
        return; // nothing matches; no need to read the document
    // The raw text has one block separator per line break, so its indexes are Qt positions.
    text_ = document.toRawText();
    text_.truncate(qMax(0, document.characterCount() - 1)); // the end-of-document mark
    text_.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    // The colours are read once, for the colour filter and for the colour of a replacement.
    readColors(document);
}

void DocumentSearch::readColors(const QTextDocument& document)
{
    // Fragments come in document order: their positions are summed rather than asked for,
    // which would cost a walk of Qt's fragment tree each.
    const QList<QTextFormat> formats = document.allFormats();
    std::vector<std::optional<skyrend::ColorRef>> byIndex(std::size_t(formats.size()));
    auto colorOfIndex = [&](int index) {
        if (index < 0 || index >= formats.size())
            return RichTextBox::colorOf(QTextCharFormat());
        auto& c = byIndex[std::size_t(index)];
        if (!c)
            c = RichTextBox::colorOf(formats[index].toCharFormat());
        return *c;
    };
    auto addRun = [this](int start, skyrend::ColorRef color) {
        if (!runColors_.empty() && runColors_.back() == color)
            return;
        runStarts_.push_back(start);
        runColors_.push_back(color);
    };
    int position = 0;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        // A highlighted text (the tags) shows the highlighter's colours, not its own.
        if (const QList<QTextLayout::FormatRange> shown = b.layout()->formats(); !shown.isEmpty()) {
            for (const QTextLayout::FormatRange& range : shown)
                addRun(position + range.start, RichTextBox::colorOf(range.format));
            position += b.length() - 1;
            if (b.next().isValid())
                addRun(position++,
                       tags_ ? tags_->colorAtEnd(b) : colorOfIndex(b.next().charFormatIndex()));
            continue;
        }
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            addRun(position, colorOfIndex(f.charFormatIndex()));
            position += f.length();
        }
        const QTextBlock next = b.next();
        if (next.isValid()) {
            addRun(position, colorOfIndex(next.charFormatIndex()));
            ++position;
        }
    }
    if (runStarts_.empty())
        addRun(0, RichTextBox::colorOf(QTextCharFormat()));
}

std::size_t DocumentSearch::runAt(int position) const
{
    const auto it = std::upper_bound(runStarts_.begin(), runStarts_.end(), position);
    return it == runStarts_.begin() ? 0 : std::size_t(it - runStarts_.begin() - 1);
}

skyrend::ColorRef DocumentSearch::colorAt(int position) const
{
    if (runColors_.empty())
        return RichTextBox::colorOf(QTextCharFormat());
    return runColors_[runAt(position)];
}

bool DocumentSearch::isWordChar(int position) const
{
    if (position < 0 || position >= text_.size())
        return false;
    const QChar c = text_[position];
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

bool DocumentSearch::accepted(const Match& m) const
{
    if (m.length <= 0)
        return false; // an empty match finds nothing a user could see
    if (options_.wholeWords && (isWordChar(m.position - 1) || isWordChar(m.position + m.length)))
        return false;
    if (options_.color) {
        const int end = m.position + m.length;
        for (std::size_t i = runAt(m.position); i < runStarts_.size() && runStarts_[i] < end; ++i)
            if (runColors_[i] != *options_.color)
                return false;
    }
    return true;
}

std::optional<Match> DocumentSearch::rawMatchFrom(int from) const
{
    if (from > text_.size() || text_.isEmpty())
        return std::nullopt;
    if (literal_) {
        const qsizetype at = matcher_.indexIn(text_, from);
        if (at < 0 || matcher_.pattern().isEmpty())
            return std::nullopt;
        return Match{int(at), int(matcher_.pattern().size())};
    }
    const QRegularExpressionMatch m = expression_.match(text_, from);
    if (!m.hasMatch())
        return std::nullopt;
    return Match{int(m.capturedStart()), int(m.capturedLength())};
}

std::optional<Match> DocumentSearch::firstFrom(int position) const
{
    if (!valid())
        return std::nullopt;
    for (int from = qMax(0, position); from <= text_.size();) {
        const auto m = rawMatchFrom(from);
        if (!m)
            return std::nullopt;
        if (accepted(*m))
            return m;
        from = m->position + 1; // a later, overlapping match may pass
    }
    return std::nullopt;
}

std::vector<Match> DocumentSearch::all() const
{
    std::vector<Match> out;
    for (auto m = firstFrom(0); m; m = firstFrom(m->position + m->length))
        out.push_back(*m);
    return out;
}

std::optional<Match> DocumentSearch::lastBefore(int position) const
{
    std::optional<Match> last;
    for (auto m = firstFrom(0); m && m->position < position; m = firstFrom(m->position + m->length))
        last = m;
    return last;
}

bool DocumentSearch::isMatch(const Match& m) const
{
    if (!valid() || m.length <= 0 || !accepted(m))
        return false;
    if (literal_) {
        const auto found = rawMatchFrom(m.position);
        return found && *found == m;
    }
    const QRegularExpressionMatch r =
        expression_.match(text_, m.position, QRegularExpression::NormalMatch,
                          QRegularExpression::AnchorAtOffsetMatchOption);
    return r.hasMatch() && r.capturedLength() == m.length;
}

QStringList DocumentSearch::captured(const Match& m) const
{
    if (literal_)
        return {text_.mid(m.position, m.length)};
    const QRegularExpressionMatch r =
        expression_.match(text_, m.position, QRegularExpression::NormalMatch,
                          QRegularExpression::AnchorAtOffsetMatchOption);
    return r.capturedTexts();
}

// ---------------------------------------------------------------------------------------------

std::function<QString(const Match&)> EditorFindSupport::replacer(const DocumentSearch& search,
                                                                 const QString& replacement,
                                                                 const FindOptions& options,
                                                                 QString* error) const
{
    if (!options.regularExpression) {
        const QString text = toQtLineBreaks(replacement);
        return [text](const Match&) { return text; };
    }
    ReplaceTemplate shape(replacement, search.groups());
    if (!shape.valid()) {
        *error = shape.error();
        return {};
    }
    return [&search, shape](const Match& m) {
        return toQtLineBreaks(shape.expand(search.captured(m)));
    };
}

QString EditorFindSupport::currentFindString() const
{
    const QString selected = edit().textCursor().selectedText();
    return selected.contains(QChar::ParagraphSeparator) ? QString() : selected;
}

void EditorFindSupport::select(const Match& m)
{
    QTextCursor c = edit().textCursor();
    c.setPosition(m.position);
    c.setPosition(m.position + m.length, QTextCursor::KeepAnchor);
    edit().setTextCursor(c);
    edit().ensureCursorVisible();
}

FindOutcome EditorFindSupport::findIn(const DocumentSearch& search, Direction direction, int from)
{
    if (!search.valid())
        return {FindOutcome::BadPattern, search.error()};
    std::optional<Match> m =
        direction == Direction::Forward ? search.firstFrom(from) : search.lastBefore(from);
    FindOutcome::Status status = FindOutcome::Found;
    if (!m) {
        m = direction == Direction::Forward ? search.firstFrom(0) : search.lastBefore(INT_MAX);
        status = FindOutcome::Wrapped;
    }
    if (!m)
        return {FindOutcome::NotFound, {}};
    select(*m);
    return {status, {}};
}

FindOutcome EditorFindSupport::find(const QString& pattern, const FindOptions& options,
                                    Direction direction, bool fromSelectionStart)
{
    const DocumentSearch search = searchShown(pattern, options);
    const QTextCursor c = edit().textCursor();
    const int from = direction == Direction::Backward || fromSelectionStart ? c.selectionStart()
                                                                            : c.selectionEnd();
    return findIn(search, direction, from);
}

FindOutcome EditorFindSupport::replace(const QString& pattern, const QString& replacement,
                                       const FindOptions& options)
{
    {
        const DocumentSearch search = searchShown(pattern, options);
        if (!search.valid())
            return {FindOutcome::BadPattern, search.error()};
        QTextCursor c = edit().textCursor();
        const Match selected{c.selectionStart(), c.selectionEnd() - c.selectionStart()};
        QString error;
        const auto replacementOf = replacer(search, replacement, options, &error);
        if (!replacementOf)
            return {FindOutcome::BadPattern, error};
        if (!search.isMatch(selected))
            return findIn(search, Direction::Forward, selected.position);
        // The replacement takes the colour of the first character it replaces.
        const QTextCharFormat format = box_.formatFor(search.colorAt(selected.position));
        c.beginEditBlock();
        c.insertText(replacementOf(selected), format);
        c.endEditBlock();
        edit().setTextCursor(c);
    }
    const DocumentSearch after = searchShown(pattern, options);
    return findIn(after, Direction::Forward, edit().textCursor().selectionEnd());
}

int EditorFindSupport::replaceAll(const QString& pattern, const QString& replacement,
                                  const FindOptions& options, QString* error)
{
    const DocumentSearch search = searchShown(pattern, options);
    if (!search.valid()) {
        if (error)
            *error = search.error();
        return -1;
    }
    QString problem;
    const auto replacementOf = replacer(search, replacement, options, &problem);
    if (!replacementOf) {
        if (error)
            *error = problem;
        return -1;
    }
    const std::vector<Match> matches = search.all();
    if (matches.empty())
        return 0;
    // One undo step: the first replacement opens it and the others join it. Each ends its own
    // edit, so Qt lays out only the lines it touched (one edit block around all of them would
    // lay out every line between the first match and the last). From the last match back, so
    // the positions of the ones before stay true.
    QTextCursor c(edit().document());
    bool first = true;
    for (auto it = matches.rbegin(); it != matches.rend(); ++it) {
        if (first)
            c.beginEditBlock();
        else
            c.joinPreviousEditBlock();
        first = false;
        c.setPosition(it->position);
        c.setPosition(it->position + it->length, QTextCursor::KeepAnchor);
        c.insertText(replacementOf(*it), box_.formatFor(search.colorAt(it->position)));
        c.endEditBlock();
    }
    return int(matches.size());
}

QPlainTextEdit& EditorFindSupport::edit() const
{
    return shown_ ? shown_() : box_;
}

DocumentSearch EditorFindSupport::searchShown(const QString& pattern,
                                              const FindOptions& options) const
{
    auto* tags = qobject_cast<TagView*>(&edit());
    if (tags && options.color)
        tags->colorAll(); // the tags are coloured as they come into sight; the filter reads all
    return DocumentSearch(*edit().document(), pattern, options, tags);
}

void EditorFindSupport::focusText()
{
    edit().setFocus(Qt::OtherFocusReason);
}

} // namespace find
