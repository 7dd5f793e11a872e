#include "platform/WmfRecorder.h"

#include <algorithm>
#include <limits>

#include "platform/LittleEndian.h"
#include "platform/MetafileFormat.h"
#include "platform/MetafileText.h"

namespace kavitro {
namespace {

constexpr std::uint32_t kMaxObjects = 64;
constexpr std::size_t kMaxPolyPoints = 0xFFFF;
constexpr std::int64_t kInt16Min = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t kInt16Max = std::numeric_limits<std::int16_t>::max();

// Division by 2^shift, rounding to nearest (halves up).
std::int64_t Shifted(std::int64_t v, int shift) {
    return shift == 0 ? v : (v + (std::int64_t{1} << (shift - 1))) >> shift;
}

bool FitsInt16(std::int64_t v) { return v >= kInt16Min && v <= kInt16Max; }

// Every logical value of a record (the values the shift divides), handed
// to `f`. Device values (viewport, bitmap source rows) are not passed.
template <class F>
void ForEachLogical(const Metafile& mf, const MetaRecord& rec, F&& f) {
    switch (rec.op) {
        case MetaOp::SetWindowOrg:
        case MetaOp::SetWindowExt:
        case MetaOp::MoveTo:
        case MetaOp::LineTo: f(rec.v[0]); f(rec.v[1]); break;
        case MetaOp::Rectangle:
        case MetaOp::Ellipse:
        case MetaOp::IntersectClipRect:
        case MetaOp::ExcludeClipRect:
            for (int i = 0; i < 4; ++i) f(rec.v[i]);
            break;
        case MetaOp::InvertRect:
            for (int i = 0; i < 4; ++i) f(rec.v[i]);
            f(static_cast<std::int64_t>(rec.v[2]) - rec.v[0]);
            f(static_cast<std::int64_t>(rec.v[3]) - rec.v[1]);
            break;
        case MetaOp::RoundRect:
            for (int i = 0; i < 6; ++i) f(rec.v[i]);
            break;
        case MetaOp::Polygon:
        case MetaOp::Polyline:
            for (Point p : rec.points) {
                f(p.x);
                f(p.y);
            }
            break;
        case MetaOp::TextOut:
            for (int i = 0; i < 7; ++i)
                if (i != 2) f(rec.v[i]);
            break;
        case MetaOp::StretchDib:
        case MetaOp::SetDibits:
            for (int i = 0; i < 4; ++i) f(rec.v[i]);
            break;
        case MetaOp::CreateObject: {
            const MetaObject& object = mf.objects[rec.object];
            if (const auto* pen = std::get_if<LogPen>(&object)) {
                f(pen->width.x);
                f(pen->width.y);
            } else if (const auto* font = std::get_if<LogFont>(&object)) {
                f(font->height);
                f(font->width);
            }
            break;
        }
        default: break;
    }
}

int FindShift(const Metafile& mf) {
    std::int64_t low = 0, high = 0;
    for (const MetaRecord& rec : mf.records)
        ForEachLogical(mf, rec, [&](std::int64_t v) {
            low = std::min(low, v);
            high = std::max(high, v);
        });
    int shift = 0;
    while (!FitsInt16(Shifted(low, shift)) || !FitsInt16(Shifted(high, shift))) ++shift;
    return shift;
}

char ByteOf(char16_t c) {
    if (c >= kGlyphFontBase && c <= kGlyphFontBase + 0xFF) return static_cast<char>(c - kGlyphFontBase);
    return c <= 0xFF ? static_cast<char>(c) : '?';
}

// Writes the model as a Windows metafile, dividing logical values by
// 2^shift. The records' object slots follow the lowest-free rule the
// readers apply.
class WmfEncoder {
public:
    WmfEncoder(const Metafile& mf, int shift) : m_mf(mf), m_shift(shift), m_w(m_out) {}

    std::vector<std::uint8_t> Encode() {
        m_w.U16(1);  // in memory
        m_w.U16(9);
        m_w.U16(wmf::kVersion);
        m_w.U32(0);  // mtSize, patched
        m_w.U16(static_cast<std::uint16_t>(std::min<std::uint32_t>(m_mf.handleCount, 0xFFFF)));
        m_w.U32(0);  // mtMaxRecord, patched
        m_w.U16(0);
        for (const MetaRecord& rec : m_mf.records) Write(rec);
        End(Begin(wmf::kEof));
        m_w.PatchU32(6, static_cast<std::uint32_t>(m_out.size() / 2));
        m_w.PatchU32(12, m_maxRecord);
        return std::move(m_out);
    }

private:
    std::int16_t S(std::int64_t v) const { return static_cast<std::int16_t>(Shifted(v, m_shift)); }

    std::size_t Begin(std::uint16_t function) {
        const std::size_t start = m_out.size();
        m_w.U32(0);
        m_w.U16(function);
        return start;
    }
    void End(std::size_t start) {
        m_w.PadFrom(start, 2);
        const auto words = static_cast<std::uint32_t>((m_out.size() - start) / 2);
        m_w.PatchU32(start, words);
        m_maxRecord = std::max(m_maxRecord, words);
    }
    void Words(std::uint16_t function, std::initializer_list<std::int32_t> words) {
        const std::size_t start = Begin(function);
        for (std::int32_t v : words) m_w.U16(static_cast<std::uint16_t>(v));
        End(start);
    }
    void Colour(std::uint16_t function, std::int32_t colour) {
        const std::size_t start = Begin(function);
        m_w.U32(static_cast<std::uint32_t>(colour));
        End(start);
    }
    void Box(std::uint16_t function, const MetaRecord& rec) {
        Words(function, {S(rec.v[3]), S(rec.v[2]), S(rec.v[1]), S(rec.v[0])});
    }
    void Poly(std::uint16_t function, const MetaRecord& rec) {
        const std::size_t start = Begin(function);
        m_w.U16(static_cast<std::uint16_t>(rec.points.size()));
        for (Point p : rec.points) {
            m_w.I16(S(p.x));
            m_w.I16(S(p.y));
        }
        End(start);
    }
    // Source rows as the system counts them: from the bottom of a bottom-up
    // bitmap.
    static std::int32_t SystemSourceY(const MetaRecord& rec, const DibImage& dib) {
        return dib.GetHeader().height > 0 ? dib.GetHeight() - rec.v[5] - rec.v[7] : rec.v[5];
    }

    void Write(const MetaRecord& rec) {
        switch (rec.op) {
            case MetaOp::SetMapMode: return Words(wmf::kSetMapMode, {rec.v[0]});
            case MetaOp::SetWindowOrg: return Words(wmf::kSetWindowOrg, {S(rec.v[1]), S(rec.v[0])});
            case MetaOp::SetWindowExt: return Words(wmf::kSetWindowExt, {S(rec.v[1]), S(rec.v[0])});
            case MetaOp::SetViewportOrg: return Words(wmf::kSetViewportOrg, {rec.v[1], rec.v[0]});
            case MetaOp::SetViewportExt: return Words(wmf::kSetViewportExt, {rec.v[1], rec.v[0]});
            case MetaOp::SaveDC: return Words(wmf::kSaveDc, {});
            case MetaOp::RestoreDC: return Words(wmf::kRestoreDc, {rec.v[0]});
            case MetaOp::SetBkMode: return Words(wmf::kSetBkMode, {rec.v[0]});
            case MetaOp::SetBkColor: return Colour(wmf::kSetBkColor, rec.v[0]);
            case MetaOp::SetTextColor: return Colour(wmf::kSetTextColor, rec.v[0]);
            case MetaOp::SetTextAlign: return Words(wmf::kSetTextAlign, {rec.v[0]});
            case MetaOp::SetROP2: return Words(wmf::kSetRop2, {rec.v[0]});
            case MetaOp::SetPolyFillMode: return Words(wmf::kSetPolyFillMode, {rec.v[0]});
            case MetaOp::SetStretchBltMode: return Words(wmf::kSetStretchBltMode, {rec.v[0]});
            case MetaOp::MoveTo: return Words(wmf::kMoveTo, {S(rec.v[1]), S(rec.v[0])});
            case MetaOp::LineTo: return Words(wmf::kLineTo, {S(rec.v[1]), S(rec.v[0])});
            case MetaOp::Polygon: return Poly(wmf::kPolygon, rec);
            case MetaOp::Polyline: return Poly(wmf::kPolyline, rec);
            case MetaOp::Rectangle: return Box(wmf::kRectangle, rec);
            case MetaOp::Ellipse: return Box(wmf::kEllipse, rec);
            case MetaOp::IntersectClipRect: return Box(wmf::kIntersectClipRect, rec);
            case MetaOp::ExcludeClipRect: return Box(wmf::kExcludeClipRect, rec);
            case MetaOp::RoundRect:
                return Words(wmf::kRoundRect,
                             {S(rec.v[5]), S(rec.v[4]), S(rec.v[3]), S(rec.v[2]), S(rec.v[1]), S(rec.v[0])});
            case MetaOp::InvertRect: {
                const std::size_t start = Begin(wmf::kPatBlt);
                m_w.U32(kDstInvert);
                m_w.I16(S(static_cast<std::int64_t>(rec.v[3]) - rec.v[1]));
                m_w.I16(S(static_cast<std::int64_t>(rec.v[2]) - rec.v[0]));
                m_w.I16(S(rec.v[1]));
                m_w.I16(S(rec.v[0]));
                return End(start);
            }
            case MetaOp::CreateObject: return WriteObject(m_mf.objects[rec.object]);
            case MetaOp::SelectObject: return Words(wmf::kSelectObject, {rec.v[0]});
            case MetaOp::DeleteObject: return Words(wmf::kDeleteObject, {rec.v[0]});
            case MetaOp::TextOut: {
                const std::size_t start = Begin(wmf::kExtTextOut);
                m_w.I16(S(rec.v[1]));
                m_w.I16(S(rec.v[0]));
                m_w.I16(static_cast<std::int16_t>(rec.text.size()));
                m_w.U16(static_cast<std::uint16_t>(rec.v[2]));
                if (rec.v[2] & (ETO_OPAQUE | ETO_CLIPPED))
                    for (int i = 3; i < 7; ++i) m_w.I16(S(rec.v[i]));
                for (char16_t c : rec.text) m_w.U8(static_cast<std::uint8_t>(ByteOf(c)));
                return End(start);
            }
            case MetaOp::StretchDib: {
                const DibImage& dib = m_mf.dibs[rec.object];
                const std::size_t start = Begin(wmf::kStretchDib);
                m_w.U32(static_cast<std::uint32_t>(rec.v[8]));
                m_w.U16(0);  // DIB_RGB_COLORS
                m_w.I16(static_cast<std::int16_t>(rec.v[7]));
                m_w.I16(static_cast<std::int16_t>(rec.v[6]));
                m_w.I16(static_cast<std::int16_t>(SystemSourceY(rec, dib)));
                m_w.I16(static_cast<std::int16_t>(rec.v[4]));
                m_w.I16(S(rec.v[3]));
                m_w.I16(S(rec.v[2]));
                m_w.I16(S(rec.v[1]));
                m_w.I16(S(rec.v[0]));
                m_w.Bytes(dib.ToPacked());
                return End(start);
            }
            case MetaOp::SetDibits: {
                const DibImage& dib = m_mf.dibs[rec.object];
                const std::size_t start = Begin(wmf::kSetDibToDev);
                m_w.U16(0);  // DIB_RGB_COLORS
                m_w.U16(static_cast<std::uint16_t>(dib.GetHeight()));
                m_w.U16(0);  // first scan line
                m_w.I16(static_cast<std::int16_t>(SystemSourceY(rec, dib)));
                m_w.I16(static_cast<std::int16_t>(rec.v[4]));
                m_w.I16(static_cast<std::int16_t>(rec.v[7]));
                m_w.I16(static_cast<std::int16_t>(rec.v[6]));
                m_w.I16(S(rec.v[1]));
                m_w.I16(S(rec.v[0]));
                m_w.Bytes(dib.ToPacked());
                return End(start);
            }
            default: return;  // nothing else is recorded
        }
    }

    void WriteObject(const MetaObject& object) {
        if (const auto* pen = std::get_if<LogPen>(&object)) {
            const std::size_t start = Begin(wmf::kCreatePenIndirect);
            m_w.U16(static_cast<std::uint16_t>(pen->style));
            m_w.I16(S(pen->width.x));
            m_w.I16(S(pen->width.y));
            m_w.U32(pen->color);
            End(start);
        } else if (const auto* brush = std::get_if<LogBrush>(&object)) {
            const std::size_t start = Begin(wmf::kCreateBrushIndirect);
            m_w.U16(static_cast<std::uint16_t>(brush->style));
            m_w.U32(brush->color);
            m_w.U16(static_cast<std::uint16_t>(brush->hatch));
            End(start);
        } else if (const auto* font = std::get_if<LogFont>(&object)) {
            const std::size_t start = Begin(wmf::kCreateFontIndirect);
            m_w.I16(S(font->height));
            m_w.I16(S(font->width));
            m_w.I16(static_cast<std::int16_t>(font->escapement));
            m_w.I16(static_cast<std::int16_t>(font->orientation));
            m_w.I16(static_cast<std::int16_t>(font->weight));
            for (std::uint8_t b : {font->italic, font->underline, font->strikeOut, font->charSet, font->outPrecision,
                                   font->clipPrecision, font->quality, font->pitchAndFamily})
                m_w.U8(b);
            std::string face = metatext::Utf8ToLatin1(font->faceName);
            face.resize(std::min<std::size_t>(face.size(), 31));
            face.resize(32, '\0');
            for (char c : face) m_w.U8(static_cast<std::uint8_t>(c));
            End(start);
        }
    }

    const Metafile& m_mf;
    int m_shift;
    std::vector<std::uint8_t> m_out;
    LeWriter m_w;
    std::uint32_t m_maxRecord = 0;
};

}  // namespace

CWmfRecorder::CWmfRecorder() : m_objects(0, kMaxObjects) { m_model.kind = MetafileKind::Wmf; }

void CWmfRecorder::Add(MetaOp op, std::int32_t v0, std::int32_t v1) {
    MetaRecord rec;
    rec.op = op;
    rec.v[0] = v0;
    rec.v[1] = v1;
    m_model.records.push_back(std::move(rec));
}

void CWmfRecorder::AddBox(MetaOp op, const Rect& rect) {
    MetaRecord rec;
    rec.op = op;
    rec.v[0] = rect.left;
    rec.v[1] = rect.top;
    rec.v[2] = rect.right;
    rec.v[3] = rect.bottom;
    m_model.records.push_back(std::move(rec));
}

void CWmfRecorder::Select(const MetaObject& value, MetaSelection::Which which) {
    const MetaObjectTable::Use use = m_objects.Acquire(value, m_selection.Pinned());
    if (use.evict) Add(MetaOp::DeleteObject, static_cast<std::int32_t>(*use.evict));
    if (use.create) {
        MetaRecord rec;
        rec.op = MetaOp::CreateObject;
        rec.v[0] = static_cast<std::int32_t>(use.slot);
        rec.object = static_cast<std::uint32_t>(m_model.objects.size());
        m_model.objects.push_back(value);
        m_model.records.push_back(std::move(rec));
    }
    Add(MetaOp::SelectObject, static_cast<std::int32_t>(use.slot));
    m_selection.Set(which, use.slot);
}

void CWmfRecorder::OnStateChanged(DcState what) {
    if (m_closed) return;
    switch (what) {
        case DcState::MapMode: return Add(MetaOp::SetMapMode, GetMapMode());
        case DcState::WindowOrg: return Add(MetaOp::SetWindowOrg, GetWindowOrg().x, GetWindowOrg().y);
        case DcState::WindowExt: return Add(MetaOp::SetWindowExt, GetWindowExt().cx, GetWindowExt().cy);
        case DcState::ViewportOrg: return Add(MetaOp::SetViewportOrg, GetViewportOrg().x, GetViewportOrg().y);
        case DcState::ViewportExt: return Add(MetaOp::SetViewportExt, GetViewportExt().cx, GetViewportExt().cy);
        // No stock objects: what a stock selection stands for is recorded.
        case DcState::Pen: return Select(GetPen().pen, &MetaSelection::Slots::pen);
        case DcState::Brush: return Select(GetBrush().brush, &MetaSelection::Slots::brush);
        case DcState::Font: return Select(GetFont().font, &MetaSelection::Slots::font);
        case DcState::Rop2: return Add(MetaOp::SetROP2, GetROP2());
        case DcState::TextColor: return Add(MetaOp::SetTextColor, static_cast<std::int32_t>(GetTextColor()));
        case DcState::BkColor: return Add(MetaOp::SetBkColor, static_cast<std::int32_t>(GetBkColor()));
        case DcState::BkMode: return Add(MetaOp::SetBkMode, GetBkMode());
        case DcState::TextAlign: return Add(MetaOp::SetTextAlign, static_cast<std::int32_t>(GetTextAlign()));
        case DcState::PolyFillMode: return Add(MetaOp::SetPolyFillMode, GetPolyFillMode());
        case DcState::StretchBltMode: return Add(MetaOp::SetStretchBltMode, GetStretchBltMode());
        case DcState::ClipRect:
            if (const auto& clip = GetDeviceClip()) AddBox(MetaOp::IntersectClipRect, DPtoLP(*clip));
            return;
        case DcState::CurrentPosition: return Add(MetaOp::MoveTo, GetCurrentPosition().x, GetCurrentPosition().y);
    }
}

void CWmfRecorder::OnSaveDC() {
    if (m_closed) return;
    Add(MetaOp::SaveDC);
    m_selection.Save();
}

void CWmfRecorder::OnRestoreDC(int level) {
    if (m_closed) return;
    if (const auto relative = m_selection.Restore(level)) Add(MetaOp::RestoreDC, *relative);
}

bool CWmfRecorder::DoLineTo(Point /*from*/, Point to) {
    if (m_closed) return false;
    Add(MetaOp::LineTo, to.x, to.y);
    return true;
}

bool CWmfRecorder::AddPoly(MetaOp op, std::span<const Point> points) {
    if (m_closed || points.size() > kMaxPolyPoints) return false;
    MetaRecord rec;
    rec.op = op;
    rec.points.assign(points.begin(), points.end());
    m_model.records.push_back(std::move(rec));
    return true;
}

bool CWmfRecorder::DoPolyline(std::span<const Point> points) { return AddPoly(MetaOp::Polyline, points); }

bool CWmfRecorder::DoPolygon(std::span<const Point> points) { return AddPoly(MetaOp::Polygon, points); }

bool CWmfRecorder::DoRectangle(const Rect& rect) {
    if (m_closed) return false;
    AddBox(MetaOp::Rectangle, rect);
    return true;
}

bool CWmfRecorder::DoRoundRect(const Rect& rect, Point corner) {
    if (m_closed) return false;
    AddBox(MetaOp::RoundRect, rect);
    m_model.records.back().v[4] = corner.x;
    m_model.records.back().v[5] = corner.y;
    return true;
}

bool CWmfRecorder::DoEllipse(const Rect& rect) {
    if (m_closed) return false;
    AddBox(MetaOp::Ellipse, rect);
    return true;
}

void CWmfRecorder::DoFillSolidRect(const Rect& rect, COLORREF /*color*/) {
    DoText(OpaqueFillCall(rect));
}

bool CWmfRecorder::DoInvertRect(const Rect& rect) {
    if (m_closed) return false;
    AddBox(MetaOp::InvertRect, rect);
    return true;
}

bool CWmfRecorder::DoText(const TextCall& call) {
    if (m_closed || call.text.size() > static_cast<std::size_t>(kInt16Max)) return false;
    MetaRecord rec;
    rec.op = MetaOp::TextOut;
    rec.v[0] = call.origin.x;
    rec.v[1] = call.origin.y;
    rec.v[2] = static_cast<std::int32_t>(call.options);
    // The rectangle travels only with the options that use it.
    if (call.rect && (call.options & (ETO_OPAQUE | ETO_CLIPPED))) {
        rec.v[3] = call.rect->left;
        rec.v[4] = call.rect->top;
        rec.v[5] = call.rect->right;
        rec.v[6] = call.rect->bottom;
    }
    rec.v[7] = 1;
    for (char16_t c : call.text) rec.text.push_back(static_cast<unsigned char>(ByteOf(c)));
    m_model.records.push_back(std::move(rec));
    return true;
}

bool CWmfRecorder::DoDib(const DibCall& call, const DibImage& dib) {
    // Source positions and sizes are 16-bit too, and are not scaled.
    if (m_closed || dib.GetWidth() > kInt16Max || dib.GetHeight() > kInt16Max) return false;
    MetaRecord rec;
    rec.op = call.stretched ? MetaOp::StretchDib : MetaOp::SetDibits;
    rec.v[0] = call.destination.left;
    rec.v[1] = call.destination.top;
    // Kept as 64-bit differences until the shift is known would be exact;
    // a destination wider than 32 bits is clamped first.
    auto clamp32 = [](std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                                  std::numeric_limits<std::int32_t>::max()));
    };
    rec.v[2] = clamp32(static_cast<std::int64_t>(call.destination.right) - call.destination.left);
    rec.v[3] = clamp32(static_cast<std::int64_t>(call.destination.bottom) - call.destination.top);
    rec.v[4] = call.source.left;
    rec.v[5] = call.source.top;
    rec.v[6] = call.source.Width();
    rec.v[7] = call.source.Height();
    rec.v[8] = static_cast<std::int32_t>(kSrcCopy);
    rec.object = static_cast<std::uint32_t>(m_model.dibs.size());
    m_model.dibs.push_back(dib);
    m_model.records.push_back(std::move(rec));
    return true;
}

const std::vector<std::uint8_t>& CWmfRecorder::Close() {
    if (m_closed) return m_result;
    m_closed = true;
    m_model.handleCount = m_objects.HighWater();
    m_shift = FindShift(m_model);
    m_result = WmfEncoder(m_model, m_shift).Encode();
    m_model = Metafile{};
    return m_result;
}

std::vector<std::uint8_t> BuildPlaceableMetafile(std::span<const std::uint8_t> wmf, const Rect& box,
                                                 std::uint16_t unitsPerInch) {
    auto clamp16 = [](std::int32_t v) {
        return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, kInt16Min, kInt16Max));
    };
    std::vector<std::uint8_t> out;
    out.reserve(wmf::kPlaceableHeaderSize + wmf.size());
    LeWriter w(out);
    w.U32(wmf::kPlaceableKey);
    w.U16(0);
    w.I16(clamp16(box.left));
    w.I16(clamp16(box.top));
    w.I16(clamp16(box.right));
    w.I16(clamp16(box.bottom));
    w.U16(unitsPerInch);
    w.U32(0);
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2) checksum ^= static_cast<std::uint16_t>(out[i] | (out[i + 1] << 8));
    w.U16(checksum);
    w.Bytes(wmf);
    return out;
}

}  // namespace kavitro
