#include "editor/WindowState.h"

#include "editor/RichTextBox.h"
#include "files/IniFile.h"
#include "files/Settings.h"

#include <QAction>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

namespace {

const QString kSection = QStringLiteral("Window");

// Bigger than any screen there is; smaller than this is no window anyone could use.
constexpr int kMaxCoordinate = 100000;
constexpr int kMinWidth = 200;
constexpr int kMinHeight = 150;
// The part of the title bar that must be on a screen for the user to grab it.
constexpr int kGrip = 48;

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

QRect WindowState::placed(const QRect& saved, const QList<QRect>& screens)
{
    for (const QRect& screen : screens) {
        // The top of the window, where its title bar is, must be reachable.
        const QRect grip(saved.left(), saved.top(), saved.width(), kGrip);
        const QRect seen = grip.intersected(screen);
        if (seen.width() >= kGrip && seen.height() >= kGrip / 2)
            return saved;
    }
    if (screens.isEmpty())
        return saved;
    const QRect screen = screens.front();
    QRect r(QPoint(), saved.size().boundedTo(screen.size()));
    r.moveCenter(screen.center());
    return r;
}

void WindowState::restore()
{
    const Saved s = read(settings_.read());
    if (s.geometry) {
        QList<QRect> screens;
        if (QScreen* primary = QGuiApplication::primaryScreen())
            screens << primary->availableGeometry();
        for (QScreen* screen : QGuiApplication::screens())
            if (screen != QGuiApplication::primaryScreen())
                screens << screen->availableGeometry();
        window_.setGeometry(placed(*s.geometry, screens));
    }
    if (s.maximized)
        window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
    setZoom(s.zoom);
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
