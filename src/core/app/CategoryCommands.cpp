#include "core/app/CategoryCommands.h"

#include <algorithm>

#include "core/settings/HardwareTable.h"
#include "core/text/TextCodec.h"

namespace romshelf {

CategoryOrganiser CategoryCommands::open(int list) const {
    const auto names = session_.categoryNames();
    return CategoryOrganiser(list, names[static_cast<std::size_t>(list)],
                             session_.categoryLists().items[static_cast<std::size_t>(list)]);
}

template <class Visit>
void CategoryCommands::forEveryHardware(Visit&& visit) {
    for (int i = 0; i < kHardwareSlots; ++i) {
        const std::string code(hardwareCodeOf(i));
        if (code.empty()) continue;
        if (code == session_.code()) {
            visit(code, nullptr);
            continue;
        }
        // A missing file holds no records; a refused one is told here, once, and never written.
        RomTable table;
        if (table.load(stream_, session_.dataFile("RomData_", code, ".slb"), prompter_) ==
            LoadResult::Loaded)
            visit(code, &table);
    }
}

CategoryCommands::RenameResult CategoryCommands::rename(CategoryOrganiser& organiser) {
    switch (organiser.checkRename()) {
        case CategoryOrganiser::RenameCheck::Nothing:
            return RenameResult::Nothing;
        case CategoryOrganiser::RenameCheck::Duplicate:
            prompter_.inform(std::string(kDuplicateItemMessage), std::string(kWarningTitle));
            return RenameResult::Duplicate;
        case CategoryOrganiser::RenameCheck::Ready:
            break;
    }
    const int list = organiser.list();
    const auto row = static_cast<std::size_t>(organiser.currentSelection());
    const std::string from = organiser.current()[row], to = organiser.renameText;
    if (list == kHardwareClassList) {
        // Other hardware have class lists of their own.
        if (replaceCategoryValue(session_.records(), list, from, to) > 0 && recordsChanged_)
            recordsChanged_();
        organiser.renameSelected(to);
        return RenameResult::Renamed;
    }

    std::vector<std::string> kept;  // the hardware whose file still holds `from`
    forEveryHardware([&](const std::string& code, RomTable* table) {
        if (table) {
            if (replaceCategoryValue(*table, list, from, to) > 0 &&
                !table->save(stream_, session_.dataFile("RomData_", code, ".slb")))
                kept.push_back(code);
            return;
        }
        // The current hardware: the records in memory, saved through the session. A failed save
        // takes the change back, so that memory and file agree on the old text.
        RomTable before = session_.romTable();
        if (replaceCategoryValue(session_.records(), list, from, to) == 0) return;
        if (!session_.saveRecords()) {
            session_.records() = std::move(before);
            kept.push_back(code);
        } else if (recordsChanged_) {
            recordsChanged_();
        }
    });
    if (kept.empty()) {
        organiser.renameSelected(to);
        return RenameResult::Renamed;
    }

    const std::vector<DataStream::FailedSave> failed = stream_.takeFailedSaves();
    std::string text =
        "次のハードウェアのロム情報ファイルを保存できなかったため、そのファイル情報の分類は「" +
        from + "」のままです。\n項目「" + from +
        "」の名前も変更していません。保存できるようにしてから、もう一度変更してください。\n";
    for (const std::string& code : kept) {
        const std::string path = session_.dataFile("RomData_", code, ".slb");
        text += "\n" + session_.displayName(code) + "\n" + path;
        const auto why = std::find_if(failed.begin(), failed.end(),
                                      [&](const auto& f) { return f.path == path; });
        if (why != failed.end()) text += "\n（" + saveErrorText(why->error) + "）";
    }
    prompter_.inform(text, std::string(kWarningTitle));
    return RenameResult::Kept;
}

int CategoryCommands::addMissing(CategoryOrganiser& organiser) {
    const int list = organiser.list();
    std::vector<std::string> used;
    if (list == kHardwareClassList) {
        collectCategoryValues(session_.romTable(), list, used);
    } else {
        forEveryHardware([&](const std::string&, const RomTable* table) {
            collectCategoryValues(table ? *table : session_.romTable(), list, used);
        });
    }
    return organiser.addMissing(used);
}

bool CategoryCommands::addTypedItem(int list, const std::string& text) {
    if (list < 0 || list >= kCategoryListCount || text.empty()) return false;
    const std::vector<std::string>& items =
        session_.categoryLists().items[static_cast<std::size_t>(list)];
    const std::string upper = text::toUpper(text);
    for (const std::string& item : items)
        if (text::toUpper(item) == upper) return false;
    std::vector<std::string> more = items;
    more.push_back(text);
    session_.setCategoryItems(list, std::move(more));
    return true;
}

bool CategoryCommands::save() {
    session_.saveCurrentFiles(false);
    return reportFailedSaves(stream_, prompter_);
}

}  // namespace romshelf
