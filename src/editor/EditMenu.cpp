// SPDX-License-Identifier: MIT

#include "editor/EditMenu.h"

#include "editor/RichTextBox.h"
#include "find/FindBar.h"
#include "platform/Desktop.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>

EditMenu::EditMenu(QMenu& menu, RichTextBox& box, find::FindBar& bar, platform::Desktop& desktop,
                   std::function<bool()> busy, QWidget* window)
    : QObject(window), menu_(menu), box_(box), bar_(bar), desktop_(desktop), busy_(std::move(busy)),
      window_(window)
{
    // The menu's Undo and Redo do what the box does for Ctrl+Z and Ctrl+Y.
    undo = add(QStringLiteral("&Undo"), {QKeySequence(Qt::CTRL | Qt::Key_Z)},
               [this] { edit().undo(); });
    redo = add(QStringLiteral("&Redo"),
               {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
               [this] { edit().redo(); });
    menu.addSeparator();
    cut =
        add(QStringLiteral("Cu&t"), {QKeySequence(Qt::CTRL | Qt::Key_X)}, [this] { edit().cut(); });
    copy = add(QStringLiteral("&Copy"), {QKeySequence(Qt::CTRL | Qt::Key_C)},
               [this] { edit().copy(); });
    // Among the tags, the text is its tagged form already.
    copyWithTags = add(QStringLiteral("Copy &with Tags"),
                       {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)}, [this] {
                           if (&edit() == &box_)
                               box_.copyWithTags();
                           else
                               edit().copy();
                       });
    paste = add(QStringLiteral("&Paste"), {QKeySequence(Qt::CTRL | Qt::Key_V)},
                [this] { edit().paste(); });
    pastePlain = add(QStringLiteral("Paste as P&lain Text"),
                     {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V)}, [this] {
                         if (&edit() == &box_)
                             box_.pasteAsPlainText();
                         else
                             edit().paste();
                     });
    deleteSelection = add(QStringLiteral("&Delete"), {QKeySequence(Qt::Key_Delete)}, [this] {
        QTextCursor c = edit().textCursor();
        c.removeSelectedText();
        edit().setTextCursor(c);
    });
    menu.addSeparator();
    selectAll = add(QStringLiteral("Select &All"), {QKeySequence(Qt::CTRL | Qt::Key_A)},
                    [this] { edit().selectAll(); });
    // These keys belong to the box, which handles them itself when it has the focus: the menu
    // only shows them. So a key acts once, through the box's own key handling (KeyDown and
    // KeyUp see it), and Delete or Ctrl+A in another widget never edits the text.
    for (QAction* a :
         {undo, redo, cut, copy, copyWithTags, paste, pastePlain, deleteSelection, selectAll})
        a->setShortcutContext(Qt::WidgetShortcut);
    menu.addSeparator();
    find = add(QStringLiteral("&Find..."), {QKeySequence(Qt::CTRL | Qt::Key_F)},
               [this] { bar_.openFind(); });
    findNext =
        add(QStringLiteral("Find &Next"), {QKeySequence(Qt::Key_F3)}, [this] { bar_.findNext(); });
    findPrevious = add(QStringLiteral("Find Pre&vious"), {QKeySequence(Qt::SHIFT | Qt::Key_F3)},
                       [this] { bar_.findPrevious(); });
    replace = add(QStringLiteral("R&eplace..."), {QKeySequence(Qt::CTRL | Qt::Key_H)},
                  [this] { bar_.openReplace(); });
    menu.addSeparator();
    goToLine = add(QStringLiteral("&Go to Line..."), {QKeySequence(Qt::CTRL | Qt::Key_G)},
                   [this] { goToLineClick(); });

    followUndo(box);
    connect(&box, &QPlainTextEdit::copyAvailable, this, &EditMenu::refresh);
    // Every edit: only what an edit can change, and cheaply (Replace All makes many).
    connect(&box, &RichTextBox::Change, this,
            [this] { selectAll->setEnabled(edit().document()->characterCount() > 1); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &EditMenu::refresh);
    connect(&menu, &QMenu::aboutToShow, this, &EditMenu::refresh);
    refresh();
}

QAction* EditMenu::add(const QString& caption, const QList<QKeySequence>& keys,
                       const std::function<void()>& handler)
{
    QAction* action = menu_.addAction(caption);
    action->setShortcuts(keys);
    connect(action, &QAction::triggered, this, [this, handler] {
        if (!busy_())
            handler();
    });
    return action;
}

void EditMenu::followUndo(QPlainTextEdit& view)
{
    // From the text shown: the box's state is not the tags' (a tag edit's undo is an edit of the
    // box, which has nothing to redo then).
    connect(&view, &QPlainTextEdit::undoAvailable, this, &EditMenu::refreshUndo);
    connect(&view, &QPlainTextEdit::redoAvailable, this, &EditMenu::refreshUndo);
}

void EditMenu::refreshUndo()
{
    undo->setEnabled(edit().document()->isUndoAvailable());
    redo->setEnabled(edit().document()->isRedoAvailable());
}

QPlainTextEdit& EditMenu::edit() const
{
    return shown_ ? shown_() : box_;
}

void EditMenu::refresh()
{
    const QTextDocument* doc = edit().document();
    const bool selection = edit().textCursor().hasSelection();
    refreshUndo();
    cut->setEnabled(selection);
    copy->setEnabled(selection);
    copyWithTags->setEnabled(selection);
    deleteSelection->setEnabled(selection);
    paste->setEnabled(edit().canPaste());
    const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
    pastePlain->setEnabled(!edit().isReadOnly() && clipboard && clipboard->hasText());
    selectAll->setEnabled(doc->characterCount() > 1);
}

void EditMenu::goToLineClick()
{
    const QTextDocument* doc = edit().document();
    const int lines = doc->blockCount(); // one block per line of the file
    const int current = edit().textCursor().blockNumber() + 1;
    const QString answer =
        desktop_
            .inputBox(window_, QStringLiteral("Line number (1 to %1):").arg(lines),
                      QStringLiteral("Go to Line"), QString::number(current))
            .trimmed();
    if (answer.isEmpty())
        return; // cancelled
    bool ok = false;
    const qlonglong line = answer.toLongLong(&ok);
    if (!ok || line < 1 || line > lines) {
        platform::showMessage(desktop_, window_,
                              QStringLiteral("There is no line \"%1\" in this document. Enter a "
                                             "number from 1 to %2.")
                                  .arg(answer.left(40))
                                  .arg(lines),
                              QStringLiteral("Go to Line"), platform::Icon::Information);
        return;
    }
    QTextCursor c = edit().textCursor();
    c.setPosition(doc->findBlockByNumber(int(line - 1)).position());
    edit().setTextCursor(c);
    edit().ensureCursorVisible();
    edit().setFocus(Qt::OtherFocusReason);
}
