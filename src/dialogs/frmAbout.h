// SPDX-License-Identifier: MIT

#pragma once

#include <QDialog>

class QLabel;

// The About box: name, running version, credits and a Close link.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(const QString& version, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr; // program name
    QLabel* Label2 = nullptr; // credit
    QLabel* Label3 = nullptr; // web address
    QLabel* Label4 = nullptr; // version
    QLabel* Label5 = nullptr; // "Close"
    QLabel* Label6 = nullptr; // thanks
    QLabel* Label7 = nullptr; // second web address
    QLabel* Image1 = nullptr; // logo

    // The program's logo, 42 x 32 pixels, drawn here rather than shipped as a file.
    static QPixmap logo();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Form_Load(const QString& version);
    void Label5_Click();
};
