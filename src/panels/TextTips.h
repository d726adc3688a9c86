// SPDX-License-Identifier: MIT

#pragma once

#include <QObject>
#include <QPoint>

class QPlainTextEdit;

namespace panels {

class ProblemsPanel;

// Tooltips over the text: the message of a marked problem, or what the game puts in place of a
// key macro ("'Warp' Key"), or that the macro is unknown.
class TextTips : public QObject {
    Q_OBJECT

public:
    TextTips(QPlainTextEdit& box, const ProblemsPanel& problems, QObject* parent = nullptr);

    // The tip for a point of the box's viewport; empty when there is nothing to say.
    QString tipAt(QPoint viewportPoint) const;
    // The tip for the character at a Qt position.
    QString tipForCharacter(int position) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPlainTextEdit& box_;
    const ProblemsPanel& problems_;
};

} // namespace panels
