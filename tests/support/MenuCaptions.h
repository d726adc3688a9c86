// SPDX-License-Identifier: MIT

#pragma once

#include <QAction>
#include <QKeySequence>
#include <QString>

// A caption as the user reads it: without its access-key "&" ("&&" shows one "&").
inline QString shownCaption(const QString& text)
{
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

inline QString shownCaption(const QAction* action)
{
    return shownCaption(action->text());
}

// The access key of a caption ("E&xit": X), or a null QChar when it has none.
inline QChar accessKeyOf(const QString& text)
{
    const QKeySequence key = QKeySequence::mnemonic(text);
    if (key.isEmpty())
        return {};
    return QChar(key[0].key()).toUpper();
}
