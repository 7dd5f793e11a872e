#include "document/MetafilePicture.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "document/FailureReasons.h"
#include "document/PolygonRect.h"
#include <cstring>
#include <string>

#include "platform/AtomicFile.h"
#include "platform/DC.h"
#include "platform/EmfRecorder.h"
#include "platform/Exceptions.h"
#include "platform/MetafilePlayer.h"
#include "platform/WmfRecorder.h"

namespace kavitro {

namespace {

constexpr char kDodavoMagic[] = "Kavitro Dodavo";                     // with its zero byte: 15 bytes
constexpr char kEnhancedDodavoMagic[] = "Kavitro Enhanced Dodavo";    // 23 bytes, no terminator

std::uint32_t GetU32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8) | (std::uint32_t{b[at + 2]} << 16) |
           (std::uint32_t{b[at + 3]} << 24);
}

std::string LowerExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// The drawing contexts play through the registered player; a process that
// registered none (a headless tool) gets ours.
void EnsurePlayer() {
    static CMetafilePlayer player;
    if (GetMetafilePlayer() == nullptr) SetMetafilePlayer(&player);
}

}  // namespace

bool CMetafilePicture::LoadFile(const std::filesystem::path& path) {
    Free();
    FileProblem problem = FileProblem::None;
    std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path, kMaxMetafileBytes, nullptr, &problem);
    if (!bytes) throw PictureFileException(problem);
    m_raw = std::move(*bytes);
    const std::string ext = LowerExtension(path);
    if (ext == ".emf") m_nType = Emf;
    else if (ext == ".wmf") m_nType = Wmf;
    else if (ext == ".kvt") m_nType = Dodavo;
    else if (ext == ".ekvt") m_nType = EnhancedDodavo;
    else return false;
    DecodeByType();
    return true;
}

void CMetafilePicture::SetWmfBits(std::span<const std::uint8_t> bytes) {
    Free();
    m_raw.assign(bytes.begin(), bytes.end());
    m_nType = Wmf;
    DecodeByType();
}

void CMetafilePicture::SetEmfBits(std::vector<std::uint8_t> bytes) {
    Free();
    m_raw = std::move(bytes);
    m_nType = Emf;
    DecodeByType();
}

void CMetafilePicture::DecodeByType() {
    try {
        switch (m_nType) {
            case Wmf: DecodeWmf(); break;
            case Emf: DecodeEmf(); break;
            case Dodavo: DecodeDodavo(); break;
            case EnhancedDodavo: DecodeEnhancedDodavo(); break;
            case None: break;
        }
    } catch (...) {
        Free();
        throw;
    }
}

void CMetafilePicture::Load(CArchive& ar) {
    Free();
    const std::uint16_t type = ar.ReadU16();
    if (type > EnhancedDodavo)
        throw ArchiveException(ArchiveException::Cause::Generic, "unknown vector picture type", ar.GetFileName());
    const std::uint32_t size = ar.ReadU32();
    if (size > kMaxMetafileBytes) throw UserException("vector picture too large");
    m_raw = ar.ReadBytes(size);
    m_nType = static_cast<Type>(type);
    DecodeByType();
}

void CMetafilePicture::Store(CArchive& ar) const {
    ar.WriteU16(m_nType);
    ar.WriteU32(static_cast<std::uint32_t>(m_raw.size()));
    ar.Write(m_raw);
}

void CMetafilePicture::TakeMetafile(std::vector<std::uint8_t> bits, MetafileKind kind) {
    std::optional<Metafile> metafile = kind == MetafileKind::Emf ? ParseEmf(bits) : ParseWmf(bits);
    if (!metafile) throw UserException("the metafile does not parse");
    m_bits = std::move(bits);
    m_metafile = std::move(metafile);
}

void CMetafilePicture::DecodeEmf() { TakeMetafile(m_raw, MetafileKind::Emf); }

void CMetafilePicture::DecodeWmf() {
    if (m_raw.size() <= kPlaceableHeaderSize || GetU32(m_raw, 0) != kPlaceableKey)
        throw UserException("not a placeable metafile");
    TakeMetafile(m_raw, MetafileKind::Wmf);
}

std::vector<std::uint8_t> CMetafilePicture::Unpack(std::size_t modeAt, std::size_t lengthAt, std::size_t streamAt,
                                                   std::uint64_t minimumLength) {
    const std::uint8_t mode = m_raw[modeAt];
    const std::uint32_t length = GetU32(m_raw, lengthAt);
    if (length < minimumLength || length > kMaxMetafileBytes) throw UserException("bad unpacked length");
    // The codec refuses an unknown mode and a length the stream cannot hold.
    m_codec.Decompress(mode, length, std::span<const std::uint8_t>(m_raw).subspan(streamAt));
    std::vector<std::uint8_t> unpacked = m_codec.TakeUnpacked();
    m_codec.Free();
    return unpacked;
}

void CMetafilePicture::DecodeDodavo() {
    if (m_raw.size() < kDodavoHeaderSize || std::memcmp(m_raw.data(), kDodavoMagic, sizeof kDodavoMagic) != 0)
        throw UserException("not a Dodavo file");
    std::vector<std::uint8_t> wmf = Unpack(15, 20, kDodavoHeaderSize, kPlaceableHeaderSize + 1);
    if (GetU32(wmf, 0) != kPlaceableKey) throw UserException("the Dodavo file holds no placeable metafile");
    TakeMetafile(std::move(wmf), MetafileKind::Wmf);
}

void CMetafilePicture::DecodeEnhancedDodavo() {
    constexpr std::size_t magic = sizeof kEnhancedDodavoMagic - 1;
    if (m_raw.size() < kEnhancedDodavoHeaderSize || std::memcmp(m_raw.data(), kEnhancedDodavoMagic, magic) != 0)
        throw UserException("not an enhanced Dodavo file");
    TakeMetafile(Unpack(23, 28, kEnhancedDodavoHeaderSize, 1), MetafileKind::Emf);
}

std::int32_t CMetafilePicture::GetWidth() const {
    if (!m_metafile) return kUnknownExtent;
    const Rect& f = m_metafile->frame;
    return Clamp32(std::llabs(std::int64_t{f.right} - f.left));
}

std::int32_t CMetafilePicture::GetHeight() const {
    if (!m_metafile) return kUnknownExtent;
    const Rect& f = m_metafile->frame;
    return Clamp32(std::llabs(std::int64_t{f.bottom} - f.top));
}

void CMetafilePicture::Copy(const CMetafilePicture& other) {
    Free();
    m_nType = other.m_nType;
    m_raw = other.m_raw;
    m_bits = other.m_bits;
    m_metafile = other.m_metafile;
    m_codec.CopyFrom(other.m_codec);
}

void CMetafilePicture::Free() {
    FreeMetafile();
    m_codec.Free();
}

void CMetafilePicture::FreeMetafile() {
    m_raw.clear();
    m_bits.clear();
    m_metafile.reset();
    m_nType = None;
}

bool CMetafilePicture::SaveEmfFile(const std::filesystem::path& path) const {
    if (!m_metafile || m_bits.empty()) throw UserException("no metafile to write");
    if (m_metafile->kind == MetafileKind::Emf) return WriteFileAtomically(path, m_bits);
    // A Windows metafile is played into an enhanced one of the same frame.
    const std::int32_t w = GetWidth(), h = GetHeight();
    CEmfRecorder recorder;
    recorder.SetFrame(Rect{0, 0, w, h});
    const Rect device{0, 0, std::max(1, MulDiv(w, CEmfRecorder::kDeviceDpi, 2540)),
                      std::max(1, MulDiv(h, CEmfRecorder::kDeviceDpi, 2540))};
    PlayMetafileInto(recorder, *m_metafile, device);
    return WriteFileAtomically(path, recorder.Close());
}

bool CMetafilePicture::Draw(CDC& dc, const Rect& rect) const {
    if (!m_metafile) return false;
    EnsurePlayer();
    return dc.PlayMetafile(m_bits, rect);
}

bool SavePlaceableMetafile(std::span<const std::uint8_t> wmf, const Rect& box, const std::filesystem::path& path) {
    if (wmf.empty()) throw UserException("no metafile to write");
    return WriteFileAtomically(path, BuildPlaceableMetafile(wmf, box, 576));
}

}  // namespace kavitro
