#include "qt/app/DatabaseFillDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

#include "core/app/Application.h"
#include "core/commands/DatabaseSources.h"
#include "core/platform/FileSystem.h"
#include "core/settings/HardwareTable.h"
#include "core/storage/DataFileKind.h"
#include "qt/QtText.h"
#include "qt/platform/BesideEventLoop.h"

namespace romshelf {

namespace {

constexpr const char* kTitle = "データベースから情報を取得";

constexpr std::array<const char*, kFillFieldCount> kFieldNames = {"ジャンル", "開発元", "発売元",
                                                                  "シリーズ", "発売年", "人数"};

const char* fieldName(FillField field) { return kFieldNames[static_cast<std::size_t>(field)]; }

const char* matchedByName(MatchedBy by) {
    switch (by) {
        case MatchedBy::Crc:
            return "CRC";
        case MatchedBy::CrcWithoutHeader:
            return "CRC (ヘッダーを除く)";
        case MatchedBy::Name:
            return "名前";
        case MatchedBy::None:
            break;
    }
    return "";
}

QPushButton* addButton(QBoxLayout* layout, const QString& text, const char* name) {
    auto* button = new QPushButton(text);
    button->setObjectName(QString::fromLatin1(name));
    layout->addWidget(button);
    return button;
}

}  // namespace

DatabaseFillDialog::DatabaseFillDialog(Application& app, QWidget* parent)
    : QDialog(parent), app_(app) {
    setWindowTitle(QString::fromUtf8(kTitle));
    auto* layout = new QVBoxLayout(this);
    auto* pages = new QTabWidget(this);
    pages->addTab(buildSourcePage(), QStringLiteral("データベース"));
    pages->addTab(buildListPage(), QStringLiteral("分類リスト"));
    pages->addTab(buildGenrePage(), QStringLiteral("ジャンル名"));
    layout->addWidget(pages);

    auto* planRow = new QHBoxLayout;
    overwrite_ = new QCheckBox(QStringLiteral("入っている値も置き換える"), this);
    overwrite_->setObjectName(QStringLiteral("overwrite"));
    planRow->addWidget(overwrite_);
    planRow->addStretch();
    connect(addButton(planRow, QStringLiteral("プレビュー"), "preview"), &QPushButton::clicked,
            this, [this] { preview(); });
    layout->addLayout(planRow);

    changes_ = new QTreeWidget(this);
    changes_->setObjectName(QStringLiteral("changes"));
    changes_->setRootIsDecorated(false);
    changes_->setHeaderLabels({QStringLiteral("ファイル"), QStringLiteral("項目"),
                               QStringLiteral("今の値"), QStringLiteral("新しい値"),
                               QStringLiteral("一致")});
    changes_->setMinimumHeight(200);
    layout->addWidget(changes_, 1);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("summary"));
    layout->addWidget(summary_);

    auto* closing = new QHBoxLayout;
    connect(addButton(closing, QStringLiteral("すべて選択"), "checkAll"), &QPushButton::clicked,
            this, [this] { checkAll(true); });
    connect(addButton(closing, QStringLiteral("すべて解除"), "checkNone"), &QPushButton::clicked,
            this, [this] { checkAll(false); });
    closing->addStretch();
    write_ = addButton(closing, QStringLiteral("書き込む"), "write");
    write_->setEnabled(false);
    connect(write_, &QPushButton::clicked, this, [this] { write(); });
    connect(addButton(closing, QStringLiteral("閉じる"), "close"), &QPushButton::clicked, this,
            &QDialog::reject);
    layout->addLayout(closing);
    resize(760, 560);
}

QWidget* DatabaseFillDialog::buildSourcePage() {
    auto* sheet = new QWidget(this);
    auto* outer = new QVBoxLayout(sheet);
    outer->addWidget(new QLabel(
        QStringLiteral("データベース (.rdb) と項目別のDATを探す場所 (空: RetroArchのフォルダ)"),
        sheet));
    auto* row = new QHBoxLayout;
    sources_ = new QListWidget(sheet);
    sources_->setObjectName(QStringLiteral("sources"));
    row->addWidget(sources_);
    auto* buttons = new QVBoxLayout;
    QPushButton* add = addButton(buttons, QStringLiteral("追加…"), "addSource");
    auto* menu = new QMenu(add);
    connect(menu->addAction(QStringLiteral("フォルダ…")), &QAction::triggered, this,
            [this] { chooseSource(false); });
    connect(menu->addAction(QStringLiteral("ファイル…")), &QAction::triggered, this,
            [this] { chooseSource(true); });
    add->setMenu(menu);
    connect(addButton(buttons, QStringLiteral("削除"), "removeSource"), &QPushButton::clicked, this,
            [this] { delete sources_->takeItem(sources_->currentRow()); });
    buttons->addStretch();
    row->addLayout(buttons);
    outer->addLayout(row);
    for (const std::string& folder : retroArchDatabaseFolders()) addSource(folder);
    // Whose databases: the hardware's own choice in the environment dialog, else its names.
    std::vector<std::string> names = chosenGameDatabases(app_.currentCode(), app_.plusSettings());
    if (names.empty()) names = gameDatabaseNames(app_.currentCode());
    std::string shown;
    for (const std::string& name : names) shown += (shown.empty() ? "" : "\n") + name;
    auto* which =
        new QLabel(qs("「" + displayNameOf(app_.currentCode(), app_.settings().customNames) +
                      "」のデータベース:\n" +
                      (shown.empty() ? std::string("(なし。環境設定で選べます)") : shown)),
                   sheet);
    which->setObjectName(QStringLiteral("databaseNames"));
    outer->addWidget(which);
    return sheet;
}

QWidget* DatabaseFillDialog::buildListPage() {
    auto* sheet = new QWidget(this);
    auto* form = new QFormLayout(sheet);
    const auto names = app_.categoryNames();
    const FillLists chosen = defaultFillLists(names);
    for (int f = 0; f < kFillFieldCount; ++f) {
        auto* box = new QComboBox(sheet);
        box->setObjectName(QString::fromLatin1(
            fillFieldKey(static_cast<FillField>(f)).data(),
            static_cast<qsizetype>(fillFieldKey(static_cast<FillField>(f)).size())));
        box->addItem(QStringLiteral("(入れない)"));
        for (int list = 0; list < kCategoryListCount; ++list)
            box->addItem(
                qs(std::to_string(list + 1) + ": " + names[static_cast<std::size_t>(list)]));
        box->setCurrentIndex(chosen[static_cast<std::size_t>(f)] + 1);
        lists_[static_cast<std::size_t>(f)] = box;
        form->addRow(qs(std::string(fieldName(static_cast<FillField>(f))) + ":"), box);
    }
    return sheet;
}

QWidget* DatabaseFillDialog::buildGenrePage() {
    auto* sheet = new QWidget(this);
    auto* outer = new QVBoxLayout(sheet);
    originalGenres_ = new QCheckBox(QStringLiteral("ジャンルはデータベースの名前のまま"), sheet);
    originalGenres_->setObjectName(QStringLiteral("originalGenres"));
    outer->addWidget(originalGenres_);
    auto* row = new QHBoxLayout;
    genreTable_ = new QTableWidget(0, 2, sheet);
    genreTable_->setObjectName(QStringLiteral("genreNames"));
    genreTable_->setHorizontalHeaderLabels(
        {QStringLiteral("データベースの名前"), QStringLiteral("日本語の名前")});
    genreTable_->horizontalHeader()->setStretchLastSection(true);
    genreTable_->verticalHeader()->setVisible(false);
    row->addWidget(genreTable_);
    auto* buttons = new QVBoxLayout;
    connect(addButton(buttons, QStringLiteral("行の追加"), "addGenre"), &QPushButton::clicked, this,
            [this] {
                genreTable_->insertRow(genreTable_->rowCount());
                genreTable_->setCurrentCell(genreTable_->rowCount() - 1, 0);
            });
    connect(addButton(buttons, QStringLiteral("行の削除"), "removeGenre"), &QPushButton::clicked,
            this, [this] {
                if (genreTable_->currentRow() >= 0)
                    genreTable_->removeRow(genreTable_->currentRow());
            });
    connect(addButton(buttons, QStringLiteral("初期値に戻す"), "resetGenres"),
            &QPushButton::clicked, this, [this] { showGenreNames(builtInGenreNames()); });
    buttons->addStretch();
    row->addLayout(buttons);
    outer->addLayout(row);
    connect(originalGenres_, &QCheckBox::toggled, genreTable_, &QWidget::setDisabled);
    showGenreNames(genreNames(app_.plusSettings()));
    return sheet;
}

void DatabaseFillDialog::showGenreNames(const GenreNames& names) {
    genreTable_->setRowCount(0);
    for (const auto& [english, japanese] : names) {
        const int row = genreTable_->rowCount();
        genreTable_->insertRow(row);
        genreTable_->setItem(row, 0, new QTableWidgetItem(qs(english)));
        genreTable_->setItem(row, 1, new QTableWidgetItem(qs(japanese)));
    }
}

GenreNames DatabaseFillDialog::shownGenreNames() const {
    GenreNames names;
    for (int row = 0; row < genreTable_->rowCount(); ++row) {
        const QTableWidgetItem* english = genreTable_->item(row, 0);
        const QTableWidgetItem* japanese = genreTable_->item(row, 1);
        const QString from = english ? english->text().trimmed() : QString();
        if (from.isEmpty()) continue;  // a row added and left empty
        names.emplace_back(ss(from), japanese ? ss(japanese->text().trimmed()) : std::string());
    }
    return names;
}

void DatabaseFillDialog::addSource(const std::string& path) {
    if (path.empty() || !sources_->findItems(qs(path), Qt::MatchExactly).isEmpty()) return;
    sources_->addItem(qs(path));
}

void DatabaseFillDialog::chooseSource(bool file) {
    Prompter& prompter = app_.prompter();
    const auto path =
        file ? prompter.chooseOpenFile("データベースファイルの追加", "ゲームデータベース",
                                       "*.rdb;*.dat", app_.browseFolder())
             : prompter.chooseFolder("データベースのフォルダの追加", app_.browseFolder());
    if (!path || path->empty()) return;
    app_.setBrowseFolder(file ? fs::pathFolder(*path) : *path);
    addSource(*path);
}

std::vector<std::string> DatabaseFillDialog::shownSources() const {
    std::vector<std::string> paths;
    for (int i = 0; i < sources_->count(); ++i) paths.push_back(ss(sources_->item(i)->text()));
    return paths;
}

FillOptions DatabaseFillDialog::options() const {
    FillOptions options;
    for (int f = 0; f < kFillFieldCount; ++f)
        options.lists[static_cast<std::size_t>(f)] =
            lists_[static_cast<std::size_t>(f)]->currentIndex() - 1;
    options.overwrite = overwrite_->isChecked();
    options.originalGenreNames = originalGenres_->isChecked();
    options.genreNames = shownGenreNames();
    return options;
}

bool DatabaseFillDialog::preview() {
    plan_.reset();
    showPlan();
    const FillOptions chosen = options();
    if (std::all_of(chosen.lists.begin(), chosen.lists.end(), [](int list) { return list < 0; })) {
        app_.prompter().inform("どの項目にも分類リストが選ばれていません。", kTitle);
        return false;
    }
    std::string error;
    const auto files = fillDatabaseFiles(app_, shownSources(), error);
    std::optional<GameDatabase> database;
    if (files) {
        // A large database takes a while to read: the windows go on painting meanwhile.
        const auto busy = app_.busyScope();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        runBesideEventLoop([&] { database = loadGameDatabase(*files, error); });
        QApplication::restoreOverrideCursor();
    }
    if (!database) {
        app_.prompter().inform(error, std::string(kWarningTitle));
        return false;
    }
    FillPlan plan;
    {
        const auto busy = app_.busyScope();
        plan = planListedFill(app_, *database, chosen);
    }
    if (plan.cancelled) return false;
    plan_ = std::move(plan);
    showPlan();
    return true;
}

void DatabaseFillDialog::showPlan() {
    changes_->clear();
    write_->setEnabled(plan_ && !plan_->changes.empty());
    if (!plan_) {
        summary_->clear();
        return;
    }
    std::map<std::string, MatchedBy> matched;
    for (const FillMatch& match : plan_->matches) matched.emplace(match.file, match.by);
    QList<QTreeWidgetItem*> rows;
    for (const FillChange& change : plan_->changes) {
        auto* item = new QTreeWidgetItem(
            {qs(change.file), QString::fromUtf8(fieldName(change.field)), qs(change.oldValue),
             qs(change.newValue), QString::fromUtf8(matchedByName(matched[change.file]))});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Checked);
        rows.push_back(item);
    }
    changes_->addTopLevelItems(rows);
    for (int column = 0; column < changes_->columnCount(); ++column)
        changes_->resizeColumnToContents(column);
    summary_->setText(qs("変更 " + std::to_string(plan_->changes.size()) + "件 / CRCで一致 " +
                         std::to_string(plan_->byCrc) + "、名前で一致 " +
                         std::to_string(plan_->byName) + "、見つからない " +
                         std::to_string(plan_->notFound)));
}

void DatabaseFillDialog::checkAll(bool checked) {
    for (int i = 0; i < changes_->topLevelItemCount(); ++i)
        changes_->topLevelItem(i)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void DatabaseFillDialog::write() {
    if (!plan_) return;
    std::vector<bool> keep;
    for (int i = 0; i < changes_->topLevelItemCount(); ++i)
        keep.push_back(changes_->topLevelItem(i)->checkState(0) == Qt::Checked);
    if (std::find(keep.begin(), keep.end(), true) == keep.end()) {
        app_.prompter().inform("書き込む変更が選ばれていません。", kTitle);
        return;
    }
    // The genre names the user edited are kept for the next time.
    PlusSettings plus = app_.plusSettings();
    setGenreNames(shownGenreNames(), plus);
    if (plus != app_.plusSettings()) app_.changePlusSettings(plus);
    std::string error;
    std::optional<FillRun> run;
    {
        const auto busy = app_.busyScope();
        run = applyFill(app_, *plan_, keep, error);
    }
    if (!run) {
        app_.prompter().inform(error, std::string(kWarningTitle));
        return;
    }
    run_ = run;
    std::string text = fillReportText(run->plan);
    if (!run->written) text += "\n\nファイル情報を保存できませんでした。";
    if (run->withoutRoom > 0)
        text +=
            "\n\nファイル情報が一杯で登録できなかったファイル: " + std::to_string(run->withoutRoom);
    if (!run->backupPath.empty()) text += "\n\n書き込む前のファイル情報の控え:\n" + run->backupPath;
    ReportTable table;
    table.caption = "書き込んだ変更";
    table.columns = {"ファイル", "項目", "前の値", "新しい値"};
    for (const FillChange& change : run->plan.changes)
        table.rows.push_back(
            {change.file, fieldName(change.field), change.oldValue, change.newValue});
    app_.prompter().showReport(kTitle, text, {table});
    if (run->written) accept();
}

}  // namespace romshelf
