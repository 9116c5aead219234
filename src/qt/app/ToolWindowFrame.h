#pragma once

#include <QMdiSubWindow>
#include <QRect>

namespace romshelf {

struct WindowSlot;

// A tool window inside the main frame. It starts from its window slot, and closing it only hides
// it, recording its show state and clearing the slot's visible flag.
class ToolWindowFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    ToolWindowFrame(int slot, WindowSlot& placement, const QString& title, QWidget* parent = nullptr);

    int slotIndex() const { return slot_; }

    // Places the frame at its slot's rectangle.
    void applySlotGeometry();
    // Shows the frame again in its recorded show state and makes it active (View menu).
    void showFromView();
    // Writes the normal rectangle and the show state back into the slot.
    void storePlacement();
    // The rectangle the frame has when neither minimised nor maximised.
    QRect normalRect() const { return normalRect_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rememberNormalRect();

    int slot_;
    WindowSlot& placement_;
    QRect normalRect_;
};

}  // namespace romshelf
