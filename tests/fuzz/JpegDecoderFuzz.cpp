// The banner pictures on any file: the JPEG decoder (our wrapper around
// libjpeg) gives a null image or a picture within the size limits in one of
// its three formats, every pixel row of it readable; the choice of decoder by
// the image file name follows the extension of the name's last part; and a
// still picture under a JPEG name is exactly what the JPEG decoder gives.
//
// The input is the banner file. Its first bytes, up to the first NUL or 40
// bytes, also serve as an image file name; its length picks one of a few
// typical names for the still-picture decoding.

#include "tests/fuzz/FuzzSupport.h"

#include "brand/JpegDecoder.h"

#include <QByteArray>
#include <QImage>

#include <string>
#include <string_view>

namespace {

PictureDecoder referenceDecoder(std::string_view name) {
    const size_t cut = name.find_last_of("/\\:");
    if (cut != std::string_view::npos)
        name.remove_prefix(cut + 1);
    const size_t dot = name.rfind('.');
    std::string extension;
    if (dot != std::string_view::npos) {
        for (const char c : name.substr(dot + 1))
            extension += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    if (extension == "gif")
        return PictureDecoder::Animated;
    if (extension == "jpg" || extension == "jpeg")
        return PictureDecoder::Jpeg;
    return PictureDecoder::ImageReader;
}

// Reads every byte of every row, so that a picture smaller than it claims
// shows as a read out of bounds.
unsigned checksum(const QImage& image) {
    unsigned sum = 0;
    const qsizetype rowBytes = static_cast<qsizetype>(image.width()) * image.depth() / 8;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (qsizetype x = 0; x < rowBytes; ++x)
            sum = sum * 31 + row[x];
    }
    return sum;
}

void checkPicture(const QImage& image) {
    if (image.isNull())
        return;
    FUZZ_REQUIRE(image.width() > 0 && image.height() > 0);
    FUZZ_REQUIRE(image.width() <= kMaxJpegSide && image.height() <= kMaxJpegSide);
    FUZZ_REQUIRE(qint64{image.width()} * image.height() <= kMaxJpegPixels);
    FUZZ_REQUIRE(image.format() == QImage::Format_Grayscale8 ||
                 image.format() == QImage::Format_RGB888 || image.format() == QImage::Format_RGB32);
}

const char* const kNames[] = {"banner.jpg", "c:\\pictures.gif\\BANNER.JPEG",
                              "banner.gif", "banner.png",
                              "banner.bmp", "banner"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes = fuzzref::bytesOf(data, size);
    const std::string_view name = bytes.substr(0, std::min(bytes.find('\0'), size_t{40}));
    FUZZ_REQUIRE(pictureDecoderFor(name) == referenceDecoder(name));

    const QByteArray file(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const QImage picture = decodeJpeg(file);
    checkPicture(picture);
    const unsigned sum = picture.isNull() ? 0 : checksum(picture);

    const std::string_view typical = kNames[size % std::size(kNames)];
    const QImage still = decodeStillPicture(file, typical);
    if (pictureDecoderFor(typical) == PictureDecoder::Jpeg) {
        FUZZ_REQUIRE(still.isNull() == picture.isNull());
        FUZZ_REQUIRE(still.isNull() || (still == picture && checksum(still) == sum));
    }
    return 0;
}
