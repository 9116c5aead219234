#include "qt/app/JapaneseUi.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLibraryInfo>
#include <cstring>

namespace romshelf {

namespace {

// The column of a file system model that holds the modification date.
constexpr int kDateColumn = 3;

struct SupplementText {
    const char* context;
    const char* source;
    const char* japanese;
};

// The file type column's words for what has no MIME type (folders, drives).
constexpr SupplementText kSupplement[] = {
    {"QAbstractFileIconProvider", "Folder", "フォルダ"},
    {"QAbstractFileIconProvider", "Drive", "ドライブ"},
    {"QAbstractFileIconProvider", "Shortcut", "ショートカット"},
    {"QAbstractFileIconProvider", "Unknown", "不明"},
};

}  // namespace

void FileDialogDates::initStyleOption(QStyleOptionViewItem* option,
                                      const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() != kDateColumn) return;
    if (const auto* files = qobject_cast<const QFileSystemModel*>(index.model()))
        option->text = QLocale().toString(files->lastModified(index), QLocale::ShortFormat);
}

QString JapaneseUi::Supplement::translate(const char* context, const char* sourceText, const char*,
                                          int) const {
    if (!context || !sourceText) return {};
    for (const SupplementText& t : kSupplement)
        if (std::strcmp(context, t.context) == 0 && std::strcmp(sourceText, t.source) == 0)
            return QString::fromUtf8(t.japanese);
    return {};
}

JapaneseUi::JapaneseUi() {
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    // The last installed is asked first: Qt's own translation wins where it has the text.
    QCoreApplication::installTranslator(&supplement_);
    qtLoaded_ =
        qt_.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (qtLoaded_) QCoreApplication::installTranslator(&qt_);
    qApp->installEventFilter(this);
}

JapaneseUi::~JapaneseUi() {
    qApp->removeEventFilter(this);
    if (qtLoaded_) QCoreApplication::removeTranslator(&qt_);
    QCoreApplication::removeTranslator(&supplement_);
    QLocale::setDefault(before_);
}

bool JapaneseUi::eventFilter(QObject* watched, QEvent* event) {
    // Each file dialog gets the dates' delegate as it is shown for the first time.
    if (event->type() == QEvent::Show)
        if (auto* dialog = qobject_cast<QFileDialog*>(watched);
            dialog && !dialog->findChild<FileDialogDates*>())
            dialog->setItemDelegate(new FileDialogDates(dialog));
    return false;
}

}  // namespace romshelf
