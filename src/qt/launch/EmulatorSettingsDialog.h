#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace romshelf {

class Application;
class EmulatorDialogModel;

// The emulator settings of one hardware: one slot at a time, chosen by its default name.
class EmulatorSettingsDialog : public QDialog {
    Q_OBJECT
public:
    EmulatorSettingsDialog(Application& app, std::string code, EmulatorDialogModel& model,
                           QWidget* parent = nullptr);

    void accept() override;

    QComboBox* emulatorSelector() const { return selector_; }
    QLabel* defaultNameLabel() const { return defaultName_; }
    QLineEdit* nameEdit() const { return name_; }
    QLineEdit* executableEdit() const { return executable_; }
    QLineEdit* commandLineEdit() const { return commandLine_; }
    QComboBox* joyToKeyCombo() const { return joyToKey_; }
    QLineEdit* waitAfterStartEdit() const { return waitAfterStart_; }
    QLineEdit* waitAfterFileDialogEdit() const { return waitAfterFileDialog_; }
    QCheckBox* forceActivateCheck() const { return forceActivate_; }
    QCheckBox* passZipCheck() const { return passZip_; }
    QCheckBox* quotePathCheck() const { return quotePath_; }
    QCheckBox* shortPathCheck() const { return shortPath_; }
    QPushButton* browseButton() const { return browse_; }
    QPushButton* relativeButton() const { return relative_; }
    QPushButton* helpButton() const { return help_; }
    // "インストール済みから選択…": a menu of the emulators installed for this hardware.
    QPushButton* suggestButton() const { return suggest_; }

private:
    void showSlot();
    void wireEdits();

    Application& app_;
    std::string code_;
    EmulatorDialogModel& model_;
    bool filling_ = false;  // controls are being filled from the model, not edited
    QComboBox* selector_ = nullptr;
    QLabel* defaultName_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* executable_ = nullptr;
    QLineEdit* commandLine_ = nullptr;
    QComboBox* joyToKey_ = nullptr;
    QLineEdit* waitAfterStart_ = nullptr;
    QLineEdit* waitAfterFileDialog_ = nullptr;
    QCheckBox* forceActivate_ = nullptr;
    QCheckBox* passZip_ = nullptr;
    QCheckBox* quotePath_ = nullptr;
    QCheckBox* shortPath_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* relative_ = nullptr;
    QPushButton* help_ = nullptr;
    QPushButton* suggest_ = nullptr;
};

}  // namespace romshelf
