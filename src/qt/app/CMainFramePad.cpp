// The window driven by a pad: its actions, the hotkey's end of a game and the pad's mapping to
// keys for an emulator.
#include "qt/app/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QStyleHints>

#include "core/pad/PadNavigator.h"
#include "core/views/LetterGroup.h"
#include "qt/QtText.h"
#include "qt/app/HardwareBar.h"
#include "qt/platform/GamePad.h"
#include "qt/platform/X11Keys.h"
#include "qt/views/CFileList.h"
#include "qt/views/FileListModel.h"

namespace romshelf {

void CMainFrame::applyPadSettings() {
    const PlusSettings& plus = app_.plusSettings();
    pad_->setEnabled(plus.pad);
    pad_->setQuitHotkey(readCombination(plus.padQuitButtons).value_or(std::vector<PadControl>{}),
                        plus.padQuitHoldMs);
    // Held on the pad, a direction repeats as a held key does: with the X server's delay and
    // interval, else Qt's rate after the usual half second (Qt tells no delay).
    if (const std::optional<x11::KeyboardRepeat> x = x11::keyboardRepeat()) {
        pad_->setRepeat(x->delayMs, x->intervalMs);
    } else {
        const int rate = QGuiApplication::styleHints()->keyboardAutoRepeatRate();
        pad_->setRepeat(500, rate > 0 ? 1000 / rate : 33);
    }
}

void CMainFrame::followGame() { pad_->setGameRunning(app_.launcher().emulatorRunning()); }

void CMainFrame::emulatorEnded(const EmulatorSession& run) {
    if (pad_->mappedProcess() == run.pid) pad_->stopMapping();
    followGame();
    if (!endedByHotkey_ || app_.launcher().emulatorRunning()) return;
    // Left with the pad alone, the user needs the launcher in front again.
    endedByHotkey_ = false;
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    focusFileList();
}

void CMainFrame::padMappingWanted(int pid, const PadProfile& profile) {
    pad_->startMapping(pid, profile);
}

void CMainFrame::padAction(PadAction action) {
    QWidget* popup = QApplication::activePopupWidget();
    QWidget* modal = QApplication::activeModalWidget();
    const bool inWindow = !popup && !modal;
    if (inWindow && action != PadAction::Menu) focusFileList();
    QWidget* target = popup ? popup : QApplication::focusWidget();
    if (!target) target = modal ? modal : this;
    const auto key = [target](int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    };
    switch (action) {
        case PadAction::Up:
            key(Qt::Key_Up);
            break;
        case PadAction::Down:
            key(Qt::Key_Down);
            break;
        case PadAction::PageUp:
            key(Qt::Key_PageUp);
            break;
        case PadAction::PageDown:
            key(Qt::Key_PageDown);
            break;
        case PadAction::Launch:
            if (!inWindow) {
                key(Qt::Key_Return);  // the dialog's default button, the menu's item
            } else if (fileList_) {
                // The row the pad's focus is on, when nothing is selected yet (a fresh start).
                const int selected = fileList_->selectedRow();
                const int row = selected >= 0 ? selected : fileList_->currentIndex().row();
                if (row >= 0) Q_EMIT fileList_->startRequested(row);
            }
            break;
        case PadAction::Back:
            if (popup) {
                popup->close();
            } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            } else if (modal) {
                modal->close();
            }
            break;
        case PadAction::PreviousHardware:
        case PadAction::NextHardware: {
            if (!inWindow) break;
            QComboBox* combo = bar_->hardwareCombo();
            const int next = combo->currentIndex() + (action == PadAction::NextHardware ? 1 : -1);
            if (next < 0 || next >= combo->count()) break;
            combo->setCurrentIndex(next);
            Q_EMIT bar_->hardwareChosen(next);
            break;
        }
        case PadAction::PreviousGroup:
            if (inWindow) jumpToGroup(-1);
            break;
        case PadAction::NextGroup:
            if (inWindow) jumpToGroup(1);
            break;
        case PadAction::Menu:
            if (inWindow && !menuBar()->actions().isEmpty()) {
                activateWindow();
                menuBar()->setFocus(Qt::OtherFocusReason);
                menuBar()->setActiveAction(menuBar()->actions().first());
            }
            break;
    }
}

void CMainFrame::jumpToGroup(int direction) {
    if (!fileList_ || !fileList_->model()) return;
    // The next group may start in rows still to come.
    fileList_->listModel()->showAllRows();
    QAbstractItemModel* model = fileList_->model();
    const int rows = model->rowCount();
    const int current = fileList_->currentIndex().isValid() ? fileList_->currentIndex().row() : 0;
    if (rows == 0) return;
    int column = fileList_->horizontalHeader()->sortIndicatorSection();
    if (column < 0 || column >= model->columnCount()) column = 0;
    // A group is the rows whose text opens with one letter as the sort sees it (kana folded
    // unless the sort tells them apart); digits and signs make one group of their own.
    const bool kanaSensitive = app_.settings().option(Option::SortDistinguishesKana);
    const auto group = [&](int row) {
        return letterGroup(ss(model->index(row, column).data().toString()), kanaSensitive);
    };
    const std::string here = group(current);
    int row = current;
    if (direction > 0) {
        while (row < rows - 1 && group(row) == here) ++row;
        if (group(row) == here) return;  // the last group already
    } else {
        // To the start of this group, then to the start of the one before.
        while (row > 0 && group(row - 1) == here) --row;
        if (row == 0) return;
        const std::string before = group(row - 1);
        --row;
        while (row > 0 && group(row - 1) == before) --row;
    }
    fileList_->selectRow(row);
    fileList_->setCurrentIndex(model->index(row, 0));
    fileList_->scrollTo(model->index(row, 0));
}

}  // namespace romshelf
