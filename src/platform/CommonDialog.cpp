// SPDX-License-Identifier: MIT

#include "platform/CommonDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace platform {

CommonDialog::CommonDialog(Desktop& desktop, QWidget* parent) : desktop_(desktop), parent_(parent)
{
}

QString CommonDialog::qtFilter(const QString& classicFilter)
{
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        // "*.*" means every file to its author; to Qt on this desktop it means names with a dot.
        pattern.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        filters << QStringLiteral("%1 (%2)").arg(
            parts[i], pattern.replace(QLatin1Char(';'), QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

QString CommonDialog::defaultSuffixOf(const QString& qtNameFilter)
{
    const qsizetype open = qtNameFilter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = qtNameFilter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open)
        return {};
    const QStringList patterns =
        qtNameFilter.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return patterns.contains(QStringLiteral("*.hlp"), Qt::CaseInsensitive) ? QStringLiteral("hlp")
                                                                           : QString();
}

QString CommonDialog::proposed() const
{
    if (InitDir.isEmpty())
        return FileName;
    const QString name = FileTitle();
    return name.isEmpty() ? QDir(InitDir).absolutePath() + QLatin1Char('/')
                          : QDir(InitDir).absoluteFilePath(name);
}

bool CommonDialog::ShowOpen()
{
    const auto chosen = desktop_.openFileName(parent_, DialogTitle, qtFilter(Filter), proposed());
    if (!chosen)
        return false;
    FileName = *chosen;
    return true;
}

bool CommonDialog::ShowSave()
{
    const auto chosen = desktop_.saveFileName(parent_, DialogTitle, qtFilter(Filter), proposed());
    if (!chosen)
        return false;
    FileName = *chosen;
    return true;
}

QString CommonDialog::FileTitle() const
{
    return QFileInfo(FileName).fileName();
}

} // namespace platform
