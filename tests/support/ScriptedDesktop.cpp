// SPDX-License-Identifier: MIT

#include "ScriptedDesktop.h"

#include <QCoreApplication>

using platform::Button;
using platform::Buttons;

void ScriptedDesktop::clear()
{
    answers_.clear();
    inputs_.clear();
    dialogs_.clear();
    boxes.clear();
    dialogsShown.clear();
    inputsShown.clear();
    unexpected.clear();
    yields = 0;
    onYield = nullptr;
}

Button ScriptedDesktop::messageBox(QWidget*, const platform::MessageBox& box)
{
    if (onBox)
        onBox(box);
    Button answer = Button::Ok;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    } else {
        unexpected << QStringLiteral("message box \"%1\": %2").arg(box.title, box.text);
        switch (box.buttons) {
        case Buttons::Ok:
            answer = Button::Ok;
            break;
        case Buttons::OkCancel:
        case Buttons::YesNoCancel:
            answer = Button::Cancel;
            break;
        case Buttons::YesNo:
            answer = Button::No;
            break;
        }
    }
    boxes.append({box, answer});
    return answer;
}

QString ScriptedDesktop::inputBox(QWidget*, const QString& prompt, const QString& title,
                                  const QString& defaultAnswer)
{
    inputsShown.append({prompt, title, defaultAnswer});
    if (inputs_.empty()) {
        unexpected << QStringLiteral("input box \"%1\"").arg(title);
        return {};
    }
    QString text = inputs_.front();
    inputs_.pop_front();
    return text;
}

std::optional<QString> ScriptedDesktop::fileDialog(const QString& kind, const QString& title,
                                                   const QString& filter, const QString& proposed)
{
    dialogsShown.append({kind, title, filter, proposed});
    if (dialogs_.empty()) {
        unexpected << QStringLiteral("%1 dialog \"%2\"").arg(kind, title);
        return std::nullopt;
    }
    const bool cancelled = !dialogs_.front().has_value();
    const QString path = dialogs_.front().value_or(QString());
    dialogs_.pop_front();
    if (cancelled)
        return std::nullopt;
    return path;
}

std::optional<QString> ScriptedDesktop::openFileName(QWidget*, const QString& title,
                                                     const QString& filter, const QString& proposed)
{
    return fileDialog(QStringLiteral("open"), title, filter, proposed);
}

std::optional<QString> ScriptedDesktop::saveFileName(QWidget*, const QString& title,
                                                     const QString& filter, const QString& proposed)
{
    return fileDialog(QStringLiteral("save"), title, filter, proposed);
}

void ScriptedDesktop::yield()
{
    ++yields;
    QCoreApplication::processEvents();
    if (onYield)
        onYield(yields);
}
