// What tests of windows share: a QApplication for the whole test program, rendering a control
// to an image (and, when KVZ_RENDER_DIR is set, to a PNG there for a person to look at), and
// mouse and key events sent as Qt would send them.
#pragma once

#include "platform/forms/Controls.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>

#include <cstdlib>
#include <string>

namespace kvz::testing {

inline void EnsureApplication() {
    static int argc = 1;
    static char name[] = "kvz-test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
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

class FormsTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureApplication(); }
};

} // namespace kvz::testing
