// SPDX-License-Identifier: MIT

#include "editor/WindowState.h"

#include "editor/RichTextBox.h"
#include "files/IniFile.h"
#include "files/Settings.h"

#include <QAction>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTimer>

namespace {

const QString kSection = QStringLiteral("Window");

// Bigger than any screen there is; smaller than this is no window anyone could use.
constexpr int kMaxCoordinate = 100000;
constexpr int kMinWidth = 200;
constexpr int kMinHeight = 150;

std::optional<int> intValue(const skyrend::IniFile& ini, const QString& key)
{
    bool ok = false;
    const int v = ini.value(kSection, key).trimmed().toInt(&ok);
    if (!ok || v < -kMaxCoordinate || v > kMaxCoordinate)
        return std::nullopt;
    return v;
}

} // namespace

WindowState::WindowState(QMainWindow& window, RichTextBox& box, const skyrend::Settings& settings)
    : QObject(&window), window_(window), box_(box), settings_(settings),
      basePointSize_(box.font().pointSizeF() > 0 ? box.font().pointSizeF() : 9.0)
{
    auto shortcut = [this](const QList<QKeySequence>& keys, int step) {
        static const char* const kTexts[] = {"Zoom &Out", "Reset &Zoom", "Zoom &In"};
        auto* a = new QAction(QString::fromLatin1(kTexts[step + 1]), &window_);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, [this, step] { setZoom(step ? zoom_ + step : 0); });
        window_.addAction(a);
        return a;
    };
    // Ctrl+Plus is Ctrl+= on keyboards where "+" needs Shift.
    zoomIn = shortcut(
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}, 1);
    zoomOut = shortcut({QKeySequence(Qt::CTRL | Qt::Key_Minus)}, -1);
    zoomReset = shortcut({QKeySequence(Qt::CTRL | Qt::Key_0)}, 0);
}

WindowState::Saved WindowState::read(const skyrend::IniFile& ini)
{
    Saved s;
    const auto left = intValue(ini, QStringLiteral("Left"));
    const auto top = intValue(ini, QStringLiteral("Top"));
    const auto width = intValue(ini, QStringLiteral("Width"));
    const auto height = intValue(ini, QStringLiteral("Height"));
    if (left && top && width && height && *width >= kMinWidth && *height >= kMinHeight)
        s.geometry = QRect(*left, *top, *width, *height);
    s.maximized = ini.value(kSection, QStringLiteral("Maximized")).trimmed() == QLatin1String("1");
    if (const auto zoom = intValue(ini, QStringLiteral("Zoom")))
        s.zoom = qBound(kMinZoom, *zoom, kMaxZoom);
    return s;
}

QRect WindowState::fitted(const std::optional<QRect>& saved, const QSize& defaultSize,
                          const QList<QRect>& screens, const QMargins& frame)
{
    const QSize wanted = saved ? saved->size() : defaultSize;
    if (screens.isEmpty())
        return saved ? *saved : QRect(QPoint(), wanted);
    // The screen that holds most of the saved place; none holds any: the primary one.
    const QRect* screen = nullptr;
    qint64 most = 0;
    if (saved) {
        for (const QRect& s : screens) {
            const QRect seen = saved->intersected(s);
            const qint64 area = seen.isEmpty() ? 0 : qint64(seen.width()) * seen.height();
            if (area > most) {
                most = area;
                screen = &s;
            }
        }
    }
    const QRect area = (screen ? *screen : screens.front()).marginsRemoved(frame);
    QRect r(QPoint(), wanted.boundedTo(area.size()).expandedTo(QSize(1, 1)));
    if (!screen) {
        r.moveCenter(area.center());
        return r;
    }
    r.moveTopLeft(saved->topLeft());
    r.moveLeft(qBound(area.left(), r.left(), area.left() + area.width() - r.width()));
    r.moveTop(qBound(area.top(), r.top(), area.top() + area.height() - r.height()));
    return r;
}

void WindowState::fit(const std::optional<QRect>& saved)
{
    QList<QRect> screens;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        screens << primary->availableGeometry();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            screens << screen->availableGeometry();
    // The frame is known once the window is shown; before, it is taken as none.
    const QRect frame = window_.frameGeometry();
    const QRect inner = window_.geometry();
    const QMargins margins =
        window_.isVisible()
            ? QMargins(inner.left() - frame.left(), inner.top() - frame.top(),
                       frame.right() - inner.right(), frame.bottom() - inner.bottom())
            : QMargins();
    const QRect place = fitted(saved, window_.size(), screens, margins);
    if (saved || place.size() != window_.size() || window_.isVisible())
        window_.setGeometry(place);
}

void WindowState::restore()
{
    const Saved s = read(settings_.read());
    fit(s.geometry);
    if (s.maximized)
        window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
    setZoom(s.zoom);
    window_.installEventFilter(this);
}

bool WindowState::eventFilter(QObject* watched, QEvent* event)
{
    // Once shown, the frame is known: fit once more with it, then stop watching.
    if (watched == &window_ && event->type() == QEvent::Show) {
        window_.removeEventFilter(this);
        QTimer::singleShot(0, this, [this] {
            if (!window_.isMaximized() && !window_.isFullScreen())
                fit(window_.geometry());
        });
    }
    return QObject::eventFilter(watched, event);
}

bool WindowState::save() const
{
    const QString file = settings_.file();
    skyrend::IniFile ini = skyrend::IniFile::load(file);
    const QRect g = window_.isMaximized() || window_.isFullScreen() ? window_.normalGeometry()
                                                                    : window_.geometry();
    const bool maximized = window_.isMaximized();
    bool ok = true;
    auto set = [&](const char* key, int value) {
        ok = ini.setValue(kSection, QString::fromLatin1(key), QString::number(value)) && ok;
    };
    if (g.isValid()) {
        set("Left", g.left());
        set("Top", g.top());
        set("Width", g.width());
        set("Height", g.height());
    }
    set("Maximized", maximized ? 1 : 0);
    set("Zoom", zoom_);
    return ok && (!ini.isModified() || ini.save(file));
}

void WindowState::setZoom(int points)
{
    zoom_ = qBound(kMinZoom, points, kMaxZoom);
    QFont f = box_.font();
    f.setPointSizeF(qMax(1.0, basePointSize_ + zoom_));
    box_.setFont(f);
    for (QWidget* view : std::as_const(alsoZoomed_))
        if (view)
            view->setFont(f);
}

void WindowState::zoomAlso(QWidget& view)
{
    alsoZoomed_ << &view;
    view.setFont(box_.font());
}
