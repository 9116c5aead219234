#pragma once

#include <QDialog>
#include <array>
#include <vector>

#include "core/settings/EnvironmentSettingsModel.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace romshelf {

class Application;

// "環境設定": eight tab pages built from the model's page tables. "設定の保存" writes them into
// the main settings; "キャンセル" drops the copy.
class EnvironmentDialog : public QDialog {
    Q_OBJECT
public:
    explicit EnvironmentDialog(Application& app, QWidget* parent = nullptr);

    void accept() override;

    QTabWidget* tabs() const { return tabs_; }
    // The widget of control `index` of page `page`: a check box, radio button, line edit or
    // combo box, as the table says.
    QWidget* control(int page, int index) const {
        return controls_[static_cast<std::size_t>(page)][static_cast<std::size_t>(index)];
    }
    QPushButton* thanksButton() const { return thanks_; }
    // The unpack cache's cap in MB, on the compression page (0: no cache).
    QSpinBox* unpackCacheLimit() const { return cacheLimit_; }

    QCheckBox* discSetsBox() const { return discSets_; }

private:
    // The program's own option on the main page, beside the shared settings' (it is kept apart).
    void addDiscSetsOption();
    void addUnpackCacheSetting(QWidget* sheet);
    void applyUnpackCacheSetting();
    struct PageBuilder;

    // A page: its group box and heading, then each control of its table in turn.
    QWidget* buildPage(int page);
    QWidget* addControl(PageBuilder& b, const EnvControl& c);
    QWidget* addCheckBox(PageBuilder& b, const EnvControl& c);
    QWidget* addRadioButton(PageBuilder& b, const EnvControl& c);
    QWidget* addEdit(PageBuilder& b, const EnvControl& c);
    void addToolPathRow(PageBuilder& b, const EnvControl& c, QLabel* label, QLineEdit* edit);
    QWidget* addFontList(PageBuilder& b, const EnvControl& c);
    void addThanksButton(PageBuilder& b);

    Application& app_;
    EnvironmentSettingsModel model_;
    QTabWidget* tabs_ = nullptr;
    QPushButton* thanks_ = nullptr;
    QCheckBox* discSets_ = nullptr;
    QSpinBox* cacheLimit_ = nullptr;
    std::array<std::vector<QWidget*>, kEnvPageCount> controls_;
};

}  // namespace romshelf
