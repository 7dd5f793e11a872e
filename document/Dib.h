#pragma once

// One raster picture: a device-independent bitmap (40-byte header, colour
// table, pixels), and for a picture read from an image file also the file's
// own encoded bytes. Inside an archive it takes one of two forms: packed (the
// 9-byte stored-block head and the LZ stream of a BMP file) or unpacked (a
// BMP file, or the tag 0xAAFF and an encoded image). A BMP file's DIB may be
// run-length or mask compressed; it is read into an uncompressed one.
//
// An encoded picture (PNG, JPEG, GIF, TIFF, BMP file) keeps its bytes exactly
// as they were read and writes them back unchanged, so that saving never
// costs quality or frames; its DIB is a 32-bit copy for drawing.
//
// Nothing from outside is trusted: header fields are checked before anything
// is allocated, unpacked lengths against what the packed bytes can encode and
// a cap, and image sizes before an image is decoded. A bad picture raises a
// UserException, a short one the archive's end-of-file error.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "engine/Compressor.h"
#include "platform/Archive.h"
#include "platform/DcTypes.h"
#include "platform/DibImage.h"
#include "platform/Geometry.h"

class QImage;

namespace kavitro {

class CDC;

class CDib {
public:
    static constexpr std::uint16_t kBitmapFileTag = 0x4D42;  // "BM"
    static constexpr std::uint16_t kEncodedTag = 0xAAFF;
    static constexpr std::size_t kFileHeaderSize = 14;
    // The largest BMP file a packed picture may unpack to, and the largest
    // encoded image (in bytes) or image (in pixels) we take.
    static constexpr std::uint64_t kMaxUnpackedLength = std::uint64_t{256} << 20;
    static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;

    CDib() = default;
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    void Free();
    // No pixels at all.
    bool IsEmpty() const { return !m_dib.has_value(); }
    // The picture came from an image file (or the encoded-image form).
    bool IsEncoded() const { return !m_encoded.empty(); }
    const DibImage* GetDib() const { return m_dib ? &*m_dib : nullptr; }
    const std::vector<std::uint8_t>& GetEncodedBytes() const { return m_encoded; }

    // Pixels; 0 for an empty picture.
    std::int32_t GetWidth() const;
    std::int32_t GetHeight() const;

    // Draws the DIB into the rectangle (logical units): 1:1 at its top-left
    // when its width and height equal the picture's, otherwise stretched over
    // it. Returns the scan lines drawn, 0 without pixels.
    int Draw(CDC& dc, const Rect& rect) const;

    // A picture made from pixels (stored as a BMP file).
    void SetDib(DibImage dib);
    // A 32-bit copy of an image, composed over white; false for a null or
    // oversized image (the picture is then empty).
    bool FromImage(const QImage& image);
    // Reads a BMP, PNG, JPEG, GIF or TIFF file through the image readers;
    // false, leaving the picture empty, when it cannot be read or decoded.
    bool LoadImageFile(const std::filesystem::path& path);
    // The same for the bytes of such a file (kept as the encoded bytes).
    bool LoadImageBytes(std::span<const std::uint8_t> bytes);

    void Copy(const CDib& other);

    // The packed form; Store raises a UserException without pixels. Load
    // with skip reads past a packed block without unpacking it.
    void Store(CArchive& ar);
    void Load(CArchive& ar, bool skip = false);
    // The unpacked form: a BMP file or the encoded-image form.
    void WriteUnpacked(CArchive& ar) const;
    void ReadUnpacked(CArchive& ar);
    // Either form, told apart by the first byte: a codec level (0 to 2)
    // starts the packed form or the unpacked marker, "B" a BMP file, 0xFF
    // the encoded-image tag; any other byte raises a UserException.
    void LoadAnyForm(CArchive& ar);

    // The BMP file of the DIB: file header, then the packed DIB.
    std::vector<std::uint8_t> BuildBitmapFile() const;

private:
    // The rest of the packed form after its 9-byte head, and of the
    // unpacked form after its 14-byte head.
    void LoadAfterHead(const std::uint8_t* head, CArchive& ar, bool skip);
    void ReadUnpackedAfterHead(const std::uint8_t* head, CArchive& ar);
    // Takes a BMP file's DIB (UserException when it is not one).
    void TakeBitmapFile(std::span<const std::uint8_t> file);
    // Takes a packed DIB (UserException when it is not one).
    void TakeDib(std::span<const std::uint8_t> packed);

    CCompressor m_codec;
    std::optional<DibImage> m_dib;
    std::vector<std::uint8_t> m_encoded;
};

// A frame one device pixel wide inside the rectangle (logical units, y up):
// top and left in the first colour, right and bottom in the second.
void Draw3DFrame(CDC& dc, const Rect& rect, COLORREF topLeft, COLORREF bottomRight);

}  // namespace kavitro
