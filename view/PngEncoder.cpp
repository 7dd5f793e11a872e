#include "view/PngEncoder.h"

#include <png.h>

#include <QImage>
#include <QSysInfo>

#include <csetjmp>
#include <cstdio>

namespace kavitro {

namespace {

constexpr int kDeflateLevel = 3;

struct Output {
    std::vector<std::uint8_t>* bytes;
    char message[256];
};

void Append(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Output*>(png_get_io_ptr(png));
    out->bytes->insert(out->bytes->end(), data, data + length);
}

void Flush(png_structp) {}

// libpng reports errors by a long jump; the message is kept for the caller.
[[noreturn]] void OnError(png_structp png, png_const_charp message) {
    auto* out = static_cast<Output*>(png_get_error_ptr(png));
    std::snprintf(out->message, sizeof out->message, "%s", message ? message : "unknown error");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Writes the rows. Only plain values live in this frame, so that the long
// jump of an error skips no destructor.
bool WriteRows(png_structp png, png_infop info, const QImage& rgba, bool bgr) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(rgba.width()), static_cast<png_uint_32>(rgba.height()), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(png, kDeflateLevel);
    png_write_info(png, info);
    if (bgr) png_set_bgr(png);
    for (int y = 0; y < rgba.height(); ++y) png_write_row(png, const_cast<png_bytep>(rgba.constScanLine(y)));
    png_write_end(png, info);
    return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> EncodePng(const QImage& image, std::string* error) {
    auto fail = [&](std::string why) -> std::optional<std::vector<std::uint8_t>> {
        if (error) *error = std::move(why);
        return std::nullopt;
    };
    if (image.isNull()) return fail("there is no picture to encode");
    // Non-premultiplied 32-bit pixels are B, G, R, A in memory on a
    // little-endian machine; elsewhere the bytes are put in order first.
    const bool bgr = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    const QImage rgba = image.convertToFormat(bgr ? QImage::Format_ARGB32 : QImage::Format_RGBA8888);
    if (rgba.isNull()) return fail("out of memory for the picture");

    std::vector<std::uint8_t> bytes;
    Output out{&bytes, {}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &out, OnError, OnWarning);
    if (!png) return fail("the PNG encoder cannot be made");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return fail("the PNG encoder cannot be made");
    }
    png_set_write_fn(png, &out, Append, Flush);
    const bool written = WriteRows(png, info, rgba, bgr);
    png_destroy_write_struct(&png, &info);
    if (!written) return fail(std::string("PNG encoder: ") + out.message);
    return bytes;
}

}  // namespace kavitro
