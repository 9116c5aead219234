#include "demo/DemoImages.h"

#include <array>
#include <cstdint>
#include <initializer_list>

namespace romshelf {

namespace {

using Bytes = std::vector<std::uint8_t>;

void put(std::string& image, std::size_t at, std::string_view bytes) {
    image.replace(at, bytes.size(), bytes);
}
void put8(std::string& image, std::size_t at, unsigned value) {
    image[at] = static_cast<char>(value & 0xFF);
}
void putBytes(std::string& image, std::size_t at, const Bytes& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) put8(image, at + i, bytes[i]);
}
std::uint8_t lo(unsigned value) { return static_cast<std::uint8_t>(value & 0xFF); }
std::uint8_t hi(unsigned value) { return static_cast<std::uint8_t>(value >> 8 & 0xFF); }

void append(Bytes& code, std::initializer_list<unsigned> bytes) {
    for (unsigned b : bytes) code.push_back(lo(b));
}
// 68000 code and data: big-endian words.
void appendWords(Bytes& code, std::initializer_list<unsigned> words) {
    for (unsigned w : words) code.push_back(hi(w)), code.push_back(lo(w));
}

// A tile map of `columns` x `rows` entries of `entryBytes` (big-endian) each: `blockTile` where
// the screen has a block, tile 0 (blank) elsewhere and beyond the screen.
Bytes tileMap(const DemoScreen& screen, int columns, int rows, int entryBytes, unsigned blockTile) {
    Bytes map;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            const bool set =
                column < screen.columns && row < screen.rows && screen.block(column, row);
            const unsigned entry = set ? blockTile : 0;
            if (entryBytes == 2) map.push_back(hi(entry));
            map.push_back(lo(entry));
        }
    return map;
}

}  // namespace

std::string demoNesImage(unsigned backdrop, unsigned accent, const DemoScreen& screen) {
    // One 16 KB PRG bank (seen at $8000 and $C000) and one 8 KB CHR bank, mapper 0.
    std::string image(16 + 16384 + 8192, '\0');
    put(image, 0, std::string_view("NES\x1A", 4));
    put8(image, 4, 1), put8(image, 5, 1);
    // Tile 1 of the CHR bank is solid colour 1; tile 0 is blank and shows the backdrop.
    for (std::size_t row = 0; row < 8; ++row) put8(image, 16 + 16384 + 16 + row, 0xFF);
    // Name table 0 and its attribute table (all palette 0), copied whole at the start.
    constexpr unsigned kMap = 0xC400;
    Bytes map = tileMap(screen, 32, 30, 1, 1);
    map.resize(1024, 0);
    putBytes(image, 16 + (kMap - 0xC000), map);

    // Reset: wait two frames for the PPU, write the backdrop and colour 1 of palette 0, copy
    // the name table, point the PPU back at it and turn the background on, its left edge too. Then
    // loop for ever.
    Bytes code = {
        0x78, 0xD8, 0xA2, 0xFF, 0x9A,  // sei; cld; ldx #$FF; txs
        0x2C, 0x02, 0x20, 0x10, 0xFB,  // bit $2002; bpl *-3
        0x2C, 0x02, 0x20, 0x10, 0xFB,  // again, the second frame
    };
    append(code, {0xA9, 0x3F, 0x8D, 0x06, 0x20, 0xA9, 0x00, 0x8D, 0x06, 0x20});  // PPU at $3F00
    append(code, {0xA9, backdrop & 0x3F, 0x8D, 0x07, 0x20,                       // lda; sta $2007
                  0xA9, accent & 0x3F, 0x8D, 0x07, 0x20});
    append(code, {0xA9, 0x20, 0x8D, 0x06, 0x20, 0xA9, 0x00, 0x8D, 0x06, 0x20});  // PPU at $2000
    append(code, {0xAA});                                                        // tax
    for (unsigned page = 0; page < 4; ++page)  // lda map+page,x; sta $2007; inx; bne back
        append(code, {0xBD, 0x00, hi(kMap) + page, 0x8D, 0x07, 0x20, 0xE8, 0xD0, 0xF7});
    append(code, {0xA9, 0x00, 0x8D, 0x00, 0x20,        // lda #0; sta $2000
                  0x8D, 0x06, 0x20, 0x8D, 0x06, 0x20,  // sta $2006 twice
                  0x8D, 0x05, 0x20, 0x8D, 0x05, 0x20,  // sta $2005 twice (no scroll)
                  0xA9, 0x0A, 0x8D, 0x01, 0x20});      // lda #$0A; sta $2001
    const unsigned loop = 0xC000 + static_cast<unsigned>(code.size());
    append(code, {0x4C, lo(loop), hi(loop)});  // jmp *
    const unsigned rti = loop + 3;
    append(code, {0x40});  // rti: the NMI and IRQ handler
    putBytes(image, 16, code);
    putBytes(image, 16 + 0x3FFA,
             {lo(rti), hi(rti), 0x00, 0xC0, lo(rti), hi(rti)});  // NMI, reset, IRQ
    return image;
}

std::string demoGameBoyImage(const std::string& title, unsigned backdrop, unsigned accent,
                             const DemoScreen& screen) {
    static const Bytes kLogo = {0xCE, 0xED, 0x66, 0x66, 0xCC, 0x0D, 0x00, 0x0B, 0x03, 0x73,
                                0x00, 0x83, 0x00, 0x0C, 0x00, 0x0D, 0x00, 0x08, 0x11, 0x1F,
                                0x88, 0x89, 0x00, 0x0E, 0xDC, 0xCC, 0x6E, 0xE6, 0xDD, 0xDD,
                                0xD9, 0x99, 0xBB, 0xBB, 0x67, 0x63, 0x6E, 0x0E, 0xEC, 0xCC,
                                0xDD, 0xDC, 0x99, 0x9F, 0xBB, 0xB9, 0x33, 0x3E};
    std::string image(32 * 1024, '\0');
    // Entry: nop; jp $0150.
    putBytes(image, 0x100, {0x00, 0xC3, 0x50, 0x01});
    putBytes(image, 0x104, kLogo);
    put(image, 0x134, (title + std::string(15, '\0')).substr(0, 15));
    put8(image, 0x147, 0x00), put8(image, 0x148, 0x00), put8(image, 0x149, 0x00);
    put8(image, 0x14A, 0x00), put8(image, 0x14B, 0x01);
    // The background map (32x32, of which the screen shows the top left 20x18).
    constexpr unsigned kMap = 0x0200;
    putBytes(image, kMap, tileMap(screen, 32, 32, 1, 1));
    // At $150: wait for the vertical blank and turn the screen off, so that all of video RAM
    // takes writes; tile 0 blank, tile 1 solid colour 1; copy the map; colour 0 is the backdrop
    // shade and colour 1 the accent's; no scroll; the screen and the background on (tiles at
    // $8000, map at $9800). Then loop for ever.
    const unsigned palette = (backdrop & 3) | (accent & 3) << 2;
    Bytes code = {
        0xF3, 0x31,        0xFE,     0xFF,              // di; ld sp,$FFFE
        0xF0, 0x44,        0xFE,     0x90, 0x38, 0xFA,  // ldh a,(LY); cp 144; jr c,*-4
        0xAF, 0xE0,        0x40,                        // xor a; ldh (LCDC),a
        0x21, 0x00,        0x80,     0x06, 0x10,        // ld hl,$8000; ld b,16
        0x22, 0x05,        0x20,     0xFC,              // ld (hl+),a; dec b; jr nz
        0x06, 0x08,                                     // ld b,8
        0x3E, 0xFF,        0x22,     0xAF, 0x22,        // ld a,$FF; ld (hl+),a; xor a; ld (hl+),a
        0x05, 0x20,        0xF8,                        // dec b; jr nz
        0x11, lo(kMap),    hi(kMap),                    // ld de,map
        0x21, 0x00,        0x98,     0x01, 0x00, 0x04,  // ld hl,$9800; ld bc,$400
        0x1A, 0x22,        0x13,     0x0B,              // ld a,(de); ld (hl+),a; inc de; dec bc
        0x78, 0xB1,        0x20,     0xF8,              // ld a,b; or c; jr nz
        0x3E, lo(palette), 0xE0,     0x47,              // ld a,palette; ldh (BGP),a
        0xAF, 0xE0,        0x42,     0xE0, 0x43,        // xor a; ldh (SCY),a; ldh (SCX),a
        0x3E, 0x91,        0xE0,     0x40,              // ld a,$91; ldh (LCDC),a
        0x18, 0xFE,                                     // jr *
    };
    putBytes(image, 0x150, code);
    unsigned header = 0;
    for (std::size_t i = 0x134; i <= 0x14C; ++i)
        header = header - static_cast<unsigned char>(image[i]) - 1;
    put8(image, 0x14D, header);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < image.size(); ++i)
        if (i != 0x14E && i != 0x14F) sum += static_cast<unsigned char>(image[i]);
    put8(image, 0x14E, sum >> 8), put8(image, 0x14F, sum);
    return image;
}

std::string demoMegaDriveImage(const std::string& title, unsigned backdrop, unsigned accent,
                               const DemoScreen& screen) {
    std::string image(128 * 1024, '\0');
    put(image, 0x100, "SEGA MEGA DRIVE ");
    put(image, 0x110, "(C)ROMS 2026.DEC");
    put(image, 0x120, (title + std::string(48, ' ')).substr(0, 48));
    put(image, 0x150, (title + std::string(48, ' ')).substr(0, 48));
    put(image, 0x180, "GM 00000000-00");
    put(image, 0x190, std::string(16, ' '));
    put(image, 0x190, "J");
    putBytes(image, 0x1A0, {0, 0, 0, 0, 0, 1, 0xFF, 0xFF});
    putBytes(image, 0x1A8, {0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF});
    put(image, 0x1B0, std::string(12, ' '));
    put(image, 0x1BC, std::string(52, ' '));
    put(image, 0x1F0, "J               ");

    // The VDP's registers: mode 5 with the display off while video RAM is written; plane A at
    // $C000, window at $B000, plane B at $E000, sprites at $A800, the horizontal scroll at
    // $AC00; the backdrop is colour 0 of palette 0; 40 tiles across (H40); addresses step by 2;
    // planes of 64x32 tiles; no window.
    constexpr std::array<unsigned, 16> kRegisters = {0x8004, 0x8104, 0x8230, 0x832C, 0x8407, 0x8554,
                                                     0x8600, 0x8700, 0x8AFF, 0x8B00, 0x8C81, 0x8D2B,
                                                     0x8F02, 0x9001, 0x9100, 0x9200};
    static_assert(kRegisters.size() == 16);  // the count in the moveq below
    // From $200: when the console has the security chip, tell it the licence; reset the VDP's
    // pending command; set the registers from the table after the code; clear video RAM and
    // the vertical scroll; write the backdrop and the accent as colours 0 and 1; tile 1 solid
    // colour 1; copy plane A's map, which follows the registers; the display on. Then loop for
    // ever: every exception but the reset lands in that loop too.
    Bytes code;
    appendWords(code, {0x1039, 0x00A1, 0x0001,                  // move.b $A10001,d0
                       0x0200, 0x000F, 0x670A,                  // andi.b #$F,d0; beq.s +10
                       0x23FC, 0x5345, 0x4741, 0x00A1, 0x4000,  // move.l #'SEGA',$A14000
                       0x43F9, 0x00C0, 0x0004,                  // lea $C00004,a1: control
                       0x41F9, 0x00C0, 0x0000,                  // lea $C00000,a0: data
                       0x4A51});                                // tst.w (a1)
    const std::size_t tableAt = code.size() + 2;                // filled in below
    appendWords(code, {0x45F9,          0x0000,
                       0x0000,  // lea table,a2
                       0x720F,  // moveq #15,d1
                       0x329A,          0x51C9,
                       0xFFFC,  // move.w (a2)+,(a1); dbra d1
                       0x22BC,          0x4000,
                       0x0000,  // move.l #VRAM write 0,(a1)
                       0x7000,          0x323C,
                       0x3FFF,  // moveq #0,d0; move.w #$3FFF,d1
                       0x2080,          0x51C9,
                       0xFFFC,  // move.l d0,(a0); dbra d1
                       0x22BC,          0x4000,
                       0x0010,  // move.l #VSRAM write 0,(a1)
                       0x7213,          0x2080,
                       0x51C9,          0xFFFC,  // moveq #19,d1; the same loop
                       0x22BC,          0xC000,
                       0x0000,  // move.l #CRAM write 0,(a1)
                       0x20BC,          backdrop & 0x0EEE,
                       accent & 0x0EEE,  // move.l #colours,(a0)
                       0x22BC,          0x4020,
                       0x0000,  // move.l #VRAM write $20,(a1)
                       0x203C,          0x1111,
                       0x1111,          0x7207,  // move.l #$11111111,d0; moveq #7,d1
                       0x2080,          0x51C9,
                       0xFFFC,  // move.l d0,(a0); dbra d1
                       0x22BC,          0x4000,
                       0x0003,                        // move.l #VRAM write $C000,(a1)
                       0x323C,          64 * 28 - 1,  // move.w #words-1,d1
                       0x309A,          0x51C9,
                       0xFFFC,                     // move.w (a2)+,(a0); dbra d1
                       0x32BC,          0x8144});  // move.w #$8144,(a1): display on
    const unsigned loop = 0x200 + static_cast<unsigned>(code.size());
    appendWords(code, {0x60FE});  // bra.s *
    const unsigned table = 0x200 + static_cast<unsigned>(code.size());
    code[tableAt + 2] = hi(table), code[tableAt + 3] = lo(table);
    for (unsigned r : kRegisters) appendWords(code, {r});
    const Bytes map = tileMap(screen, 64, 28, 2, 1);
    code.insert(code.end(), map.begin(), map.end());
    putBytes(image, 0x200, code);

    // Vectors: the stack at the top of work RAM, the start at $200, the rest at the loop.
    putBytes(image, 0, {0x00, 0xFF, 0xFE, 0x00, 0x00, 0x00, 0x02, 0x00});
    for (std::size_t v = 2; v < 64; ++v) putBytes(image, v * 4, {0, 0, hi(loop), lo(loop)});
    std::uint32_t sum = 0;
    for (std::size_t i = 0x200; i + 1 < image.size(); i += 2)
        sum += static_cast<unsigned char>(image[i]) << 8 | static_cast<unsigned char>(image[i + 1]);
    put8(image, 0x18E, sum >> 8), put8(image, 0x18F, sum);
    return image;
}

}  // namespace romshelf
