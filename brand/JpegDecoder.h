#pragma once

#include <QImage>

#include <string_view>

class QByteArray;
class QString;

// How a banner picture is decoded, by the extension of its image file name.
enum class PictureDecoder {
    Animated,    // ".gif": played by a QMovie
    Jpeg,        // ".jpg", ".jpeg": libjpeg, decodeJpeg()
    ImageReader, // anything else: Qt's image readers
};

// The decoder for a banner's image file name as the profile gives it. Only
// the file-name part counts (after the last "/", "\" or drive colon), and its
// extension is compared without regard to ASCII letter case. A name without
// an extension goes to Qt's image readers.
PictureDecoder pictureDecoderFor(std::string_view imageFileName);

// Pictures wider or taller than this, or with more pixels than
// kMaxJpegPixels, are refused before any pixel memory is allocated.
inline constexpr int kMaxJpegSide = 32768;
inline constexpr qint64 kMaxJpegPixels = 64 * 1024 * 1024;

// Decodes a JPEG through libjpeg. A damaged, truncated or foreign file, an
// unsupported colour space or a refused size give a null image; nothing is
// printed. Grey pictures come back as Format_Grayscale8, colour ones as
// Format_RGB888, CMYK and YCCK ones (Adobe's inverted convention included)
// converted to Format_RGB32.
[[nodiscard]] QImage decodeJpeg(const QByteArray& data);
[[nodiscard]] QImage decodeJpegFile(const QString& path);

// A still picture of a banner held in `data`, decoded as `imageFileName`'s
// extension says: JPEG through decodeJpeg(), other formats through Qt's
// image readers (the extension as a hint, the content deciding), an animated
// GIF as its first frame. Null when it cannot be decoded.
[[nodiscard]] QImage decodeStillPicture(const QByteArray& data, std::string_view imageFileName);
