#include "qt/platform/QtImageDecoder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QImage>

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

}  // namespace
