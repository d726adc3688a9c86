// SPDX-License-Identifier: MIT

#include "dialogs/frmAbout.h"

#include "dialogs/DialogLayout.h"
#include "editor/frmMain.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

frmAbout::frmAbout(const QString& version, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("About..."));
    setFixedSize(twipsRect(this, 0, 0, 4680, 4170).size());

    auto label = [this](const QString& text, int l, int t, int w, int h, const QFont& font) {
        auto* lbl = new QLabel(text, this);
        lbl->setGeometry(twipsRect(this, l, t, w, h));
        lbl->setFont(font);
        return lbl;
    };
    Image1 = new QLabel(this);
    Image1->setGeometry(twipsRect(this, 240, 240, 630, 480));
    Image1->setPixmap(logo());
    Image1->setScaledContents(true);
    Image1->setAccessibleName(QStringLiteral("Skyrend F1 Editor logo"));
    Label1 = label(QStringLiteral("Skyrend F1 Editor"), 1320, 240, 2775, 255, tahoma(true));
    Label4 = label(QString(), 3720, 240, 615, 255, tahoma(true));
    Label2 = label(QStringLiteral("by the F1 team"), 1560, 480, 1455, 255, tahoma(true));
    Label3 = label(QStringLiteral("www.skyrend.example"), 1560, 720, 2775, 255, tahoma(true));
    Label7 = label(QStringLiteral("help.skyrend.example"), 1560, 960, 2775, 255, tahoma(true));
    Label6 =
        label(QStringLiteral("Thanks to the zone owners who keep their F1 pages up to date, to "
                             "the players who read them, and to everyone who sent in a "
                             "broken help file so that this editor could learn to read it."),
              840, 1320, 3015, 2295, font());
    Label6->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label6->setWordWrap(true);
    Label5 = label(QStringLiteral("Close"), 240, 3720, 4095, 255, tahoma(false, true));
    Label5->setAlignment(Qt::AlignCenter);
    QPalette pal = Label5->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 192));
    Label5->setPalette(pal);
    Label5->setCursor(Qt::PointingHandCursor);
    Label5->installEventFilter(this);
    // A label clicked like a button: a screen reader says what it does.
    Label5->setAccessibleDescription(QStringLiteral("Closes this window (Escape)"));

    Form_Load(version);
}

void frmAbout::Form_Load(const QString& version)
{
    Label4->setText(version);
}

void frmAbout::Label5_Click()
{
    close();
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label5 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label5_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // Shape1: the frame around the content.
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawRect(twipsRect(this, 120, 120, 4335, 3975).adjusted(0, 0, -1, -1));
}

QPixmap frmAbout::logo()
{
    QPixmap pixmap(42, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A dark page with a green header bar and a red tag mark: a coloured help page in small.
    QPainterPath page;
    page.addRoundedRect(QRectF(0.5, 0.5, 41, 31), 4, 4);
    p.fillPath(page, QColor(16, 16, 16));
    p.setPen(QColor(115, 255, 99));
    p.drawPath(page);
    p.fillRect(QRectF(4, 4, 34, 6), QColor(115, 255, 99));
    QFont f;
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(206, 8, 8));
    p.drawText(QRectF(2, 11, 20, 19), Qt::AlignCenter, QStringLiteral("%"));
    p.setPen(QColor(173, 173, 173));
    p.drawText(QRectF(18, 11, 22, 19), Qt::AlignCenter, QStringLiteral("F1"));
    return pixmap;
}

void frmMain::menu_About_Click()
{
    frmAbout about(AppVersion, this);
    about.exec();
}
