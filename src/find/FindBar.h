// SPDX-License-Identifier: MIT

#pragma once

#include "find/FindSupport.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace find {

// The find and replace bar under the text. It talks to the text through FindSupport only; its
// options stay as the user left them for as long as it lives.
class FindBar : public QWidget {
    Q_OBJECT

public:
    explicit FindBar(FindSupport& support, QWidget* parent = nullptr);

    // Shows the bar with the focus in the find field, filled with the selection if there is one.
    void openFind();
    // The same with the replace field.
    void openReplace();
    // Hides the bar and gives the focus back to the text.
    void close();

    // F3 and Shift+F3: with nothing to look for yet, they open the bar.
    void findNext();
    void findPrevious();
    void replaceNext();
    void replaceAll();

    FindOptions options() const;
    void setOptions(const FindOptions& options);
    bool replaceShown() const;

    QLineEdit* findField() const { return findEdit_; }
    QLineEdit* replaceField() const { return replaceEdit_; }
    QString note() const;

signals:
    // The bar was shown or hidden: the window lays itself out again.
    void shownOrHidden();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void open(bool withReplace);
    void find(Direction direction, bool fromSelectionStart);
    void showOutcome(const FindOutcome& outcome, Direction direction);
    void setNote(const QString& text, bool problem = false);

    FindSupport& support_;
    QLineEdit* findEdit_ = nullptr;
    QLineEdit* replaceEdit_ = nullptr;
    QLabel* replaceLabel_ = nullptr;
    QCheckBox* matchCase_ = nullptr;
    QCheckBox* wholeWords_ = nullptr;
    QComboBox* color_ = nullptr;
    QCheckBox* regularExpression_ = nullptr;
    QPushButton* replaceButton_ = nullptr;
    QPushButton* replaceAllButton_ = nullptr;
    QLabel* note_ = nullptr;
};

} // namespace find
