#pragma once

#include <QMdiSubWindow>
#include <QRect>

#include "core/settings/MainSettings.h"

namespace romshelf {

// The frame around a tool window's client area, in pixels, as the stored sizes count it.
inline constexpr int kToolFrameWidth = 4;
inline constexpr int kToolCaptionHeight = 19;

// A tool window inside the main frame. It starts from its window slot, and closing it only hides
// it, recording its show state and clearing the slot's visible flag. Its placement is its own
// copy; every change is reported, and the frame hands it to the application.
class ToolWindowFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    ToolWindowFrame(int slot, const WindowSlot& placement, const QString& title,
                    QWidget* parent = nullptr);

    int slotIndex() const { return slot_; }

    // Places the frame at its slot's rectangle.
    void applySlotGeometry();
    // Shows the frame again in its recorded show state and makes it active (View menu).
    void showFromView();
    // Takes the normal rectangle and the show state into the placement, and reports it.
    void storePlacement();
    // Takes a placement given by a layout command and moves there (the show state stays).
    void place(const WindowSlot& placement);
    // While `locked` is set, the frame keeps its placement's rectangle whatever moves it.
    void setLockFlag(const bool& locked) { locked_ = &locked; }
    const WindowSlot& placement() const { return placement_; }

    // The rectangle the frame has when neither minimised nor maximised.
    QRect normalRect() const { return normalRect_; }

Q_SIGNALS:
    void placementChanged(int slot, const romshelf::WindowSlot& placement);

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Leaves the main menu's keys to the main menu.
    void freeMenuKeys();
    void rememberNormalRect();
    void holdIfLocked();
    QRect placementRect() const;

    int slot_;
    WindowSlot placement_;
    QRect normalRect_;
    const bool* locked_ = nullptr;
    bool holding_ = false;
};

}  // namespace romshelf
