#pragma once

#include <QWidget>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "core/views/SnapModel.h"

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
    // Waits for a snap being read.
    ~CSnap() override;

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
    // Looks the chosen file's snap up and reads it on the loader's thread; takes it into the
    // picture on the event loop (takeLoaded), unless the picture changed meanwhile.
    void loadChosen();
    void takeLoaded();
    // The loader's thread: the newest request, one at a time.
    void runLoader();
    void forgetLoaderListings();
    // The picture changes here and now: a snap on its way is not wanted any more.
    void dropPendingLoad() { ++loadGeneration_; }

    Application& app_;
    SnapModel model_;
    unsigned tickGeneration_ = 0;
    unsigned loadGeneration_ = 0;
    // Between the window and its loader's thread, under loadMutex_.
    struct LoadRequest {
        SnapModel::Request request;
        unsigned generation;
    };
    struct LoadResult {
        SnapModel::Loaded loaded;
        unsigned generation;
    };
    std::mutex loadMutex_;
    std::condition_variable loadWake_;
    std::optional<LoadRequest> loadRequest_;  // only the newest waits
    std::optional<LoadResult> loadResult_;
    bool forgetListings_ = false;  // the program wrote a snap: list the folders anew
    bool stopLoader_ = false;
    fs::FolderListings loaderListings_;  // the loader's own (the model's are the event loop's)
    std::thread loader_;                 // last: started when everything above is there
};

// The game name on the no-snap picture: bold 15-pixel gothic, centred and wrapped, white over a
// one-pixel black shadow.
void drawSnapCaption(DibPicture& picture, const std::string& caption);

}  // namespace romshelf
