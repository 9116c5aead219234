#include "qt/platform/QtImageDecoder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/platform/AsciiCase.h"
#include "core/platform/FileSystem.h"

namespace romshelf {

namespace {

// Enough for every reader's signature and the size fields of the headers that carry one.
constexpr std::size_t kHeadBytes = 64 * 1024;

struct OpenFile {
    explicit OpenFile(const std::string& path) : fd(fs::openRegularFile(path)) {}
    ~OpenFile() {
        if (fd >= 0) ::close(fd);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int fd;
};

// Reads on until `data` holds `limit` bytes or the file ends; false on a read error.
bool readUpTo(int fd, std::string& data, std::size_t limit) {
    char buffer[65536];
    while (data.size() < limit) {
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, limit - data.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

// The first of the formats that can read these bytes: the content decides first (a name may
// lie); the extension then serves formats without a signature, such as TGA.
std::optional<QByteArray> readableFormat(const std::string& bytes, const std::string& path) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    const std::string extension = ascii::lower(fs::pathExtension(path));
    const QByteArray named =
        QByteArray::fromStdString(extension.empty() ? "" : extension.substr(1));
    for (const QByteArray& format : {QByteArray(), named}) {
        if (!buffer.seek(0)) return std::nullopt;
        if (QImageReader(&buffer, format).canRead()) return format;
    }
    return std::nullopt;
}

}  // namespace

QtImageDecoder::QtImageDecoder(std::int64_t maxPixels) : maxPixels_(maxPixels) {
    // In MiB: four bytes a pixel, as most readers decode, and room for their own buffers.
    QImageReader::setAllocationLimit(static_cast<int>(maxPixels * 4 / (1024 * 1024)) + 16);
}

std::optional<DecodedImage> QtImageDecoder::decode(const std::string& path) {
    lastBytesRead_ = 0;
    // Compressed formats can be larger than their pixels, but not by this much.
    const std::uint64_t maxBytes = 4 * static_cast<std::uint64_t>(maxPixels_) + (16u << 20);
    const OpenFile file(path);
    struct stat st {};
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0 ||
        static_cast<std::uint64_t>(st.st_size) > maxBytes)
        return std::nullopt;
    // A large file beside a ROM may share its name without being a picture: only its head is
    // read until a reader knows it.
    std::string bytes;
    const bool headRead = readUpTo(file.fd, bytes, kHeadBytes);
    lastBytesRead_ = bytes.size();
    if (!headRead) return std::nullopt;
    const std::optional<QByteArray> format = readableFormat(bytes, path);
    if (!format) return std::nullopt;
    const bool restRead = readUpTo(file.fd, bytes, static_cast<std::size_t>(maxBytes) + 1);
    lastBytesRead_ = bytes.size();
    if (!restRead || bytes.size() > maxBytes) return std::nullopt;

    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, *format);
    // Headers that tell the size are checked before anything is decoded; the others are held by
    // the allocation limit and checked after.
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

}  // namespace romshelf
