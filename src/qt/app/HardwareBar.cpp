#include "qt/app/HardwareBar.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

#include "qt/QtText.h"
#include "core/app/Application.h"

namespace romshelf {

HardwareBar::HardwareBar(QWidget* parent) : QToolBar(QStringLiteral("ハードウェアバー"), parent) {
    setObjectName(QStringLiteral("HardwareBar"));
    setMovable(true);  // the gripper
    auto label = [this](const QString& text) {
        auto* l = new QLabel(text, this);
        l->setContentsMargins(4, 0, 4, 0);
        return l;
    };
    addWidget(label(QStringLiteral("ハード")));
    hardware_ = new QComboBox(this);
    hardware_->setObjectName(QStringLiteral("hardwareCombo"));
    hardware_->setMinimumContentsLength(18);
    hardware_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    addWidget(hardware_);
    addWidget(label(QStringLiteral("エミュレータ")));
    emulator_ = new QComboBox(this);
    emulator_->setObjectName(QStringLiteral("emulatorCombo"));
    emulator_->setMinimumContentsLength(18);
    emulator_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    addWidget(emulator_);

    // Only the user's own picks count as a selection change.
    connect(hardware_, &QComboBox::activated, this, &HardwareBar::hardwareChosen);
    connect(emulator_, &QComboBox::activated, this, &HardwareBar::emulatorChosen);
}

void HardwareBar::fill(QComboBox* combo, const ComboContents& contents) {
    QSignalBlocker block(combo);
    combo->clear();
    for (const auto& item : contents.items) combo->addItem(qs(item));
    combo->setCurrentIndex(contents.selected);
}

}  // namespace romshelf
