// SPDX-License-Identifier: MIT

#include "panels/ProblemsPanel.h"

#include "document/HelpProblems.h"

#include <QListView>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStringListModel>
#include <QTextBlock>

#include <algorithm>

namespace panels {
namespace {

// Marks drawn at once at most: Qt looks at every mark for every line it paints.
constexpr int kMaxMarks = 2000;

// Where a problem stands in the edit box: its lines are the box's blocks.
void place(const QTextDocument& document, const skyrend::HelpProblem& f, ProblemsPanel::Problem& p)
{
    QTextBlock block = document.findBlockByNumber(int(f.at.line) - 1);
    if (!block.isValid())
        block = document.lastBlock();
    const int lineLength = block.length() - 1;
    const int at = std::min(int(f.at.column) - 1, lineLength);
    // A fault of the whole file, or a tag the save writes, is marked on the character after it.
    p.position = block.position() + at;
    p.length = std::min(int(std::max<std::size_t>(f.length, 1)), lineLength - at);
}

} // namespace

ProblemsPanel::ProblemsPanel(QPlainTextEdit& box, std::function<skyrend::ColoredText()> read,
                             QWidget* parent)
    : QDockWidget(tr("Problems"), parent), box_(box), read_(std::move(read)),
      model_(new QStringListModel(this)), view_(new QListView(this))
{
    setObjectName(QStringLiteral("problemsPanel"));
    view_->setObjectName(QStringLiteral("problemList"));
    view_->setAccessibleName(tr("Problems"));
    view_->setAccessibleDescription(tr("What the document would be saved with that the game "
                                       "reads otherwise. Enter goes to a problem in the text, "
                                       "Escape goes back to the text."));
    view_->setModel(model_);
    view_->setUniformItemSizes(true);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    setWidget(view_);

    // Enter and double-click (styles differ in which of the two signals a double-click sends).
    auto go = [this](const QModelIndex& index) { goTo(index.row()); };
    connect(view_, &QAbstractItemView::activated, this, go);
    connect(view_, &QAbstractItemView::doubleClicked, this, go);
    connect(box_.verticalScrollBar(), &QScrollBar::valueChanged, this, &ProblemsPanel::updateMarks);
    box_.viewport()->installEventFilter(this); // a taller view shows more lines to mark
}

bool ProblemsPanel::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: events also come while the box is half destroyed, no longer a scroll area.
    if (event->type() == QEvent::Resize && watched == box_.viewport() && !problems_.isEmpty())
        updateMarks();
    return QDockWidget::eventFilter(watched, event);
}

void ProblemsPanel::refresh()
{
    refresh(read_());
}

void ProblemsPanel::refresh(const skyrend::ColoredText& doc)
{
    refresh(skyrend::helpProblems(doc));
}

void ProblemsPanel::refresh(const std::vector<skyrend::HelpProblem>& findings)
{
    const QTextDocument& document = *box_.document();
    QList<Problem> problems;
    QStringList rows;
    problems.reserve(qsizetype(findings.size()));
    rows.reserve(qsizetype(findings.size()));
    for (const skyrend::HelpProblem& f : findings) {
        Problem p{int(f.at.line), int(f.at.column), QString::fromStdString(f.message), 0, 0};
        place(document, f, p);
        rows.append(QStringLiteral("%1:%2  %3").arg(p.line).arg(p.column).arg(p.message));
        problems.append(std::move(p));
    }
    problems_ = std::move(problems);
    if (rows != model_->stringList())
        model_->setStringList(rows);
    updateMarks();
    if (count_ != problems_.size()) {
        count_ = int(problems_.size());
        emit countChanged(count_);
    }
}

QStringList ProblemsPanel::rows() const
{
    return model_->stringList();
}

QString ProblemsPanel::messageAt(int position) const
{
    // Problems are in file order; a fault starts at or before `position`.
    auto it = std::upper_bound(problems_.begin(), problems_.end(), position,
                               [](int pos, const Problem& p) { return pos < p.position; });
    while (it != problems_.begin()) {
        --it;
        if (position < it->position + it->length)
            return it->message;
        if (box_.document()->findBlock(it->position) != box_.document()->findBlock(position))
            break; // faults never span lines
    }
    return {};
}

void ProblemsPanel::updateMarks()
{
    QList<QTextEdit::ExtraSelection> marks;
    if (!problems_.isEmpty()) {
        const QRect r = box_.viewport()->rect();
        const int first = box_.cursorForPosition(r.topLeft()).block().position();
        const QTextBlock lastBlock = box_.cursorForPosition(r.bottomRight()).block();
        const int last = lastBlock.position() + lastBlock.length();
        auto it = std::lower_bound(problems_.begin(), problems_.end(), first,
                                   [](const Problem& p, int pos) { return p.position < pos; });
        QTextCharFormat wavy;
        wavy.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        wavy.setUnderlineColor(QColor(0xFF, 0x40, 0x40));
        for (; it != problems_.end() && it->position < last && marks.size() < kMaxMarks; ++it) {
            if (it->length <= 0)
                continue;
            QTextCursor c(box_.document());
            c.setPosition(it->position);
            c.setPosition(it->position + it->length, QTextCursor::KeepAnchor);
            marks.append({c, wavy});
        }
    }
    box_.setExtraSelections(marks);
}

void ProblemsPanel::goTo(int row)
{
    if (row < 0 || row >= problems_.size())
        return;
    QTextCursor c(box_.document());
    c.setPosition(std::min(problems_[row].position, box_.document()->characterCount() - 1));
    box_.setTextCursor(c);
    // The shown view follows the box's caret; the focus goes to whichever is shown.
    (text_ ? text_() : static_cast<QWidget&>(box_)).setFocus();
}

} // namespace panels
