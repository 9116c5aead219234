#include "qt/platform/QtImageDecoder.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <cstring>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

QtImageDecoder::QtImageDecoder(std::int64_t maxPixels) : maxPixels_(maxPixels) {
    // In MiB: four bytes a pixel, as most readers decode, and room for their own buffers.
    QImageReader::setAllocationLimit(static_cast<int>(maxPixels * 4 / (1024 * 1024)) + 16);
}

std::optional<DecodedImage> QtImageDecoder::decode(const std::string& path) {
    // Compressed formats can be larger than their pixels, but not by this much.
    const auto bytes = fs::readFile(path, 4 * static_cast<std::uint64_t>(maxPixels_) + (16u << 20));
    if (!bytes) return std::nullopt;
    QByteArray data = QByteArray::fromRawData(bytes->data(), static_cast<qsizetype>(bytes->size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    // The content decides first (a name may lie); the extension then serves formats without a
    // signature, such as TGA.
    const std::string extension = ascii::lower(fs::pathExtension(path));
    const QByteArray named =
        QByteArray::fromStdString(extension.empty() ? "" : extension.substr(1));
    for (const QByteArray& format : {QByteArray(), named}) {
        if (!buffer.seek(0)) return std::nullopt;
        QImageReader reader(&buffer, format);
        if (!reader.canRead()) continue;
        // Headers that tell the size are checked before anything is decoded; the others are
        // held by the allocation limit and checked after.
        const QSize size = reader.size();
        auto tooLarge = [&](QSize s) { return std::int64_t{s.width()} * s.height() > maxPixels_; };
        if (size.isValid() && tooLarge(size)) return std::nullopt;
        QImage image = reader.read();
        if (image.isNull() || tooLarge(image.size())) return std::nullopt;
        image.convertTo(QImage::Format_RGB888);
        DecodedImage out{image.width(), image.height(), {}};
        const std::size_t row = std::size_t{3} * image.width();
        out.rgb.resize(row * image.height());
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(out.rgb.data() + row * y, image.constScanLine(y), row);
        return out;
    }
    return std::nullopt;
}

}  // namespace romshelf
