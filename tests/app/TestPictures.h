#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <vector>

// Pictures for banner tests, made here so no picture file is checked in.
namespace testpictures {

// An animated GIF of `frames` frames, each one colour of a four-colour
// palette, 1/10 s apart. The image data uses LZW with a clear code after every
// two pixels, so the code width never grows past three bits.
inline QByteArray animatedGif(int width, int height, int frames) {
    QByteArray gif("GIF89a");
    const auto word = [&gif](int v) {
        gif.append(static_cast<char>(v & 0xFF));
        gif.append(static_cast<char>((v >> 8) & 0xFF));
    };
    word(width);
    word(height);
    gif.append(static_cast<char>(0xF1)); // global table of 4 colours
    gif.append('\0');
    gif.append('\0');
    const unsigned char palette[] = {255, 0, 0, 0, 128, 0, 0, 0, 255, 255, 255, 255};
    gif.append(reinterpret_cast<const char*>(palette), sizeof palette);
    // Loop for ever.
    gif.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (int f = 0; f < frames; ++f) {
        gif.append("\x21\xF9\x04\x00", 4); // graphic control: 10/100 s
        word(10);
        gif.append("\x00\x00", 2);
        gif.append('\x2C');
        word(0);
        word(0);
        word(width);
        word(height);
        gif.append('\0');
        gif.append('\x02'); // minimum code size
        std::vector<unsigned char> bytes;
        unsigned buffer = 0;
        int bits = 0;
        const auto code = [&](unsigned c) {
            buffer |= c << bits;
            bits += 3;
            while (bits >= 8) {
                bytes.push_back(static_cast<unsigned char>(buffer & 0xFF));
                buffer >>= 8;
                bits -= 8;
            }
        };
        const int pixels = width * height;
        for (int p = 0; p < pixels; ++p) {
            if (p % 2 == 0)
                code(4); // clear
            code(static_cast<unsigned>(f % 4));
        }
        code(5); // end
        if (bits > 0)
            bytes.push_back(static_cast<unsigned char>(buffer & 0xFF));
        for (size_t at = 0; at < bytes.size(); at += 255) {
            const size_t n = std::min<size_t>(255, bytes.size() - at);
            gif.append(static_cast<char>(n));
            gif.append(reinterpret_cast<const char*>(bytes.data() + at), static_cast<qsizetype>(n));
        }
        gif.append('\0');
    }
    gif.append('\x3B');
    return gif;
}

inline QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

inline QImage filled(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

} // namespace testpictures
