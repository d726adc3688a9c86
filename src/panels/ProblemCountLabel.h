// SPDX-License-Identifier: MIT

#pragma once

#include <QLabel>

namespace panels {

// "2 problems" in the status line; a click on it asks for the Problems panel.
class ProblemCountLabel : public QLabel {
    Q_OBJECT

public:
    explicit ProblemCountLabel(QWidget* parent = nullptr);

    void setCount(int count);
    static QString textFor(int count);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace panels
