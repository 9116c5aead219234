#pragma once

#include <QFont>
#include <QWidget>

#include "core/views/DetailPanes.h"
#include "core/pictures/DibPicture.h"

namespace romshelf {

class Application;

// The file-information window: the selected file's game name, size, rating and categories,
// drawn white with a black shadow over a 320 x 83 background.
class CFileData : public QWidget {
    Q_OBJECT
public:
    explicit CFileData(const Application& app, QWidget* parent = nullptr);

    // The row's texts, repainted now; clear() leaves the background alone.
    void showTexts(const FileInfoTexts& texts);
    void clear() { showTexts({}); }
    const FileInfoTexts& texts() const { return texts_; }
    // The status line as drawn: a name too long for its place is shortened in the middle, so
    // that the size after it stays whole.
    QString statusShown() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DibPicture background_;
    FileInfoTexts texts_;
    QFont nameFont_, textFont_;
};

}  // namespace romshelf
