// SPDX-License-Identifier: MIT

#pragma once

#include "platform/Desktop.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

// The desktop as a test scripts it: every box and dialog is recorded and answered from queues
// the test fills. A box with no queued answer is an unexpected box: it is recorded, answered with
// its most cautious button, and the test's fixture fails on it.
class ScriptedDesktop : public platform::Desktop {
public:
    struct Box {
        platform::MessageBox box;
        platform::Button answer;
    };
    struct Input {
        QString prompt;
        QString title;
        QString defaultAnswer;
    };
    struct Dialog {
        QString kind; // "open" or "save"
        QString title;
        QString filter;
        QString proposed;
    };

    // ---- What the test queues
    void answer(platform::Button button) { answers_.push_back(button); }
    void answerInput(const QString& text) { inputs_.push_back(text); }
    // A path, or nothing for Cancel.
    void answerDialog(std::optional<QString> path) { dialogs_.push_back(std::move(path)); }
    // Runs at every yield, with the yield's number (1, 2, ...).
    std::function<void(int)> onYield;
    // Runs as each message box comes up, before it is answered.
    std::function<void(const platform::MessageBox&)> onBox;

    // ---- What happened
    QList<Box> boxes;
    QList<Dialog> dialogsShown;
    QList<Input> inputsShown;
    QStringList unexpected;
    int yields = 0;

    bool allAnswersUsed() const { return answers_.empty() && inputs_.empty() && dialogs_.empty(); }
    void clear();

    platform::Button messageBox(QWidget* parent, const platform::MessageBox& box) override;
    QString inputBox(QWidget* parent, const QString& prompt, const QString& title,
                     const QString& defaultAnswer) override;
    std::optional<QString> openFileName(QWidget* parent, const QString& title,
                                        const QString& filter, const QString& proposed) override;
    std::optional<QString> saveFileName(QWidget* parent, const QString& title,
                                        const QString& filter, const QString& proposed) override;
    void yield() override;

private:
    std::optional<QString> fileDialog(const QString& kind, const QString& title,
                                      const QString& filter, const QString& proposed);

    std::deque<platform::Button> answers_;
    std::deque<QString> inputs_;
    std::deque<std::optional<QString>> dialogs_;
};
