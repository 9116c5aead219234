#pragma once

#include <QDialog>

#include "core/views/FolderWindowModel.h"

class QCheckBox;
class QComboBox;

namespace romshelf {

// "タグで絞り込み": the file list narrowed by its names' tags — a region, a language, no
// status — and one file per game, as the list command's options narrow it.
class TagFilterDialog : public QDialog {
    Q_OBJECT
public:
    TagFilterDialog(const TagFilter& filter, bool onePerGame, QWidget* parent = nullptr);

    TagFilter filter() const;
    bool onePerGame() const;

    QComboBox* regionBox() const { return region_; }
    QComboBox* languageBox() const { return language_; }
    QCheckBox* noStatusBox() const { return noStatus_; }
    QCheckBox* onePerGameBox() const { return onePerGame_; }

private:
    QComboBox* region_ = nullptr;
    QComboBox* language_ = nullptr;
    QCheckBox* noStatus_ = nullptr;
    QCheckBox* onePerGame_ = nullptr;
};

}  // namespace romshelf
