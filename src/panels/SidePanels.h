// SPDX-License-Identifier: MIT

#pragma once

#include <QHash>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace skyrend {
class Settings;
struct DocumentLine;
using LinePtr = std::shared_ptr<const DocumentLine>;
} // namespace skyrend

class QAction;
class QDockWidget;
class QMainWindow;
class QMenu;
class QMenuBar;
class QThread;
class QWidget;
class RichTextBox;

namespace panels {

class PagesPanel;
class ProblemsPanel;
class ProblemCountLabel;
class TextTips;

// The Pages and Problems docks, the problem count in the status line and the tips over the
// text. They follow the edit box after a short pause in typing, never inside a key press.
// Which panels are shown is kept in config.ini.
class SidePanels : public QObject {
    Q_OBJECT

public:
    static constexpr int kPauseMs = 200;
    static constexpr int kPagesWidth = 200;     // pixels, at first start
    static constexpr int kProblemsHeight = 120; // pixels, when first shown

    // `statusArea` is the widget the problem count is placed in.
    SidePanels(QMainWindow& window, RichTextBox& box, QWidget& statusArea,
               const skyrend::Settings& settings);
    ~SidePanels() override;

    // Escape in a panel's list, and going to a problem, give the focus to the text `text` names
    // (the one shown), instead of the edit box.
    void followShownText(std::function<QWidget&()> text);

    // A "View" menu with the panels and page navigation, put into `bar` before `before`.
    QMenu* createViewMenu(QMenuBar& bar, QAction* before);

    // Brings both panels up to date now (a pending refresh is dropped).
    void refreshNow();
    bool refreshPending() const { return timer_.isActive() || worker_ != nullptr; }
    // More lines than this without their results are worked out on a worker thread.
    static constexpr std::size_t kLinesMadeHere = 2000;

    PagesPanel* pages = nullptr;
    ProblemsPanel* problems = nullptr;
    ProblemCountLabel* problemCount = nullptr;
    TextTips* tips = nullptr;
    QAction* showPages = nullptr;    // Ctrl+1
    QAction* showProblems = nullptr; // Ctrl+2
    QAction* nextPage = nullptr;     // Alt+Down
    QAction* previousPage = nullptr; // Alt+Up

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The View menu's item for a panel, and the window's key for it.
    QAction* panelAction(QDockWidget& panel, QWidget& list, const QString& caption,
                         QKeyCombination key);
    // Shows the panel in front and puts the focus in its list.
    static void focusPanel(QDockWidget& panel, QWidget& list);
    void remember(const QString& key, bool shown);
    void makeResultsAside(std::vector<skyrend::LinePtr> lines);

    QMainWindow& window_;
    RichTextBox& box_;
    std::function<QWidget&()> text_;
    const skyrend::Settings& settings_;
    QTimer timer_;
    bool pagesStale_ = true;     // changed while the Pages panel was hidden
    QHash<QString, bool> shown_; // as config.ini has it, or the defaults
    QThread* worker_ = nullptr;  // making the lines' results
    std::atomic<bool> stopWorker_ = false;
    bool refreshAfterWorker_ = false;
};

} // namespace panels
