#include "qt/app/DialogButtons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

namespace romshelf {

void addSaveCancelButtons(QDialog* dialog, QBoxLayout* layout) {
    auto* bar = new QHBoxLayout;
    bar->addStretch();
    auto* ok = new QPushButton(QStringLiteral("設定の保存"), dialog);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), dialog);
    ok->setDefault(true);
    bar->addWidget(ok);
    bar->addWidget(cancel);
    layout->addLayout(bar);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}

}  // namespace romshelf
