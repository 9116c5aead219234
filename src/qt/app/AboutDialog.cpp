#include "qt/app/AboutDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace romshelf {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Romshelf Plus !! のバージョン情報"));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("Romshelf Plus !!"), this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    name->setFont(bold);
    layout->addWidget(name);
    layout->addWidget(
        new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(ROMSHELF_VERSION)), this));
    layout->addWidget(
        new QLabel(QStringLiteral("エミュレータ用ランチャー＆ROMカタログ\nLinux 版 (Qt %1)")
                       .arg(QString::fromLatin1(qVersion())),
                   this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

}  // namespace romshelf
