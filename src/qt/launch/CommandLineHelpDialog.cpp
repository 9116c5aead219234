#include "qt/launch/CommandLineHelpDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace romshelf {

CommandLineHelpDialog::CommandLineHelpDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("コマンドライン追記"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(
        QStringLiteral(
            "RomshelfPlus!! では、通常コマンドラインの後にファイルパスを記述しますが、"
            "コマンドライン文中に下記の文字があれば、その文字を対応した文字列に置き換えて"
            "エミュレータに渡します。"),
        this);
    intro->setWordWrap(true);
    intro->setObjectName(QStringLiteral("intro"));
    layout->addWidget(intro);
    auto* placeholders =
        new QLabel(QStringLiteral("\n $F : ファイル名に置き換えます\n"
                                  " $T : ファイルタイトルに置き換えます\n"
                                  " $P : ファイルパスに置き換えます\n"
                                  " $M : ディスクセットのM3Uファイルのパスに置き換えます"),
                   this);
    placeholders->setObjectName(QStringLiteral("placeholders"));
    layout->addWidget(placeholders);
    auto* bar = new QHBoxLayout;
    bar->addStretch();
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setDefault(true);
    bar->addWidget(close);
    layout->addLayout(bar);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace romshelf
