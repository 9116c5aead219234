#include "core/rename/DatVerify.h"

#include <algorithm>
#include <cstdio>

#include "core/text/CsvField.h"

namespace romshelf {

namespace {

// The entry's file name without the folders the DAT puts it in.
std::string_view lastPart(std::string_view name) {
    const auto slash = name.find_last_of("/\\");
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

bool matches(const DatRom& rom, const DatSums& sums) {
    if (rom.size && *rom.size != sums.size) return false;
    if (!rom.sha1.empty()) return rom.sha1 == sums.sha1;
    if (!rom.md5.empty()) return rom.md5 == sums.md5;
    // An entry with no sum at all tells no file apart.
    return rom.crc && *rom.crc == sums.crc;
}

// The set an archive would be: its name without folders and extension.
std::string setNameOf(std::string_view archive) {
    const std::string_view name = lastPart(archive);
    const auto dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

}  // namespace

const char* verifyStatusWord(VerifyStatus status) {
    static constexpr const char* kWords[] = {"have", "rename",  "unknown",
                                             "bad",  "missing", "unreadable"};
    return kWords[static_cast<int>(status)];
}

const char* verifyReason(VerifyStatus status) {
    static constexpr const char* kReasons[] = {"",
                                               "matches an entry of another name",
                                               "matches no entry",
                                               "has an entry's name but other contents",
                                               "no file matches",
                                               "could not be read"};
    return kReasons[static_cast<int>(status)];
}

DatVerifier::DatVerifier(const DatFile& dat)
    : dat_(dat), matched_(dat.roms.size(), false), sets_(dat) {
    report_.datName = dat.name;
    report_.datVersion = dat.version;
    report_.skipper = dat.skipper;
    for (std::size_t i = 0; i < dat.roms.size(); ++i) {
        const DatRom& rom = dat.roms[i];
        const int index = static_cast<int>(i);
        // Each entry is found by its strongest sum; matches() then checks the others.
        if (!rom.sha1.empty())
            bySha1_.emplace(rom.sha1, index), needed_.sha1 = true;
        else if (!rom.md5.empty())
            byMd5_.emplace(rom.md5, index), needed_.md5 = true;
        else if (rom.crc)
            byCrc_.emplace(*rom.crc, index);
        byName_.emplace(std::string(lastPart(rom.name)), index);
    }
}

std::vector<int> DatVerifier::matching(const DatSums& sums) const {
    std::vector<int> found;
    auto collect = [&](auto range) {
        for (auto it = range.first; it != range.second; ++it)
            if (matches(dat_.roms[static_cast<std::size_t>(it->second)], sums))
                found.push_back(it->second);
    };
    collect(bySha1_.equal_range(sums.sha1));
    collect(byMd5_.equal_range(sums.md5));
    collect(byCrc_.equal_range(sums.crc));
    std::sort(found.begin(), found.end());
    return found;
}

void DatVerifier::add(const std::string& file, const std::string& member, const std::string& name,
                      const ContentIdentity& id) {
    VerifyRow row;
    row.file = file;
    row.member = member;
    const DatSums* sums = &id.whole;
    std::vector<int> found = matching(id.whole);
    if (found.empty() && id.withoutHeader) {
        found = matching(*id.withoutHeader);
        if (!found.empty()) {
            sums = &*id.withoutHeader;
            row.matchedWithoutHeader = id.header;
            ++report_.withoutHeader;
        }
    }
    row.size = sums->size;
    row.crc = sums->crc;
    row.md5 = sums->md5;
    row.sha1 = sums->sha1;
    if (!found.empty()) {
        // Every entry of these contents is had; the one of the file's name, if any, names it.
        const auto named = std::find_if(found.begin(), found.end(), [&](int i) {
            return lastPart(dat_.roms[static_cast<std::size_t>(i)].name) == name;
        });
        for (const int i : found) matched_[static_cast<std::size_t>(i)] = true;
        if (const std::string set = member.empty() ? "" : setNameOf(file); sets_.isSet(set))
            sets_.foundInSet(set, found);
        else
            sets_.foundLoose(found);
        row.status = named != found.end() ? VerifyStatus::Have : VerifyStatus::Rename;
        const DatRom& rom =
            dat_.roms[static_cast<std::size_t>(named != found.end() ? *named : found.front())];
        row.game = rom.game;
        row.datName = rom.name;
        if (row.status == VerifyStatus::Rename) row.target = lastPart(rom.name);
    } else if (const auto same = byName_.find(name); same != byName_.end()) {
        row.status = VerifyStatus::Bad;
        row.game = dat_.roms[static_cast<std::size_t>(same->second)].game;
        row.datName = dat_.roms[static_cast<std::size_t>(same->second)].name;
    } else {
        row.status = VerifyStatus::Unknown;
    }
    ++report_.counts[static_cast<std::size_t>(row.status)];
    report_.rows.push_back(std::move(row));
}

void DatVerifier::addUnreadable(const std::string& file, const std::string& member) {
    VerifyRow row;
    row.status = VerifyStatus::Unreadable;
    row.file = file;
    row.member = member;
    ++report_.counts[static_cast<std::size_t>(row.status)];
    report_.rows.push_back(std::move(row));
}

VerifyReport DatVerifier::finish() {
    for (std::size_t i = 0; i < dat_.roms.size(); ++i) {
        const DatRom& rom = dat_.roms[i];
        // An entry known not to be dumped is missing from every set.
        if (matched_[i] || rom.nodump) continue;
        VerifyRow row;
        row.status = VerifyStatus::Missing;
        row.game = rom.game;
        row.datName = rom.name;
        row.size = rom.size;
        row.crc = rom.crc;
        row.md5 = rom.md5;
        row.sha1 = rom.sha1;
        ++report_.counts[static_cast<std::size_t>(VerifyStatus::Missing)];
        report_.rows.push_back(std::move(row));
        report_.missing.push_back(rom);
    }
    report_.sets = sets_.finish();
    return std::move(report_);
}

std::string verifyReportCsv(const VerifyReport& report) {
    std::string csv =
        "\xEF\xBB\xBFstatus,file,member,game,dat_name,target,size,crc32,md5,sha1,header,"
        "reason\r\n";
    for (const VerifyRow& row : report.rows) {
        char crc[9] = "";
        if (row.crc) std::snprintf(crc, sizeof crc, "%08x", *row.crc);
        const std::string header = row.matchedWithoutHeader == HeaderKind::None
                                       ? ""
                                       : "matched without its " +
                                             std::string(headerKindName(row.matchedWithoutHeader)) +
                                             " header";
        csv += std::string(verifyStatusWord(row.status)) + "," + csvField(row.file) + "," +
               csvField(row.member) + "," + csvField(row.game) + "," + csvField(row.datName) + "," +
               csvField(row.target) + "," + (row.size ? std::to_string(*row.size) : "") + "," +
               crc + "," + row.md5 + "," + row.sha1 + "," + header + "," +
               verifyReason(row.status) + "\r\n";
    }
    return csv;
}

std::string verifySummary(const VerifyReport& report) {
    std::string text;
    // The five that every run has; the unreadable only when there are any.
    for (int s = 0; s <= static_cast<int>(VerifyStatus::Missing); ++s)
        text += (s ? "\t" : "") + std::to_string(report.counts[static_cast<std::size_t>(s)]) + " " +
                verifyStatusWord(static_cast<VerifyStatus>(s));
    if (const int unreadable = report.count(VerifyStatus::Unreadable); unreadable > 0)
        text += "\t" + std::to_string(unreadable) + " unreadable";
    if (report.withoutHeader > 0)
        text += "\t" + std::to_string(report.withoutHeader) + " without header";
    if (report.sets.counted) text += "\t" + setSummary(report.sets);
    return text;
}

}  // namespace romshelf
