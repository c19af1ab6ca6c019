#include "cursorfile.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPixmap>

namespace {

unsigned ReadWord(const QByteArray& data, int offset) {
    return static_cast<unsigned char>(data[offset]) | (static_cast<unsigned char>(data[offset + 1]) << 8);
}

} // namespace

std::optional<QCursor> LoadCursorFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QByteArray data = file.readAll();
    // Header: reserved 0, type 2 (cursor), image count; then 16-byte entries whose fields 4 and 5 are
    // the hotspot's x and y.
    constexpr int kHeader = 6;
    constexpr int kEntry = 16;
    if (data.size() < kHeader + kEntry || ReadWord(data, 0) != 0 || ReadWord(data, 2) != 2 ||
        ReadWord(data, 4) == 0) {
        return std::nullopt;
    }
    const int hotX = static_cast<int>(ReadWord(data, kHeader + 4));
    const int hotY = static_cast<int>(ReadWord(data, kHeader + 6));
    // The images are stored as in an icon file: read them as one by switching the type field and giving
    // every entry the plane and bit-count fields an icon has (0 bits: taken from the image itself).
    data[2] = 1;
    const int count = static_cast<int>(ReadWord(data, 4));
    for (int i = 0; i < count && kHeader + (i + 1) * kEntry <= data.size(); ++i) {
        const int entry = kHeader + i * kEntry;
        data[entry + 4] = 1;
        data[entry + 5] = 0;
        data[entry + 6] = 0;
        data[entry + 7] = 0;
    }
    QImage image;
    if (!image.loadFromData(data, "ICO") || image.isNull()) {
        return std::nullopt;
    }
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}
