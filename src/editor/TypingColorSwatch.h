// SPDX-License-Identifier: MIT

#pragma once

#include "document/Palette.h"

#include <QWidget>

#include <optional>

class RichTextBox;
class QLabel;

// The colour the next typed character gets, or the selection's colour ("mixed" when it holds
// several), as a small swatch with the colour's name. It looks again once per pass of the
// event loop, however many signals a key sends.
class TypingColorSwatch : public QWidget {
    Q_OBJECT

public:
    explicit TypingColorSwatch(RichTextBox& box, QWidget* parent = nullptr);

    // What the swatch shows now (brings it up to date first).
    QString colorName();
    // The name shown for a colour, or for nothing ("mixed").
    static QString nameOf(std::optional<skyrend::ColorRef> color);

    QSize sizeHint() const override;
    // Looks again at the next pass of the event loop. For changes of the typing colour that the
    // box does not signal (a colour picked from a menu with nothing selected).
    void updateLater();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    std::optional<skyrend::ColorRef> selectionColor();

    RichTextBox& box_;
    bool pending_ = false;
    std::optional<skyrend::ColorRef> color_;
    QString name_;
    // The last selection looked at, so a selection that grows from the same anchor costs only
    // the characters added.
    struct Seen {
        bool valid = false;
        int start = 0;
        int end = 0;
        std::optional<skyrend::ColorRef> color; // nothing: mixed
    } seen_;
};
