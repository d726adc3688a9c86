// SPDX-License-Identifier: MIT

#include "find/ReplaceTemplate.h"

namespace find {

ReplaceTemplate::ReplaceTemplate(const QString& replacement, int groups)
{
    QString literal;
    auto flush = [&] {
        if (!literal.isEmpty())
            pieces_.push_back({literal, -1});
        literal.clear();
    };
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement[i];
        if (c != QLatin1Char('\\') || i + 1 == replacement.size()) {
            literal += c;
            continue;
        }
        const QChar next = replacement[++i];
        if (next.isDigit() && next.unicode() < 128) {
            const int group = next.digitValue();
            if (group > groups && error_.isEmpty())
                error_ = groups == 0
                             ? QStringLiteral("The replacement refers to group \\%1, but "
                                              "the pattern has no groups.")
                                   .arg(group)
                             : QStringLiteral("The replacement refers to group \\%1, but "
                                              "the pattern has only %2.")
                                   .arg(group)
                                   .arg(groups == 1 ? QStringLiteral("1 group")
                                                    : QStringLiteral("%1 groups").arg(groups));
            flush();
            pieces_.push_back({{}, group});
        } else if (next == QLatin1Char('\\')) {
            literal += QLatin1Char('\\');
        } else if (next == QLatin1Char('n')) {
            literal += QLatin1Char('\n');
        } else if (next == QLatin1Char('t')) {
            literal += QLatin1Char('\t');
        } else {
            literal += c;
            literal += next;
        }
    }
    flush();
}

QString ReplaceTemplate::expand(const QStringList& captured) const
{
    QString out;
    for (const Piece& p : pieces_)
        out += p.group < 0 ? p.text : captured.value(p.group);
    return out;
}

} // namespace find
