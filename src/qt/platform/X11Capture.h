#pragma once

#include <QObject>
#include <optional>
#include <vector>

#include "core/platform/ImageDecoder.h"

class QSocketNotifier;
struct _XDisplay;

namespace romshelf::x11 {

// Whether the window system is an X server (Qt's xcb platform): elsewhere nothing here works.
bool available();

// The client area of the window that is active on the X server DISPLAY names: the window named
// by _NET_ACTIVE_WINDOW, else the top-level window holding the input focus. nullopt when there
// is none, it is not shown, or it went away meanwhile (X errors never end the program).
std::optional<DecodedImage> grabActiveWindow();

// Alt + PrintScreen pressed anywhere on the screen, while grabbed. It listens on a connection of
// its own, whatever Qt does with its own one.
class HotKey : public QObject {
    Q_OBJECT
public:
    explicit HotKey(QObject* parent = nullptr);
    ~HotKey() override;

    // Takes or gives back the key. False when taking it failed: no X server, or another program
    // holds the key already.
    bool grab(bool on);
    bool grabbed() const { return grabbed_; }

Q_SIGNALS:
    void pressed();

private:
    void readEvents();
    bool setGrab(bool on);

    _XDisplay* display_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
    std::vector<unsigned> keycodes_;
    std::vector<unsigned> modifiers_;
    bool grabbed_ = false;
};

}  // namespace romshelf::x11
