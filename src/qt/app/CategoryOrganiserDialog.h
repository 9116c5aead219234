#pragma once

#include <QDialog>
#include <map>

#include "core/database/CategoryOrganiser.h"

class QLineEdit;
class QTreeWidget;

namespace romshelf {

class Application;

// "…の項目を整理": shows a CategoryOrganiser over one category list and passes its buttons on.
// "項目の確定" applies the list; "キャンセル" leaves it as it was (renames already made in the
// records stay made).
class CategoryOrganiserDialog : public QDialog {
    Q_OBJECT
public:
    // `list`: 0-4 the categories 1-5, 5 the hardware class.
    CategoryOrganiserDialog(Application& app, int list, QWidget* parent = nullptr);

    const CategoryOrganiser& organiser() const { return organiser_; }
    // The control with the dialog template's id: 1152 and 1154 the lists, 1161 and 1164 the
    // edits, 1155-1168 the buttons, 1 "項目の確定", 2 "キャンセル".
    QWidget* control(int id) const { return controls_.at(id); }

    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    template <class Widget>
    Widget* add(int id, Widget* widget) {
        controls_[id] = widget;
        return widget;
    }
    // Adds button `id` that runs `step` on the organiser and shows the result.
    template <class Step>
    void addButton(int id, const QString& text, Step step);
    QTreeWidget* addList(int id);
    // Shows the organiser's lists, selections and edits.
    void refresh();

    Application& app_;
    CategoryOrganiser organiser_;
    std::map<int, QWidget*> controls_;
    QTreeWidget* current_ = nullptr;
    QTreeWidget* toDelete_ = nullptr;
    QLineEdit* renameEdit_ = nullptr;
    QLineEdit* addEdit_ = nullptr;
    bool refreshing_ = false;
};

}  // namespace romshelf
