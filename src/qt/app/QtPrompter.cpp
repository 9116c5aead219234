#include "qt/app/QtPrompter.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>

#include "qt/QtText.h"
#include "qt/app/ReportDialog.h"

namespace romshelf {

void QtPrompter::becomeUnattended() {
    unattended_ = true;
    // The boxes and pickers waiting now: their own event loops end, as if cancelled.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(w);
            dialog && dialog->isVisible() && dialog->isModal())
            dialog->reject();
}

bool QtPrompter::messageBox(const std::string& text, const std::string& title, bool question) {
    if (unattended_) {
        std::fprintf(stderr, "romshelf: [%s] %s%s\n", title.c_str(), text.c_str(),
                     question ? " (no)" : "");
        return !question;
    }
    QMessageBox box(question ? QMessageBox::Question : QMessageBox::Information, qs(title),
                    qs(text), question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok);
    // The buttons speak Japanese whether or not Qt's own translation is installed.
    if (question) {
        box.button(QMessageBox::Yes)->setText(QStringLiteral("はい"));
        box.button(QMessageBox::No)->setText(QStringLiteral("いいえ"));
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    }
    const int answer = box.exec();
    return !question || answer == QMessageBox::Yes;
}

void QtPrompter::showReport(const std::string& title, const std::string& text,
                            const std::vector<ReportTable>& tables) {
    // The rows are in the files the command offers to save next; unattended, the counts suffice.
    if (unattended_ || tables.empty()) {
        messageBox(text, title, false);
        return;
    }
    ReportDialog dialog(title, text, tables);
    dialog.exec();
}

std::optional<std::string> QtPrompter::chooseFolder(const std::string& title,
                                                    const std::string& startFolder) {
    if (unattended_) return std::nullopt;
    const QString folder = QFileDialog::getExistingDirectory(nullptr, qs(title), qs(startFolder));
    if (folder.isEmpty()) return std::nullopt;
    return ss(folder);
}

std::optional<std::string> QtPrompter::chooseOpenFile(const std::string& title,
                                                      const std::string& filterDescription,
                                                      const std::string& pattern,
                                                      const std::string& startFolder) {
    if (unattended_) return std::nullopt;
    if (pattern == kExecutableFilesPattern)
        return chooseExecutable(title, filterDescription, startFolder);
    // Qt takes the last parenthesised part of a filter as its patterns, so the pattern follows
    // the description even when the description has parentheses of its own.
    QStringList filters{qs(filterDescription) + QStringLiteral(" (") + qs(pattern) +
                        QStringLiteral(")")};
    // A pattern with wildcards gets a way out; an exact name (a tool's own file) is the only
    // choice, so that no other file can take its place.
    if (pattern != "*" && pattern != "*.*" && pattern.find_first_of("*?") != std::string::npos)
        filters << QStringLiteral("すべてのファイル (*)");
    const QString file = QFileDialog::getOpenFileName(nullptr, qs(title), qs(startFolder),
                                                      filters.join(QStringLiteral(";;")));
    if (file.isEmpty()) return std::nullopt;
    return ss(file);
}

std::optional<std::string> QtPrompter::chooseExecutable(const std::string& title,
                                                        const std::string& filterDescription,
                                                        const std::string& startFolder) {
    // Programs are told by their execute permission, which no name pattern can express: Qt's
    // own dialog filters its model by it (a native one would ignore the filter).
    QFileDialog dialog(nullptr, qs(title), qs(startFolder));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QString executables = qs(filterDescription) + QStringLiteral(" (*)");
    const QString all = QStringLiteral("すべてのファイル (*)");
    dialog.setNameFilters({executables, all});
    const QDir::Filters listed = QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Files;
    dialog.setFilter(listed | QDir::Executable);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
        dialog.setFilter(chosen == executables ? listed | QDir::Executable : listed);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return ss(dialog.selectedFiles().front());
}

std::optional<std::string> QtPrompter::chooseSaveFile(const std::string& title,
                                                      const std::string& filterDescription,
                                                      const std::string& pattern,
                                                      const std::string& startFolder,
                                                      const std::string& defaultName) {
    if (unattended_) return std::nullopt;
    const QString filter =
        qs(filterDescription) + QStringLiteral(" (") + qs(pattern) + QStringLiteral(")");
    QString start = qs(startFolder);
    if (!defaultName.empty()) start = QDir(start).filePath(qs(defaultName));
    // The caller asks its own overwrite question, in its own words.
    const QString file = QFileDialog::getSaveFileName(nullptr, qs(title), start, filter, nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (file.isEmpty()) return std::nullopt;
    return ss(file);
}

}  // namespace romshelf
