#include "platform/EmfRecorder.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/LittleEndian.h"
#include "platform/MetafileFormat.h"
#include "platform/MetafileText.h"
#include "platform/Saturating.h"

namespace kavitro {
namespace {

constexpr std::uint32_t kGraphicsModeCompatible = 1;
constexpr std::uint32_t kTextFixedSize = 76;
constexpr std::uint32_t kLogFontPanoseSize = 320;
constexpr std::uint32_t kLogFontSize = 92;
constexpr std::int32_t kMaxObjects = 64;

bool Fits16(std::span<const Point> points) {
    return std::all_of(points.begin(), points.end(), [](Point p) {
        return p.x >= std::numeric_limits<std::int16_t>::min() && p.x <= std::numeric_limits<std::int16_t>::max() &&
               p.y >= std::numeric_limits<std::int16_t>::min() && p.y <= std::numeric_limits<std::int16_t>::max();
    });
}

// Extents of rectangles whose corners may lie anywhere in 32 bits.
std::int32_t WidthOf(const Rect& r) { return Clamp32(static_cast<std::int64_t>(r.right) - r.left); }
std::int32_t HeightOf(const Rect& r) { return Clamp32(static_cast<std::int64_t>(r.bottom) - r.top); }

// The y of a source rectangle as the system counts it: rows from the bottom
// of a bottom-up bitmap.
std::int32_t SystemSourceY(const Rect& source, const DibImage& dib) {
    return dib.GetHeader().height > 0 ? dib.GetHeight() - source.bottom : source.top;
}

}  // namespace

CEmfRecorder::CEmfRecorder() : CDC(kDeviceDpi, kDeviceDpi), m_objects(1, kMaxObjects) {}

std::size_t CEmfRecorder::Begin(std::uint32_t type) {
    const std::size_t start = m_body.size();
    LeWriter w(m_body);
    w.U32(type);
    w.U32(0);
    return start;
}

void CEmfRecorder::End(std::size_t start) {
    LeWriter w(m_body);
    w.PadFrom(start, 4);
    w.PatchU32(start + 4, static_cast<std::uint32_t>(m_body.size() - start));
    ++m_records;
}

void CEmfRecorder::WriteBounds(const Rect& device) {
    LeWriter w(m_body);
    w.I32(device.left);
    w.I32(device.top);
    w.I32(device.right);
    w.I32(device.bottom);
}

void CEmfRecorder::U32Record(std::uint32_t type, std::uint32_t value) {
    const std::size_t start = Begin(type);
    LeWriter(m_body).U32(value);
    End(start);
}

void CEmfRecorder::PointRecord(std::uint32_t type, std::int32_t x, std::int32_t y) {
    const std::size_t start = Begin(type);
    LeWriter w(m_body);
    w.I32(x);
    w.I32(y);
    End(start);
}

Rect CEmfRecorder::DeviceBox(std::span<const Point> logical) const {
    Rect box;
    bool first = true;
    for (Point p : logical) {
        const Point d = LPtoDP(p);
        if (first) {
            box = Rect(d.x, d.y, d.x, d.y);
            first = false;
        } else {
            box.left = std::min(box.left, d.x);
            box.top = std::min(box.top, d.y);
            box.right = std::max(box.right, d.x);
            box.bottom = std::max(box.bottom, d.y);
        }
    }
    return box;
}

void CEmfRecorder::Include(const Rect& device) {
    if (!m_bounds) {
        m_bounds = device;
        return;
    }
    m_bounds->left = std::min(m_bounds->left, device.left);
    m_bounds->top = std::min(m_bounds->top, device.top);
    m_bounds->right = std::max(m_bounds->right, device.right);
    m_bounds->bottom = std::max(m_bounds->bottom, device.bottom);
}

void CEmfRecorder::BoxRecord(std::uint32_t type, const Rect& rect, bool draws) {
    const std::size_t start = Begin(type);
    LeWriter w(m_body);
    w.I32(rect.left);
    w.I32(rect.top);
    w.I32(rect.right);
    w.I32(rect.bottom);
    End(start);
    if (draws) {
        const Point corners[] = {rect.TopLeft(), rect.BottomRight()};
        Include(DeviceBox(corners));
    }
}

void CEmfRecorder::PolyRecord(std::uint32_t type16, std::uint32_t type32, std::span<const Point> points) {
    const bool small = Fits16(points);
    const Rect box = DeviceBox(points);
    const std::size_t start = Begin(small ? type16 : type32);
    WriteBounds(box);
    LeWriter w(m_body);
    w.U32(static_cast<std::uint32_t>(points.size()));
    for (Point p : points) {
        if (small) {
            w.I16(static_cast<std::int16_t>(p.x));
            w.I16(static_cast<std::int16_t>(p.y));
        } else {
            w.I32(p.x);
            w.I32(p.y);
        }
    }
    End(start);
    Include(box);
}

void CEmfRecorder::Select(const MetaObject& value, int stock, MetaSelection::Which which) {
    if (stock >= 0) {
        U32Record(emr::kSelectObject, emr::kStockFlag | static_cast<std::uint32_t>(stock));
        m_selection.Set(which, std::nullopt);
        return;
    }
    const MetaObjectTable::Use use = m_objects.Acquire(value, m_selection.Pinned());
    if (use.evict) U32Record(emr::kDeleteObject, *use.evict);
    if (use.create) {
        // An object record names its slot before the object.
        const auto create = [&](std::uint32_t type, auto writeObject) {
            const std::size_t start = Begin(type);
            LeWriter w(m_body);
            w.U32(use.slot);
            writeObject(w);
            End(start);
        };
        if (const auto* pen = std::get_if<LogPen>(&value)) {
            create(emr::kCreatePen, [&](LeWriter& w) {
                w.U32(pen->style);
                w.I32(pen->width.x);
                w.I32(pen->width.y);
                w.U32(pen->color);
            });
        } else if (const auto* brush = std::get_if<LogBrush>(&value)) {
            create(emr::kCreateBrushIndirect, [&](LeWriter& w) {
                w.U32(brush->style);
                w.U32(brush->color);
                w.U32(brush->hatch);
            });
        } else if (const auto* font = std::get_if<LogFont>(&value)) {
            create(emr::kExtCreateFontIndirectW, [&](LeWriter& w) {
                w.I32(font->height);
                w.I32(font->width);
                w.I32(font->escapement);
                w.I32(font->orientation);
                w.I32(font->weight);
                for (std::uint8_t b : {font->italic, font->underline, font->strikeOut, font->charSet,
                                       font->outPrecision, font->clipPrecision, font->quality, font->pitchAndFamily})
                    w.U8(b);
                std::u16string face = metatext::Utf8ToUtf16(font->faceName);
                face.resize(std::min<std::size_t>(face.size(), 31));
                face.resize(32, u'\0');
                for (char16_t c : face) w.U16(c);
                // The rest of the extended record (full name, style, panose): zeros.
                w.Zeros(kLogFontPanoseSize - kLogFontSize);
            });
        }
    }
    U32Record(emr::kSelectObject, use.slot);
    m_selection.Set(which, use.slot);
}

void CEmfRecorder::OnStateChanged(DcState what) {
    if (m_closed) return;
    switch (what) {
        case DcState::MapMode:
            U32Record(emr::kSetMapMode, static_cast<std::uint32_t>(GetMapMode()));
            // A fixed mode's scale also as the extents it implies: players
            // ignore extents in these modes, but Inkscape takes its scale
            // from the extent records alone and otherwise draws each unit
            // as a device pixel.
            if (GetMapMode() >= MM_LOMETRIC && GetMapMode() <= MM_TWIPS) {
                PointRecord(emr::kSetWindowExtEx, GetWindowExt().cx, GetWindowExt().cy);
                PointRecord(emr::kSetViewportExtEx, GetViewportExt().cx, GetViewportExt().cy);
            }
            return;
        case DcState::WindowOrg: return PointRecord(emr::kSetWindowOrgEx, GetWindowOrg().x, GetWindowOrg().y);
        case DcState::WindowExt: return PointRecord(emr::kSetWindowExtEx, GetWindowExt().cx, GetWindowExt().cy);
        case DcState::ViewportOrg: return PointRecord(emr::kSetViewportOrgEx, GetViewportOrg().x, GetViewportOrg().y);
        case DcState::ViewportExt:
            return PointRecord(emr::kSetViewportExtEx, GetViewportExt().cx, GetViewportExt().cy);
        case DcState::Pen: return Select(GetPen().pen, GetPen().stock, &MetaSelection::Slots::pen);
        case DcState::Brush: return Select(GetBrush().brush, GetBrush().stock, &MetaSelection::Slots::brush);
        case DcState::Font: return Select(GetFont().font, GetFont().stock, &MetaSelection::Slots::font);
        case DcState::Rop2: return U32Record(emr::kSetRop2, static_cast<std::uint32_t>(GetROP2()));
        case DcState::TextColor: return U32Record(emr::kSetTextColor, GetTextColor());
        case DcState::BkColor: return U32Record(emr::kSetBkColor, GetBkColor());
        case DcState::BkMode: return U32Record(emr::kSetBkMode, static_cast<std::uint32_t>(GetBkMode()));
        case DcState::TextAlign: return U32Record(emr::kSetTextAlign, GetTextAlign());
        case DcState::PolyFillMode:
            return U32Record(emr::kSetPolyFillMode, static_cast<std::uint32_t>(GetPolyFillMode()));
        case DcState::StretchBltMode:
            return U32Record(emr::kSetStretchBltMode, static_cast<std::uint32_t>(GetStretchBltMode()));
        case DcState::ClipRect:
            // The context keeps the clip in device units; the record takes
            // logical units, which map back onto the same device rectangle.
            if (const auto& clip = GetDeviceClip()) BoxRecord(emr::kIntersectClipRect, DPtoLP(*clip), false);
            return;
        case DcState::CurrentPosition:
            return PointRecord(emr::kMoveToEx, GetCurrentPosition().x, GetCurrentPosition().y);
    }
}

void CEmfRecorder::OnSaveDC() {
    if (m_closed) return;
    const std::size_t start = Begin(emr::kSaveDc);
    End(start);
    m_selection.Save();
}

void CEmfRecorder::OnRestoreDC(int level) {
    if (m_closed) return;
    if (const auto relative = m_selection.Restore(level))
        U32Record(emr::kRestoreDc, static_cast<std::uint32_t>(*relative));
}

bool CEmfRecorder::DoLineTo(Point from, Point to) {
    if (m_closed) return false;
    PointRecord(emr::kLineTo, to.x, to.y);
    const Point ends[] = {from, to};
    Include(DeviceBox(ends));
    return true;
}

bool CEmfRecorder::DoPolyline(std::span<const Point> points) {
    if (m_closed) return false;
    PolyRecord(emr::kPolyline16, emr::kPolyline, points);
    return true;
}

bool CEmfRecorder::DoPolygon(std::span<const Point> points) {
    if (m_closed) return false;
    PolyRecord(emr::kPolygon16, emr::kPolygon, points);
    return true;
}

bool CEmfRecorder::DoRectangle(const Rect& rect) {
    if (m_closed) return false;
    BoxRecord(emr::kRectangle, rect, true);
    return true;
}

bool CEmfRecorder::DoRoundRect(const Rect& rect, Point corner) {
    if (m_closed) return false;
    const std::size_t start = Begin(emr::kRoundRect);
    LeWriter w(m_body);
    w.I32(rect.left);
    w.I32(rect.top);
    w.I32(rect.right);
    w.I32(rect.bottom);
    w.I32(corner.x);
    w.I32(corner.y);
    End(start);
    const Point corners[] = {rect.TopLeft(), rect.BottomRight()};
    Include(DeviceBox(corners));
    return true;
}

bool CEmfRecorder::DoEllipse(const Rect& rect) {
    if (m_closed) return false;
    BoxRecord(emr::kEllipse, rect, true);
    return true;
}

void CEmfRecorder::DoFillSolidRect(const Rect& rect, COLORREF /*color*/) {
    if (m_closed) return;
    DoText(OpaqueFillCall(rect));
}

bool CEmfRecorder::DoInvertRect(const Rect& rect) {
    if (m_closed) return false;
    const Point corners[] = {rect.TopLeft(), rect.BottomRight()};
    const Rect box = DeviceBox(corners);
    const std::size_t start = Begin(emr::kBitBlt);
    WriteBounds(box);
    LeWriter w(m_body);
    w.I32(rect.left);
    w.I32(rect.top);
    w.I32(WidthOf(rect));
    w.I32(HeightOf(rect));
    w.U32(kDstInvert);
    w.I32(0);
    w.I32(0);
    for (float f : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) w.F32(f);
    w.U32(0);  // background colour of the source
    w.U32(0);  // colour usage
    w.Zeros(16);  // no source bitmap
    End(start);
    Include(box);
    return true;
}

bool CEmfRecorder::DoText(const TextCall& call) {
    if (m_closed) return false;
    const LogFont& font = GetFont().font;
    const std::size_t n = call.text.size();

    // Advances, when the glyph outlines are known; the bounds are estimated
    // from the font height since the recorder has no metrics of its own.
    std::vector<std::int32_t> advances(n, 0);
    const std::int32_t height = font.height == std::numeric_limits<std::int32_t>::min() ? 0 : std::abs(font.height);
    double width = 0;
    for (std::size_t i = 0; i < n; ++i) {
        GlyphOutline outline;
        char16_t code = call.text[i];
        if (call.ansi && font.charSet == SYMBOL_CHARSET && code < 0x100) code = static_cast<char16_t>(kGlyphFontBase + code);
        if (GetGlyphOutlineSource() != nullptr && GetGlyphOutlineSource()->GetGlyphOutline(font, code, outline))
            advances[i] = static_cast<std::int32_t>(std::lround(outline.advance));
        width += advances[i] != 0 ? advances[i] : height;
    }
    Rect box;
    if (call.rect && (call.options & ETO_OPAQUE) && n == 0) {
        const Point corners[] = {call.rect->TopLeft(), call.rect->BottomRight()};
        box = DeviceBox(corners);
    } else {
        // Left, centred or right of the reference point by the alignment;
        // a font height above and below it.
        const auto reach = static_cast<std::int64_t>(std::min(width, 1e9));
        std::int64_t left = call.origin.x;
        const std::uint32_t horizontal = GetTextAlign() & TA_HORZ_MASK;
        if (horizontal == TA_RIGHT) left -= reach;
        else if (horizontal == TA_CENTER) left -= reach / 2;
        Point corners[] = {{Clamp32(left), Clamp32(static_cast<std::int64_t>(call.origin.y) - height)},
                           {Clamp32(left + reach), Clamp32(static_cast<std::int64_t>(call.origin.y) + height)}};
        if (call.rect && (call.options & ETO_CLIPPED)) {
            Rect area(corners[0], corners[1]);
            area.NormalizeRect();
            Rect clip = *call.rect;
            clip.NormalizeRect();
            area.IntersectRect(area, clip);
            corners[0] = area.TopLeft();
            corners[1] = area.BottomRight();
        }
        box = DeviceBox(corners);
    }

    const std::size_t stringBytes = call.ansi ? n : n * 2;
    const std::size_t paddedString = (stringBytes + 3) / 4 * 4;
    const std::size_t start = Begin(call.ansi ? emr::kExtTextOutA : emr::kExtTextOutW);
    WriteBounds(box);
    LeWriter w(m_body);
    w.U32(kGraphicsModeCompatible);
    // Logical units to 0.01 mm.
    const CDcMapping& m = GetMapping();
    w.F32(static_cast<float>(std::abs(m.ScaleX()) * 100.0 * kDeviceMillimeters.cx / kDevicePixels.cx));
    w.F32(static_cast<float>(std::abs(m.ScaleY()) * 100.0 * kDeviceMillimeters.cy / kDevicePixels.cy));
    w.I32(call.origin.x);
    w.I32(call.origin.y);
    w.U32(static_cast<std::uint32_t>(n));
    w.U32(kTextFixedSize);
    w.U32(call.options);
    const Rect rect = call.rect.value_or(Rect(0, 0, -1, -1));
    w.I32(rect.left);
    w.I32(rect.top);
    w.I32(rect.right);
    w.I32(rect.bottom);
    w.U32(static_cast<std::uint32_t>(kTextFixedSize + paddedString));
    const std::size_t stringStart = w.Position();
    for (char16_t c : call.text) {
        if (call.ansi) w.U8(static_cast<std::uint8_t>(c));
        else w.U16(c);
    }
    w.PadFrom(stringStart, 4);
    for (std::int32_t a : advances) w.I32(a);
    End(start);
    Include(box);
    return true;
}

bool CEmfRecorder::DoDib(const DibCall& call, const DibImage& dib) {
    if (m_closed) return false;
    const std::vector<std::uint8_t> packed = dib.ToPacked();
    const std::size_t bitsSize = dib.GetBits().size();
    const std::size_t infoSize = packed.size() - bitsSize;
    const std::uint32_t fixed = call.stretched ? 80 : 76;
    const Point corners[] = {call.destination.TopLeft(), call.destination.BottomRight()};
    const Rect box = DeviceBox(corners);

    const std::size_t start = Begin(call.stretched ? emr::kStretchDiBits : emr::kSetDiBitsToDevice);
    WriteBounds(box);
    LeWriter w(m_body);
    w.I32(call.destination.left);
    w.I32(call.destination.top);
    w.I32(call.source.left);
    w.I32(SystemSourceY(call.source, dib));
    w.I32(call.source.Width());
    w.I32(call.source.Height());
    w.U32(fixed);
    w.U32(static_cast<std::uint32_t>(infoSize));
    w.U32(static_cast<std::uint32_t>(fixed + infoSize));
    w.U32(static_cast<std::uint32_t>(bitsSize));
    w.U32(0);  // DIB_RGB_COLORS
    if (call.stretched) {
        w.U32(kSrcCopy);
        w.I32(WidthOf(call.destination));
        w.I32(HeightOf(call.destination));
    } else {
        w.U32(0);  // first scan line
        w.U32(static_cast<std::uint32_t>(dib.GetHeight()));
    }
    w.Bytes(packed);
    End(start);
    Include(box);
    return true;
}

const std::vector<std::uint8_t>& CEmfRecorder::Close() {
    if (m_closed) return m_result;
    {
        const std::size_t start = Begin(emr::kEof);
        LeWriter w(m_body);
        w.U32(0);   // palette entries
        w.U32(16);  // where they would start
        w.U32(20);  // this record's size, repeated at its end
        End(start);
    }
    m_closed = true;

    std::u16string description = m_description;
    if (!description.empty()) description.append(2, u'\0');
    const std::size_t descriptionBytes = (description.size() * 2 + 3) / 4 * 4;
    const std::size_t headerSize = emr::kHeaderSize + descriptionBytes;
    Rect bounds = m_bounds.value_or(Rect(0, 0, -1, -1));
    Rect frame;
    if (m_frame) {
        frame = *m_frame;
        // Text boxes are estimated from the font height and overshoot; the
        // picture lies inside the frame it was given, and readers place it
        // by the corner of the bounds (0.01 mm to device pixels).
        auto px = [](std::int32_t v) { return MulDiv(v, kDevicePixels.cx, kDeviceMillimeters.cx * 100); };
        auto py = [](std::int32_t v) { return MulDiv(v, kDevicePixels.cy, kDeviceMillimeters.cy * 100); };
        Rect inFrame(px(frame.left), py(frame.top), px(frame.right), py(frame.bottom));
        inFrame.NormalizeRect();
        if (m_bounds) {
            // Inclusive on both sides: a line may have no height.
            bounds = Rect(std::max(bounds.left, inFrame.left), std::max(bounds.top, inFrame.top),
                          std::min(bounds.right, inFrame.right), std::min(bounds.bottom, inFrame.bottom));
            if (bounds.left > bounds.right || bounds.top > bounds.bottom) bounds = Rect(0, 0, -1, -1);
        }
    } else if (m_bounds) {
        // Device pixels to 0.01 mm.
        auto hx = [](std::int32_t v) { return MulDiv(v, kDeviceMillimeters.cx * 100, kDevicePixels.cx); };
        auto hy = [](std::int32_t v) { return MulDiv(v, kDeviceMillimeters.cy * 100, kDevicePixels.cy); };
        frame = Rect(hx(bounds.left), hy(bounds.top), hx(bounds.right), hy(bounds.bottom));
    }

    m_result.clear();
    m_result.reserve(headerSize + m_body.size());
    LeWriter w(m_result);
    w.U32(emr::kHeader);
    w.U32(static_cast<std::uint32_t>(headerSize));
    for (std::int32_t v : {bounds.left, bounds.top, bounds.right, bounds.bottom}) w.I32(v);
    for (std::int32_t v : {frame.left, frame.top, frame.right, frame.bottom}) w.I32(v);
    w.U32(emr::kSignature);
    w.U32(emr::kVersion);
    w.U32(static_cast<std::uint32_t>(headerSize + m_body.size()));
    w.U32(m_records + 1);
    w.U16(static_cast<std::uint16_t>(std::min<std::uint32_t>(m_objects.HighWater(), 0xFFFF)));
    w.U16(0);
    w.U32(static_cast<std::uint32_t>(description.size()));
    w.U32(description.empty() ? 0 : emr::kHeaderSize);
    w.U32(0);  // palette entries
    w.I32(kDevicePixels.cx);
    w.I32(kDevicePixels.cy);
    w.I32(kDeviceMillimeters.cx);
    w.I32(kDeviceMillimeters.cy);
    w.U32(0);  // pixel format size
    w.U32(0);  // pixel format offset
    w.U32(0);  // no OpenGL records
    w.I32(kDeviceMillimeters.cx * 1000);
    w.I32(kDeviceMillimeters.cy * 1000);
    const std::size_t descriptionStart = w.Position();
    for (char16_t c : description) w.U16(c);
    w.PadFrom(descriptionStart, 4);
    w.Bytes(m_body);
    m_body.clear();
    m_body.shrink_to_fit();
    return m_result;
}

}  // namespace kavitro
