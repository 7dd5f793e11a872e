#include <algorithm>
#include <limits>
#include <optional>
#include <span>

#include "platform/LittleEndian.h"
#include "platform/Metafile.h"
#include "platform/MetafileFormat.h"
#include "platform/MetafileText.h"
#include "platform/Saturating.h"

namespace kavitro {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint32_t kDibRgbColors = 0;
constexpr std::uint32_t kPsGeometric = 0x00010000;

// The object table of a file being parsed: which slots hold an object.
class SlotTable {
public:
    // Enhanced metafiles reserve slot 0 for the metafile itself.
    SlotTable(std::size_t size, std::uint32_t first) : m_slots(size, false), m_first(first) {
        for (std::uint32_t i = 0; i < first && i < size; ++i) m_slots[i] = true;
    }
    bool Holds(std::uint32_t slot) const { return InRange(slot) && m_slots[slot]; }
    bool InRange(std::uint32_t slot) const { return slot >= m_first && slot < m_slots.size(); }
    void Fill(std::uint32_t slot) { m_slots[slot] = true; }
    void Clear(std::uint32_t slot) { m_slots[slot] = false; }
    // The lowest free slot (Windows metafiles allocate so), or none.
    std::optional<std::uint32_t> FirstFree() const {
        const auto it = std::find(m_slots.begin(), m_slots.end(), false);
        if (it == m_slots.end()) return std::nullopt;
        return static_cast<std::uint32_t>(it - m_slots.begin());
    }

private:
    std::vector<bool> m_slots;
    std::uint32_t m_first;
};

// Shared by both formats: the model under construction, the object table and
// the save depth, so that no record the player receives names a missing
// object or restores a state never saved.
class Builder {
public:
    Builder(Metafile& mf, std::size_t slots, std::uint32_t firstSlot) : m_mf(mf), m_slots(slots, firstSlot) {}

    void Add(MetaRecord&& rec) { m_mf.records.push_back(std::move(rec)); }
    void Skip() { ++m_mf.skippedRecords; }

    void Simple(MetaOp op, std::int32_t v0 = 0, std::int32_t v1 = 0) {
        MetaRecord rec;
        rec.op = op;
        rec.v[0] = v0;
        rec.v[1] = v1;
        Add(std::move(rec));
    }
    void Box(MetaOp op, std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
        MetaRecord rec;
        rec.op = op;
        rec.v = {l, t, r, b};
        Add(std::move(rec));
    }

    void Create(std::uint32_t slot, MetaObject object) {
        if (!m_slots.InRange(slot)) return Skip();
        m_slots.Fill(slot);
        MetaRecord rec;
        rec.op = MetaOp::CreateObject;
        rec.v[0] = static_cast<std::int32_t>(slot);
        rec.object = static_cast<std::uint32_t>(m_mf.objects.size());
        m_mf.objects.push_back(std::move(object));
        Add(std::move(rec));
    }
    void CreateInFirstFree(MetaObject object) {
        const auto slot = m_slots.FirstFree();
        if (!slot) return Skip();
        Create(*slot, std::move(object));
    }
    // A bitmap record: the packed DIB must load, and the source rectangle,
    // given as the system counts it (rows from the bottom of a bottom-up
    // bitmap), becomes rows from the top.
    void Dib(MetaRecord&& rec, std::span<const std::uint8_t> packed) {
        auto dib = DibImage::FromPacked(packed);
        if (!dib) return Skip();
        if (dib->GetHeader().height > 0) {
            const std::int64_t top = static_cast<std::int64_t>(dib->GetHeight()) - rec.v[5] - rec.v[7];
            if (top < std::numeric_limits<std::int32_t>::min() || top > std::numeric_limits<std::int32_t>::max())
                return Skip();
            rec.v[5] = static_cast<std::int32_t>(top);
        }
        rec.object = static_cast<std::uint32_t>(m_mf.dibs.size());
        m_mf.dibs.push_back(std::move(*dib));
        Add(std::move(rec));
    }
    void Select(std::uint32_t slot) {
        if (!m_slots.Holds(slot)) return Skip();
        Simple(MetaOp::SelectObject, static_cast<std::int32_t>(slot));
    }
    void SelectStock(std::uint32_t id) {
        // The stock objects are numbered 0 to 19 without 9.
        if (id > 19 || id == 9) return Skip();
        Simple(MetaOp::SelectStockObject, static_cast<std::int32_t>(id));
    }
    void Delete(std::uint32_t slot) {
        if (!m_slots.Holds(slot)) return Skip();
        m_slots.Clear(slot);
        Simple(MetaOp::DeleteObject, static_cast<std::int32_t>(slot));
    }
    void Save() {
        ++m_depth;
        Simple(MetaOp::SaveDC);
    }
    // Negative: relative to the current depth; positive: the depth to return
    // to (only Windows metafiles use that form).
    void Restore(std::int32_t which) {
        std::int64_t target = which < 0 ? static_cast<std::int64_t>(m_depth) + which : which - 1;
        if (which == 0 || target < 0 || target >= m_depth) return Skip();
        const auto relative = static_cast<std::int32_t>(target - m_depth);
        m_depth = target;
        Simple(MetaOp::RestoreDC, relative);
    }

private:
    Metafile& m_mf;
    SlotTable m_slots;
    std::int64_t m_depth = 0;
};

// How a format stores one value of a record.
using ReadValue = std::int32_t (*)(LeReader&);
std::int32_t Signed32(LeReader& r) { return r.I32(); }
std::int32_t Signed16(LeReader& r) { return r.I16(); }
std::int32_t Unsigned16(LeReader& r) { return r.U16(); }
std::int32_t Unsigned32(LeReader& r) { return static_cast<std::int32_t>(r.U32()); }

using RecordValues = decltype(MetaRecord::v);

// Reads a run of a record's values. Enhanced metafiles store them in order;
// Windows metafiles store a function's parameters last first (a structure
// among them keeps its own order).
void ReadValues(LeReader& r, std::span<std::int32_t> v, ReadValue read, bool lastFirst) {
    for (std::size_t i = 0; i < v.size(); ++i) v[lastFirst ? v.size() - 1 - i : i] = read(r);
}

// A record that is nothing but its values; they are returned when the
// record was whole.
std::optional<RecordValues> ValueRecord(Builder& b, LeReader& r, MetaOp op, std::size_t count, ReadValue read,
                                        bool lastFirst) {
    MetaRecord rec;
    rec.op = op;
    ReadValues(r, std::span(rec.v).first(count), read, lastFirst);
    if (!r.Ok()) {
        b.Skip();
        return std::nullopt;
    }
    const RecordValues v = rec.v;
    b.Add(std::move(rec));
    return v;
}

// A LOGPEN or a LOGBRUSH. Style, hatch and width are 32-bit in an enhanced
// metafile and 16-bit in a Windows metafile; the colour is 32-bit in both.
LogPen ReadLogPen(LeReader& r, bool wide) {
    LogPen pen;
    pen.style = wide ? r.U32() : r.U16();
    pen.width.x = wide ? r.I32() : r.I16();
    pen.width.y = wide ? r.I32() : r.I16();
    pen.color = r.U32();
    return pen;
}

LogBrush ReadLogBrush(LeReader& r, bool wide) {
    LogBrush brush;
    brush.style = wide ? r.U32() : r.U16();
    brush.color = r.U32();
    brush.hatch = wide ? r.U32() : r.U16();
    return brush;
}

// ---------------------------------------------------------------- EMF

void ReadEmfPoints(LeReader& r, std::uint32_t count, bool small, std::vector<Point>& out) {
    const std::size_t each = small ? 4 : 8;
    if (!r.Has(static_cast<std::size_t>(count) * each)) {
        r.Skip(r.Remaining() + 1);
        return;
    }
    out.resize(count);
    for (auto& p : out) {
        if (small) {
            p.x = r.I16();
            p.y = r.I16();
        } else {
            p.x = r.I32();
            p.y = r.I32();
        }
    }
}

// Point counts that a poly record needs: a polygon or polyline needs at
// least two points; a Bézier run 1 + 3n, or 3n when it continues the
// current position.
bool PointCountFits(MetaOp op, std::size_t n) {
    switch (op) {
        case MetaOp::PolyBezier: return n >= 4 && (n - 1) % 3 == 0;
        case MetaOp::PolyBezierTo: return n >= 3 && n % 3 == 0;
        case MetaOp::PolylineTo: return n >= 1;
        default: return n >= 2;
    }
}

void EmfPoly(Builder& b, LeReader& r, MetaOp op, bool small) {
    r.Skip(16);  // rclBounds
    const std::uint32_t count = r.U32();
    MetaRecord rec;
    rec.op = op;
    ReadEmfPoints(r, count, small, rec.points);
    if (!r.Ok() || !PointCountFits(op, rec.points.size())) return b.Skip();
    b.Add(std::move(rec));
}

void EmfPolyPoly(Builder& b, LeReader& r, MetaOp op, bool small) {
    r.Skip(16);
    const std::uint32_t polys = r.U32();
    const std::uint32_t total = r.U32();
    if (!r.Ok() || !r.Has(static_cast<std::size_t>(polys) * 4)) return b.Skip();
    MetaRecord rec;
    rec.op = op;
    rec.counts.resize(polys);
    std::uint64_t sum = 0;
    for (auto& c : rec.counts) {
        c = r.U32();
        sum += c;
        if (c < 2) return b.Skip();
    }
    if (sum != total || polys == 0) return b.Skip();
    ReadEmfPoints(r, total, small, rec.points);
    if (!r.Ok()) return b.Skip();
    b.Add(std::move(rec));
}

// A LOGFONT up to its face name. Its five metric fields are 32-bit in an
// enhanced metafile and 16-bit in a Windows metafile; the byte fields match.
LogFont ReadLogFontHead(LeReader& r, bool wide) {
    auto metric = [&]() -> std::int32_t { return wide ? r.I32() : r.I16(); };
    LogFont f;
    f.height = metric();
    f.width = metric();
    f.escapement = metric();
    f.orientation = metric();
    f.weight = metric();
    f.italic = r.U8();
    f.underline = r.U8();
    f.strikeOut = r.U8();
    f.charSet = r.U8();
    f.outPrecision = r.U8();
    f.clipPrecision = r.U8();
    f.quality = r.U8();
    f.pitchAndFamily = r.U8();
    return f;
}

LogFont ReadLogFontW(LeReader& r) {
    LogFont f = ReadLogFontHead(r, true);
    std::u16string face;
    for (int i = 0; i < 32; ++i) {
        const char16_t c = r.U16();
        if (c == 0) {
            r.Skip(static_cast<std::size_t>(31 - i) * 2);
            break;
        }
        face.push_back(c);
    }
    f.faceName = metatext::Utf16ToUtf8(face);
    return f;
}

// An offset and a length inside a record of `size` bytes, past its fixed part.
bool RangeInRecord(std::uint32_t off, std::uint64_t len, std::size_t fixed, std::size_t size) {
    return off >= fixed && off <= size && len <= size - off;
}

void EmfText(Builder& b, LeReader& r, Bytes rec, bool wide) {
    r.Skip(16);  // rclBounds
    r.Skip(12);  // graphics mode, x and y scale
    MetaRecord out;
    out.op = MetaOp::TextOut;
    ReadValues(r, std::span(out.v).first(2), Signed32, false);
    const std::uint32_t chars = r.U32();
    const std::uint32_t offString = r.U32();
    out.v[2] = static_cast<std::int32_t>(r.U32());
    ReadValues(r, std::span(out.v).subspan(3, 4), Signed32, false);
    out.v[7] = wide ? 0 : 1;
    constexpr std::size_t kFixed = 76;
    if (!r.Ok() || !RangeInRecord(offString, static_cast<std::uint64_t>(chars) * (wide ? 2 : 1), kFixed, rec.size()))
        return b.Skip();
    LeReader s(rec, offString);
    out.text.resize(chars);
    for (auto& c : out.text) c = wide ? s.U16() : s.U8();
    b.Add(std::move(out));
}

// EMR_STRETCHDIBITS and EMR_SETDIBITSTODEVICE share their layout up to the
// bitmap's offsets and sizes.
void EmfDib(Builder& b, LeReader& r, Bytes rec, bool stretch) {
    r.Skip(16);
    MetaRecord out;
    out.op = stretch ? MetaOp::StretchDib : MetaOp::SetDibits;
    out.v[0] = r.I32();  // xDest
    out.v[1] = r.I32();  // yDest
    out.v[4] = r.I32();  // xSrc
    out.v[5] = r.I32();  // ySrc
    out.v[6] = r.I32();  // cxSrc
    out.v[7] = r.I32();  // cySrc
    const std::uint32_t offBmi = r.U32();
    const std::uint32_t cbBmi = r.U32();
    const std::uint32_t offBits = r.U32();
    const std::uint32_t cbBits = r.U32();
    const std::uint32_t usage = r.U32();
    if (stretch) {
        out.v[8] = static_cast<std::int32_t>(r.U32());
        out.v[2] = r.I32();  // cxDest
        out.v[3] = r.I32();  // cyDest
    } else {
        r.Skip(8);  // first scan line, scan lines
        out.v[2] = out.v[6];
        out.v[3] = out.v[7];
    }
    const std::size_t fixed = stretch ? 80 : 76;
    if (!r.Ok() || usage != kDibRgbColors || cbBmi == 0 || !RangeInRecord(offBmi, cbBmi, fixed, rec.size()) ||
        !RangeInRecord(offBits, cbBits, fixed, rec.size()))
        return b.Skip();
    std::vector<std::uint8_t> packed(rec.begin() + offBmi, rec.begin() + offBmi + cbBmi);
    packed.insert(packed.end(), rec.begin() + offBits, rec.begin() + offBits + cbBits);
    b.Dib(std::move(out), packed);
}

// An EXTLOGPEN as the pen it draws like.
LogPen ReadExtLogPen(LeReader& r) {
    r.Skip(16);  // the pattern bitmap's offsets and sizes
    const std::uint32_t style = r.U32();
    const std::uint32_t width = r.U32();
    const std::uint32_t brushStyle = r.U32();
    LogPen pen;
    pen.color = r.U32();
    pen.style = brushStyle == BS_NULL ? PS_NULL : (style & PS_STYLE_MASK);
    if (pen.style > PS_INSIDEFRAME) pen.style = PS_SOLID;
    // A cosmetic pen is one pixel wide whatever it says.
    pen.width.x = (style & kPsGeometric) ? static_cast<std::int32_t>(std::min<std::uint32_t>(width, 0x7FFFFFFF)) : 0;
    return pen;
}

// Only the inversion without a source is drawn (PatBlt DSTINVERT).
void EmfBitBlt(Builder& b, LeReader& r) {
    r.Skip(16);
    const std::int32_t x = r.I32(), y = r.I32(), cx = r.I32(), cy = r.I32();
    const std::uint32_t rop = r.U32();
    r.Skip(8 + 24 + 4 + 4);
    const std::uint32_t cbBmi = r.U32();
    if (!r.Ok() || rop != kDstInvert || cbBmi != 0) return b.Skip();
    b.Box(MetaOp::InvertRect, x, y, SaturatingAdd(x, cx), SaturatingAdd(y, cy));
}

void DecodeEmfRecord(Builder& b, std::uint32_t type, Bytes rec) {
    LeReader r(rec, 8);
    auto values = [&](MetaOp op, std::size_t count) { ValueRecord(b, r, op, count, Signed32, false); };
    // An object record names its slot before the object.
    auto create = [&](auto readObject) {
        const std::uint32_t slot = r.U32();
        MetaObject object = readObject();
        if (!r.Ok()) return b.Skip();
        b.Create(slot, std::move(object));
    };
    switch (type) {
        case emr::kSetMapMode: return values(MetaOp::SetMapMode, 1);
        case emr::kSetWindowOrgEx: return values(MetaOp::SetWindowOrg, 2);
        case emr::kSetWindowExtEx: return values(MetaOp::SetWindowExt, 2);
        case emr::kSetViewportOrgEx: return values(MetaOp::SetViewportOrg, 2);
        case emr::kSetViewportExtEx: return values(MetaOp::SetViewportExt, 2);
        case emr::kSaveDc: return b.Save();
        case emr::kRestoreDc: {
            const std::int32_t which = r.I32();
            if (!r.Ok() || which >= 0) return b.Skip();
            return b.Restore(which);
        }
        case emr::kSetBkMode: return values(MetaOp::SetBkMode, 1);
        case emr::kSetBkColor: return values(MetaOp::SetBkColor, 1);
        case emr::kSetTextColor: return values(MetaOp::SetTextColor, 1);
        case emr::kSetTextAlign: return values(MetaOp::SetTextAlign, 1);
        case emr::kSetRop2: return values(MetaOp::SetROP2, 1);
        case emr::kSetPolyFillMode: return values(MetaOp::SetPolyFillMode, 1);
        case emr::kSetStretchBltMode: return values(MetaOp::SetStretchBltMode, 1);
        case emr::kMoveToEx: return values(MetaOp::MoveTo, 2);
        case emr::kLineTo: return values(MetaOp::LineTo, 2);
        case emr::kRectangle: return values(MetaOp::Rectangle, 4);
        case emr::kEllipse: return values(MetaOp::Ellipse, 4);
        case emr::kIntersectClipRect: return values(MetaOp::IntersectClipRect, 4);
        case emr::kExcludeClipRect: return values(MetaOp::ExcludeClipRect, 4);
        case emr::kRoundRect: return values(MetaOp::RoundRect, 6);
        case emr::kPolygon: return EmfPoly(b, r, MetaOp::Polygon, false);
        case emr::kPolygon16: return EmfPoly(b, r, MetaOp::Polygon, true);
        case emr::kPolyline: return EmfPoly(b, r, MetaOp::Polyline, false);
        case emr::kPolyline16: return EmfPoly(b, r, MetaOp::Polyline, true);
        case emr::kPolylineTo: return EmfPoly(b, r, MetaOp::PolylineTo, false);
        case emr::kPolylineTo16: return EmfPoly(b, r, MetaOp::PolylineTo, true);
        case emr::kPolyBezier: return EmfPoly(b, r, MetaOp::PolyBezier, false);
        case emr::kPolyBezier16: return EmfPoly(b, r, MetaOp::PolyBezier, true);
        case emr::kPolyBezierTo: return EmfPoly(b, r, MetaOp::PolyBezierTo, false);
        case emr::kPolyBezierTo16: return EmfPoly(b, r, MetaOp::PolyBezierTo, true);
        case emr::kPolyPolygon: return EmfPolyPoly(b, r, MetaOp::PolyPolygon, false);
        case emr::kPolyPolygon16: return EmfPolyPoly(b, r, MetaOp::PolyPolygon, true);
        case emr::kPolyPolyline: return EmfPolyPoly(b, r, MetaOp::PolyPolyline, false);
        case emr::kPolyPolyline16: return EmfPolyPoly(b, r, MetaOp::PolyPolyline, true);
        case emr::kCreatePen: return create([&] { return ReadLogPen(r, true); });
        case emr::kExtCreatePen: return create([&] { return ReadExtLogPen(r); });
        case emr::kCreateBrushIndirect: return create([&] { return ReadLogBrush(r, true); });
        case emr::kExtCreateFontIndirectW: return create([&] { return ReadLogFontW(r); });
        case 49:   // palette
        case 93:   // monochrome pattern brush
        case 94:   // DIB pattern brush
        case 99:   // colour space
        case 122:  // colour space (wide)
            return create([] { return MetaPlaceholder{}; });
        case emr::kSelectObject: {
            const std::uint32_t index = r.U32();
            if (!r.Ok()) return b.Skip();
            if (index & emr::kStockFlag) return b.SelectStock(index & ~emr::kStockFlag);
            return b.Select(index);
        }
        case emr::kDeleteObject: {
            const std::uint32_t index = r.U32();
            if (!r.Ok()) return b.Skip();
            return b.Delete(index);
        }
        case emr::kExtTextOutW: return EmfText(b, r, rec, true);
        case emr::kExtTextOutA: return EmfText(b, r, rec, false);
        case emr::kStretchDiBits: return EmfDib(b, r, rec, true);
        case emr::kSetDiBitsToDevice: return EmfDib(b, r, rec, false);
        case emr::kBitBlt: return EmfBitBlt(b, r);
        case emr::kBeginPath: return b.Simple(MetaOp::BeginPath);
        case emr::kEndPath: return b.Simple(MetaOp::EndPath);
        case emr::kCloseFigure: return b.Simple(MetaOp::CloseFigure);
        case emr::kFillPath: return b.Simple(MetaOp::FillPath);
        case emr::kStrokePath: return b.Simple(MetaOp::StrokePath);
        case emr::kStrokeAndFillPath: return b.Simple(MetaOp::StrokeAndFillPath);
        default: return b.Skip();
    }
}

// ---------------------------------------------------------------- WMF

void WmfPoly(Builder& b, LeReader& r, MetaOp op) {
    const std::uint16_t count = r.U16();
    MetaRecord rec;
    rec.op = op;
    if (!r.Has(static_cast<std::size_t>(count) * 4)) return b.Skip();
    rec.points.resize(count);
    for (auto& p : rec.points) {
        p.x = r.I16();
        p.y = r.I16();
    }
    if (!PointCountFits(op, rec.points.size())) return b.Skip();
    b.Add(std::move(rec));
}

void WmfPolyPolygon(Builder& b, LeReader& r) {
    const std::uint16_t polys = r.U16();
    if (polys == 0 || !r.Has(static_cast<std::size_t>(polys) * 2)) return b.Skip();
    MetaRecord rec;
    rec.op = MetaOp::PolyPolygon;
    rec.counts.resize(polys);
    std::size_t total = 0;
    for (auto& c : rec.counts) {
        c = r.U16();
        if (c < 2) return b.Skip();
        total += c;
    }
    if (!r.Has(total * 4)) return b.Skip();
    rec.points.resize(total);
    for (auto& p : rec.points) {
        p.x = r.I16();
        p.y = r.I16();
    }
    b.Add(std::move(rec));
}

void WmfExtTextOut(Builder& b, LeReader& r) {
    MetaRecord rec;
    rec.op = MetaOp::TextOut;
    ReadValues(r, std::span(rec.v).first(2), Signed16, true);
    const std::int16_t count = r.I16();
    const std::uint16_t options = r.U16();
    rec.v[2] = options;
    if (options & (ETO_OPAQUE | ETO_CLIPPED)) ReadValues(r, std::span(rec.v).subspan(3, 4), Signed16, false);
    rec.v[7] = 1;
    if (!r.Ok() || count < 0 || !r.Has(static_cast<std::size_t>(count))) return b.Skip();
    const auto chars = r.Bytes(static_cast<std::size_t>(count));
    rec.text.assign(chars.begin(), chars.end());
    b.Add(std::move(rec));
}

void WmfTextOut(Builder& b, LeReader& r) {
    const std::int16_t count = r.I16();
    if (count < 0 || !r.Has(static_cast<std::size_t>(count))) return b.Skip();
    MetaRecord rec;
    rec.op = MetaOp::TextOut;
    const auto chars = r.Bytes(static_cast<std::size_t>(count));
    rec.text.assign(chars.begin(), chars.end());
    r.Skip(static_cast<std::size_t>(count) & 1);
    ReadValues(r, std::span(rec.v).first(2), Signed16, true);
    rec.v[7] = 1;
    if (!r.Ok()) return b.Skip();
    b.Add(std::move(rec));
}

void WmfStretch(Builder& b, LeReader& r, Bytes rec, bool withUsage) {
    MetaRecord out;
    out.op = MetaOp::StretchDib;
    out.v[8] = static_cast<std::int32_t>(r.U32());
    const std::uint16_t usage = withUsage ? r.U16() : 0;
    ReadValues(r, std::span(out.v).first(8), Signed16, true);
    if (!r.Ok() || usage != kDibRgbColors || r.Remaining() == 0) return b.Skip();
    b.Dib(std::move(out), rec.subspan(r.Position()));
}

void WmfSetDibits(Builder& b, LeReader& r, Bytes rec) {
    MetaRecord out;
    out.op = MetaOp::SetDibits;
    const std::uint16_t usage = r.U16();
    r.Skip(4);  // scan lines, first scan line
    out.v[5] = r.I16();
    out.v[4] = r.I16();
    out.v[7] = r.I16();
    out.v[6] = r.I16();
    out.v[1] = r.I16();
    out.v[0] = r.I16();
    out.v[2] = out.v[6];
    out.v[3] = out.v[7];
    if (!r.Ok() || usage != kDibRgbColors || r.Remaining() == 0) return b.Skip();
    b.Dib(std::move(out), rec.subspan(r.Position()));
}

void WmfPatBlt(Builder& b, LeReader& r) {
    const std::uint32_t rop = r.U32();
    const std::int32_t cy = r.I16(), cx = r.I16(), y = r.I16(), x = r.I16();
    if (!r.Ok() || rop != kDstInvert) return b.Skip();
    b.Box(MetaOp::InvertRect, x, y, x + cx, y + cy);
}

LogFont ReadLogFont16(LeReader& r, std::size_t end) {
    LogFont f = ReadLogFontHead(r, false);
    std::string face;
    while (r.Ok() && r.Position() < end && face.size() < 32) {
        const auto c = static_cast<char>(r.U8());
        if (c == 0) break;
        face.push_back(c);
    }
    f.faceName = metatext::Latin1ToUtf8(face);
    return f;
}

struct WmfWindow {
    std::optional<Point> org;
    std::optional<Size> ext;
};

void DecodeWmfRecord(Builder& b, WmfWindow& window, std::uint16_t function, Bytes rec) {
    LeReader r(rec, 6);
    auto values = [&](MetaOp op, std::size_t count, ReadValue read = Signed16) {
        return ValueRecord(b, r, op, count, read, true);
    };
    // Windows metafiles put each new object into the lowest free slot.
    auto create = [&](auto readObject) {
        MetaObject object = readObject();
        if (!r.Ok()) return b.Skip();
        b.CreateInFirstFree(std::move(object));
    };
    switch (function) {
        case wmf::kSetMapMode: values(MetaOp::SetMapMode, 1); return;
        case wmf::kSetWindowOrg: {
            const auto v = values(MetaOp::SetWindowOrg, 2);
            if (v && !window.org) window.org = Point{(*v)[0], (*v)[1]};
            return;
        }
        case wmf::kSetWindowExt: {
            const auto v = values(MetaOp::SetWindowExt, 2);
            if (v && !window.ext) window.ext = Size{(*v)[0], (*v)[1]};
            return;
        }
        case wmf::kSetViewportOrg: values(MetaOp::SetViewportOrg, 2); return;
        case wmf::kSetViewportExt: values(MetaOp::SetViewportExt, 2); return;
        case wmf::kMoveTo: values(MetaOp::MoveTo, 2); return;
        case wmf::kLineTo: values(MetaOp::LineTo, 2); return;
        case wmf::kSaveDc: return b.Save();
        case wmf::kRestoreDc: {
            const std::int32_t which = r.I16();
            if (!r.Ok()) return b.Skip();
            return b.Restore(which);
        }
        case wmf::kSetBkMode: values(MetaOp::SetBkMode, 1, Unsigned16); return;
        case wmf::kSetBkColor: values(MetaOp::SetBkColor, 1, Unsigned32); return;
        case wmf::kSetTextColor: values(MetaOp::SetTextColor, 1, Unsigned32); return;
        case wmf::kSetTextAlign: values(MetaOp::SetTextAlign, 1, Unsigned16); return;
        case wmf::kSetRop2: values(MetaOp::SetROP2, 1, Unsigned16); return;
        case wmf::kSetPolyFillMode: values(MetaOp::SetPolyFillMode, 1, Unsigned16); return;
        case wmf::kSetStretchBltMode: values(MetaOp::SetStretchBltMode, 1, Unsigned16); return;
        case wmf::kRectangle: values(MetaOp::Rectangle, 4); return;
        case wmf::kEllipse: values(MetaOp::Ellipse, 4); return;
        case wmf::kIntersectClipRect: values(MetaOp::IntersectClipRect, 4); return;
        case wmf::kExcludeClipRect: values(MetaOp::ExcludeClipRect, 4); return;
        case wmf::kRoundRect: values(MetaOp::RoundRect, 6); return;
        case wmf::kPolygon: return WmfPoly(b, r, MetaOp::Polygon);
        case wmf::kPolyline: return WmfPoly(b, r, MetaOp::Polyline);
        case wmf::kPolyPolygon: return WmfPolyPolygon(b, r);
        case wmf::kCreatePenIndirect: return create([&] { return ReadLogPen(r, false); });
        case wmf::kCreateBrushIndirect: return create([&] { return ReadLogBrush(r, false); });
        case wmf::kCreateFontIndirect: return create([&] { return ReadLogFont16(r, rec.size()); });
        case 0x00F7:  // palette
        case 0x01F9:  // pattern brush
        case 0x0142:  // DIB pattern brush
        case 0x06FF:  // region
            return create([] { return MetaPlaceholder{}; });
        case wmf::kSelectObject: {
            const std::uint16_t slot = r.U16();
            if (!r.Ok()) return b.Skip();
            return b.Select(slot);
        }
        case wmf::kDeleteObject: {
            const std::uint16_t slot = r.U16();
            if (!r.Ok()) return b.Skip();
            return b.Delete(slot);
        }
        case wmf::kExtTextOut: return WmfExtTextOut(b, r);
        case wmf::kTextOut: return WmfTextOut(b, r);
        case wmf::kStretchDib: return WmfStretch(b, r, rec, true);
        case wmf::kDibStretchBlt: return WmfStretch(b, r, rec, false);
        case wmf::kSetDibToDev: return WmfSetDibits(b, r, rec);
        case wmf::kPatBlt: return WmfPatBlt(b, r);
        default: return b.Skip();
    }
}

}  // namespace

std::optional<Metafile> ParseEmf(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kMaxMetafileBytes) return std::nullopt;
    LeReader r(bytes);
    const std::uint32_t type = r.U32();
    const std::uint32_t headerSize = r.U32();
    if (!r.Ok() || type != emr::kHeader || headerSize < emr::kBaseHeaderSize || headerSize % 4 != 0 ||
        headerSize > bytes.size())
        return std::nullopt;
    Metafile mf;
    mf.kind = MetafileKind::Emf;
    mf.bounds = Rect{r.I32(), r.I32(), r.I32(), r.I32()};  // braces: read in order
    mf.frame = Rect{r.I32(), r.I32(), r.I32(), r.I32()};
    const std::uint32_t signature = r.U32();
    r.Skip(4);  // version
    const std::uint32_t nBytes = r.U32();
    r.Skip(4);  // nRecords: we count for ourselves
    const std::uint16_t handles = r.U16();
    r.Skip(2);
    const std::uint32_t descriptionChars = r.U32();
    const std::uint32_t descriptionOffset = r.U32();
    r.Skip(4);  // palette entries
    mf.device = Size{r.I32(), r.I32()};
    mf.millimeters = Size{r.I32(), r.I32()};
    if (!r.Ok() || signature != emr::kSignature || nBytes < headerSize || nBytes > bytes.size())
        return std::nullopt;
    mf.handleCount = std::max<std::uint32_t>(handles, 1);
    if (descriptionChars > 0 &&
        RangeInRecord(descriptionOffset, static_cast<std::uint64_t>(descriptionChars) * 2, emr::kBaseHeaderSize,
                      headerSize)) {
        LeReader d(bytes, descriptionOffset);
        for (std::uint32_t i = 0; i < descriptionChars; ++i) mf.description.push_back(d.U16());
    }

    const auto file = bytes.first(nBytes);
    Builder b(mf, mf.handleCount, 1);
    std::size_t pos = headerSize;
    for (;;) {
        LeReader head(file, pos);
        const std::uint32_t recType = head.U32();
        const std::uint32_t recSize = head.U32();
        if (!head.Ok() || recSize < 8 || recSize % 4 != 0 || recSize > file.size() - pos) return std::nullopt;
        if (recType == emr::kEof) break;
        DecodeEmfRecord(b, recType, file.subspan(pos, recSize));
        pos += recSize;
    }
    return mf;
}

std::optional<Metafile> ParseWmf(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kMaxMetafileBytes) return std::nullopt;
    Metafile mf;
    mf.kind = MetafileKind::Wmf;
    LeReader r(bytes);
    std::size_t start = 0;
    if (r.U32() == wmf::kPlaceableKey) {
        r.Skip(2);
        const std::int32_t l = r.I16(), t = r.I16(), rt = r.I16(), bt = r.I16();
        mf.unitsPerInch = r.U16();
        if (!r.Ok()) return std::nullopt;
        mf.placeable = true;
        mf.bounds = Rect(l, t, rt, bt);
        if (mf.unitsPerInch != 0)
            mf.frame = Rect(MulDiv(l, 2540, mf.unitsPerInch), MulDiv(t, 2540, mf.unitsPerInch),
                            MulDiv(rt, 2540, mf.unitsPerInch), MulDiv(bt, 2540, mf.unitsPerInch));
        start = wmf::kPlaceableHeaderSize;
    }
    LeReader h(bytes, start);
    const std::uint16_t fileType = h.U16();
    const std::uint16_t headerWords = h.U16();
    const std::uint16_t version = h.U16();
    h.Skip(4);  // mtSize: the records' own sizes are what we follow
    mf.handleCount = h.U16();
    h.Skip(6);  // mtMaxRecord, mtNoParameters
    if (!h.Ok() || (fileType != 1 && fileType != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
        return std::nullopt;

    Builder b(mf, mf.handleCount, 0);
    WmfWindow window;
    std::size_t pos = start + wmf::kHeaderSize;
    for (;;) {
        LeReader head(bytes, pos);
        const std::uint32_t words = head.U32();
        const std::uint16_t function = head.U16();
        if (!head.Ok() || words < 3 || words > (bytes.size() - pos) / 2) return std::nullopt;
        if (function == wmf::kEof) break;
        DecodeWmfRecord(b, window, function, bytes.subspan(pos, static_cast<std::size_t>(words) * 2));
        pos += static_cast<std::size_t>(words) * 2;
    }
    if (!mf.placeable && window.org && window.ext)
        mf.bounds = Rect(window.org->x, window.org->y, SaturatingAdd(window.org->x, window.ext->cx),
                         SaturatingAdd(window.org->y, window.ext->cy));
    return mf;
}

std::optional<Metafile> ParseMetafile(std::span<const std::uint8_t> bytes) {
    LeReader r(bytes);
    const std::uint32_t first = r.U32();
    if (!r.Ok()) return std::nullopt;
    if (first == emr::kHeader) return ParseEmf(bytes);
    return ParseWmf(bytes);
}

}  // namespace kavitro
