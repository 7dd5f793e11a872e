#pragma once

// One vector picture: a Windows metafile (placeable), an enhanced metafile,
// or a Dodavo clip-art file (".kvt": a packed placeable WMF; ".ekvt": a
// packed EMF). The picture keeps the raw bytes of the file it came from
// (what a document stores) and the metafile they decode to (what is drawn).
//
// Clip-art comes from users: sizes are checked before header fields are
// read, unpacked lengths against what the packed bytes can encode and a cap,
// and the decoded metafile must parse. A bad picture raises a UserException
// and leaves the picture empty.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "engine/Compressor.h"
#include "platform/Archive.h"
#include "platform/Geometry.h"
#include "platform/Metafile.h"

namespace kavitro {

class CDC;

class CMetafilePicture {
public:
    enum Type : std::uint16_t { None = 0, Wmf = 1, Emf = 2, Dodavo = 3, EnhancedDodavo = 4 };

    static constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
    static constexpr std::size_t kPlaceableHeaderSize = 22;
    // "Kavitro Dodavo" and a zero byte; mode at 15, unpacked length at 20,
    // the stream from 24.
    static constexpr std::size_t kDodavoHeaderSize = 24;
    // "Kavitro Enhanced Dodavo" without terminator; mode at 23, unpacked
    // length at 28, the stream from 32.
    static constexpr std::size_t kEnhancedDodavoHeaderSize = 32;
    // A width or height that cannot be read.
    static constexpr std::int32_t kUnknownExtent = 100;

    CMetafilePicture() = default;
    CMetafilePicture(const CMetafilePicture&) = delete;
    CMetafilePicture& operator=(const CMetafilePicture&) = delete;

    // Reads the file and decodes it by its extension (".emf", ".wmf",
    // ".kvt", ".ekvt", in any case); another extension keeps the bytes
    // undecoded with type None and gives false. A file that cannot be read
    // or decoded raises a UserException.
    bool LoadFile(const std::filesystem::path& path);
    // A placeable WMF (type Wmf).
    void SetWmfBits(std::span<const std::uint8_t> bytes);
    // An enhanced metafile, as the renderers record it (type Emf).
    void SetEmfBits(std::vector<std::uint8_t> bytes);

    // The stored form: u16 type, u32 raw size, the raw bytes. A type
    // outside 0..4 is an archive error; a bad picture a UserException.
    void Load(CArchive& ar);
    void Store(CArchive& ar) const;

    void DecodeEmf();
    void DecodeWmf();
    void DecodeDodavo();
    void DecodeEnhancedDodavo();

    // The frame in 0.01 mm; 100 when there is no metafile.
    std::int32_t GetWidth() const;
    std::int32_t GetHeight() const;

    void Copy(const CMetafilePicture& other);
    // Frees everything; type None.
    void Free();
    void FreeMetafile();

    // Writes the picture as an EMF file, atomically. A picture without a
    // metafile raises a UserException; false when the file cannot be written.
    bool SaveEmfFile(const std::filesystem::path& path) const;

    // Plays the metafile fitted into the rectangle; false when nothing was
    // played.
    bool Draw(CDC& dc, const Rect& rect) const;

    Type GetType() const { return m_nType; }
    bool HasMetafile() const { return m_metafile.has_value(); }
    const std::vector<std::uint8_t>& GetRawBytes() const { return m_raw; }
    // The bytes the player takes: the EMF, or the placeable WMF.
    const std::vector<std::uint8_t>& GetMetafileBits() const { return m_bits; }

private:
    // Unpacks a Dodavo stream from the raw bytes.
    std::vector<std::uint8_t> Unpack(std::size_t modeAt, std::size_t lengthAt, std::size_t streamAt,
                                     std::uint64_t minimumLength);
    // Parses the bytes as the metafile; a UserException when they do not.
    void TakeMetafile(std::vector<std::uint8_t> bits, MetafileKind kind);
    // Decodes the raw bytes by type, emptying the picture on failure.
    void DecodeByType();

    CCompressor m_codec;
    Type m_nType = None;
    std::vector<std::uint8_t> m_raw;
    std::vector<std::uint8_t> m_bits;
    std::optional<Metafile> m_metafile;
};

// Writes a placeable WMF file (576 units per inch) of a Windows metafile's
// bytes and its rectangle, atomically. Empty bytes raise a UserException;
// false when the file cannot be written.
bool SavePlaceableMetafile(std::span<const std::uint8_t> wmf, const Rect& box, const std::filesystem::path& path);

}  // namespace kavitro
