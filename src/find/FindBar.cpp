// SPDX-License-Identifier: MIT

#include "find/FindBar.h"

#include "editor/RichTextBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>

namespace find {
namespace {

QIcon swatchIcon(skyrend::ColorRef color)
{
    QPixmap p(12, 12);
    p.fill(toQColor(color));
    return QIcon(p);
}

bool isEnter(const QKeyEvent* e)
{
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

} // namespace

FindBar::FindBar(FindSupport& support, QWidget* parent) : QWidget(parent), support_(support)
{
    setObjectName(QStringLiteral("findBar"));
    setAutoFillBackground(true);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setVerticalSpacing(2);

    findEdit_ = new QLineEdit(this);
    findEdit_->setObjectName(QStringLiteral("findField"));
    findEdit_->setClearButtonEnabled(true);
    findEdit_->setAccessibleName(QStringLiteral("Find"));
    findEdit_->setAccessibleDescription(
        QStringLiteral("The text to look for. Enter finds the next, Shift+Enter the previous."));
    replaceEdit_ = new QLineEdit(this);
    replaceEdit_->setObjectName(QStringLiteral("replaceField"));
    replaceEdit_->setAccessibleName(QStringLiteral("Replace with"));
    replaceEdit_->setAccessibleDescription(QStringLiteral(
        "What a match is replaced by. Enter replaces the next match, Ctrl+Alt+Enter all."));
    // Access keys: none of the menu bar's (F, E, T, C, V, H), none twice.
    auto* findLabel = new QLabel(QStringLiteral("F&ind:"), this);
    findLabel->setBuddy(findEdit_);
    replaceLabel_ = new QLabel(QStringLiteral("&Replace:"), this);
    replaceLabel_->setBuddy(replaceEdit_);

    auto* next = new QPushButton(QStringLiteral("&Next"), this);
    auto* previous = new QPushButton(QStringLiteral("&Previous"), this);
    replaceButton_ = new QPushButton(QStringLiteral("Rep&lace"), this);
    replaceAllButton_ = new QPushButton(QStringLiteral("Replace &All"), this);
    for (QPushButton* b : {next, previous, replaceButton_, replaceAllButton_}) {
        b->setFocusPolicy(Qt::NoFocus); // Tab goes from the find field to the replace field
        b->setAutoDefault(false);
    }
    auto* closeButton = new QToolButton(this);
    closeButton->setText(QStringLiteral("x"));
    closeButton->setToolTip(QStringLiteral("Close (Escape)"));
    closeButton->setAccessibleName(QStringLiteral("Close the find bar"));
    closeButton->setAutoRaise(true);
    closeButton->setFocusPolicy(Qt::NoFocus);

    matchCase_ = new QCheckBox(QStringLiteral("&Match case"), this);
    wholeWords_ = new QCheckBox(QStringLiteral("&Whole words"), this);
    color_ = new QComboBox(this);
    color_->setObjectName(QStringLiteral("findColor"));
    color_->setAccessibleName(QStringLiteral("Colour"));
    color_->setAccessibleDescription(QStringLiteral("Only text in this colour matches."));
    auto* colorLabel = new QLabel(QStringLiteral("Colo&ur:"), this);
    colorLabel->setBuddy(color_);
    color_->addItem(QStringLiteral("any colour"));
    for (int row = 0; row < skyrend::PaletteColorCount; ++row) {
        const auto name = skyrend::ColorNames[std::size_t(row)];
        color_->addItem(swatchIcon(skyrend::ColorValues[std::size_t(row)]),
                        QString::fromLatin1(name.data(), qsizetype(name.size())).trimmed(),
                        QVariant::fromValue(uint(skyrend::ColorValues[std::size_t(row)])));
    }
    regularExpression_ = new QCheckBox(QStringLiteral("Re&gular expression"), this);
    matchCase_->setObjectName(QStringLiteral("matchCase"));
    wholeWords_->setObjectName(QStringLiteral("wholeWords"));
    regularExpression_->setObjectName(QStringLiteral("regularExpression"));
    for (QWidget* w :
         std::initializer_list<QWidget*>{matchCase_, wholeWords_, color_, regularExpression_})
        w->setFocusPolicy(Qt::ClickFocus);
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("findNote"));

    auto* options = new QHBoxLayout;
    options->addWidget(matchCase_);
    options->addWidget(wholeWords_);
    options->addWidget(colorLabel);
    options->addWidget(color_);
    options->addWidget(regularExpression_);
    options->addWidget(note_, 1);

    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(findEdit_, 0, 1);
    grid->addWidget(next, 0, 2);
    grid->addWidget(previous, 0, 3);
    grid->addWidget(closeButton, 0, 4);
    grid->addWidget(replaceLabel_, 1, 0);
    grid->addWidget(replaceEdit_, 1, 1);
    grid->addWidget(replaceButton_, 1, 2);
    grid->addWidget(replaceAllButton_, 1, 3);
    grid->addLayout(options, 2, 0, 1, 5);
    grid->setColumnStretch(1, 1);
    setTabOrder(findEdit_, replaceEdit_);

    findEdit_->installEventFilter(this);
    replaceEdit_->installEventFilter(this);
    connect(next, &QPushButton::clicked, this, &FindBar::findNext);
    connect(previous, &QPushButton::clicked, this, &FindBar::findPrevious);
    connect(replaceButton_, &QPushButton::clicked, this, &FindBar::replaceNext);
    connect(replaceAllButton_, &QPushButton::clicked, this, &FindBar::replaceAll);
    connect(closeButton, &QToolButton::clicked, this, &FindBar::close);
    // Typing in the find field looks for the text at once, the selected match staying put.
    connect(findEdit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text.isEmpty())
            setNote(QString());
        else
            find(Direction::Forward, true);
    });
    hide();
}

FindOptions FindBar::options() const
{
    FindOptions o;
    o.matchCase = matchCase_->isChecked();
    o.wholeWords = wholeWords_->isChecked();
    if (color_->currentIndex() > 0)
        o.color = skyrend::ColorRef(color_->currentData().toUInt());
    o.regularExpression = regularExpression_->isChecked();
    return o;
}

void FindBar::setOptions(const FindOptions& o)
{
    matchCase_->setChecked(o.matchCase);
    wholeWords_->setChecked(o.wholeWords);
    int index = 0;
    if (o.color)
        index = qMax(0, color_->findData(QVariant::fromValue(uint(*o.color))));
    color_->setCurrentIndex(index);
    regularExpression_->setChecked(o.regularExpression);
}

bool FindBar::replaceShown() const
{
    return !replaceEdit_->isHidden();
}

QString FindBar::note() const
{
    return note_->text();
}

void FindBar::setNote(const QString& text, bool problem)
{
    note_->setText(text);
    note_->setStyleSheet(problem ? QStringLiteral("color: #b00000") : QString());
}

void FindBar::open(bool withReplace)
{
    const QString selected = support_.currentFindString();
    if (!selected.isEmpty())
        findEdit_->setText(selected);
    replaceLabel_->setVisible(withReplace);
    replaceEdit_->setVisible(withReplace);
    replaceButton_->setVisible(withReplace);
    replaceAllButton_->setVisible(withReplace);
    setNote(QString());
    show();
    emit shownOrHidden(); // the replace row changes the bar's height too
    findEdit_->setFocus(Qt::ShortcutFocusReason);
    findEdit_->selectAll();
}

void FindBar::openFind()
{
    open(false);
}

void FindBar::openReplace()
{
    open(true);
}

void FindBar::close()
{
    if (isHidden())
        return;
    hide();
    emit shownOrHidden();
    support_.focusText();
}

void FindBar::find(Direction direction, bool fromSelectionStart)
{
    if (findEdit_->text().isEmpty()) {
        openFind();
        return;
    }
    showOutcome(support_.find(findEdit_->text(), options(), direction, fromSelectionStart),
                direction);
}

void FindBar::findNext()
{
    find(Direction::Forward, false);
}

void FindBar::findPrevious()
{
    find(Direction::Backward, false);
}

void FindBar::replaceNext()
{
    if (findEdit_->text().isEmpty()) {
        openReplace();
        return;
    }
    showOutcome(support_.replace(findEdit_->text(), replaceEdit_->text(), options()),
                Direction::Forward);
}

void FindBar::replaceAll()
{
    if (findEdit_->text().isEmpty()) {
        openReplace();
        return;
    }
    QString error;
    const int n = support_.replaceAll(findEdit_->text(), replaceEdit_->text(), options(), &error);
    if (n < 0)
        setNote(error, true);
    else
        setNote(QStringLiteral("%1 replaced").arg(n));
}

void FindBar::showOutcome(const FindOutcome& outcome, Direction direction)
{
    switch (outcome.status) {
    case FindOutcome::Found:
        setNote(QString());
        break;
    case FindOutcome::Wrapped:
        setNote(direction == Direction::Forward
                    ? QStringLiteral("Reached the end, went on from the top")
                    : QStringLiteral("Reached the top, went on from the end"));
        break;
    case FindOutcome::NotFound:
        setNote(QStringLiteral("Not found"), true);
        break;
    case FindOutcome::BadPattern:
        setNote(outcome.error, true);
        break;
    }
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == findEdit_ || watched == replaceEdit_)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isEnter(key)) {
            const auto mods = key->modifiers() & ~Qt::KeypadModifier;
            if (mods == (Qt::ControlModifier | Qt::AltModifier)) {
                if (replaceShown())
                    replaceAll();
            } else if (watched == replaceEdit_)
                replaceNext();
            else if (mods & Qt::ShiftModifier)
                findPrevious();
            else
                findNext();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace find
