#include "document/Kavitro1XDoc.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include <QFileInfo>

#include "document/DrawPicture.h"
#include "document/FailureReasons.h"
#include "document/DrawText.h"
#include "document/MetafilePicture.h"
#include "document/SimpleObjects.h"
#include "engine/CalligraphyFont.h"
#include "engine/GlyphMetrics.h"
#include "engine/LegacyText.h"
#include "platform/LittleEndian.h"

namespace kavitro {

namespace {

[[noreturn]] void Refuse(const char* what) {
    throw ArchiveException(ArchiveException::Cause::Generic, std::string("version-1.x document: ") + what);
}

[[noreturn]] void RefuseShort(const char* what) {
    throw ArchiveException(ArchiveException::Cause::EndOfFile, std::string("version-1.x document: ") + what);
}

// Reads one fixed-size record; a file that ends inside it is refused.
template <std::size_t N>
std::array<std::uint8_t, N> ReadRecord(CArchive& ar, const char* what) {
    if (ar.GetRemaining() < N) RefuseShort(what);
    std::array<std::uint8_t, N> bytes;
    ar.ReadExact(bytes.data(), N);
    return bytes;
}

// A stored value scaled into document units: finite and inside the range
// that every zoom keeps in 32 bits, or the file is refused.
std::int32_t Coordinate(double value, const char* what) {
    const double t = std::trunc(value);
    if (!std::isfinite(t) || std::fabs(t) > CKavitro1XDoc::kMaxCoordinate) Refuse(what);
    return static_cast<std::int32_t>(t);
}

// Undo recording off for the reading and the conversion, back on every way out.
class RecordingOff {
public:
    explicit RecordingOff(CObjectsBuffer& objects) : m_objects(objects), m_previous(objects.m_bRecordingOff) {
        m_objects.m_bRecordingOff = 1;
    }
    ~RecordingOff() { m_objects.m_bRecordingOff = m_previous; }
    RecordingOff(const RecordingOff&) = delete;
    RecordingOff& operator=(const RecordingOff&) = delete;

private:
    CObjectsBuffer& m_objects;
    std::uint32_t m_previous;
};

// A placeable header (576 units per inch) in front of the stored metafile
// records, which the old file keeps without one.
std::vector<std::uint8_t> PlaceableMetafile(std::uint16_t width, std::uint16_t height,
                                            std::span<const std::uint8_t> records) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(CMetafilePicture::kPlaceableHeaderSize + records.size());
    LeWriter w(bytes);
    w.U32(CMetafilePicture::kPlaceableKey);
    w.U16(0);  // handle
    w.U16(0);  // left
    w.U16(0);  // top
    w.U16(width);
    w.U16(height);
    w.U16(576);
    w.U32(0);  // reserved
    // The XOR of the ten words before it; the constant ones give 0x5551.
    w.U16(static_cast<std::uint16_t>(width ^ height ^ 0x5551));
    w.Bytes(records);
    return bytes;
}

}  // namespace

CKavitro1XDoc::CKavitro1XDoc(const DocumentServices& services, std::optional<std::int32_t> screenWidth)
    : CKavitroDoc(services), m_screenWidth(screenWidth) {}

std::int32_t CKavitro1XDoc::ExtraPointAngle(std::int32_t tenths) {
    const double degrees = tenths / 10.0;
    double whole = std::floor(degrees);
    if (degrees - whole > 0.5) whole += 1;
    const std::int64_t negated = -static_cast<std::int64_t>(whole);
    return static_cast<std::int32_t>(((negated % 360) + 360) % 360);
}

// --- Loading ------------------------------------------------------------------------

void CKavitro1XDoc::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        CKavitroDoc::Serialize(ar);
        return;
    }
    RecordingOff off(m_objects);
    SetZoom(m_nZoom);
    m_nMapMode = 3;
    ReadVersion1(ar);
}

bool CKavitro1XDoc::LoadFromBytes(std::span<const std::uint8_t> bytes, const std::string& fileName, std::string* error,
                                  DocumentDamage* damage) {
    RegisterDocumentClasses();
    DocumentServices quiet = GetServices();
    quiet.profile = nullptr;
    quiet.programFolder.clear();
    DroppingNotifier dropping;
    quiet.notifier = &dropping;
    CKavitro1XDoc loaded(quiet, m_screenWidth);
    const bool read = ReadDocumentGuarded(
        [&] {
            CArchive ar = CArchive::ForLoading(bytes);
            ar.SetFileName(fileName);
            ar.SetDocument(&loaded);
            loaded.Serialize(ar);
            // Read at 100 %, converted at the zoom it will be shown at.
            loaded.SetZoom(GetZoom());
            loaded.ConvertToVersion2(nullptr);
        },
        error, damage);
    if (!read) return false;
    TakeContentsOf(loaded);
    m_oldExtraPoints = std::move(loaded.m_oldExtraPoints);
    m_bPendingConversion = false;
    m_bSavedAsVersion2 = false;
    SetModifiedFlag(false);
    return true;
}

void CKavitro1XDoc::ReadVersion1(CArchive& ar) {
    // Shorter than the header or with another mark: some other file.
    if (ar.GetRemaining() < kHeaderSize)
        throw DocumentDamageException(DocumentDamage::NotADocument, ArchiveException::Cause::EndOfFile,
                                      "version-1.x document: short header", ar.GetFileName());
    const auto header = ReadRecord<kHeaderSize>(ar, "short header");
    if (std::memcmp(header.data(), kMagic, sizeof kMagic - 1) != 0)
        throw DocumentDamageException(DocumentDamage::NotADocument, ArchiveException::Cause::BadIndex,
                                      "not a version-1.x document", ar.GetFileName());
    LeReader h(header);
    h.Seek(22);
    const std::int32_t thumbnailLength = h.I32();
    const std::uint32_t pageCount = h.U32();
    h.Seek(86);
    float values[6];
    for (float& v : values) v = h.F32();
    const std::uint32_t landscape = h.U32();
    const std::int32_t fileScreenWidth = h.I32();

    // Width, height, then the margins across and down, or the other way round.
    static constexpr int kAcross[6] = {0, 1, 2, 3, 4, 5};
    static constexpr int kDown[6] = {1, 0, 4, 5, 2, 3};
    const int* order = landscape != 0 ? kAcross : kDown;
    std::int32_t page[6];  // width, height, left, right, top, bottom
    for (int i = 0; i < 6; ++i) {
        page[i] = Coordinate(static_cast<double>(values[order[i]]) * 100, "page size out of range");
        if (page[i] < (i < 2 ? 1 : 0)) Refuse("page size out of range");
    }
    m_nPageWidth = page[0];
    m_nPageHeight = page[1];
    m_margins = Rect(page[2], page[4], page[3], page[5]);

    const std::int32_t screenWidth = m_screenWidth.value_or(fileScreenWidth);
    if (fileScreenWidth <= 0 || screenWidth <= 0) Refuse("screen width not positive");
    const float factor = static_cast<float>(screenWidth) / static_cast<float>(fileScreenWidth) * 25.0f;
    if (!std::isfinite(factor) || factor <= 0) Refuse("scale out of range");
    m_bPendingConversion = true;

    if (thumbnailLength < 0 || static_cast<std::uint64_t>(thumbnailLength) > ar.GetRemaining())
        RefuseShort("thumbnail runs past the end");
    ar.Skip(static_cast<std::size_t>(thumbnailLength));

    // Each page holds at least its text-block head and its page record.
    const std::uint64_t smallestPage = kBlockHeadSize + kPageRecordSize;
    if (pageCount > CObjectsBuffer::kMaxPages)
        throw DocumentDamageException(DocumentDamage::TooManyPages, ArchiveException::Cause::Generic,
                                      "version-1.x document: more pages than a document can have");
    if (pageCount > ar.GetRemaining() / smallestPage) RefuseShort("more pages than the file holds");
    for (std::uint32_t p = 0; p < pageCount; ++p) {
        if (p > 0) AddPage(kNoTarget);
        ReadPage(ar, p, pageCount, factor);
    }
    m_objects.PurgeEmptyObjects();
}

void CKavitro1XDoc::ReadPage(CArchive& ar, std::uint32_t page, std::uint32_t pageCount, float factor) {
    std::uint32_t textCount = 0;
    for (;;) {
        const auto head = ReadRecord<kBlockHeadSize>(ar, "short block head");
        LeReader r(head);
        const std::uint32_t kind = r.U32();
        if (kind == 1 || kind == 2) {
            ReadPicture(ar, head, kind == 2 ? (page | kEveryPageFlags) : page, factor);
            continue;
        }
        textCount = r.U32();
        break;
    }

    const auto record = ReadRecord<kPageRecordSize>(ar, "short page record");
    LeReader r(record);
    const std::int32_t pageNumber = r.I32();
    if (pageNumber < 1 || static_cast<std::uint32_t>(pageNumber) > pageCount) Refuse("page number out of range");
    r.Seek(1066);
    const std::int32_t inUse = std::clamp<std::int32_t>(r.I32(), 0, kExtraPointCount);
    for (std::int32_t i = 0; i < inUse; ++i) {
        r.Seek(16 + kExtraPointSize * static_cast<std::size_t>(i));
        OldDocExtraPoints point;
        point.sign = r.U8();
        const float x = r.F32() * factor;
        const float y = r.F32() * -factor;
        point.third = r.F32() * factor * 10;
        point.angle = ExtraPointAngle(r.I32());
        for (std::uint8_t& b : point.kept) b = r.U8();
        Coordinate(x, "vowel sign out of range");
        Coordinate(y, "vowel sign out of range");
        if (!std::isfinite(point.third)) Refuse("vowel sign value not a number");
        point.x = x;
        point.y = y;
        point.page = pageNumber - 1;
        m_oldExtraPoints.push_back(point);
    }

    if (textCount > ar.GetRemaining() / kTextRecordSize) RefuseShort("more texts than the file holds");
    for (std::uint32_t t = 0; t < textCount; ++t) {
        const auto bytes = ReadRecord<kTextRecordSize>(ar, "short text record");
        LeReader tr(bytes);
        CLegacyTextBlock block;
        for (CLegacyTextBlock::Record& c : block.records) {
            c.glyphIndex = tr.U8();
            c.legacyCode = tr.U8();
            c.x = tr.F32();
            c.y = tr.F32();
            c.mark = tr.U8();
            c.alternate = tr.U8();
            c.unused = tr.U8();
            c.font = tr.U8();
            c.markDx = tr.I32();
            c.markDy = tr.I32();
        }
        const COLORREF color = tr.U32();
        block.characterCount = tr.I32();
        block.unused2 = tr.I32();
        block.scale = tr.F32();
        const std::int32_t angleTenths = tr.I32();
        block.xOrigin = tr.F32();
        block.yOrigin = tr.F32();
        const double size = std::trunc(static_cast<double>(block.scale) * factor);
        if (!std::isfinite(size) || size <= 0 || size > CDrawText::kMaxSize) Refuse("text size out of range");
        Coordinate(static_cast<double>(block.xOrigin) * factor, "text position out of range");
        Coordinate(static_cast<double>(block.yOrigin) * factor, "text position out of range");

        auto text = std::make_unique<CDrawText>(CPolygonRect(), static_cast<std::uint32_t>(pageNumber - 1), this);
        text->LoadVersion1Text(block, factor, angleTenths);
        text->m_color = color;
        Add(text.release(), false);
    }
}

void CKavitro1XDoc::ReadPicture(CArchive& ar, std::span<const std::uint8_t> head, std::uint32_t page, float factor) {
    LeReader r(head);
    r.Seek(4);
    const std::uint32_t length = r.U32();
    const std::int32_t width = r.I32();
    const std::int32_t height = r.I32();
    const std::uint16_t metafileWidth = r.U16();
    r.Skip(2);
    const std::uint16_t metafileHeight = r.U16();
    r.Seek(32);
    const std::int32_t x = r.I32();
    const std::int32_t y = r.I32();
    if (length > ar.GetRemaining()) RefuseShort("picture runs past the end");

    const float fx = static_cast<float>(x) * factor;
    const float fy = static_cast<float>(y) * factor;
    CPolygonRect at;
    at.m_rect = Rect(Coordinate(fx + static_cast<float>(width) * factor, "picture out of range"),
                     -Coordinate(fy + static_cast<float>(height) * factor, "picture out of range"),
                     Coordinate(fx, "picture out of range"), -Coordinate(fy, "picture out of range"));
    at.SetAngle(0);

    const std::vector<std::uint8_t> records = ar.ReadBytes(length);
    auto metafile = std::make_unique<CMetafilePicture>();
    metafile->SetWmfBits(PlaceableMetafile(metafileWidth, metafileHeight, records));  // refuses what does not parse

    auto picture = std::make_unique<CDrawPicture>(CPolygonRect(), page, this);
    picture->SetPosition(at, false);
    picture->m_pMetafile = std::move(metafile);
    picture->m_nPictureType = CDrawPicture::VectorPicture;
    picture->m_bLoaded = 1;
    Add(picture.release(), false);
}

// --- Conversion ---------------------------------------------------------------------

void CKavitro1XDoc::ConvertToVersion2(DocumentViewObserver* view) {
    if (!m_bPendingConversion) return;
    m_bPendingConversion = false;
    RecordingOff off(m_objects);

    const std::vector<CDrawObj*> objects(m_objects.m_objects.begin(), m_objects.m_objects.end());
    for (CDrawObj* o : objects) {
        if (auto* text = dynamic_cast<CDrawText*>(o)) {
            text->RecalcLayout(view, false);
            text->ApplyChange(view, 0, false, false);
        }
    }

    // One offset for all: the highest and rightmost ink goes to the margins.
    std::int32_t dx = 0, dy = 0;
    if (!objects.empty()) {
        std::int64_t maxX = std::numeric_limits<std::int64_t>::min();
        std::int64_t maxY = std::numeric_limits<std::int64_t>::min();
        for (const CDrawObj* o : objects) {
            CPolygonRect z;
            o->GetZoomedPosition(z);
            maxX = std::max<std::int64_t>({maxX, z.m_bounds.left, z.m_bounds.right});
            maxY = std::max<std::int64_t>({maxY, z.m_bounds.top, z.m_bounds.bottom});
        }
        const std::int32_t zoom = GetZoom();
        dx = Clamp32(-(maxX + ScaleSaturated(m_margins.left, zoom, 100)));
        dy = Clamp32(-(maxY + ScaleSaturated(m_margins.top, zoom, 100)));
    }
    // Every object moves by the same amounts, its rotation kept. (A text's
    // rectangle moves with its frame; taking the frame as the rectangle would
    // shift the words inside it.)
    for (CDrawObj* o : objects) {
        CPolygonRect pr = o->BuildZoomedPosition();
        Rect& rc = pr.m_rect;
        rc = Rect(Clamp32(std::int64_t{rc.left} + dx), Clamp32(std::int64_t{rc.top} + dy),
                  Clamp32(std::int64_t{rc.right} + dx), Clamp32(std::int64_t{rc.bottom} + dy));
        pr.SetAngle(pr.m_nAngle);
        o->MoveTo(pr, view, false);
    }

    AttachExtraPoints(view, dx, dy, true);
    AttachExtraPoints(view, dx, dy, false);
    SetModifiedFlag(false);
}

void CKavitro1XDoc::AttachExtraPoints(DocumentViewObserver*, std::int32_t dx, std::int32_t dy, bool abovePass) {
    const std::int32_t zoom = GetZoom();
    const IGlyphMetrics& metrics = GetGlyphMetrics();
    for (OldDocExtraPoints& point : m_oldExtraPoints) {
        if (point.page == kAttached) continue;
        // The signs were read at 100 %; they scale with the zoom like the texts.
        const Point at{Clamp32(std::int64_t{ScaleSaturated(static_cast<std::int32_t>(point.x), zoom, 100)} + dx),
                       Clamp32(std::int64_t{ScaleSaturated(static_cast<std::int32_t>(point.y), zoom, 100)} + dy)};
        for (CDrawObj* o : m_objects.m_objects) {
            auto* text = dynamic_cast<CDrawText*>(o);
            if (!text) continue;
            if (text->m_nPage != static_cast<std::uint32_t>(point.page) && !IsOnEveryPage(text->m_nPage)) continue;
            if (text->m_position.m_nAngle != point.angle) continue;
            const Point baseline = text->GetZoomedBaselinePoint();
            Point q = at;
            if (point.angle != 0) RotatePoint(GetTrigTable(), q, NormalizeAngle(-std::int64_t{point.angle}), baseline);
            Rect r = text->BuildZoomedPosition().m_rect;
            r.NormalizeRect();
            const std::int32_t low = abovePass ? baseline.y : r.top;
            const std::int32_t high = abovePass ? r.bottom : baseline.y;
            if (q.x < r.left || q.x >= r.right || q.y < low || q.y >= high) continue;

            RecordModify(text);
            const std::int32_t zoomedSize = std::max(1, ScaleSaturated(text->m_nSize, zoom, 100));
            const std::int64_t advance = metrics.GetReferenceAbc(MakeGlyph(kMarkFont, point.sign)).Advance();
            CCalligraphyPoint sign;
            sign.m_sign = point.sign;
            sign.m_x = Clamp32(
                std::int64_t{ScaleSaturated(std::int64_t{q.x} - baseline.x, 2160, zoomedSize)} + advance);
            sign.m_y = ScaleSaturated(std::int64_t{q.y} - baseline.y, 2160, zoomedSize);
            text->m_paragraph.m_points.push_back(sign);
            // The frame takes in the sign, so that it is drawn and hit.
            text->UpdateFrame();
            point.page = kAttached;
            break;
        }
    }
}

// --- Saving ---------------------------------------------------------------------------

QString CKavitro1XDoc::Version2PathFor(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    const QString base = suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
    return base + QStringLiteral(".kv2");
}

CKavitro1XDoc::SaveTarget CKavitro1XDoc::GetVersion2SaveTarget() const {
    const QString version2 = Version2PathFor(GetPathName());
    if (!QFileInfo::exists(version2)) return {version2, false};
    return {version2.left(version2.size() - 4), true};
}

}  // namespace kavitro
