#pragma once

#include <QToolBar>

class QComboBox;

namespace romshelf {

struct ComboContents;

// The bar under the menu: "ハード" with the hardware list, "エミュレータ" with the emulator list.
class HardwareBar : public QToolBar {
    Q_OBJECT
public:
    explicit HardwareBar(QWidget* parent = nullptr);

    QComboBox* hardwareCombo() const { return hardware_; }
    QComboBox* emulatorCombo() const { return emulator_; }

    // Shows the contents without reporting them as the user's choice.
    static void fill(QComboBox* combo, const ComboContents& contents);

Q_SIGNALS:
    void hardwareChosen(int index);
    void emulatorChosen(int index);

private:
    QComboBox* hardware_;
    QComboBox* emulator_;
};

}  // namespace romshelf
