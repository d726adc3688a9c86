// SPDX-License-Identifier: MIT

#include "platform/AccessKeys.h"

namespace platform {

void AccessKeys::reserve(const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] != QLatin1Char('&')) {
            taken_.insert(caption[i + 1].toUpper());
            return;
        }
        ++i; // "&&" is a plain "&"
    }
}

QString AccessKeys::assign(const QString& plain, qsizetype from)
{
    from = qBound<qsizetype>(0, from, plain.size());
    qsizetype at = -1;
    for (qsizetype n = 0; n < plain.size() && at < 0; ++n) {
        const qsizetype i = (from + n) % plain.size();
        if (plain[i].isLetterOrNumber() && !taken_.contains(plain[i].toUpper()))
            at = i;
    }
    QString caption;
    caption.reserve(plain.size() + 2);
    for (qsizetype i = 0; i < plain.size(); ++i) {
        if (i == at)
            caption += QLatin1Char('&');
        caption += plain[i];
        if (plain[i] == QLatin1Char('&'))
            caption += QLatin1Char('&');
    }
    if (at >= 0)
        taken_.insert(plain[at].toUpper());
    return caption;
}

} // namespace platform
