// SPDX-License-Identifier: MIT

#include "panels/SidePanels.h"

#include "editor/BoxLines.h"
#include "editor/RichTextBox.h"
#include "files/IniFile.h"
#include "files/Settings.h"
#include "panels/PageListModel.h"
#include "panels/PagesPanel.h"
#include "panels/ProblemCountLabel.h"
#include "panels/ProblemsPanel.h"
#include "panels/TextTips.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QThread>
#include <QTreeView>

namespace panels {
namespace {

const QString kSection = QStringLiteral("Panels");
const QString kPagesKey = QStringLiteral("Pages");
const QString kProblemsKey = QStringLiteral("Problems");

} // namespace

SidePanels::SidePanels(QMainWindow& window, RichTextBox& box, QWidget& statusArea,
                       const skyrend::Settings& settings)
    : QObject(&window), window_(window), box_(box), settings_(settings)
{
    pages = new PagesPanel(box_, &window_);
    problems = new ProblemsPanel(
        box_, [this] { return box_.coloredText(); }, &window_);
    problemCount = new ProblemCountLabel(&statusArea);
    tips = new TextTips(box_, *problems, this);
    window_.addDockWidget(Qt::LeftDockWidgetArea, pages);
    window_.addDockWidget(Qt::BottomDockWidgetArea, problems);

    // Shown at first start: Pages; Problems when asked for.
    const bool firstStart = !QFileInfo::exists(settings_.file());
    const skyrend::IniFile ini = settings_.read();
    const QString pagesShown = ini.value(kSection, kPagesKey);
    const QString problemsShown = ini.value(kSection, kProblemsKey);
    shown_[kPagesKey] = pagesShown != QStringLiteral("0");
    shown_[kProblemsKey] = problemsShown == QStringLiteral("1");
    pages->setVisible(shown_[kPagesKey]);
    problems->setVisible(shown_[kProblemsKey]);
    window_.resizeDocks({pages}, {kPagesWidth}, Qt::Horizontal);
    window_.resizeDocks({problems}, {kProblemsHeight}, Qt::Vertical);
    // At first start the window grows by the page list, so the text keeps its designed size.
    if (firstStart && pages->isVisibleTo(&window_))
        window_.resize(window_.width() + kPagesWidth, window_.height());

    showPages = panelAction(*pages, pages->view(), tr("&Pages"), Qt::CTRL | Qt::Key_1);
    // The View menu leaves O, R, I and Z to its zoom items.
    showProblems = panelAction(*problems, problems->view(), tr("Pro&blems"), Qt::CTRL | Qt::Key_2);
    pages->view().installEventFilter(this);
    problems->view().installEventFilter(this);
    connect(showPages, &QAction::toggled, this, [this](bool on) { remember(kPagesKey, on); });
    connect(showProblems, &QAction::toggled, this, [this](bool on) { remember(kProblemsKey, on); });

    nextPage = new QAction(tr("&Next Page"), this);
    nextPage->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Down));
    connect(nextPage, &QAction::triggered, pages, &PagesPanel::nextPage);
    previousPage = new QAction(tr("Pre&vious Page"), this);
    previousPage->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
    connect(previousPage, &QAction::triggered, pages, &PagesPanel::previousPage);
    // The keys work in the text even before the View menu exists.
    window_.addAction(nextPage);
    window_.addAction(previousPage);

    timer_.setSingleShot(true);
    timer_.setInterval(kPauseMs);
    connect(&timer_, &QTimer::timeout, this, &SidePanels::refreshNow);
    connect(&box_, &RichTextBox::Change, &timer_, qOverload<>(&QTimer::start));
    connect(pages, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible && pagesStale_ && !timer_.isActive())
            refreshNow();
    });

    connect(problems, &ProblemsPanel::countChanged, problemCount, &ProblemCountLabel::setCount);
    connect(problemCount, &ProblemCountLabel::clicked, this,
            [this] { focusPanel(*problems, problems->view()); });
    refreshNow();
}

QAction* SidePanels::panelAction(QDockWidget& panel, QWidget& list, const QString& caption,
                                 const QKeyCombination key)
{
    // The menu item shows or closes the panel; shown by the user, a panel takes the focus, so
    // the arrow keys move in its list and not in the text. Its key is shown there but lives
    // only while the menu is open.
    QAction* item = panel.toggleViewAction();
    item->setText(caption);
    item->setShortcut(key);
    item->setShortcutContext(Qt::WidgetShortcut);
    connect(item, &QAction::triggered, this, [&panel, &list](bool on) {
        if (on)
            focusPanel(panel, list);
    });
    // The key itself: a panel already shown but without the focus takes it rather than
    // closing, since the key is how a keyboard user gets into the list. Escape gives it back.
    auto* keyAction = new QAction(caption, this);
    keyAction->setShortcut(key);
    connect(keyAction, &QAction::triggered, this, [&panel, &list] {
        if (!panel.isHidden() && panel.isAncestorOf(QApplication::focusWidget()))
            panel.hide();
        else
            focusPanel(panel, list);
    });
    window_.addAction(keyAction);
    return item;
}

void SidePanels::followShownText(std::function<QWidget&()> text)
{
    problems->followShownText(text);
    text_ = std::move(text);
}

void SidePanels::focusPanel(QDockWidget& panel, QWidget& list)
{
    panel.show();
    panel.raise();
    list.setFocus(Qt::ShortcutFocusReason);
}

bool SidePanels::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress &&
        (watched == &pages->view() || watched == &problems->view())) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            QWidget& text = text_ ? text_() : static_cast<QWidget&>(box_);
            text.setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

QMenu* SidePanels::createViewMenu(QMenuBar& bar, QAction* before)
{
    auto* menu = new QMenu(tr("&View"), &bar);
    menu->addAction(showPages);
    menu->addAction(showProblems);
    menu->addSeparator();
    menu->addAction(nextPage);
    menu->addAction(previousPage);
    bar.insertMenu(before, menu);
    return menu;
}

void SidePanels::refreshNow()
{
    timer_.stop();
    if (worker_) { // it makes the lines' results; the refresh follows when it is done
        refreshAfterWorker_ = true;
        return;
    }
    const skyrend::DocumentLines& lines = box_.lines().lines();
    // Lines whose results are not made yet (a file just read, a big paste) are worked out on a
    // worker thread first; a few are quicker here.
    std::size_t missing = 0;
    for (const skyrend::LinePtr& line : lines.snapshot())
        if (!line->hasResults() && ++missing > kLinesMadeHere)
            break;
    if (missing > kLinesMadeHere) {
        makeResultsAside(lines.snapshot());
        return;
    }
    // A hidden page list waits until it is shown; the problem count is always in view.
    if (pages->isVisible() || !window_.isVisible()) {
        pages->refresh(lines);
        pagesStale_ = false;
    } else {
        pagesStale_ = true;
    }
    problems->refresh(lines.problems());
}

void SidePanels::makeResultsAside(std::vector<skyrend::LinePtr> lines)
{
    stopWorker_ = false;
    // The worker sees only lines nobody changes: the snapshot is its own.
    worker_ = QThread::create([this, lines = std::move(lines)] {
        for (const skyrend::LinePtr& line : lines) {
            if (stopWorker_.load(std::memory_order_relaxed))
                return;
            (void)line->results();
        }
    });
    connect(worker_, &QThread::finished, this, [this] {
        worker_->deleteLater();
        worker_ = nullptr;
        refreshAfterWorker_ = false;
        refreshNow();
    });
    worker_->start(QThread::LowPriority);
}

SidePanels::~SidePanels()
{
    if (worker_) {
        stopWorker_ = true;
        worker_->wait();
        delete worker_;
    }
}

void SidePanels::remember(const QString& key, bool shown)
{
    // Docks are hidden too when the window goes away, and shown when it is: no choice of the
    // user's. config.ini is written only when the choice changes.
    if (!window_.isVisible() || shown_.value(key) == shown)
        return;
    shown_[key] = shown;
    skyrend::WriteINI(kSection, key, shown ? QStringLiteral("1") : QStringLiteral("0"),
                      settings_.file());
}

} // namespace panels
