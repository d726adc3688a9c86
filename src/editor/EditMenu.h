// SPDX-License-Identifier: MIT

#pragma once

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QPlainTextEdit;
class QWidget;
class RichTextBox;
namespace find {
class FindBar;
}
namespace platform {
class Desktop;
}

// The Edit menu: the clipboard and undo commands of the edit box, find and replace, and Go to
// Line. Its items are enabled only when they can act, and do nothing while `busy` says the
// window refuses input.
class EditMenu : public QObject {
    Q_OBJECT

public:
    EditMenu(QMenu& menu, RichTextBox& box, find::FindBar& bar, platform::Desktop& desktop,
             std::function<bool()> busy, QWidget* window);

    QAction* undo = nullptr;
    QAction* redo = nullptr;
    QAction* cut = nullptr;
    QAction* copy = nullptr;
    QAction* copyWithTags = nullptr;
    QAction* paste = nullptr;
    QAction* pastePlain = nullptr;
    QAction* deleteSelection = nullptr;
    QAction* selectAll = nullptr;
    QAction* find = nullptr;
    QAction* findNext = nullptr;
    QAction* findPrevious = nullptr;
    QAction* replace = nullptr;
    QAction* goToLine = nullptr;

    // Asks for a line number (as the file counts lines) and puts the caret at its start.
    void goToLineClick();
    // Brings the items' enabled states up to date.
    void refresh();
    // Undo and Redo follow `view` too (the text shown in place of the box).
    void followUndo(QPlainTextEdit& view);
    // The items act on the box `shown` gives (the document, or its tags) instead of `box`.
    void followShown(std::function<QPlainTextEdit&()> shown) { shown_ = std::move(shown); }

private:
    void refreshUndo();
    QAction* add(const QString& caption, const QList<QKeySequence>& keys,
                 const std::function<void()>& handler);

    QPlainTextEdit& edit() const;

    QMenu& menu_;
    RichTextBox& box_;
    std::function<QPlainTextEdit&()> shown_;
    find::FindBar& bar_;
    platform::Desktop& desktop_;
    std::function<bool()> busy_;
    QWidget* window_;
};
