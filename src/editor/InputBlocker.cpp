// SPDX-License-Identifier: MIT

#include "editor/InputBlocker.h"

#include <QEvent>
#include <QKeyEvent>

InputBlocker::InputBlocker(bool letEscapeThrough, QObject* parent)
    : QObject(parent), letEscapeThrough_(letEscapeThrough)
{
}

bool InputBlocker::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (letEscapeThrough_ && key->key() == Qt::Key_Escape)
            return false;
        // An accepted override keeps menu shortcuts from firing; the key press itself is dropped.
        event->accept();
        return true;
    }
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}
