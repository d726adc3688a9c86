#pragma once

#include "document/Palette.h"

#include <QPlainTextEdit>
#include <QSyntaxHighlighter>

#include <optional>

// Colours tagged text as the reader takes it: each character in the colour current when it is
// read, the tags themselves in the colour they switch to, on a box of their own, header lines on
// a tinted ground. Each line starts in the colour the line before it left, kept as the block's
// state, so an edit recolours only until the colour settles.
class TagHighlighter : public QSyntaxHighlighter {
    Q_OBJECT

public:
    explicit TagHighlighter(QTextDocument* document);

    // The colour the reader gives the character at `column` of `block`, as last highlighted.
    static std::optional<skyrend::ColorRef> colorAt(const QTextBlock& block, int column);
    // The reader's colour at the end of `block`, which its line break takes.
    static skyrend::ColorRef colorAtEnd(const QTextBlock& block);

protected:
    void highlightBlock(const QString& text) override;

private:
    QTextCharFormat textFormat(skyrend::ColorRef color, bool header) const;
};

// The box that shows a document's tagged text, as a save writes it, for editing there.
class TagView : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TagView(QWidget* parent = nullptr);

    TagHighlighter* highlighter() const { return highlighter_; }

private:
    TagHighlighter* highlighter_;
};
