#pragma once

#include <QDialog>
#include <string>

#include "core/pictures/CaptureTool.h"

class QCheckBox;
class QLabel;

namespace romshelf {

class Application;
namespace x11 {
class HotKey;
}

// The snap capture window: while it is shown, Alt + PrintScreen (or a picture put on the
// clipboard) saves the active window as the last launched file's snap in the snap window's
// current folder and shows it. It is made once, hidden, and only shown or hidden afterwards.
// Where the window system is no X server it says that it cannot capture, and does nothing.
class CaptureToolDialog : public QDialog {
    Q_OBJECT
public:
    explicit CaptureToolDialog(Application& app, QWidget* parent = nullptr);

    // A new target (see CaptureTool::reset).
    void reset(const std::string& name);
    // The Tools command: shown in front and listening, the preview grey again.
    void showTool();
    // What the key does: the window in front becomes the snap.
    void capture();

    const CaptureTool& model() const { return model_; }
    QString statusText() const;
    QCheckBox* shrinkBox() const { return shrink_; }
    QWidget* previewWidget() const { return preview_; }
    // Whether Alt + PrintScreen is taken while the window is shown.
    bool listening() const;

Q_SIGNALS:
    // A snap was written: the snap window shows it.
    void snapSaved(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void clipboardChanged();
    void showModel();

    Application& app_;
    CaptureTool model_;
    bool available_ = false;
    x11::HotKey* hotKey_ = nullptr;
    QCheckBox* shrink_ = nullptr;
    QLabel* status_ = nullptr;
    QWidget* preview_ = nullptr;
};

}  // namespace romshelf
