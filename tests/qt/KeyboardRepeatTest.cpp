// The keyboard's repeat as the X server has it, which the pad's held directions follow.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include "qt/platform/X11Keys.h"

#include <X11/XKBlib.h>

using namespace romshelf;

namespace {

TEST(KeyboardRepeat, IsTheXServers) {
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
        EXPECT_FALSE(x11::keyboardRepeat());
        return;
    }
    Display* d = XOpenDisplay(nullptr);
    ASSERT_TRUE(d);
    unsigned delay = 0, interval = 0;
    ASSERT_TRUE(XkbGetAutoRepeatRate(d, XkbUseCoreKbd, &delay, &interval));
    ASSERT_TRUE(XkbSetAutoRepeatRate(d, XkbUseCoreKbd, 250, 30));
    XSync(d, False);
    const std::optional<x11::KeyboardRepeat> repeat = x11::keyboardRepeat();
    XkbSetAutoRepeatRate(d, XkbUseCoreKbd, delay, interval);
    XCloseDisplay(d);
    ASSERT_TRUE(repeat);
    EXPECT_EQ(repeat->delayMs, 250);
    EXPECT_EQ(repeat->intervalMs, 30);
}

}  // namespace
