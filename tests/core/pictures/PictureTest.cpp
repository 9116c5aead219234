#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "BmpCases.h"
#include "TempFolder.h"
#include "core/platform/FileSystem.h"
#include "core/pictures/BmpReader.h"
#include "core/pictures/DibPicture.h"

using namespace romshelf;

namespace {

std::string bmpData(const std::string& name) {
    const char* root = std::getenv("ROMSHELF_TEST_DATA");
    return std::string(root != nullptr ? root : ROMSHELF_TEST_DATA_DIR) + "/bmp/" + name;
}

// The pixels ImageMagick decoded from a fixture, as the binary PPM it wrote ("P6 W H 255").
DecodedImage readPpm(const std::string& path) {
    const std::string bytes = fs::readFile(path).value_or("");
    DecodedImage image;
    int read = 0;
    std::sscanf(bytes.c_str(), "P6 %d %d 255%n", &image.width, &image.height, &read);
    image.rgb.assign(bytes.begin() + read + 1, bytes.end());
    return image;
}

std::vector<std::string> fixtures() {
    std::vector<std::string> names;
    for (const auto& e : fs::listDirectory(bmpData("")))
        if (fs::pathExtension(e.name) == ".bmp") names.push_back(e.name);
    return names;
}

// A picture whose every pixel tells where it is: (x, y, 7).
DecodedImage gradient(int width, int height) {
    DecodedImage image{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.rgb.insert(image.rgb.end(), {std::uint8_t(x), std::uint8_t(y), 7});
    return image;
}

TEST(BmpReader, DecodesEveryDepthAndCompressionAsAnotherDecoderDoes) {
    const auto names = fixtures();
    EXPECT_GE(names.size(), 18u);
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        const auto image = readBmpFile(bmpData(name));
        ASSERT_TRUE(image);
        const DecodedImage expected = readPpm(bmpData(name.substr(0, name.size() - 4) + ".ppm"));
        EXPECT_EQ(std::pair(image->width, image->height),
                  std::pair(expected.width, expected.height));
        EXPECT_EQ(image->rgb, expected.rgb);
    }
}

// Each cut is copied into a buffer of its exact size, so a read past its end is a sanitizer error.
TEST(BmpReader, CutFilesAreRefusedOrRleEndsAfterItsLastRow) {
    for (const auto& name : fixtures()) {
        SCOPED_TRACE(name);
        const std::string whole = *fs::readFile(bmpData(name));
        const auto full = readBmp(whole);
        for (std::size_t n = 0; n < whole.size(); ++n) {
            const std::vector<char> cut(whole.begin(), whole.begin() + static_cast<long>(n));
            const auto image = readBmp(std::string_view(cut.data(), n));
            if (name.find("rle") == std::string::npos) {
                EXPECT_FALSE(image) << n;
            } else if (image) {
                EXPECT_EQ(image->rgb, full->rgb) << n;
            }
        }
    }
}

TEST(BmpReader, MalformedHeadersAreRefused) {
    for (const auto& m : test::bmp::kMalformed) {
        const std::string bytes = *fs::readFile(bmpData(m.file));
        ASSERT_TRUE(readBmp(bytes)) << m.file;
        EXPECT_FALSE(readBmp(test::bmp::mutated(bytes, m)))
            << m.file << " at " << m.at << " = " << m.value;
    }
    // The 13 x 5162221 in the table is refused only for its size, as the same file is within a cap.
    const std::string rle = *fs::readFile(bmpData("rle8.bmp"));
    EXPECT_FALSE(readBmp(rle, 13 * 7 - 1));
    EXPECT_TRUE(readBmp(rle, 13 * 7));
}

TEST(DibPicture, PlacesPicturesInTheWindowBox) {
    const PictureSize box = DibPicture::kWindowSize;
    // Width, height, enlarge, fit, and the size shown.
    const std::tuple<int, int, bool, bool, PictureSize> cases[] = {
        {320, 240, false, true, {320, 240}}, {321, 240, false, true, {320, 240}},
        {1, 1, false, true, {1, 1}},         {1, 1, true, true, {320, 240}},
        {640, 480, false, true, {320, 240}}, {640, 400, false, true, {320, 200}},
        {640, 400, true, true, {320, 240}},  {256, 224, false, true, {256, 224}},
        {512, 448, false, true, {320, 240}}, {640, 480, true, false, {640, 480}},
        {319, 241, true, true, {320, 240}},  {1, 1, true, false, {1, 1}},
    };
    for (const auto& [w, h, enlarge, fit, expected] : cases)
        EXPECT_EQ(bmpSize(w, h, box, enlarge, fit), expected) << w << "x" << h;
    EXPECT_EQ(fittedSize(640, 400, box, false), (PictureSize{320, 240}));
}

struct FixedDecoder : ImageDecoder {
    DecodedImage image;
    int calls = 0;
    std::optional<DecodedImage> decode(const std::string&) override {
        ++calls;
        return image;
    }
};

TEST(DibPicture, ComposesTheSnapCentredOnTheFrame) {
    test::TempFolder dir;
    DibPicture source, snap, frame, shown;
    ASSERT_TRUE(source.create(255, 224));  // rows padded, 32.5 pixels each side
    source.draw(gradient(255, 224), 255, 224, StretchMode::ColourOnColour);
    ASSERT_TRUE(source.saveBmp(dir.file("game.bmp")));
    // A bottom-up 24-bit file that reads back the same.
    EXPECT_EQ(dir.read("game.bmp").substr(22, 8), std::string("\xE0\0\0\0\1\0\x18\0", 8));
    EXPECT_EQ(readBmpFile(dir.file("game.bmp"))->rgb, gradient(255, 224).rgb);
    frame.create(320, 240);
    frame.fill({0, 0, 320, 240}, {0, 0, 255});
    const Colour blue{0, 0, 255};

    snap.create(320, 240);
    ASSERT_TRUE(snap.loadBmp(dir.file("game.bmp"), false, true));
    shown.create(320, 240);
    shown.composeCentered(snap, frame);
    EXPECT_EQ(shown.pixel(32, 8), (Colour{0, 0, 7}));
    EXPECT_EQ(shown.pixel(160, 120), (Colour{128, 112, 7}));
    EXPECT_EQ(shown.pixel(286, 231), (Colour{254, 223, 7}));
    for (auto [x, y] : {std::pair{31, 8}, {32, 7}, {287, 231}, {286, 232}, {0, 0}, {319, 239}})
        EXPECT_EQ(shown.pixel(x, y), blue) << x << "," << y;

    // Enlarged it fills the window and hides the frame.
    ASSERT_TRUE(snap.loadBmp(dir.file("game.bmp"), true, true));
    shown.composeCentered(snap, frame);
    EXPECT_EQ(shown.pixel(0, 0), (Colour{0, 0, 7}));
    EXPECT_EQ(shown.pixel(319, 239), (Colour{254, 223, 7}));
    EXPECT_EQ(shown.pixel(4, 4), (Colour{3, 3, 7}));  // 4 * 255 / 320, 4 * 224 / 240

    // A file that only calls itself ".bmp" goes to the decoder, which has no 640 x 400 rule.
    FixedDecoder decoder;
    decoder.image = gradient(640, 400);
    dir.write("fake.bmp", "GIF89a");
    ASSERT_TRUE(snap.load(dir.file("fake.bmp"), decoder, false, true, false));
    EXPECT_EQ(decoder.calls, 1);
    EXPECT_EQ((PictureSize{snap.visibleWidth(), snap.visibleHeight()}), (PictureSize{320, 240}));
    EXPECT_EQ(snap.path(), dir.file("fake.bmp"));
}

TEST(DibPicture, StretchesNearestOrByAreaAverage) {
    DibPicture p;
    p.create(4, 1);
    const DecodedImage two{2, 1, {0, 10, 20, 255, 110, 120}};
    p.draw(two, 4, 1, StretchMode::ColourOnColour);
    EXPECT_EQ(p.pixel(1, 0), (Colour{0, 10, 20}));
    EXPECT_EQ(p.pixel(2, 0), (Colour{255, 110, 120}));
    p.draw(two, 3, 1, StretchMode::Halftone);
    EXPECT_EQ(p.pixel(0, 0), (Colour{0, 10, 20}));
    EXPECT_EQ(p.pixel(1, 0), (Colour{128, 60, 70}));  // half of each
    EXPECT_EQ(p.pixel(2, 0), (Colour{255, 110, 120}));
    EXPECT_EQ(p.visibleWidth(), 3);
    p.draw(DecodedImage{3, 2, {30, 0, 0, 60, 0, 0, 90, 0, 0, 30, 0, 9, 60, 0, 0, 90, 0, 0}}, 2, 1,
           StretchMode::Halftone);
    EXPECT_EQ(p.pixel(0, 0), (Colour{40, 0, 3}));  // (2 x 30 + 60) / 3; 2 x 9 / 6
    EXPECT_EQ(p.pixel(1, 0), (Colour{80, 0, 0}));
}

}  // namespace
