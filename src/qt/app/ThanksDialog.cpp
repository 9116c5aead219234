#include "qt/app/ThanksDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace romshelf {

namespace {

const char* const kThanks[] = {
    "Romshelf Plus の開発者たち",
    "Romshelf Plus maintainers",
    "動作確認に協力してくださったテスターの皆さん",
    "そして Romshelf Plus !! を使ってくださるすべての皆さん",
};

}  // namespace

ThanksDialog::ThanksDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("サンクスダイアログ"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("ありがとうございます！"), this));
    for (const char* name : kThanks) {
        auto* label = new QLabel(QString::fromUtf8(name), this);
        label->setIndent(16);
        layout->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

}  // namespace romshelf
