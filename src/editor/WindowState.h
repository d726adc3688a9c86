// SPDX-License-Identifier: MIT

#pragma once

#include <QList>
#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>

namespace skyrend {
class Settings;
}
#include <optional>

class QAction;
class QMainWindow;
class QWidget;
class RichTextBox;
namespace skyrend {
class IniFile;
}

// The window's place, size, maximized state and the text's zoom, kept in config.ini's [Window]
// section; and the zoom actions (Ctrl+Plus, Ctrl+Minus, Ctrl+0), for the View menu.
class WindowState : public QObject {
    Q_OBJECT

public:
    struct Saved {
        std::optional<QRect> geometry; // the normal (not maximized) frame-less geometry
        bool maximized = false;
        int zoom = 0; // points added to the text's own size
    };
    static constexpr int kMinZoom = -6;
    static constexpr int kMaxZoom = 30;

    WindowState(QMainWindow& window, RichTextBox& box, const skyrend::Settings& settings);

    // Reads what config.ini holds; values that make no sense are ignored one by one.
    static Saved read(const skyrend::IniFile& ini);
    // Where the window goes, frame-less: the saved place, or `defaultSize` centred on the
    // primary screen (the first of `screens`, their available areas). The result lies whole,
    // with its `frame`, on the screen that holds most of the saved place, or on the primary
    // screen when none does (a screen that is gone): shrunk to fit and moved onto it.
    static QRect fitted(const std::optional<QRect>& saved, const QSize& defaultSize,
                        const QList<QRect>& screens, const QMargins& frame);

    // Applies config.ini to the window (before it is shown).
    void restore();
    // Writes the window's state to config.ini; false when it could not be written.
    bool save() const;

    int zoom() const { return zoom_; }
    void setZoom(int points);
    // Another view of the text (the tags) that zooms with the box.
    void zoomAlso(QWidget& view);

    QAction* zoomIn = nullptr;
    QAction* zoomOut = nullptr;
    QAction* zoomReset = nullptr;

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Fits the window's place to the screens as they are now.
    void fit(const std::optional<QRect>& saved);

    QMainWindow& window_;
    RichTextBox& box_;
    const skyrend::Settings& settings_;
    QList<QPointer<QWidget>> alsoZoomed_;
    qreal basePointSize_;
    int zoom_ = 0;
};
