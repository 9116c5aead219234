#include "core/roms/RomHeader.h"

#include <array>
#include <cstdio>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"
#include "core/roms/HeaderSkip.h"
#include "core/roms/RomHeaderFields.h"
#include "core/text/TextCodec.h"

namespace romshelf {

namespace {

using namespace romheader;

// --- iNES / NES 2.0 --------------------------------------------------------------------------

// A NES 2.0 size: 12 bits of units, or (top nibble 0xF) an exponent and a multiplier.
std::optional<std::uint64_t> nes2Size(unsigned low, unsigned high, std::uint64_t unit) {
    if (high != 0xF) return (std::uint64_t{high} << 8 | low) * unit;
    const unsigned exponent = low >> 2;
    if (exponent > 40) return std::nullopt;  // more than any file we read
    return (std::uint64_t{1} << exponent) * ((low & 3) * 2 + 1);
}

HeaderReport readNes(std::string_view b) {
    if (b.size() < 16 || b.substr(0, 4) != std::string_view("NES\x1A", 4))
        return invalid("iNES", "先頭に \"NES\" と $1A がありません。");
    const unsigned f6 = byteAt(b, 6), f7 = byteAt(b, 7);
    const bool nes2 = (f7 & 0x0C) == 0x08;
    std::optional<std::uint64_t> prg, chr;
    unsigned mapper = f6 >> 4;
    HeaderReport r;
    if (nes2) {
        prg = nes2Size(byteAt(b, 4), byteAt(b, 9) & 0x0F, 16384);
        chr = nes2Size(byteAt(b, 5), byteAt(b, 9) >> 4, 8192);
        mapper |= (f7 & 0xF0) | (byteAt(b, 8) & 0x0F) << 8;
    } else {
        prg = std::uint64_t{byteAt(b, 4)} * 16384;
        chr = std::uint64_t{byteAt(b, 5)} * 8192;
        // Old dumping tools wrote their name into bytes 12..15, and the upper mapper nibble
        // with it: it is only believed when they are clear.
        if (b.substr(12, 4) == std::string_view("\0\0\0\0", 4)) mapper |= f7 & 0xF0;
    }
    if (!prg || !chr || *prg == 0) return invalid("iNES", "PRG-ROMの大きさが正しくありません。");
    r.valid = true;
    r.lines.push_back(field("形式", nes2 ? "NES 2.0" : "iNES"));
    r.lines.push_back(field("マッパー", number(mapper)));
    if (nes2) r.lines.push_back(field("サブマッパー", number(byteAt(b, 8) >> 4)));
    r.lines.push_back(field("PRG-ROM", sizeText(*prg)));
    r.lines.push_back(field("CHR-ROM", *chr ? sizeText(*chr) : "なし (CHR-RAM)"));
    r.lines.push_back(field("ミラーリング", (f6 & 8) ? "4画面" : (f6 & 1) ? "垂直" : "水平"));
    r.lines.push_back(field("バッテリー", yesNo(f6 & 2)));
    r.lines.push_back(field("トレーナー", yesNo(f6 & 4)));
    static constexpr const char* kConsoles[] = {"ファミコン", "VS. System", "PlayChoice-10",
                                                "拡張"};
    r.lines.push_back(field("本体", kConsoles[f7 & 3]));
    if (nes2) {
        static constexpr const char* kTimings[] = {"NTSC", "PAL", "NTSC/PAL", "Dendy"};
        r.lines.push_back(field("タイミング", kTimings[byteAt(b, 12) & 3]));
    }
    if (!nes2 && (f7 & 0xF0) && (mapper & 0xF0) == 0)
        r.lines.push_back(
            "バイト12〜15にごみがあるため、マッパー番号の上位4ビットを無視しました。");
    const std::uint64_t expected = 16 + ((f6 & 4) ? 512 : 0) + *prg + *chr;
    if (b.size() < expected)
        r.lines.push_back("ファイルが短すぎます (" + number(b.size()) + " / " + number(expected) +
                          " バイト)。");
    else if (b.size() > expected)
        r.lines.push_back("ファイルの末尾に " + number(b.size() - expected) +
                          " バイトの余分なデータがあります。");
    return r;
}

// --- SNES ------------------------------------------------------------------------------------

// The checksum the cartridge carries: every byte added, a size that is not a power of two
// counted with its upper part repeated up to the next one.
unsigned snesChecksum(std::string_view rom) {
    if (rom.empty()) return 0;
    std::size_t base = 1;
    while (base * 2 <= rom.size()) base *= 2;
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < base; ++i) sum += byteAt(rom, i);
    if (const std::size_t rest = rom.size() - base; rest != 0)
        for (std::size_t i = 0; i < base; ++i) sum += byteAt(rom, base + i % rest);
    return sum & 0xFFFF;
}

struct SnesLayout {
    const char* name;
    std::size_t offset;
    unsigned modeNibble;
};
constexpr SnesLayout kSnesLayouts[] = {
    {"LoROM", 0x7FC0, 0x0}, {"HiROM", 0xFFC0, 0x1}, {"ExHiROM", 0x40FFC0, 0x5}};

bool snesModeFits(unsigned mode, const SnesLayout& layout) {
    if ((mode & 0xE0) != 0x20) return false;
    const unsigned nibble = mode & 0x0F;
    if (layout.modeNibble == 0) return nibble == 0 || nibble == 2 || nibble == 3;  // SA-1 too
    return nibble == layout.modeNibble;
}

int snesScore(std::string_view rom, const SnesLayout& layout) {
    const std::size_t h = layout.offset;
    if (rom.size() < h + 0x40) return -1;
    if (!snesModeFits(byteAt(rom, h + 0x15), layout)) return -1;
    int score = 2;
    if (((le16(rom, h + 0x1C) + le16(rom, h + 0x1E)) & 0xFFFF) == 0xFFFF) score += 4;
    if (le16(rom, h + 0x3C) >= 0x8000) ++score;
    const unsigned romSize = byteAt(rom, h + 0x17);
    if (romSize >= 0x07 && romSize <= 0x0D) ++score;
    bool printable = true;
    for (std::size_t i = 0; i < 21; ++i) {
        const unsigned c = byteAt(rom, h + i);
        printable &= (c >= 0x20 && c < 0x7F) || (c >= 0xA1 && c <= 0xDF);
    }
    return score + (printable ? 1 : 0);
}

HeaderReport readSnes(std::string_view image) {
    const bool copier = hasSnesCopierHeader(image, image.size());
    const std::string_view rom = copier ? image.substr(512) : image;
    const SnesLayout* best = nullptr;
    int bestScore = -1;
    for (const SnesLayout& layout : kSnesLayouts)
        if (const int s = snesScore(rom, layout); s > bestScore) best = &layout, bestScore = s;
    // The map mode and at least three more of the five signs: a checksum alone can be chance.
    if (!best || bestScore < 5)
        return invalid("スーパーファミコン",
                       "LoROM・HiROMのどちらの位置にも内部ヘッダがありません。");
    const std::size_t h = best->offset;
    HeaderReport r;
    r.valid = true;
    r.lines.push_back(field("形式", best->name));
    r.lines.push_back(field("コピアヘッダ", copier ? "あり (512バイト)" : "なし"));
    r.lines.push_back(field("タイトル", textField(rom, h, 21)));
    const unsigned mode = byteAt(rom, h + 0x15);
    r.lines.push_back(
        field("マップモード", hex(mode, 2) + ((mode & 0x10) ? " (FastROM)" : " (SlowROM)")));
    r.lines.push_back(field("カートリッジ種別", hex(byteAt(rom, h + 0x16), 2)));
    const unsigned romSize = byteAt(rom, h + 0x17), ramSize = byteAt(rom, h + 0x18);
    r.lines.push_back(field("ROMサイズ", romSize <= 0x10 ? sizeText(1024ull << romSize)
                                                         : "不明 (" + hex(romSize, 2) + ")"));
    r.lines.push_back(field("SRAMサイズ", ramSize == 0      ? "なし"
                                          : ramSize <= 0x10 ? sizeText(1024ull << ramSize)
                                                            : "不明 (" + hex(ramSize, 2) + ")"));
    static constexpr const char* kRegions[] = {
        "日本",       "北米",     "ヨーロッパ",   "スウェーデン", "フィンランド",
        "デンマーク", "フランス", "オランダ",     "スペイン",     "ドイツ",
        "イタリア",   "中国",     "インドネシア", "韓国"};
    const unsigned region = byteAt(rom, h + 0x19);
    r.lines.push_back(field("地域", (region < std::size(kRegions) ? std::string(kRegions[region])
                                                                  : std::string("不明")) +
                                        " (" + hex(region, 2) + ")"));
    const unsigned maker = byteAt(rom, h + 0x1A);
    // $33: the maker is the two letters of the extended header just before.
    r.lines.push_back(field(
        "メーカー", maker == 0x33 && h >= 0x10 ? textField(rom, h - 0x10, 2) : hex(maker, 2)));
    r.lines.push_back(field("バージョン", "1." + number(byteAt(rom, h + 0x1B))));
    r.lines.push_back(field("チェックサム", compared(le16(rom, h + 0x1E), snesChecksum(rom), 4)));
    r.lines.push_back(field("補数", hex(le16(rom, h + 0x1C), 4)));
    return r;
}

// --- Mega Drive --------------------------------------------------------------------------------

// A .smd dump: 512 bytes of copier header, then 16 KB blocks holding the odd bytes of the block
// first and the even bytes after them.
bool isInterleaved(std::string_view b) {
    return b.size() >= 512 + 16384 && b.size() % 16384 == 512 && byteAt(b, 8) == 0xAA &&
           byteAt(b, 9) == 0xBB;
}

std::string deinterleave(std::string_view b) {
    std::string out(b.size() - 512, '\0');
    for (std::size_t block = 512; block < b.size(); block += 16384)
        for (std::size_t i = 0; i < 8192; ++i) {
            const std::size_t to = block - 512;
            out[to + 2 * i + 1] = b[block + i];
            out[to + 2 * i] = b[block + 8192 + i];
        }
    return out;
}

HeaderReport readMegaDrive(std::string_view image) {
    const bool smd = isInterleaved(image);
    const std::string plain = smd ? deinterleave(image) : std::string();
    const std::string_view b = smd ? std::string_view(plain) : image;
    if (b.size() < 0x200 || (b.substr(0x100, 4) != "SEGA" && b.substr(0x101, 4) != "SEGA"))
        return invalid("メガドライブ", "$100 に \"SEGA\" がありません。");
    HeaderReport r;
    r.valid = true;
    if (smd) r.lines.push_back(field("形式", "SMD (インターリーブ、512バイトのヘッダ)"));
    r.lines.push_back(field("機種", textField(b, 0x100, 16)));
    r.lines.push_back(field("著作権", textField(b, 0x110, 16)));
    r.lines.push_back(field("国内名", textField(b, 0x120, 48)));
    r.lines.push_back(field("海外名", textField(b, 0x150, 48)));
    r.lines.push_back(field("製品番号", textField(b, 0x180, 14)));
    std::uint32_t sum = 0;
    for (std::size_t i = 0x200; i < b.size(); i += 2)
        sum += byteAt(b, i) << 8 | (i + 1 < b.size() ? byteAt(b, i + 1) : 0);
    r.lines.push_back(field("チェックサム", compared(be16(b, 0x18E), sum & 0xFFFF, 4)));
    r.lines.push_back(field("入出力機器", textField(b, 0x190, 16)));
    r.lines.push_back(field("ROM範囲", hex(be32(b, 0x1A0), 8) + "-" + hex(be32(b, 0x1A4), 8)));
    r.lines.push_back(field("RAM範囲", hex(be32(b, 0x1A8), 8) + "-" + hex(be32(b, 0x1AC), 8)));
    r.lines.push_back(field("地域", textField(b, 0x1F0, 3)));
    r.lines.push_back(field("ファイルサイズ", sizeText(b.size())));
    return r;
}

// --- Master System -----------------------------------------------------------------------------

HeaderReport readMasterSystem(std::string_view b) {
    std::size_t h = 0;
    for (const std::size_t at : {0x7FF0u, 0x3FF0u, 0x1FF0u})
        if (b.size() >= at + 16 && b.substr(at, 8) == "TMR SEGA") {
            h = at;
            break;
        }
    if (h == 0) return invalid("マスターシステム", "\"TMR SEGA\" がありません。");
    HeaderReport r;
    r.valid = true;
    const unsigned last = byteAt(b, h + 15), sizeCode = last & 0x0F, region = last >> 4;
    static constexpr std::array<unsigned, 16> kSizesKb = {256, 512, 1024, 0,  0,  0,  0,  0,
                                                          0,   0,   8,    16, 32, 48, 64, 128};
    const std::uint64_t range = std::uint64_t{kSizesKb[sizeCode]} * 1024;
    // The sum the BIOS checks: up to the header, and past its 32 KB page for larger sizes.
    std::uint32_t sum = 0;
    const auto add = [&](std::size_t from, std::uint64_t to) {
        for (std::size_t i = from; i < to && i < b.size(); ++i) sum += byteAt(b, i);
    };
    if (range != 0 && range <= 0x8000) {
        add(0, range - 16);
    } else if (range != 0) {
        add(0, 0x7FF0);
        add(0x8000, range);
    }
    // The product code is binary-coded decimal: its digits read as hexadecimal.
    const unsigned code = le16(b, h + 12), high = byteAt(b, h + 14) >> 4;
    char product[16];
    if (high)
        std::snprintf(product, sizeof product, "%X%04X", high, code);
    else
        std::snprintf(product, sizeof product, "%04X", code);
    r.lines.push_back(field("製品番号", product));
    r.lines.push_back(field("バージョン", number(byteAt(b, h + 14) & 0x0F)));
    static constexpr const char* kRegions[] = {"SMS 日本", "SMS 海外", "GG 日本", "GG 海外",
                                               "GG 国際"};
    r.lines.push_back(field("地域", (region >= 3 && region <= 7 ? std::string(kRegions[region - 3])
                                                                : std::string("不明")) +
                                        " (" + hex(region, 1) + ")"));
    r.lines.push_back(
        field("ROMサイズ", range ? sizeText(range) : "不明 (" + hex(sizeCode, 1) + ")"));
    r.lines.push_back(field("チェックサム", range ? compared(le16(b, h + 10), sum & 0xFFFF, 4)
                                                  : hex(le16(b, h + 10), 4)));
    if (range > b.size()) r.lines.push_back("ファイルがヘッダのROMサイズより短すぎます。");
    return r;
}

// --- Game Boy ----------------------------------------------------------------------------------

constexpr unsigned char kGameBoyLogo[48] = {
    0xCE, 0xED, 0x66, 0x66, 0xCC, 0x0D, 0x00, 0x0B, 0x03, 0x73, 0x00, 0x83, 0x00, 0x0C, 0x00, 0x0D,
    0x00, 0x08, 0x11, 0x1F, 0x88, 0x89, 0x00, 0x0E, 0xDC, 0xCC, 0x6E, 0xE6, 0xDD, 0xDD, 0xD9, 0x99,
    0xBB, 0xBB, 0x67, 0x63, 0x6E, 0x0E, 0xEC, 0xCC, 0xDD, 0xDC, 0x99, 0x9F, 0xBB, 0xB9, 0x33, 0x3E};

std::string gameBoyCartridge(unsigned type) {
    struct Name {
        unsigned type;
        const char* name;
    };
    static constexpr Name kNames[] = {{0x00, "ROM"},
                                      {0x01, "MBC1"},
                                      {0x02, "MBC1+RAM"},
                                      {0x03, "MBC1+RAM+BATTERY"},
                                      {0x05, "MBC2"},
                                      {0x06, "MBC2+BATTERY"},
                                      {0x08, "ROM+RAM"},
                                      {0x09, "ROM+RAM+BATTERY"},
                                      {0x0B, "MMM01"},
                                      {0x0C, "MMM01+RAM"},
                                      {0x0D, "MMM01+RAM+BATTERY"},
                                      {0x0F, "MBC3+TIMER+BATTERY"},
                                      {0x10, "MBC3+TIMER+RAM+BATTERY"},
                                      {0x11, "MBC3"},
                                      {0x12, "MBC3+RAM"},
                                      {0x13, "MBC3+RAM+BATTERY"},
                                      {0x19, "MBC5"},
                                      {0x1A, "MBC5+RAM"},
                                      {0x1B, "MBC5+RAM+BATTERY"},
                                      {0x1C, "MBC5+RUMBLE"},
                                      {0x1D, "MBC5+RUMBLE+RAM"},
                                      {0x1E, "MBC5+RUMBLE+RAM+BATTERY"},
                                      {0x20, "MBC6"},
                                      {0x22, "MBC7+SENSOR+RUMBLE+RAM+BATTERY"},
                                      {0xFC, "POCKET CAMERA"},
                                      {0xFD, "TAMA5"},
                                      {0xFE, "HuC3"},
                                      {0xFF, "HuC1+RAM+BATTERY"}};
    for (const Name& n : kNames)
        if (n.type == type) return std::string(n.name) + " (" + hex(type, 2) + ")";
    return "不明 (" + hex(type, 2) + ")";
}

HeaderReport readGameBoy(std::string_view b) {
    if (b.size() < 0x150) return invalid("ゲームボーイ", "ファイルが短すぎます。");
    if (b.substr(0x104, 48) != std::string_view(reinterpret_cast<const char*>(kGameBoyLogo), 48))
        return invalid("ゲームボーイ", "$104 のロゴのデータが一致しません。");
    unsigned headerSum = 0;
    for (std::size_t i = 0x134; i <= 0x14C; ++i) headerSum = headerSum - byteAt(b, i) - 1;
    headerSum &= 0xFF;
    // The console itself refuses a cartridge whose header checksum is wrong.
    if (headerSum != byteAt(b, 0x14D))
        return invalid("ゲームボーイ", "ヘッダチェックサムが一致しません (" +
                                           compared(byteAt(b, 0x14D), headerSum, 2) + ")。");
    std::uint32_t globalSum = 0;
    for (std::size_t i = 0; i < b.size(); ++i)
        if (i != 0x14E && i != 0x14F) globalSum += byteAt(b, i);
    HeaderReport r;
    r.valid = true;
    const unsigned cgb = byteAt(b, 0x143);
    r.lines.push_back(field("タイトル", textField(b, 0x134, (cgb & 0x80) ? 15 : 16)));
    r.lines.push_back(field("カラー対応", cgb == 0xC0   ? "カラー専用"
                                          : cgb == 0x80 ? "カラー対応"
                                                        : "なし"));
    r.lines.push_back(field("スーパーゲームボーイ対応", yesNo(byteAt(b, 0x146) == 0x03)));
    r.lines.push_back(field("カートリッジ種別", gameBoyCartridge(byteAt(b, 0x147))));
    const unsigned romSize = byteAt(b, 0x148), ramSize = byteAt(b, 0x149);
    r.lines.push_back(field("ROMサイズ", romSize <= 8 ? sizeText(32768ull << romSize)
                                                      : "不明 (" + hex(romSize, 2) + ")"));
    static constexpr std::array<unsigned, 6> kRamKb = {0, 2, 8, 32, 128, 64};
    r.lines.push_back(field("RAMサイズ", ramSize == 0 ? "なし"
                                         : ramSize < kRamKb.size()
                                             ? sizeText(kRamKb[ramSize] * 1024ull)
                                             : "不明 (" + hex(ramSize, 2) + ")"));
    r.lines.push_back(field("地域", byteAt(b, 0x14A) == 0 ? "日本" : "海外"));
    const unsigned licensee = byteAt(b, 0x14B);
    r.lines.push_back(
        field("ライセンシー", licensee == 0x33 ? textField(b, 0x144, 2) : hex(licensee, 2)));
    r.lines.push_back(field("バージョン", number(byteAt(b, 0x14C))));
    r.lines.push_back(field("ヘッダチェックサム", hex(headerSum, 2) + " (一致)"));
    r.lines.push_back(
        field("グローバルチェックサム", compared(be16(b, 0x14E), globalSum & 0xFFFF, 4)));
    return r;
}

// --- Game Boy Advance ----------------------------------------------------------------------------

HeaderReport readGameBoyAdvance(std::string_view b) {
    if (b.size() < 0xC0) return invalid("ゲームボーイアドバンス", "ファイルが短すぎます。");
    if (byteAt(b, 0xB2) != 0x96)
        return invalid("ゲームボーイアドバンス", "$B2 の固定値 $96 がありません。");
    unsigned sum = 0;
    for (std::size_t i = 0xA0; i <= 0xBC; ++i) sum += byteAt(b, i);
    const unsigned complement = (0u - sum - 0x19) & 0xFF;
    if (complement != byteAt(b, 0xBD))
        return invalid(
            "ゲームボーイアドバンス",
            "補数チェックが一致しません (" + compared(byteAt(b, 0xBD), complement, 2) + ")。");
    HeaderReport r;
    r.valid = true;
    r.lines.push_back(field("タイトル", textField(b, 0xA0, 12)));
    const std::string code = textField(b, 0xAC, 4);
    r.lines.push_back(field("ゲームコード", code));
    std::string region = "不明";
    if (code.size() == 4) switch (code[3]) {
            case 'J':
                region = "日本";
                break;
            case 'E':
                region = "北米";
                break;
            case 'P':
                region = "ヨーロッパ";
                break;
            case 'D':
                region = "ドイツ";
                break;
            case 'F':
                region = "フランス";
                break;
            case 'I':
                region = "イタリア";
                break;
            case 'S':
                region = "スペイン";
                break;
            default:
                break;
        }
    r.lines.push_back(field("地域", region));
    r.lines.push_back(field("メーカー", textField(b, 0xB0, 2)));
    r.lines.push_back(field("バージョン", number(byteAt(b, 0xBC))));
    r.lines.push_back(field("補数チェック", hex(complement, 2) + " (一致)"));
    r.lines.push_back(field("ファイルサイズ", sizeText(b.size())));
    return r;
}

}  // namespace

std::optional<RomHeaderKind> headerKindOf(std::string_view code) {
    if (code == "FC") return RomHeaderKind::Nes;
    if (code == "SFC") return RomHeaderKind::Snes;
    if (code == "MD") return RomHeaderKind::MegaDrive;
    if (code == "MSYS") return RomHeaderKind::MasterSystem;
    if (code == "GB") return RomHeaderKind::GameBoy;
    if (code == "GBA") return RomHeaderKind::GameBoyAdvance;
    return std::nullopt;
}

std::optional<RomHeaderKind> headerKindOfFile(std::string_view path) {
    const std::string ext = ascii::upper(fs::pathExtension(path));
    if (ext == ".NES") return RomHeaderKind::Nes;
    if (ext == ".SFC" || ext == ".SMC" || ext == ".FIG" || ext == ".SWC")
        return RomHeaderKind::Snes;
    if (ext == ".MD" || ext == ".GEN" || ext == ".SMD" || ext == ".BIN")
        return RomHeaderKind::MegaDrive;
    if (ext == ".SMS") return RomHeaderKind::MasterSystem;
    if (ext == ".GB" || ext == ".GBC" || ext == ".CGB") return RomHeaderKind::GameBoy;
    if (ext == ".GBA" || ext == ".AGB") return RomHeaderKind::GameBoyAdvance;
    return std::nullopt;
}

HeaderReport readRomHeader(RomHeaderKind kind, std::string_view image) {
    switch (kind) {
        case RomHeaderKind::Nes:
            return readNes(image);
        case RomHeaderKind::Snes:
            return readSnes(image);
        case RomHeaderKind::MegaDrive:
            return readMegaDrive(image);
        case RomHeaderKind::MasterSystem:
            return readMasterSystem(image);
        case RomHeaderKind::GameBoy:
            return readGameBoy(image);
        case RomHeaderKind::GameBoyAdvance:
            return readGameBoyAdvance(image);
    }
    return {};
}

HeaderReport readRomHeaderFile(RomHeaderKind kind, const std::string& path) {
    const std::optional<std::string> image = fs::readFile(path, kMaxHeaderImageBytes);
    if (!image) {
        HeaderReport r;
        r.lines = {"ファイルを読み込めません (通常のファイルで、" +
                   number(kMaxHeaderImageBytes / (1024 * 1024)) + " MB以下のものに限ります)。"};
        return r;
    }
    return readRomHeader(kind, *image);
}

}  // namespace romshelf
