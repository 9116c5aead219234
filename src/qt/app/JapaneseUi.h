#pragma once

#include <QLocale>
#include <QObject>
#include <QStyledItemDelegate>
#include <QTranslator>

namespace romshelf {

// Qt's own file dialog writes its dates in the system's locale: this writes the modification
// dates in the default locale instead.
class FileDialogDates : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// The program speaks Japanese whatever the desktop's language, and so do Qt's own widgets and
// dialogs while this lives: Qt's translation (with the few texts it lacks), the Japanese locale
// as every widget's default (dates, numbers, file types), and the dates of Qt's file dialogs.
// Made before the first widget. Without Qt's translation installed its texts stay in English.
class JapaneseUi : public QObject {
    Q_OBJECT
public:
    JapaneseUi();
    ~JapaneseUi() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Texts the installed translation may not have (it is older than some of Qt's contexts).
    class Supplement : public QTranslator {
    public:
        QString translate(const char* context, const char* sourceText, const char* disambiguation,
                          int n) const override;
        bool isEmpty() const override { return false; }
    };

    QLocale before_;
    QTranslator qt_;
    Supplement supplement_;
    bool qtLoaded_ = false;
};

}  // namespace romshelf
