// SPDX-License-Identifier: MIT

#pragma once

#include <QPointer>
#include <QWidget>

namespace platform {

// Suspends painting of a widget for the lifetime of the lock, then repaints it once.
class RedrawLock {
public:
    explicit RedrawLock(QWidget* widget) : widget_(widget), wasEnabled_(widget->updatesEnabled())
    {
        widget->setUpdatesEnabled(false);
    }
    ~RedrawLock() { release(); }
    RedrawLock(const RedrawLock&) = delete;
    RedrawLock& operator=(const RedrawLock&) = delete;

    void release()
    {
        if (widget_ && wasEnabled_) {
            widget_->setUpdatesEnabled(true);
            widget_->update();
        }
        widget_ = nullptr;
    }

private:
    QPointer<QWidget> widget_;
    bool wasEnabled_;
};

} // namespace platform
