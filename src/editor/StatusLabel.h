// SPDX-License-Identifier: MIT

#pragma once

#include <QWidget>

// The one-line status label under the edit box. It keeps its text exactly as set (a page header
// comes with its "\r\n") and shows the first line of it.
class StatusLabel : public QWidget {
    Q_OBJECT

public:
    explicit StatusLabel(QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    // The part that is shown: up to the first line break.
    QString shownText() const;

signals:
    void textChanged(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};
