#include "app/QtPrompter.h"

#include <QFileDialog>
#include <QMessageBox>

#include "QtText.h"

namespace romshelf {

bool QtPrompter::messageBox(const std::string& text, const std::string& title, bool question) {
    QMessageBox box(question ? QMessageBox::Question : QMessageBox::Information, qs(title),
                    qs(text), question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok);
    if (question) box.setDefaultButton(QMessageBox::Yes);
    const int answer = box.exec();
    return !question || answer == QMessageBox::Yes;
}

std::optional<std::string> QtPrompter::chooseFolder(const std::string& title,
                                                    const std::string& startFolder) {
    const QString folder = QFileDialog::getExistingDirectory(nullptr, qs(title), qs(startFolder));
    if (folder.isEmpty()) return std::nullopt;
    return ss(folder);
}

}  // namespace romshelf
