#include "brand/JpegDecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QString>

#include <climits>
#include <csetjmp>
#include <cstdio> // jpeglib.h expects FILE and size_t to be declared
#include <string>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// The extension of the file-name part of a name (after the last "/", "\" or
// drive colon), ASCII letters lower-cased; empty when there is none.
std::string lowerExtension(std::string_view imageFileName) {
    std::string_view name = imageFileName;
    const size_t cut = name.find_last_of("/\\:");
    if (cut != std::string_view::npos)
        name.remove_prefix(cut + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    std::string extension(name.substr(dot + 1));
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return extension;
}

} // namespace

PictureDecoder pictureDecoderFor(std::string_view imageFileName) {
    const std::string extension = lowerExtension(imageFileName);
    if (extension == "gif")
        return PictureDecoder::Animated;
    if (extension == "jpg" || extension == "jpeg")
        return PictureDecoder::Jpeg;
    return PictureDecoder::ImageReader;
}

namespace {

// A huge count of tiny progressive scans makes a small file take minutes to
// decode; real pictures have a few dozen at most. Every scan is a pass over
// the whole picture, so the pixels of all scans together are limited too:
// the largest pictures may have 32 scans, those up to two million pixels a
// thousand.
constexpr int kMaxProgressiveScans = 1000;
constexpr qint64 kMaxScannedPixels = 32 * kMaxJpegPixels;

// Banners are small; a file beyond this is not read into memory at all.
constexpr qint64 kMaxJpegFileBytes = 256 * 1024 * 1024;

// libjpeg reports a fatal error through error_exit, which must not return.
// Ours jumps back to the setjmp of the step that called into the library.
// Every step below is a function whose frame holds only plain values and
// whose callees between setjmp and the jump are libjpeg's C code, so the jump
// skips no destructor; the C++ caller that owns the QImage is never jumped
// over. The Decoder itself is a plain C structure owned by that caller.
struct ErrorManager {
    jpeg_error_mgr base; // first member: libjpeg sees a jpeg_error_mgr*
    std::jmp_buf jump;
};

struct Decoder {
    jpeg_decompress_struct info;
    ErrorManager errors;
    jpeg_progress_mgr progress;
};

[[noreturn]] void failDecoding(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings are not printed. A file that ends early is a failure, not a
// picture whose missing part libjpeg fills with grey. (The entropy decoder
// reads ahead, so even a file that lacks only its end-of-image marker ends
// inside the last block and counts as cut short.) Other corrupt-data warnings
// (stray bytes between markers, say) are tolerated as viewers do.
void onMessage(j_common_ptr info, int level) {
    if (level >= 0)
        return; // trace output
    if (info->err->msg_code == JWRN_JPEG_EOF)
        failDecoding(info);
    ++info->err->num_warnings;
}

void discardMessage(j_common_ptr) {}

void checkScanCount(j_common_ptr info) {
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    const qint64 scans = decompress->input_scan_number;
    const qint64 pixels = qint64{decompress->image_width} * decompress->image_height;
    if (scans > kMaxProgressiveScans || scans * pixels > kMaxScannedPixels)
        failDecoding(info);
}

void prepare(Decoder& d) {
    d.info.err = jpeg_std_error(&d.errors.base);
    d.errors.base.error_exit = failDecoding;
    d.errors.base.emit_message = onMessage;
    d.errors.base.output_message = discardMessage;
    d.progress.progress_monitor = checkScanCount;
}

// Step 1: create the decompressor over the bytes, read the header and choose
// the colour space to decode into. False for anything but a usable JPEG.
[[nodiscard]] bool readHeader(Decoder& d, const unsigned char* data, unsigned long size) {
    if (setjmp(d.errors.jump))
        return false;
    jpeg_create_decompress(&d.info);
    d.info.progress = &d.progress;
    jpeg_mem_src(&d.info, data, size);
    if (jpeg_read_header(&d.info, TRUE) != JPEG_HEADER_OK)
        return false;
    switch (d.info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        d.info.out_color_space = JCS_GRAYSCALE;
        return true;
    case JCS_RGB:
    case JCS_YCbCr:
        d.info.out_color_space = JCS_RGB;
        return true;
    case JCS_CMYK:
    case JCS_YCCK:
        d.info.out_color_space = JCS_CMYK; // libjpeg turns YCCK into CMYK
        return true;
    default:
        return false;
    }
}

// Step 2: start decompressing; afterwards the output size is known.
[[nodiscard]] bool startDecompress(Decoder& d) {
    if (setjmp(d.errors.jump))
        return false;
    return jpeg_start_decompress(&d.info) == TRUE;
}

// Step 3: decode every row into the caller's pixel buffer and finish.
[[nodiscard]] bool readRows(Decoder& d, unsigned char* firstLine, qsizetype bytesPerLine) {
    if (setjmp(d.errors.jump))
        return false;
    while (d.info.output_scanline < d.info.output_height) {
        JSAMPROW row = firstLine + bytesPerLine * static_cast<qsizetype>(d.info.output_scanline);
        if (jpeg_read_scanlines(&d.info, &row, 1) != 1)
            return false;
    }
    return jpeg_finish_decompress(&d.info) == TRUE;
}

int scaleBy(int value, int factor) {
    return (value * factor + 127) / 255;
}

// Rows read as C, M, Y, K bytes become RGB32 pixels in place. Adobe's
// applications write CMYK JPEGs with every value inverted (255 = no ink) and
// mark them with their APP14 segment.
void convertCmykRows(QImage& image, bool inverted) {
    for (int y = 0; y < image.height(); ++y) {
        uchar* bytes = image.scanLine(y);
        auto* pixels = reinterpret_cast<QRgb*>(bytes);
        for (int x = 0; x < image.width(); ++x) {
            int c = bytes[4 * x];
            int m = bytes[4 * x + 1];
            int yellow = bytes[4 * x + 2];
            int k = bytes[4 * x + 3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                yellow = 255 - yellow;
                k = 255 - k;
            }
            pixels[x] = qRgb(scaleBy(c, k), scaleBy(m, k), scaleBy(yellow, k));
        }
    }
}

[[nodiscard]] QImage decodeWith(Decoder& d, const QByteArray& data) {
    prepare(d);
    if (!readHeader(d, reinterpret_cast<const unsigned char*>(data.constData()),
                    static_cast<unsigned long>(data.size())))
        return {};
    const qint64 width = d.info.image_width;
    const qint64 height = d.info.image_height;
    if (width > kMaxJpegSide || height > kMaxJpegSide || width * height > kMaxJpegPixels)
        return {};
    if (!startDecompress(d))
        return {};

    QImage::Format format;
    int components;
    switch (d.info.out_color_space) {
    case JCS_GRAYSCALE:
        format = QImage::Format_Grayscale8;
        components = 1;
        break;
    case JCS_RGB:
        format = QImage::Format_RGB888;
        components = 3;
        break;
    default:
        format = QImage::Format_RGB32;
        components = 4;
        break;
    }
    if (d.info.output_components != components)
        return {};
    QImage image(static_cast<int>(d.info.output_width), static_cast<int>(d.info.output_height),
                 format);
    if (image.isNull())
        return {};
    if (!readRows(d, image.bits(), image.bytesPerLine()))
        return {};
    if (components == 4)
        convertCmykRows(image, d.info.saw_Adobe_marker);
    return image;
}

} // namespace

QImage decodeJpeg(const QByteArray& data) {
    if (data.isEmpty() || static_cast<quint64>(data.size()) > ULONG_MAX)
        return {};
    Decoder decoder{};
    QImage image = decodeWith(decoder, data);
    // Safe whatever step failed: a decompressor never created has no memory
    // manager, and destroying it does nothing.
    jpeg_destroy_decompress(&decoder.info);
    return image;
}

QImage decodeJpegFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxJpegFileBytes)
        return {};
    return decodeJpeg(file.readAll());
}

QImage decodeStillPicture(const QByteArray& data, std::string_view imageFileName) {
    const PictureDecoder decoder = pictureDecoderFor(imageFileName);
    if (decoder == PictureDecoder::Jpeg)
        return decodeJpeg(data);
    const QByteArray hint = decoder == PictureDecoder::Animated
                                ? QByteArray("gif")
                                : QByteArray::fromStdString(lowerExtension(imageFileName));
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImage image = QImageReader(&buffer, hint).read();
    if (image.isNull() && !hint.isEmpty()) {
        // A picture saved under the wrong extension still shows: the content decides.
        buffer.seek(0);
        QImageReader byContent(&buffer);
        byContent.setDecideFormatFromContent(true);
        image = byContent.read();
    }
    return image;
}
