#pragma once

// JPEG test pictures made with libjpeg's compressor, a route independent of
// the program's own decoder.

#include <QByteArray>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

// Fills one row of width x components samples.
using JpegRowFn = std::function<void(int y, JSAMPLE* row)>;
// Fills the components of one pixel.
using JpegPixelFn = std::function<void(int x, int y, JSAMPLE* pixel)>;
// Changes the compressor's settings after the defaults and the quality are set.
using JpegTuneFn = std::function<void(jpeg_compress_struct&)>;

inline QByteArray encodeJpegRows(int width, int height, int components, J_COLOR_SPACE inputSpace,
                                 const JpegRowFn& fillRow, const JpegTuneFn& tune = {},
                                 int quality = 95) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = inputSpace;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (tune)
        tune(info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(width * components));
    while (info.next_scanline < info.image_height) {
        fillRow(static_cast<int>(info.next_scanline), row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    const QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    jpeg_destroy_compress(&info);
    std::free(out);
    return bytes;
}

inline QByteArray encodeJpeg(int width, int height, int components, J_COLOR_SPACE inputSpace,
                             const JpegPixelFn& pixel, const JpegTuneFn& tune = {},
                             int quality = 95) {
    return encodeJpegRows(
        width, height, components, inputSpace,
        [&](int y, JSAMPLE* row) {
            for (int x = 0; x < width; ++x)
                pixel(x, y, row + x * components);
        },
        tune, quality);
}
