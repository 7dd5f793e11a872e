#include "engine/VectorPathFile.h"

#include <cstring>
#include <fstream>
#include <string>
#include <system_error>

#include "engine/Compressor.h"
#include "platform/Exceptions.h"

namespace kavitro {

namespace {

// Reads little-endian values from a span; running past its end raises the
// archive's end-of-file error.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t Remaining() const { return m_bytes.size() - m_pos; }
    std::size_t Position() const { return m_pos; }

    std::span<const std::uint8_t> Take(std::size_t n) {
        if (n > Remaining()) {
            throw ArchiveException(ArchiveException::Cause::EndOfFile, "the vector-path file ends early");
        }
        const auto part = m_bytes.subspan(m_pos, n);
        m_pos += n;
        return part;
    }
    std::uint64_t Unsigned(std::size_t size) {
        const auto b = Take(size);
        std::uint64_t v = 0;
        for (std::size_t i = size; i-- > 0;) {
            v = (v << 8) | b[i];
        }
        return v;
    }
    std::uint8_t U8() { return static_cast<std::uint8_t>(Unsigned(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Unsigned(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Unsigned(4)); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

void PutI32(std::vector<std::uint8_t>& out, std::int32_t v) {
    PutU32(out, static_cast<std::uint32_t>(v));
}

// An archive string: a length (one byte below 0xFF; else 0xFF and a u16; else
// 0xFFFF and a u32; else 0xFFFFFFFF and a u64), optionally preceded by the
// UTF-16 tag FF FE FF, then the characters. Returned as UTF-16 code units.
std::uint64_t ReadStringLength(ByteReader& in, bool& utf16) {
    utf16 = false;
    std::uint8_t byte = in.U8();
    if (byte < 0xFF) {
        return byte;
    }
    std::uint16_t word = in.U16();
    if (word == 0xFFFE) {
        utf16 = true;
        byte = in.U8();
        if (byte < 0xFF) {
            return byte;
        }
        word = in.U16();
    }
    if (word < 0xFFFF) {
        return word;
    }
    const std::uint32_t dword = in.U32();
    return dword < 0xFFFFFFFFu ? dword : in.Unsigned(8);
}

std::u16string ReadArchiveString(ByteReader& in) {
    bool utf16 = false;
    const std::uint64_t length = ReadStringLength(in, utf16);
    const std::size_t unit = utf16 ? 2 : 1;
    if (length > in.Remaining() / unit) {
        throw ArchiveException(ArchiveException::Cause::EndOfFile, "the vector-path title ends early");
    }
    const auto bytes = in.Take(static_cast<std::size_t>(length) * unit);
    std::u16string text;
    text.reserve(static_cast<std::size_t>(length));
    for (std::size_t i = 0; i < bytes.size(); i += unit) {
        text.push_back(utf16 ? static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)) : static_cast<char16_t>(bytes[i]));
    }
    return text;
}

bool IsTitle(const std::u16string& text) {
    const std::string_view title = CVectorPathFile::kTitle;
    if (text.size() != title.size()) {
        return false;
    }
    for (std::size_t i = 0; i < title.size(); ++i) {
        if (text[i] != static_cast<char16_t>(title[i])) {
            return false;
        }
    }
    return true;
}

// One record; raises before touching `record` when the bytes are not a
// well-formed polygon outline.
void ReadRecord(ByteReader& in, CPathData& record) {
    const std::int32_t count = in.I32();
    const std::int32_t segments = in.I32();
    const std::int32_t yMax = in.I32();
    const std::int32_t yMin = in.I32();
    constexpr std::size_t kBytesPerPoint = 1 + 8;
    if (count < 0 || static_cast<std::size_t>(count) > in.Remaining() / kBytesPerPoint) {
        throw UserException("bad point count in the vector-path file");
    }
    // Polygons only: each point is one move-to or line-to command.
    if (segments != count) {
        throw UserException("segment count disagrees with the points in the vector-path file");
    }
    const auto n = static_cast<std::size_t>(count);
    const auto typeBytes = in.Take(n);
    std::vector<std::uint8_t> types(typeBytes.begin(), typeBytes.end());
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t t = types[i];
        const bool valid = i == 0 ? t == PathPoint::MoveTo
                                  : (t == PathPoint::MoveTo || t == PathPoint::LineTo ||
                                     t == (PathPoint::LineTo | PathPoint::CloseFigure));
        if (!valid) {
            throw UserException("bad point type in the vector-path file");
        }
    }
    std::vector<Point> points(n);
    for (Point& p : points) {
        p.x = in.I32();
        p.y = in.I32();
    }
    record.Assign(std::move(types), std::move(points), segments, yMax, yMin);
}

}  // namespace

std::vector<std::uint8_t> CVectorPathFile::SerializeBody(std::span<const CPathData> records) {
    std::vector<std::uint8_t> body;
    for (const CPathData& r : records) {
        PutI32(body, r.GetPointCount());
        PutI32(body, r.GetSegmentCount());
        PutI32(body, r.GetYMax());
        PutI32(body, r.GetYMin());
        const auto types = r.GetTypes();
        body.insert(body.end(), types.begin(), types.end());
        for (const Point& p : r.GetPoints()) {
            PutI32(body, p.x);
            PutI32(body, p.y);
        }
    }
    return body;
}

std::vector<std::uint8_t> CVectorPathFile::Pack(std::span<const std::uint8_t> body, TitleForm form,
                                                std::uint8_t level) {
    const std::string_view title = kTitle;
    std::vector<std::uint8_t> file;
    if (form == TitleForm::Utf16) {
        file = {0xFF, 0xFE, 0xFF};
    }
    file.push_back(static_cast<std::uint8_t>(title.size()));
    for (const char c : title) {
        file.push_back(static_cast<std::uint8_t>(c));
        if (form == TitleForm::Utf16) {
            file.push_back(0);
        }
    }
    CCompressor codec(level);
    const std::vector<std::uint8_t> block = codec.PackBlock(body);
    file.insert(file.end(), block.begin(), block.end());
    return file;
}

void CVectorPathFile::Load(const std::filesystem::path& file, std::span<CPathData> records) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    // A real file is a few hundred kilobytes; refuse anything absurd before
    // allocating for it.
    constexpr std::uintmax_t kLargestFile = 64u << 20;
    if (ec || size > kLargestFile) {
        throw UserException("cannot read the vector-path file " + file.string());
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::ifstream in(file, std::ios::binary);
    if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        throw UserException("cannot read the vector-path file " + file.string());
    }
    Parse(bytes, records);
}

void CVectorPathFile::Parse(std::span<const std::uint8_t> fileBytes, std::span<CPathData> records) {
    if (records.size() < kRecordCount) {
        throw InvalidArgumentException("too few vector-path records");
    }
    ByteReader in(fileBytes);
    if (!IsTitle(ReadArchiveString(in))) {
        throw UserException("not a vector-path file");
    }

    const auto block = fileBytes.subspan(in.Position());
    const StoredBlockHeader header = StoredBlockHeader::Read(block);
    if (header.IsUnpackedMarker() || header.level > CCompressor::kMaxLevel ||
        header.PackedCount() > block.size() - StoredBlockHeader::kSize ||
        header.unpackedLength > CCompressor::MaxUnpackedLength(header.level, header.PackedCount())) {
        throw UserException("corrupt vector-path block");
    }
    CCompressor codec(header.level);
    codec.UnpackBlock(block);

    ByteReader body(codec.GetUnpacked());
    for (std::size_t i = 0; i < kRecordCount; ++i) {
        ReadRecord(body, records[i]);
    }
}

}  // namespace kavitro
