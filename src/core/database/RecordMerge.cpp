#include "core/database/RecordMerge.h"

#include <cstdint>
#include <unordered_map>
#include <variant>

namespace romshelf {

namespace {

// The addresses of a record's fields in file order, to compare three records field by field.
class FieldRefs {
public:
    using Ref = std::variant<std::string*, std::int32_t*, bool*>;
    template <class... Name>
    void field(std::string& v, const Name&...) {
        refs.emplace_back(&v);
    }
    template <class... Name>
    void field(std::int32_t& v, const Name&...) {
        refs.emplace_back(&v);
    }
    template <class... Name>
    void field(bool& v, const Name&...) {
        refs.emplace_back(&v);
    }
    template <class... Name>
    void reservedInteger(const Name&...) {}
    template <class... Name>
    void reservedString(const Name&...) {}
    std::vector<Ref> refs;
};

std::vector<FieldRefs::Ref> fieldsOf(RomRecord& r) {
    FieldRefs refs;
    transferRomRecord(refs, r, 0);
    return refs.refs;
}

// Applies what `mine` changed from `base` to `into`; false when a field clashes.
bool applyChanges(RomRecord base, RomRecord mine, RomRecord& into) {
    const auto b = fieldsOf(base), m = fieldsOf(mine), t = fieldsOf(into);
    bool clean = true;
    for (std::size_t i = 0; i < b.size(); ++i) {
        std::visit(
            [&](auto* bv) {
                using P = decltype(bv);
                auto* mv = std::get<P>(m[i]);
                auto* tv = std::get<P>(t[i]);
                if (*mv == *bv || *tv == *mv) return;
                if (*tv == *bv)
                    *tv = *mv;
                else
                    clean = false;
            },
            b[i]);
    }
    return clean;
}

// What a record made for a file holds before anything is told about it.
RomRecord titleOnly(const std::string& title) {
    RomRecord r;
    r.fileTitle = r.gameName = r.reading = title;
    return r;
}

}  // namespace

RecordMerge mergeRecords(const std::vector<RomRecord>& base, const std::vector<RomRecord>& mine,
                         const std::vector<RomRecord>& added,
                         const std::vector<RomRecord>& theirs) {
    RecordMerge merge;
    merge.records = theirs;
    std::vector<bool> dropped(theirs.size(), false);
    std::unordered_map<std::string, std::size_t> byTitle;
    for (std::size_t i = 0; i < theirs.size(); ++i) byTitle.emplace(theirs[i].fileTitle, i);
    auto find = [&](const std::string& title) -> RomRecord* {
        const auto it = byTitle.find(title);
        if (it == byTitle.end() || dropped[it->second]) return nullptr;
        return &merge.records[it->second];
    };
    for (std::size_t i = 0; i < base.size() && i < mine.size(); ++i) {
        const RomRecord& b = base[i];
        const RomRecord& m = mine[i];
        if (m == b) continue;
        RomRecord* t = find(b.fileTitle);
        if (m.fileTitle.empty()) {
            // Deleted here: gone already, or deleted unless they changed it meanwhile.
            if (t == nullptr) continue;
            if (*t == b)
                dropped[byTitle[b.fileTitle]] = true;
            else
                merge.clashes.push_back(b.fileTitle);
            continue;
        }
        if (t == nullptr) {
            merge.clashes.push_back(b.fileTitle);
            continue;
        }
        // A new title must not land on a record of theirs of that title.
        if (m.fileTitle != b.fileTitle && t->fileTitle != m.fileTitle &&
            find(m.fileTitle) != nullptr) {
            merge.clashes.push_back(m.fileTitle);
            continue;
        }
        if (!applyChanges(b, m, *t)) merge.clashes.push_back(b.fileTitle);
    }
    for (const RomRecord& a : added) {
        if (a.fileTitle.empty()) continue;
        RomRecord* t = find(a.fileTitle);
        if (t == nullptr) {
            merge.records.push_back(a);
            byTitle.emplace(a.fileTitle, merge.records.size() - 1);
            dropped.push_back(false);
        } else if (!(*t == a) && !applyChanges(titleOnly(a.fileTitle), a, *t)) {
            merge.clashes.push_back(a.fileTitle);
        }
    }
    std::vector<RomRecord> kept;
    kept.reserve(merge.records.size());
    for (std::size_t i = 0; i < merge.records.size(); ++i)
        if (!dropped[i]) kept.push_back(std::move(merge.records[i]));
    merge.records = std::move(kept);
    return merge;
}

}  // namespace romshelf
