#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "core/platform/Prompter.h"

class QTableView;

namespace romshelf {

// A report to read: its text above its tables, one tab a table when there are several, read
// only, with an OK button. The rows can be sorted by any column and copied.
class ReportDialog : public QDialog {
    Q_OBJECT
public:
    ReportDialog(const std::string& title, const std::string& text,
                 const std::vector<ReportTable>& tables, QWidget* parent = nullptr);

    // The views, in the tables' order.
    const std::vector<QTableView*>& views() const { return views_; }

private:
    std::vector<QTableView*> views_;
};

}  // namespace romshelf
