// SPDX-License-Identifier: MIT

#pragma once

#include <QDockWidget>
#include <QList>

#include <functional>
#include <vector>

class QListView;
class QPlainTextEdit;
class QStringListModel;

namespace skyrend {
struct ColoredText;
struct HelpProblem;
} // namespace skyrend

namespace panels {

// The faults of the document as it would be saved (skyrend::helpProblems, what `skyrend-f1
// check` reports for a file): listed in a dock as "line:column  message", counted in the text
// as the box shows it (the save's warning counts so too), and marked in the text with a wavy
// underline. Double-click or Enter on a row takes the caret there.
class ProblemsPanel : public QDockWidget {
    Q_OBJECT

public:
    struct Problem {
        int line = 0;   // 1-based
        int column = 0; // 1-based, in the text as shown
        QString message;
        int position = 0; // where it starts in the edit box (a Qt position)
        int length = 0;   // characters of the edit box it covers
    };

    // `read` gives the document's text and colours (the box's own reader).
    ProblemsPanel(QPlainTextEdit& box, std::function<skyrend::ColoredText()> read,
                  QWidget* parent = nullptr);

    // Checks the document again and brings the list and the marks up to date; from the box,
    // or from its text and colours as already read.
    void refresh();
    void refresh(const skyrend::ColoredText& doc);
    void refresh(const std::vector<skyrend::HelpProblem>& findings);

    const QList<Problem>& problems() const { return problems_; }
    // The row texts, as shown.
    QStringList rows() const;
    QListView& view() { return *view_; }
    // The message of the fault that covers the character at `position`, if any.
    QString messageAt(int position) const;
    // Marks the problems in the visible part of the text (the rest is marked when scrolled to).
    void updateMarks();
    // The caret to problem `row`, and the focus to the text shown.
    void goTo(int row);
    // The text view that takes the focus from goTo, when it is not the edit box (tags shown).
    void followShownText(std::function<QWidget&()> text) { text_ = std::move(text); }

signals:
    void countChanged(int count);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPlainTextEdit& box_;
    std::function<skyrend::ColoredText()> read_;
    std::function<QWidget&()> text_;
    QStringListModel* model_;
    QListView* view_;
    QList<Problem> problems_; // in file order, so by position too
    int count_ = -1;
};

} // namespace panels
