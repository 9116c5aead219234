#pragma once

#include <QWidget>
#include <string>

#include "core/views/SnapModel.h"
#include "qt/platform/BesideLoop.h"

namespace romshelf {

class Application;

// The snap window: the selected file's snap on the hardware's frame, or the no-snap picture with
// the game name. A left click shows the next snap folder, a picture file dropped on it becomes
// the selected file's snap there, and with the option on the folders take turns every 1.2 s.
// Its title ("スナップウィンドウ : " and the folder's name) goes to its frame.
class CSnap : public QWidget {
    Q_OBJECT
public:
    explicit CSnap(Application& app, QWidget* parent = nullptr);

    // The file list shows `row` of the application's list. Its snap is looked up and read beside
    // the event loop (a snap folder may hold a whole collection's pictures, on a share) and shown
    // when it arrives.
    void showRow(int row);
    // The list lost its selection, or the settings were applied (the timer follows the option).
    void clearSelection();
    // Another hardware, or its folders again: its frame, the first snap folder, the title.
    void hardwareChanged();
    // Looks the snap up again (a snap was saved).
    void refresh();

    const SnapModel& model() const { return model_; }
    QString title() const;
    QSize sizeHint() const override;

Q_SIGNALS:
    void titleChanged(const QString& title);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    SnapSettings settings() const;
    // The model's slot is the application's (the list of files without snap looks there).
    void slotMoved();
    void scheduleTick();
    void tick();
    // Looks the chosen file's snap up and reads it beside the event loop; takes it into the
    // picture when it arrives, unless the picture changed meanwhile.
    void loadChosen();
    // The program wrote a snap: the loader lists the folders anew.
    void forgetLoaderListings() { forgetListings_ = true; }

    struct LoadJob {
        SnapModel::Request request;
        bool forgetListings;
    };

    Application& app_;
    SnapModel model_;
    unsigned tickGeneration_ = 0;
    bool forgetListings_ = false;
    fs::FolderListings loaderListings_;  // the loader's own (the model's are the event loop's)
    BesideLoop<LoadJob, SnapModel::Loaded> loader_;  // last: ends first
};

// The game name on the no-snap picture: bold 15-pixel gothic, centred and wrapped, white over a
// one-pixel black shadow.
void drawSnapCaption(DibPicture& picture, const std::string& caption);

}  // namespace romshelf
