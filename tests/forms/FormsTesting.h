// What tests of windows share: a QApplication for the whole test program in which a modal
// window or box without a scripted answer fails at once, rendering a control to an image
// (and, when KVZ_RENDER_DIR is set, to a PNG there for a person to look at, at the screen's
// scale), and mouse and key events sent as the window system would send them.
#pragma once

#include "platform/forms/Controls.h"
#include "platform/forms/Responder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include <cstdlib>
#include <string>

namespace kvz::testing {

inline void EnsureApplication() {
    static int argc = 1;
    static char name[] = "kvz-test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
    TResponder::Unattended() = true;
}

// For a test that runs a real modal loop and answers it itself (with a timer).
class Attended {
public:
    Attended() : was_(TResponder::Unattended()) { TResponder::Unattended() = false; }
    ~Attended() { TResponder::Unattended() = was_; }
    Attended(const Attended&) = delete;
    Attended& operator=(const Attended&) = delete;

private:
    bool was_;
};

// The window as the screen shows it, at the screen's scale (pixels per point), saved to
// $KVZ_RENDER_DIR/<pngName>.png when that is set.
inline QImage SaveWindowPicture(const TControl& control, const std::string& pngName) {
    QWidget* w = control.Widget();
    // Layouts settle in posted events, as they would before the screen shows the window.
    QCoreApplication::sendPostedEvents();
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    const qreal scale = screen ? screen->devicePixelRatio() : 1.0;
    QImage image(w->size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(w->palette().color(QPalette::Window));
    w->render(&image);
    if (const char* dir = std::getenv("KVZ_RENDER_DIR"); dir && !pngName.empty())
        image.save(QString::fromStdString(std::string(dir) + "/" + pngName + ".png"));
    return image;
}

// The control as it shows in its window, with what lies under it when it is transparent.
inline QImage Render(const TControl& control, const std::string& pngName = {}) {
    QWidget* w = control.Widget();
    QWidget* top = w->window();
    QImage image(w->size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    if (top == w) {
        w->render(&image);
    } else {
        QImage whole(top->size(), QImage::Format_RGB32);
        whole.fill(Qt::magenta);
        top->render(&whole);
        image = whole.copy(QRect(w->mapTo(top, QPoint(0, 0)), w->size()));
    }
    if (const char* dir = std::getenv("KVZ_RENDER_DIR"); dir && !pngName.empty())
        image.save(QString::fromStdString(std::string(dir) + "/" + pngName + ".png"));
    return image;
}

inline TColor PixelAt(const QImage& image, int x, int y) { return FromQColor(image.pixelColor(x, y)); }

inline void SendMouse(const TControl& control, QEvent::Type type, int x, int y,
                      Qt::MouseButton button = Qt::LeftButton) {
    QWidget* w = control.Widget();
    // A move holds the button: Qt passes moves without one only to widgets that track the mouse.
    Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QPointF local(x, y);
    QMouseEvent e(type, local, w->mapToGlobal(local), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
inline void Press(const TControl& c, int x, int y, Qt::MouseButton b = Qt::LeftButton) {
    SendMouse(c, QEvent::MouseButtonPress, x, y, b);
}
inline void Release(const TControl& c, int x, int y, Qt::MouseButton b = Qt::LeftButton) {
    SendMouse(c, QEvent::MouseButtonRelease, x, y, b);
}
// A move with the left button held.
inline void Move(const TControl& c, int x, int y) { SendMouse(c, QEvent::MouseMove, x, y); }
inline void Enter(const TControl& c) {
    QEnterEvent e(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(c.Widget(), &e);
}
inline void Leave(const TControl& c) {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(c.Widget(), &e);
}
inline void Key(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(target, &release);
}

// A key pressed and released as the window system delivers it: shortcuts and accelerators
// ("&" letters with Alt) see it first, then the focused widget.
inline void TypeKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(target, key, mods);
}
inline void TypeText(QWidget* target, const QString& text) { QTest::keyClicks(target, text); }

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureApplication(); }
};

} // namespace kvz::testing
