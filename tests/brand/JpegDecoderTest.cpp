#include "brand/JpegDecoder.h"
#include "tests/support/JpegWriter.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include <jpeglib.h>

namespace {

QByteArray uniformGrey(int width, int height) {
    return encodeJpegRows(width, height, 1, JCS_GRAYSCALE, [width](int, JSAMPLE* row) {
        std::memset(row, 140, static_cast<size_t>(width));
    });
}

// A 64 x 48 picture in four quadrants: red, green / blue, mid grey.
constexpr int kWidth = 64;
constexpr int kHeight = 48;
const QColor kQuadrants[4] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255),
                              QColor(128, 128, 128)};

int quadrantOf(int x, int y) {
    return (y < kHeight / 2 ? 0 : 2) + (x < kWidth / 2 ? 0 : 1);
}

QByteArray rgbQuadrants(const std::function<void(jpeg_compress_struct&)>& tune = {}) {
    return encodeJpeg(
        kWidth, kHeight, 3, JCS_RGB,
        [](int x, int y, JSAMPLE* p) {
            const QColor c = kQuadrants[quadrantOf(x, y)];
            p[0] = static_cast<JSAMPLE>(c.red());
            p[1] = static_cast<JSAMPLE>(c.green());
            p[2] = static_cast<JSAMPLE>(c.blue());
        },
        tune);
}

// The quadrants as CMYK ink amounts (grey through black ink alone), stored
// inverted as Adobe's applications do or as plain ink amounts.
QByteArray cmykQuadrants(bool adobeInverted, J_COLOR_SPACE stored) {
    return encodeJpeg(
        kWidth, kHeight, 4, JCS_CMYK,
        [adobeInverted](int x, int y, JSAMPLE* p) {
            static const int ink[4][4] = {
                {0, 255, 255, 0}, {255, 0, 255, 0}, {255, 255, 0, 0}, {0, 0, 0, 127}};
            for (int i = 0; i < 4; ++i) {
                const int amount = ink[quadrantOf(x, y)][i];
                p[i] = static_cast<JSAMPLE>(adobeInverted ? 255 - amount : amount);
            }
        },
        [adobeInverted, stored](jpeg_compress_struct& info) {
            jpeg_set_colorspace(&info, stored);
            info.write_Adobe_marker = adobeInverted ? TRUE : FALSE;
        });
}

// Compares the centre of every quadrant with its colour.
void expectQuadrants(const QImage& image, int tolerance = 10) {
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.size(), QSize(kWidth, kHeight));
    for (int q = 0; q < 4; ++q) {
        const int x = (q % 2) * kWidth / 2 + kWidth / 4;
        const int y = (q / 2) * kHeight / 2 + kHeight / 4;
        const QColor seen = image.pixelColor(x, y);
        const QColor want = kQuadrants[q];
        EXPECT_NEAR(seen.red(), want.red(), tolerance) << "quadrant " << q;
        EXPECT_NEAR(seen.green(), want.green(), tolerance) << "quadrant " << q;
        EXPECT_NEAR(seen.blue(), want.blue(), tolerance) << "quadrant " << q;
    }
}

TEST(JpegDecoder, DecodesColourPictures) {
    const QImage image = decodeJpeg(rgbQuadrants());
    expectQuadrants(image);
    EXPECT_EQ(image.format(), QImage::Format_RGB888);

    // Progressive files are read whole before the first row comes out.
    expectQuadrants(decodeJpeg(
        rgbQuadrants([](jpeg_compress_struct& info) { jpeg_simple_progression(&info); })));
    // Odd sizes leave partial blocks at the right and bottom edges.
    const QByteArray odd = encodeJpeg(
        13, 7, 3, JCS_RGB, [](int, int, JSAMPLE* p) { p[0] = 10, p[1] = 200, p[2] = 90; });
    const QImage small = decodeJpeg(odd);
    ASSERT_EQ(small.size(), QSize(13, 7));
    const QColor corner = small.pixelColor(12, 6);
    EXPECT_NEAR(corner.red(), 10, 8);
    EXPECT_NEAR(corner.green(), 200, 8);
    EXPECT_NEAR(corner.blue(), 90, 8);
}

TEST(JpegDecoder, DecodesGreyPictures) {
    const QByteArray jpeg = encodeJpeg(40, 20, 1, JCS_GRAYSCALE, [](int x, int, JSAMPLE* p) {
        *p = static_cast<JSAMPLE>(x < 20 ? 30 : 220);
    });
    const QImage image = decodeJpeg(jpeg);
    ASSERT_EQ(image.size(), QSize(40, 20));
    EXPECT_EQ(image.format(), QImage::Format_Grayscale8);
    EXPECT_NEAR(qGray(image.pixel(5, 10)), 30, 4);
    EXPECT_NEAR(qGray(image.pixel(35, 10)), 220, 4);
}

TEST(JpegDecoder, DecodesCmykAndYcckPictures) {
    {
        SCOPED_TRACE("Adobe-inverted CMYK");
        expectQuadrants(decodeJpeg(cmykQuadrants(true, JCS_CMYK)));
    }
    {
        SCOPED_TRACE("Adobe-inverted YCCK");
        expectQuadrants(decodeJpeg(cmykQuadrants(true, JCS_YCCK)));
    }
    {
        SCOPED_TRACE("plain CMYK without Adobe's segment");
        expectQuadrants(decodeJpeg(cmykQuadrants(false, JCS_CMYK)));
    }
}

TEST(JpegDecoder, TruncatedFileGivesNoPicture) {
    for (const QByteArray& whole : {rgbQuadrants(), rgbQuadrants([](jpeg_compress_struct& info) {
                                        jpeg_simple_progression(&info);
                                    })}) {
        ASSERT_FALSE(decodeJpeg(whole).isNull());
        // Down to a file that lacks only its end-of-image marker.
        for (const qsizetype kept : {qsizetype(2), qsizetype(20), whole.size() / 3,
                                     whole.size() / 2, whole.size() - 40, whole.size() - 2})
            EXPECT_TRUE(decodeJpeg(whole.left(kept)).isNull()) << kept << " of " << whole.size();
    }
}

TEST(JpegDecoder, GarbageGivesNoPicture) {
    std::mt19937 random(7);
    QByteArray noise(4096, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    EXPECT_TRUE(decodeJpeg(noise).isNull());
    EXPECT_TRUE(decodeJpeg(QByteArray()).isNull());
    EXPECT_TRUE(decodeJpeg("GIF89a\x01\x00\x01\x00").isNull());
    EXPECT_TRUE(decodeJpeg(QByteArray("\xFF\xD8", 2) + noise).isNull());
    // A JPEG header followed by noise in place of the picture data.
    const QByteArray valid = rgbQuadrants();
    const qsizetype scan = valid.indexOf("\xFF\xDA");
    ASSERT_GT(scan, 0);
    EXPECT_TRUE(decodeJpeg(valid.left(scan) + noise).isNull());
}

// Every byte of a small JPEG replaced in turn: whatever libjpeg makes of the
// damage, the decoder returns a whole picture of the size the frame header
// states or none, and under the sanitizers nothing reads or writes out of
// bounds.
TEST(JpegDecoder, SurvivesDamageAnywhere) {
    const QByteArray valid = encodeJpeg(24, 16, 3, JCS_RGB, [](int x, int y, JSAMPLE* p) {
        p[0] = static_cast<JSAMPLE>(x * 10), p[1] = static_cast<JSAMPLE>(y * 15), p[2] = 77;
    });
    const qsizetype frame = valid.indexOf("\xFF\xC0");
    ASSERT_GT(frame, 0);
    int refused = 0;
    for (qsizetype i = 0; i < valid.size(); ++i) {
        for (const char replacement : {'\x00', '\xFF', '\x5A'}) {
            QByteArray damaged = valid;
            damaged[i] = replacement;
            const QImage image = decodeJpeg(damaged);
            if (image.isNull()) {
                ++refused;
                continue;
            }
            const auto u16 = [&](qsizetype at) {
                return static_cast<unsigned char>(damaged[at]) * 256 +
                       static_cast<unsigned char>(damaged[at + 1]);
            };
            EXPECT_EQ(image.size(), QSize(u16(frame + 7), u16(frame + 5))) << "byte " << i;
        }
    }
    EXPECT_GT(refused, 0);
}

TEST(JpegDecoder, RefusesAbsurdDimensions) {
    // The frame header (SOF0) holds the height and then the width, big-endian,
    // three bytes after its length.
    const QByteArray valid = rgbQuadrants();
    const qsizetype frame = valid.indexOf("\xFF\xC0");
    ASSERT_GT(frame, 0);
    const auto withSize = [&](int width, int height) {
        QByteArray patched = valid;
        patched[frame + 5] = static_cast<char>(height >> 8);
        patched[frame + 6] = static_cast<char>(height & 0xFF);
        patched[frame + 7] = static_cast<char>(width >> 8);
        patched[frame + 8] = static_cast<char>(width & 0xFF);
        return patched;
    };
    EXPECT_TRUE(decodeJpeg(withSize(65000, 65000)).isNull());
    EXPECT_TRUE(decodeJpeg(withSize(9000, 9000)).isNull());
    EXPECT_FALSE(decodeJpeg(withSize(kWidth, kHeight)).isNull());

    // Complete pictures just past each limit, which would otherwise decode.
    const QImage narrowEnough = decodeJpeg(uniformGrey(kMaxJpegSide, 8));
    ASSERT_EQ(narrowEnough.size(), QSize(kMaxJpegSide, 8));
    EXPECT_EQ(qGray(narrowEnough.pixel(kMaxJpegSide - 1, 7)), 140);
    EXPECT_TRUE(decodeJpeg(uniformGrey(kMaxJpegSide + 1, 8)).isNull());
    EXPECT_TRUE(decodeJpeg(uniformGrey(8, kMaxJpegSide + 1)).isNull());
    const int side = 8200; // 67.24 million pixels
    static_assert(qint64(side) * side > kMaxJpegPixels && side <= kMaxJpegSide);
    EXPECT_TRUE(decodeJpeg(uniformGrey(side, side)).isNull());
}

TEST(JpegDecoder, ToleratesStrayBytesAndPrintsNothing) {
    // Bytes between two markers make libjpeg warn and go on; the warning must
    // not reach the terminal.
    const QByteArray valid = rgbQuadrants();
    const qsizetype table = valid.indexOf("\xFF\xDB");
    ASSERT_GT(table, 0);
    const QByteArray stray = valid.left(table) + QByteArray("\x01\x02\x03") + valid.mid(table);
    testing::internal::CaptureStderr();
    const QImage image = decodeJpeg(stray);
    const QImage none = decodeJpeg(valid.left(valid.size() / 2));
    const std::string printed = testing::internal::GetCapturedStderr();
    expectQuadrants(image);
    EXPECT_TRUE(none.isNull());
    EXPECT_EQ(printed, "");
}

TEST(JpegDecoder, DecodesFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile out(dir.filePath("banner3.dat"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(rgbQuadrants());
    out.close();
    expectQuadrants(decodeJpegFile(out.fileName()));
    EXPECT_TRUE(decodeJpegFile(dir.filePath("missing.dat")).isNull());
}

TEST(JpegDecoder, ReadsWhatQtsOwnEncoderWrites) {
    if (!QImageWriter::supportedImageFormats().contains("jpeg"))
        GTEST_SKIP() << "Qt's JPEG plugin is not installed";
    QImage source(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x)
            source.setPixelColor(x, y, kQuadrants[quadrantOf(x, y)]);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(source.save(&buffer, "JPG", 95));
    expectQuadrants(decodeJpeg(bytes));
}

TEST(PictureDecoder, ChoosesByTheFileNamesExtension) {
    struct Case {
        const char* name;
        PictureDecoder decoder;
    };
    const Case cases[] = {
        {"banner.gif", PictureDecoder::Animated},
        {"BANNER.GIF", PictureDecoder::Animated},
        {"C:\\My Pictures\\Ad.Gif", PictureDecoder::Animated},
        {"photo.jpg", PictureDecoder::Jpeg},
        {"photo.JPEG", PictureDecoder::Jpeg},
        {"images/photo.Jpg", PictureDecoder::Jpeg},
        {"C:photo.jpeg", PictureDecoder::Jpeg},
        {"logo.bmp", PictureDecoder::ImageReader},
        {"logo.png", PictureDecoder::ImageReader},
        {"icon.ico", PictureDecoder::ImageReader},
        {"photo.jpg.bmp", PictureDecoder::ImageReader},
        {"banner.gifx", PictureDecoder::ImageReader},
        // ".gif" in a folder's name does not make the picture animated.
        {"C:\\ads.gif\\banner.bmp", PictureDecoder::ImageReader},
        {"ads.gif/banner", PictureDecoder::ImageReader},
        {"gif", PictureDecoder::ImageReader},
        {"", PictureDecoder::ImageReader},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pictureDecoderFor(c.name), c.decoder) << c.name;
}

QByteArray bmpBytes(const QColor& colour) {
    QImage image(9, 5, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

TEST(PictureDecoder, DecodesStillPicturesByTheirName) {
    const QImage bmp = decodeStillPicture(bmpBytes(Qt::cyan), "C:\\ads\\banner.BMP");
    ASSERT_EQ(bmp.size(), QSize(9, 5));
    EXPECT_EQ(bmp.pixelColor(4, 2), QColor(Qt::cyan));
    // A wrong extension is only a hint; the content decides.
    EXPECT_EQ(decodeStillPicture(bmpBytes(Qt::cyan), "banner.png").size(), QSize(9, 5));

    expectQuadrants(decodeStillPicture(rgbQuadrants(), "banner.JPEG"));
    EXPECT_TRUE(decodeStillPicture(rgbQuadrants().left(300), "banner.jpg").isNull());
    EXPECT_TRUE(decodeStillPicture("not a picture at all", "banner.bmp").isNull());

    if (!QImageReader::supportedImageFormats().contains("gif"))
        GTEST_SKIP() << "Qt's GIF plugin is not installed";
    // A 1 x 1 GIF whose one pixel is palette entry 0, white.
    static const unsigned char gif[] = {'G', 'I',  'F',  '8',  '9', 'a', 1, 0,    1,    0, 0x80, 0,
                                        0,   0xFF, 0xFF, 0xFF, 0,   0,   0, 0x2C, 0,    0, 0,    0,
                                        1,   0,    1,    0,    0,   2,   2, 0x44, 0x01, 0, 0x3B};
    const QImage frame =
        decodeStillPicture(QByteArray(reinterpret_cast<const char*>(gif), sizeof gif), "ad.gif");
    ASSERT_EQ(frame.size(), QSize(1, 1));
    EXPECT_EQ(frame.pixelColor(0, 0), QColor(Qt::white));
}

} // namespace
