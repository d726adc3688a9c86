// SPDX-License-Identifier: MIT

#pragma once

#include <QObject>

// While a file is loaded or saved the document must not change under the running command:
// this filter, installed on the application, swallows keys, clicks, drops and shortcuts.
// Escape can be let through, to cancel a load. Closing the window is not input and still works.
class InputBlocker : public QObject {
    Q_OBJECT

public:
    explicit InputBlocker(bool letEscapeThrough, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool letEscapeThrough_;
};
