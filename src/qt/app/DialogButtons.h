#pragma once

class QBoxLayout;
class QDialog;

namespace romshelf {

// The settings dialogs' closing row: "設定の保存" (accept, the default button) and "キャンセル".
void addSaveCancelButtons(QDialog* dialog, QBoxLayout* layout);

}  // namespace romshelf
