// SPDX-License-Identifier: MIT
// The "Recent Files" submenu and the list behind it in config.ini.

#include "editor/frmMain.h"
#include "files/IniFile.h"
#include "files/RecentList.h"
#include "platform/AccessKeys.h"

#include <QAction>
#include <QDir>
#include <QMenu>

namespace {

const QString kSection = QStringLiteral("Recent");

QString keyOf(int index)
{
    return QString::number(index);
}

} // namespace

RecentList withRecentFile(const RecentList& before, const QString& path)
{
    RecentList entries = before;
    for (QString& s : entries)
        s = s.trimmed();
    const QString wanted = path.trimmed();
    // Entry 4 is not searched: it drops off when the others move down.
    for (int m = 0; m < 4; ++m) {
        if (entries[m] == wanted) {
            for (int i = m; i < 4; ++i)
                entries[i] = entries[i + 1];
            entries[4].clear();
            break;
        }
    }
    RecentList after;
    after[0] = wanted;
    for (int i = 1; i < 5; ++i)
        after[i] = entries[i - 1];
    return after;
}

bool canRememberPath(const QString& path)
{
    return !path.isEmpty() && path.trimmed() == path && !path.contains(QLatin1Char('\n')) &&
           !path.contains(QLatin1Char('\r'));
}

void frmMain::rememberRecentFile(const QString& path)
{
    if (!canRememberPath(path))
        return;
    skyrend::IniFile ini = settings_->read();
    RecentList before;
    for (int i = 0; i < 5; ++i)
        before[i] = ini.value(kSection, keyOf(i));
    const RecentList after = withRecentFile(before, path);
    // All five keys or none: a half-done update would hold one path twice or lose one.
    for (int i = 0; i < 5; ++i)
        if (!ini.setValue(kSection, keyOf(i), after[i]))
            return;
    // One write for the five keys; a failure leaves config.ini as it was, without a word.
    settings_->write(ini);
}

void frmMain::forgetRecentFile(const QString& path)
{
    skyrend::IniFile ini = settings_->read();
    RecentList after;
    int n = 0;
    for (int i = 0; i < 5; ++i) {
        const QString v = ini.value(kSection, keyOf(i));
        if (v.trimmed() != path.trimmed())
            after[n++] = v;
    }
    if (n == 5)
        return; // not listed
    // All five keys or none, as when a file is added.
    for (int i = 0; i < 5; ++i)
        if (!ini.setValue(kSection, keyOf(i), after[i]))
            return;
    settings_->write(ini);
}

void frmMain::LoadRecentMenu()
{
    const skyrend::IniFile ini = settings_->read();
    // Each path gets a letter or digit of its own as its access key, one of its file name if it
    // can: the caption stays the path itself.
    platform::AccessKeys keys;
    keys.reserve(menu_ResetList->text());
    for (int i = 0; i < 5; ++i) {
        QAction*& item = menu_Recent[i];
        if (!item) {
            // Items are made in index order, before the design-time last item.
            item = new QAction(menu_RecentFile);
            menu_RecentFile->insertAction(menu_Recent[4], item);
            connect(item, &QAction::triggered, this, [this, i] { menu_Recent_Click(i); });
        }
        item->setText(QString());
        item->setData(QString());
        const QString v = ini.value(kSection, keyOf(i)).trimmed();
        if (!v.isEmpty()) {
            item->setVisible(true);
            item->setEnabled(true);
            // The caption is the path itself: its own "&" is no access key.
            const QString name = QDir::fromNativeSeparators(v);
            item->setText(keys.assign(v, name.lastIndexOf(QLatin1Char('/')) + 1));
            item->setData(v);
        } else {
            item->setVisible(false);
        }
    }
    const QString first = menu_Recent[0]->data().toString();
    if (first.isEmpty() || first == QLatin1String("None.")) {
        menu_Recent[0]->setEnabled(false);
        menu_Recent[0]->setVisible(true);
        menu_Recent[0]->setText(keys.assign(QStringLiteral("None.")));
        menu_Recent[0]->setData(QString()); // no file behind it
    }
}

void frmMain::menu_ResetList_Click()
{
    skyrend::WriteINI(kSection, std::nullopt, std::nullopt, settings_->file());
    LoadRecentMenu();
}
