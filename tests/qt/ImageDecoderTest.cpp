#include "qt/platform/QtImageDecoder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QImage>
#include <filesystem>
#include <random>
#include <vector>

#include "TempFolder.h"

using namespace romshelf;

namespace {

TEST(QtImageDecoder, DecodesByContentAndRefusesPicturesOverTheCap) {
    test::TempFolder dir;
    QImage picture(40, 30, QImage::Format_RGB888);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) picture.setPixel(x, y, qRgb(x * 6, y * 8, 99));
    // A PNG named as a JPEG: the content decides.
    ASSERT_TRUE(picture.save(QString::fromStdString(dir.file("snap.jpg")), "PNG"));
    QtImageDecoder decoder(40 * 30);
    const auto image = decoder.decode(dir.file("snap.jpg"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 40);
    EXPECT_EQ(image->height, 30);
    const std::size_t at = 3 * (40 * 29 + 39);
    EXPECT_EQ(std::vector<int>(image->rgb.begin() + at, image->rgb.begin() + at + 3),
              (std::vector<int>{234, 232, 99}));
    EXPECT_FALSE(QtImageDecoder(40 * 30 - 1).decode(dir.file("snap.jpg")));

    dir.write("broken.png", "\x89PNG\r\n\x1a\n garbage");
    EXPECT_FALSE(decoder.decode(dir.file("broken.png")));
    ASSERT_EQ(::mkfifo(dir.file("pipe.png").c_str(), 0600), 0);
    EXPECT_FALSE(decoder.decode(dir.file("pipe.png")));  // returns without a writer
}

// A large file with a snap's name is read only as far as its head unless it is a picture.
TEST(QtImageDecoder, ReadsTheRestOfAFileOnlyWhenItsHeadIsAPicture) {
    test::TempFolder dir;
    QtImageDecoder decoder;
    QImage noise(256, 256, QImage::Format_RGB888);  // hardly compressed: well past the head
    std::minstd_rand random(12);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) noise.setPixel(x, y, QRgb(random()) | 0xFF000000);
    ASSERT_TRUE(noise.save(QString::fromStdString(dir.file("noise.png")), "PNG"));
    const auto size = std::filesystem::file_size(dir.file("noise.png"));
    ASSERT_GT(size, 128u * 1024);
    const auto image = decoder.decode(dir.file("noise.png"));
    ASSERT_TRUE(image);
    EXPECT_EQ(decoder.lastBytesRead(), size);
    const std::size_t at = 3 * (256 * 255 + 255);
    const QRgb last = noise.pixel(255, 255);
    EXPECT_EQ(std::vector<int>(image->rgb.begin() + at, image->rgb.begin() + at + 3),
              (std::vector<int>{qRed(last), qGreen(last), qBlue(last)}));

    // 200 MB, within the size cap, named as a picture.
    const std::string big = dir.write("game.png", "NES\x1a" + std::string(4096, 'x'));
    std::filesystem::resize_file(big, 200u << 20);
    EXPECT_FALSE(decoder.decode(big));
    EXPECT_LE(decoder.lastBytesRead(), 64u * 1024);
}

}  // namespace
