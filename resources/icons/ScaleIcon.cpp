// Writes the program's icon at the hicolor theme's sizes: scale-icon IN OUT_FOLDER NAME SIZE...
// makes OUT_FOLDER/<SIZE>x<SIZE>/NAME for each size. Run at build time, so that only the one
// picture is kept in the sources.
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s IN OUT_FOLDER NAME SIZE...\n", argv[0]);
        return 64;
    }
    const QImage source =
        QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32);
    if (source.isNull()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const QString name = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size <= 0 || size > 1024) {
            std::fprintf(stderr, "%s: bad size %s\n", argv[0], argv[i]);
            return 64;
        }
        const QString folder = QStringLiteral("%1x%1").arg(size);
        const QImage scaled =
            source.width() == size && source.height() == size
                ? source
                : source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (!out.mkpath(folder) ||
            !scaled.save(out.filePath(folder + QLatin1Char('/') + name), "PNG")) {
            std::fprintf(stderr, "%s: cannot write the %dx%d icon\n", argv[0], size, size);
            return 1;
        }
    }
    return 0;
}
