#include "brand/JpegDecoder.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QtEndian>

namespace {

QByteArray segment(unsigned char marker, const QByteArray& payload) {
    QByteArray bytes("\xFF");
    bytes += static_cast<char>(marker);
    const quint16 length = qToBigEndian(static_cast<quint16>(payload.size() + 2));
    bytes += QByteArray(reinterpret_cast<const char*>(&length), 2);
    return bytes + payload;
}

QByteArray bigEndian16(int value) {
    const quint16 be = qToBigEndian(static_cast<quint16>(value));
    return QByteArray(reinterpret_cast<const char*>(&be), 2);
}

// A grey progressive JPEG of the given size whose entropy data is nothing
// but `scans` empty DC scans: a few bytes per scan, yet every scan is a pass
// over the whole picture.
QByteArray emptyScans(int width, int height, int scans) {
    QByteArray file("\xFF\xD8");
    file += segment(0xDB, QByteArray(1, '\0') + QByteArray(64, '\x01'));
    file += segment(0xC2, QByteArray(1, 8) + bigEndian16(height) + bigEndian16(width) +
                              QByteArray("\x01\x01\x11\x00", 4));
    // One DC code of length 1, for difference category 0.
    file += segment(0xC4, QByteArray(1, '\0') + QByteArray(1, 1) + QByteArray(15, '\0') +
                              QByteArray(1, '\0'));
    const QByteArray scan = segment(0xDA, QByteArray("\x01\x01\x00\x00\x00\x00", 6));
    for (int i = 0; i < scans; ++i)
        file += scan;
    return file + "\xFF\xD9";
}

} // namespace

// Every scan costs a pass over the whole picture, so the scan count a file
// may have shrinks as its pictures grow: a 12 KB file of a thousand empty
// scans over a picture of the largest size took ten seconds to decode.
TEST(JpegScanLimit, LargePicturesMayHaveFewerScans) {
    struct Row {
        int width, height, scans;
        bool decodes;
    };
    const Row rows[] = {
        {64, 64, 1000, true},       {64, 64, 1001, false},    // small pictures: a thousand
        {4096, 4096, 128, true},    {4096, 4096, 129, false}, // 16 million pixels: 128
        {2048, 32768, 32, true},    {2048, 32768, 33, false}, // the largest: 32
        {2048, 32768, 1000, false},
    };
    for (const Row& row : rows) {
        const QImage image = decodeJpeg(emptyScans(row.width, row.height, row.scans));
        EXPECT_EQ(!image.isNull(), row.decodes)
            << row.width << " x " << row.height << ", " << row.scans << " scans";
        if (!image.isNull()) {
            EXPECT_EQ(image.size(), QSize(row.width, row.height));
        }
    }
}
