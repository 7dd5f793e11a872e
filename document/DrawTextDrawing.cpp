// Drawing a text object glyph by glyph, the rectangles and hit tests of its
// components, and its glyph outlines for the EPS writer.

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "engine/CalligraphyFont.h"
#include "engine/GlyphPlacement.h"
#include "platform/Exceptions.h"
#include "platform/PathRecorderDC.h"
#include "platform/Vector.h"

namespace kavitro {

namespace {

std::int32_t Add(std::int64_t a, std::int64_t b) { return Clamp32(a + b); }

// Glyphs that are measured and advance the pen but never show.
bool IsInvisibleGlyph(GlyphId id) {
    const unsigned font = GlyphFont(id), index = GlyphIndex(id);
    if (index == 0x20) return true;
    if (font == 3) return index == 0x70;
    if (font == 4) return index == 0x21 || index == 0x22 || index == 0x58;
    if (font == 5) return (index >= 0x21 && index <= 0x23) || (index >= 0x2B && index <= 0x31);
    return false;
}

// Marks and vowel signs drawn with the percentage-scaled copy of font 4.
bool IsInMarkSizeList(std::uint8_t mark) {
    return (mark >= 0x23 && mark <= 0x26) || (mark >= 0x29 && mark <= 0x2C) || mark == 0x2E || mark == 0x2F ||
           (mark >= 0x3D && mark <= 0x47);
}

std::string FaceName(int fontNumber) { return "Vorl2" + std::to_string(fontNumber); }

LogFont GlyphLogFont(int fontNumber, std::int32_t size, std::int32_t angle, std::int32_t percent = 100) {
    LogFont lf;
    const std::int32_t logPixels = CCalligraphyFont::GetInstance().GetLogPixelsY();
    lf.height = -ScaleSaturated(size, std::int64_t{percent} * logPixels, 7200);
    lf.escapement = lf.orientation = CCalligraphyFont::GlyphEscapement(angle);
    lf.charSet = SYMBOL_CHARSET;
    lf.outPrecision = 7;
    lf.quality = 5;
    lf.pitchAndFamily = 2;
    lf.faceName = FaceName(fontNumber);
    return lf;
}

// Writes glyph index i as U+F000 + i, or as its one byte while a Windows
// metafile is recorded.
void OutputGlyph(CDC& dc, Point at, const Rect* clip, std::uint8_t index) {
    if (g_bRecordingWmf) {
        const char byte = static_cast<char>(index);
        dc.ExtTextOutA(at.x, at.y, 0, clip, std::string_view(&byte, 1));
    } else {
        const char16_t code = static_cast<char16_t>(0xF000 + index);
        dc.ExtTextOut(at.x, at.y, 0, clip, std::u16string_view(&code, 1));
    }
}

// Rotation of a glyph's pen position about the origin with the degree table,
// truncated as the drawing code has always done it.
Point RotateTruncated(Point p, Point origin, std::int32_t angle) {
    if (angle == 0) return p;
    const double* table = GetTrigTable();
    const double c = table[angle], t = table[angle + 360];
    const double dx = static_cast<double>(p.x) - origin.x, dy = static_cast<double>(p.y) - origin.y;
    return {SaturateToInt32(std::trunc((dx - dy * t) * c + origin.x)),
            SaturateToInt32(std::trunc((dx * t + dy) * c + origin.y))};
}

// Rotation of a mark position (halves rounded up).
Point RotateMark(Point p, Point origin, std::int32_t angle) {
    if (angle == 0) return p;
    const double* table = GetTrigTable();
    const double c = table[angle], t = table[angle + 360];
    const double dx = static_cast<double>(p.x) - origin.x, dy = static_cast<double>(p.y) - origin.y;
    return {SaturateToInt32(std::floor((dx - dy * t) * c + origin.x + 0.5)),
            SaturateToInt32(std::floor((dx * t + dy) * c + origin.y + 0.5))};
}

CTextComponentSelection WordSelection(std::size_t i) {
    CTextComponentSelection s;
    s.m_firstWord = s.m_lastWord = static_cast<std::uint16_t>(i);
    return s;
}

CTextComponentSelection PointSelection(std::size_t j) {
    CTextComponentSelection s;
    s.m_point = static_cast<std::uint16_t>(j);
    return s;
}

Rect Normalized(Rect r) {
    r.NormalizeRect();
    return r;
}

void Unite(Rect& into, bool& any, const Rect& r) {
    if (!any) {
        into = r;
        any = true;
        return;
    }
    into.left = std::min(into.left, r.left);
    into.top = std::min(into.top, r.top);
    into.right = std::max(into.right, r.right);
    into.bottom = std::max(into.bottom, r.bottom);
}

// Where the characters of words first..last stand, in reference glyph units
// (the unit of the word positions), for rectangles and outlines.
template <typename T>
CGlyphPlacement<T> ReferencePlacement(const CWordArray& words, std::size_t first, std::size_t last) {
    const CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    auto pen = [&](CharacterAt at) {
        const CCalligraphyWord& w = words[at.word];
        return static_cast<T>(std::int64_t{w.m_x} + w.GetTailOverhang() +
                              w.GetWidthOfFirst(static_cast<std::int32_t>(at.index)));
    };
    auto advance = [&](CharacterAt at) {
        return static_cast<T>(fonts.GetReferenceAbc(words[at.word].m_characters[at.index].GetGlyph()).Advance());
    };
    auto same = [](std::int32_t glyphUnits) { return static_cast<T>(glyphUnits); };
    return CGlyphPlacement<T>(words, first, last, pen, advance, same);
}

// A recorder prepared like a view's client DC: mapped like the page (its y
// grows upwards), so that ink recorded above the baseline lies above it in
// the logical units of the point tested, not mirrored below it; glyphs stand
// on their baseline and end at their pen position. Glyph contours overlap (a
// stem over a bowl); the font rasteriser fills them with the nonzero rule, so
// the hit area does too, or the overlaps would be holes that the eye sees inked.
void PrepareHitRecorder(CPathRecorderDC& recorder, const CKavitroDoc* document) {
    if (document == nullptr || !recorder.SetMapMode(document->m_nMapMode)) recorder.SetMapMode(MM_HIMETRIC);
    recorder.SetGlyphOutlineSource(&CGlyphFontOutlines::Instance());
    recorder.SetPolyFillMode(WINDING);
    recorder.SetBkMode(TRANSPARENT);
    recorder.SetTextAlign(TA_BASELINE | TA_RIGHT);
}

}  // namespace

// --- Glyph outlines --------------------------------------------------------------

const CGlyphFontOutlines& CGlyphFontOutlines::Instance() {
    static const CGlyphFontOutlines outlines;
    return outlines;
}

bool CGlyphFontOutlines::GetGlyphOutline(const LogFont& font, char16_t code, GlyphOutline& outline) const {
    if (font.faceName.size() != 6 || font.faceName.compare(0, 5, "Vorl2") != 0) return false;
    const int number = font.faceName[5] - '0';
    if (number < 1 || number > CCalligraphyFont::kFontCount || code < 0xF000 || code > 0xF0FF) return false;
    const CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    const GlyphId id = MakeGlyph(static_cast<unsigned>(number), code - 0xF000u);
    const CPathData& path = fonts.GetFontPath(id);
    // Glyph units are the font at the reference size; the font's em height
    // at that size is 2160 points on the metrics surface.
    const double em = std::abs(static_cast<double>(font.height));
    const double reference = static_cast<double>(CCalligraphyFont::kReferenceSize) * fonts.GetLogPixelsY() / 72.0;
    const double k = em / reference;
    // The captured outline was drawn right-aligned, so it ends at x = 0; an
    // outline source gives the glyph from its origin, as the text call then
    // aligns the run itself.
    const double advance = static_cast<double>(fonts.GetReferenceAbc(id).Advance());
    outline.types.assign(path.GetTypes().begin(), path.GetTypes().end());
    outline.points.clear();
    for (const Point& p : path.GetPoints()) outline.points.push_back(PointF{(p.x + advance) * k, p.y * k});
    outline.advance = advance * k;
    outline.ascent = fonts.GetAscent() * k;
    outline.descent = fonts.GetDescent() * k;
    return true;
}

// --- Drawing ---------------------------------------------------------------------

void CDrawText::Draw(CDC& dc) { DrawGlyphs(dc, false); }

void CDrawText::DrawBaseline(CDC& dc, Point origin, std::int32_t left, std::int32_t right) const {
    const std::int32_t angle = NormalizeAngle(m_position.m_nAngle);
    Point a{left, origin.y}, b{right, origin.y};
    RotatePoint(GetTrigTable(), a, angle, origin);
    RotatePoint(GetTrigTable(), b, angle, origin);
    const PenSelection old = dc.SelectPen(MakePen(LogPen{PS_SOLID, Point{1, 1}, RGB(255, 0, 0)}));
    dc.MoveTo(a);
    dc.LineTo(b);
    dc.SelectPen(old);
}

int CDrawText::DrawGlyphs(CDC& dc, bool glyphsOnly) {
    if (!glyphsOnly) CDrawObj::Draw(dc);
    const Point origin = GetZoomedBaselinePoint();
    if (!glyphsOnly) {
        if (Setting(CApplicationProperties::DrawBaseline, 0) == 2) {
            CPolygonRect frame;
            GetZoomedPosition(frame);
            DrawBaseline(dc, origin, frame.m_rect.left, frame.m_rect.right);
        }
        dc.SetTextColor(m_color);
    }
    int count = 0;
    const std::optional<Rect> reach = ReachOfClip(dc, origin);
    for (std::size_t i = 0; i < m_paragraph.m_words.size(); ++i)
        if (!reach || MayReach(i, *reach))
            count += DrawComponents(dc, nullptr, WordSelection(i), origin, kWordsWithMarks);
    for (std::size_t j = 0; j < m_paragraph.m_points.size(); ++j)
        count += DrawComponents(dc, nullptr, PointSelection(j), origin, kVowelPoint);
    return count;
}

std::optional<Rect> CDrawText::ReachOfClip(const CDC& dc, Point origin) const {
    // A long text on a screen shows a few of its words: the clip is taken to
    // the text's own units (glyph units leftward, y units downward from the
    // baseline), widened by twice the text size, as far as ink may leave a
    // word's measured box (a stroke or a mark). A turned text is drawn whole.
    if (!dc.GetDeviceClip() || m_position.m_nAngle != 0) return std::nullopt;
    const double s = ScaleSaturated(m_nSize, GetZoom(), 100);
    if (s < 1) return std::nullopt;
    const Rect c = Normalized(dc.GetClipBox());
    const double x1 = (static_cast<double>(origin.x) - c.right) * 2160 / s;
    const double x2 = (static_cast<double>(origin.x) - c.left) * 2160 / s;
    const double y1 = (static_cast<double>(origin.y) - c.bottom) * 750 / s - m_nBaselineOffset;
    const double y2 = (static_cast<double>(origin.y) - c.top) * 750 / s - m_nBaselineOffset;
    const auto bound = [](double v) { return SaturateToInt32(std::floor(v)); };
    return Rect(bound(std::min(x1, x2) - 2 * 2160 - 2), bound(std::min(y1, y2) - 2 * 750 - 2),
                bound(std::max(x1, x2) + 2 * 2160 + 2), bound(std::max(y1, y2) + 2 * 750 + 2));
}

bool CDrawText::MayReach(std::size_t word, const Rect& reach) const {
    const CTextLayout::WordInk& ink = m_layout.GetWords(m_paragraph)[word];
    if (ink.digits) return true;  // a number is drawn turned round within its run
    const CCalligraphyWord& w = m_paragraph.m_words[word];
    const std::int64_t nearX = std::int64_t{w.m_x} + std::min(0, ink.extent.left);
    const std::int64_t farX = std::int64_t{w.m_x} + ink.width + std::max(0, ink.extent.right);
    const std::int64_t height = std::max({0, ink.top, ink.bottom});
    return nearX <= reach.right && farX >= reach.left && std::int64_t{w.m_y} - height <= reach.bottom &&
           std::int64_t{w.m_y} + height >= reach.top;
}

int CDrawText::DrawComponents(CDC& dc, const Rect* clip, const CTextComponentSelection& selection, Point origin,
                              int mode) {
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    const std::int32_t s = ScaleSaturated(m_nSize, GetZoom(), 100);
    const std::int32_t angle = NormalizeAngle(m_position.m_nAngle);
    const std::int32_t percent = MarkPercent();
    fonts.SelectSize(&dc, s, angle, percent);
    // The fonts of this call, made once: glyph fonts 1 to 5, and the plain
    // and the scaled mark font.
    std::array<FontSelection, CCalligraphyFont::kFontCount + 1> glyphFonts;
    for (int f = 1; f <= CCalligraphyFont::kFontCount; ++f)
        glyphFonts[static_cast<std::size_t>(f)] = MakeFont(GlyphLogFont(f, s, angle));
    const FontSelection scaledMarkFont = MakeFont(GlyphLogFont(static_cast<int>(kMarkFont), s, angle, percent));
    auto markFont = [&](std::uint8_t mark) -> const FontSelection& {
        return percent != 100 && IsInMarkSizeList(mark) ? scaledMarkFont : glyphFonts[kMarkFont];
    };
    int count = 0;
    const auto& words = m_paragraph.m_words;
    if (selection.m_firstWord != CTextComponentSelection::kNone &&
        selection.m_lastWord != CTextComponentSelection::kNone) {
        const std::size_t first = std::min(selection.m_firstWord, selection.m_lastWord);
        const std::size_t last = std::max(selection.m_firstWord, selection.m_lastWord);
        if (last >= words.size()) return 0;  // names nothing of this text: nothing is drawn
        // The pens at the drawn size, so that a number turned round inside
        // its stretch meets its neighbours exactly as the words' glyphs do.
        auto devicePen = [&](CharacterAt at) {
            const CCalligraphyWord& w = words[at.word];
            std::int64_t pen =
                std::int64_t{ScaleSaturated(w.GetTailOverhang(), s, 2160)} + ScaleSaturated(w.m_x, s, 2160);
            for (std::size_t k = 0; k < at.index; ++k)
                pen += fonts.GetCurrentAbc(w.m_characters[k].GetGlyph()).Advance();
            return pen;
        };
        auto deviceAdvance = [&](CharacterAt at) {
            return std::int64_t{fonts.GetCurrentAbc(words[at.word].m_characters[at.index].GetGlyph()).Advance()};
        };
        auto toDevice = [&](std::int32_t glyphUnits) { return std::int64_t{ScaleSaturated(glyphUnits, s, 2160)}; };
        const CGlyphPlacement<std::int64_t> placement(words, first, last, devicePen, deviceAdvance, toDevice);
        for (std::size_t wi = first; wi <= last; ++wi) {
            const CCalligraphyWord& w = words[wi];
            std::int64_t accumulator = ScaleSaturated(w.GetTailOverhang(), s, 2160);
            for (std::size_t k = 0; k < w.m_characters.size(); ++k) {
                const CCalligraphyCharacter& c = w.m_characters[k];
                const GlyphId id = c.GetGlyph();
                const auto placed = placement.Place({wi, k}, accumulator + ScaleSaturated(w.m_x, s, 2160));
                const Point pen{Clamp32(std::int64_t{origin.x} - placed.pen),
                                Clamp32(std::int64_t{origin.y} -
                                        ScaleSaturated(std::int64_t{m_nBaselineOffset} + w.m_y + c.m_yOffset, s, 750) -
                                        placed.drop)};
                const bool namesLetter = selection.m_letter == k;
                if ((mode == kWordsWithMarks || mode == kWordsWithoutMarks || (mode == kLetter && namesLetter)) &&
                    !IsInvisibleGlyph(id)) {
                    dc.SelectFont(c.m_font >= 1 && c.m_font <= CCalligraphyFont::kFontCount
                                      ? glyphFonts[c.m_font]
                                      : MakeFont(GlyphLogFont(c.m_font, s, angle)));
                    OutputGlyph(dc, RotateTruncated(pen, origin, angle), clip, c.m_glyph);
                    ++count;
                }
                if (c.m_mark != 0 && (mode == kWordsWithMarks || (mode == kLetterMark && namesLetter))) {
                    const Point anchor = fonts.GetMarkAnchor(id, c.m_mark, c.HasMarkBelow());
                    if (anchor.y != -1) {
                        dc.SelectFont(markFont(c.m_mark));
                        const Point at{
                            Add(pen.x, ScaleSaturated(std::int64_t{anchor.x} + c.m_markDx, s, 2160) - placed.markPen),
                            Add(pen.y, ScaleSaturated(std::int64_t{anchor.y} + c.m_markDy, s, 2160) - placed.markDrop)};
                        OutputGlyph(dc, RotateMark(at, origin, angle), clip, c.m_mark);
                        ++count;
                    }
                }
                accumulator += fonts.GetCurrentAbc(id).Advance();
            }
            dc.SelectFont(StockFont(StockObject::SYSTEM_FONT));
        }
    } else if (selection.m_point < m_paragraph.m_points.size()) {
        const CCalligraphyPoint& p = m_paragraph.m_points[selection.m_point];
        dc.SelectFont(markFont(p.m_sign));
        const Point at{Add(origin.x, ScaleSaturated(p.m_x, s, 2160)), Add(origin.y, ScaleSaturated(p.m_y, s, 2160))};
        OutputGlyph(dc, RotateMark(at, origin, angle), clip, p.m_sign);
        count = 1;
        dc.SelectFont(StockFont(StockObject::SYSTEM_FONT));
    }
    if ((Setting(CApplicationProperties::DebugLevel, 0) & 4) && !dc.IsPrinting()) {
        try {
            const CPolygonRect r = GetComponentRect(selection, mode);
            const PenSelection oldPen = dc.SelectPen(StockPen(StockObject::BLACK_PEN));
            const BrushSelection oldBrush = dc.SelectBrush(StockBrush(StockObject::NULL_BRUSH));
            dc.Polygon(r.m_corners);
            dc.SelectPen(oldPen);
            dc.SelectBrush(oldBrush);
        } catch (const InvalidArgumentException&) {
        }
    }
    return count;
}

void CDrawText::DrawTracker(CDC& dc, DocumentViewObserver* view, int state) {
    if (state == 1 || state == 2) {
        const COLORREF colour = static_cast<COLORREF>(Setting(CApplicationProperties::TextSelectionRGB, 0));
        LogPen pen = m_logpen;
        pen.style = PS_DASHDOT;
        pen.width = Point{1, 1};
        pen.color = colour;
        const PenSelection oldPen = dc.SelectPen(MakePen(pen));
        const BrushSelection oldBrush = dc.SelectBrush(StockBrush(StockObject::NULL_BRUSH));
        CPolygonRect zp;
        GetZoomedPosition(zp);
        dc.Rectangle(zp.m_rect);
        dc.SelectPen(oldPen);
        dc.SelectBrush(oldBrush);
        return;
    }
    if (state != 0) return;
    const Point origin = GetZoomedBaselinePoint();
    CTextComponentSelection* component = nullptr;
    if (auto* editView = dynamic_cast<TextEditView*>(view)) component = &editView->GetComponentSelection();
    if (component) {
        if (!IsValidSelection(*component)) {
            *component = CTextComponentSelection{};
        } else {
            const int mode = component->m_firstWord == CTextComponentSelection::kNone ? kVowelPoint
                             : component->IsMark()                                    ? kLetterMark
                                                                                      : kWordsWithMarks;
            dc.SetTextColor(static_cast<COLORREF>(Setting(CApplicationProperties::TextSelectionRGB, 0)));
            DrawComponents(dc, nullptr, *component, origin, mode);
            dc.SetTextColor(m_color);
        }
    }
    const std::uint16_t drawingMode = m_pDocument ? m_pDocument->GetDrawingMode() : 0;
    if (Setting(CApplicationProperties::DrawBaseline, 0) == 1 && drawingMode != 1 && drawingMode != 2) {
        const CPolygonRect zp = BuildZoomedPosition();
        DrawBaseline(dc, origin, zp.m_rect.left, zp.m_rect.right);
    }
    if (Setting(CApplicationProperties::DebugLevel, 0) & 32) {
        const PenSelection oldPen = dc.SelectPen(StockPen(StockObject::BLACK_PEN));
        const BrushSelection oldBrush = dc.SelectBrush(StockBrush(StockObject::NULL_BRUSH));
        CPolygonRect frame;
        GetZoomedPosition(frame);
        dc.Polygon(frame.m_corners);
        dc.Polygon(BuildZoomedPosition().m_corners);
        dc.SelectPen(oldPen);
        dc.SelectBrush(oldBrush);
    }
}

// --- Rectangles ---------------------------------------------------------------------

void CDrawText::GetZoomedRect(Rect& out) const {
    const std::int32_t zoom = GetZoom();
    const std::int32_t zs = ScaleSaturated(m_nSize, zoom, 100);
    const Point o = GetZoomedBaselinePoint();
    const Rect e = m_layout.GetExtent(m_paragraph);
    Rect box;
    bool any = false;
    if (!m_paragraph.m_words.empty()) {
        // Every word's box spans the same width; scaling keeps order, so the
        // highest and lowest reach of the words give the union's height.
        const CTextLayout::Totals& t = m_layout.GetTotals(m_paragraph);
        const auto pageY = [&](std::int64_t below) {
            return Clamp32(std::int64_t{o.y} - ScaleSaturated(below + m_nBaselineOffset, zs, 750));
        };
        const std::int32_t left =
            Clamp32(std::int64_t{ScaleSaturated(m_position.m_rect.left, zoom, 100)} - ScaleSaturated(e.left, zs, 2160));
        const std::int32_t right = Clamp32(std::int64_t{ScaleSaturated(m_position.m_rect.right, zoom, 100)} -
                                           ScaleSaturated(e.right, zs, 2160));
        box = Rect(std::min(left, right), std::min(pageY(t.maxAbove), pageY(t.maxBelow)), std::max(left, right),
                   std::max(pageY(t.minAbove), pageY(t.minBelow)));
        any = true;
    }
    for (std::size_t j = 0; j < m_paragraph.m_points.size(); ++j)
        Unite(box, any, Normalized(GetComponentRect(PointSelection(j), kVowelPoint).m_rect));
    if (!any) {
        out = BuildZoomedPosition().m_bounds;
        return;
    }
    if (m_position.m_nAngle == 0) {
        box.top = SaturateToInt32(static_cast<double>(box.top) * 101 / 100);
        box.bottom = SaturateToInt32(static_cast<double>(box.bottom) * 99 / 100);
        out = box;
        return;
    }
    CPolygonRect pr;
    pr.m_rect = box;
    const Point pivot = m_position.GetPivot();
    const Point zp{ScaleSaturated(pivot.x, zoom, 100), ScaleSaturated(pivot.y, zoom, 100)};
    pr.SetAngle(m_position.m_nAngle, &zp);
    out = pr.m_bounds;
}

CPolygonRect CDrawText::GetComponentRect(const CTextComponentSelection& selection, int mode) const {
    const CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    const std::int32_t zoom = GetZoom();
    const std::int32_t zs = ScaleSaturated(m_nSize, zoom, 100);
    const Point o = GetZoomedBaselinePoint();
    auto adv = [&](GlyphId g) { return fonts.GetReferenceAbc(g).Advance(); };
    Rect r;
    if (mode == kVowelPoint) {
        if (selection.m_point >= m_paragraph.m_points.size()) throw InvalidArgumentException("no such vowel point");
        const CCalligraphyPoint& p = m_paragraph.m_points[selection.m_point];
        const GlyphId sign = MakeGlyph(kMarkFont, p.m_sign);
        const CPathData& path = fonts.GetFontPath(sign);
        const Point P{Add(o.x, ScaleSaturated(p.m_x, zs, 2160)), Add(o.y, ScaleSaturated(p.m_y, zs, 2160))};
        r = Rect(Clamp32(std::int64_t{P.x} - ScaleSaturated(adv(sign), zs, 2160)),
                 Add(P.y, ScaleSaturated(path.GetPointCount() ? path.GetYMin() : 0, zs, 2160)), P.x,
                 Clamp32(std::int64_t{P.y} - ScaleSaturated(path.GetPointCount() ? path.GetYMax() : 0, zs, 2160)));
    } else {
        if (selection.m_firstWord >= m_paragraph.m_words.size()) throw InvalidArgumentException("no such word");
        const CCalligraphyWord& w = m_paragraph.m_words[selection.m_firstWord];
        const std::size_t wi = selection.m_firstWord;
        const CGlyphPlacement<std::int64_t> placement = ReferencePlacement<std::int64_t>(m_paragraph.m_words, wi, wi);
        if (mode == kWordsWithMarks || mode == kWordsWithoutMarks) {
            // The word's advances; a digit that its number has moved, or a
            // letter that its join has moved, counts where it now stands
            // instead.
            std::optional<std::int64_t> nearest, farthest;
            bool keepsItsPlace = placement.empty() || w.m_characters.empty();
            for (std::size_t k = 0; k < w.m_characters.size() && !placement.empty(); ++k) {
                const std::int64_t natural =
                    std::int64_t{w.m_x} + w.GetTailOverhang() + w.GetWidthOfFirst(static_cast<std::int32_t>(k));
                const std::int64_t placed = placement.Place({wi, k}, natural).pen;
                if (placed == natural) {
                    keepsItsPlace = true;
                    continue;
                }
                nearest = std::min(nearest.value_or(placed), placed);
                const std::int64_t end = placed + adv(w.m_characters[k].GetGlyph());
                farthest = std::max(farthest.value_or(end), end);
            }
            if (keepsItsPlace) {
                nearest = std::min<std::int64_t>(nearest.value_or(w.m_x), w.m_x);
                const std::int64_t end = std::int64_t{w.m_x} + w.GetWidth();
                farthest = std::max(farthest.value_or(end), end);
            }
            r = Rect(Clamp32(std::int64_t{o.x} - ScaleSaturated(*farthest, zs, 2160)),
                     Clamp32(std::int64_t{o.y} -
                             ScaleSaturated(std::int64_t{m_nBaselineOffset} - w.GetTop(false) + w.m_y, zs, 750)),
                     Clamp32(std::int64_t{o.x} - ScaleSaturated(*nearest, zs, 2160)),
                     Clamp32(std::int64_t{o.y} -
                             ScaleSaturated(std::int64_t{w.m_y} + w.GetBottom(false) + m_nBaselineOffset, zs, 750)));
        } else {
            if (selection.m_letter >= w.m_characters.size()) throw InvalidArgumentException("no such letter");
            const std::int32_t k = selection.m_letter;
            const CCalligraphyCharacter& c = w.m_characters[static_cast<std::size_t>(k)];
            const auto placed = placement.Place({wi, static_cast<std::size_t>(k)},
                                                std::int64_t{w.GetTailOverhang()} + w.GetWidthOfFirst(k) + w.m_x);
            const std::int64_t before = placed.pen;
            if (mode == kLetterMark) {
                const GlyphId mark = MakeGlyph(kMarkFont, c.m_mark);
                const CPathData& path = fonts.GetFontPath(mark);
                const Point anchor = fonts.GetMarkAnchor(c.GetGlyph(), c.m_mark, c.HasMarkBelow());
                const Point X{Clamp32(std::int64_t{o.x} - ScaleSaturated(before, zs, 2160)),
                              Clamp32(std::int64_t{o.y} -
                                      ScaleSaturated(std::int64_t{w.m_y} + m_nBaselineOffset + c.m_yOffset, zs, 750) -
                                      ScaleSaturated(placed.drop, zs, 2160))};
                const Point m{
                    Add(X.x, ScaleSaturated(std::int64_t{anchor.x} + c.m_markDx - placed.markPen, zs, 2160)),
                    Add(X.y, ScaleSaturated(std::int64_t{anchor.y} + c.m_markDy - placed.markDrop, zs, 2160))};
                r = Rect(
                    Clamp32(std::int64_t{m.x} - ScaleSaturated(adv(mark), zs, 2160)),
                    Add(m.y, ScaleSaturated(path.GetPointCount() ? path.GetYMin() : 0, zs, 2160)), m.x,
                    Clamp32(std::int64_t{m.y} - ScaleSaturated(path.GetPointCount() ? path.GetYMax() : 0, zs, 2160)));
            } else {
                const GlyphId letter = c.GetGlyph();
                const CPathData& path = fonts.GetFontPath(letter);
                // The word's band of lifts, carried with the letter where its
                // join moves it.
                std::int32_t lowest = 0;
                for (const CCalligraphyCharacter& ch : w.m_characters) lowest = std::min(lowest, ch.m_yOffset);
                const std::int64_t base = std::int64_t{m_nBaselineOffset} + w.m_y;
                const std::int64_t drop = ScaleSaturated(placed.drop, zs, 2160);
                r = Rect(Clamp32(std::int64_t{o.x} - ScaleSaturated(adv(letter) + before, zs, 2160)),
                         Clamp32(std::int64_t{o.y} - ScaleSaturated(base + lowest, zs, 750) - drop +
                                 ScaleSaturated(path.GetPointCount() ? path.GetYMin() : 0, zs, 2160)),
                         Clamp32(std::int64_t{o.x} - ScaleSaturated(before, zs, 2160)),
                         Clamp32(std::int64_t{o.y} - ScaleSaturated(base, zs, 750) - drop -
                                 ScaleSaturated(path.GetPointCount() ? path.GetYMax() : 0, zs, 2160)));
            }
        }
    }
    CPolygonRect pr;
    pr.m_rect = r;
    const Point pivot = m_position.GetPivot();
    const Point zp{ScaleSaturated(pivot.x, zoom, 100), ScaleSaturated(pivot.y, zoom, 100)};
    pr.SetAngle(m_position.m_nAngle, &zp);
    return pr;
}

// --- Hit testing ---------------------------------------------------------------------

int CDrawText::HitComponent(DocumentViewObserver* view, const CTextComponentSelection& selection, int mode,
                            Point point) {
    const CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    if (mode != kVowelPoint && selection.m_firstWord >= m_paragraph.m_words.size())
        throw InvalidArgumentException("no such word");
    if (mode == kLetterMark) {
        const CCalligraphyWord& w = m_paragraph.m_words[selection.m_firstWord];
        if (selection.m_letter >= w.m_characters.size()) throw InvalidArgumentException("no such letter");
        const CCalligraphyCharacter& c = w.m_characters[selection.m_letter];
        if (c.m_mark == 0 || fonts.GetMarkAnchor(c.GetGlyph(), c.m_mark, c.HasMarkBelow()).y == -1) return 0;
    }
    auto* editView = dynamic_cast<TextEditView*>(view);
    const Point logical = editView ? editView->DeviceToLogical(point) : point;
    if (!GetComponentRect(selection, mode).PtInPolygon(logical)) return 0;
    if (mode == kLetter) return 1;
    // The component alone, drawn without antialiasing into a recorder: its
    // area stands for the pixels of the text colour under the point, and the
    // same area answers the path-accurate test.
    const std::int32_t method = Setting(CApplicationProperties::SelectionMethod, 0);
    if ((method & 3) == 0) return 0;
    CPathRecorderDC recorder;
    PrepareHitRecorder(recorder, m_pDocument);
    if (DrawComponents(recorder, nullptr, selection, GetZoomedBaselinePoint(), mode) == 0) return 0;
    return recorder.HitTest(logical) ? 1 : 0;
}

void CDrawText::FindComponentsAt(DocumentViewObserver* view, std::vector<CTextComponentSelection>& out, Point point,
                                 bool letters) {
    auto* editView = dynamic_cast<TextEditView*>(view);
    const Point logical = editView ? editView->DeviceToLogical(point) : point;
    for (std::size_t i = 0; i < m_paragraph.m_words.size(); ++i) {
        const CTextComponentSelection word = WordSelection(i);
        if (!letters) {
            if (HitComponent(view, word, kWordsWithoutMarks, point)) out.push_back(word);
            for (std::size_t k = 0; k < m_paragraph.m_words[i].m_characters.size(); ++k) {
                CTextComponentSelection mark = word;
                mark.m_letter = static_cast<std::uint16_t>(k);
                mark.m_mark = 0;
                if (HitComponent(view, mark, kLetterMark, point)) out.push_back(mark);
            }
        } else if (HitComponent(view, word, kWordsWithoutMarks, point)) {
            for (std::size_t k = 0; k < m_paragraph.m_words[i].m_characters.size(); ++k) {
                CTextComponentSelection letter = word;
                letter.m_letter = static_cast<std::uint16_t>(k);
                if (GetComponentRect(letter, kLetter).PtInPolygon(logical)) out.push_back(letter);
            }
        }
    }
    if (letters) return;
    for (std::size_t j = 0; j < m_paragraph.m_points.size(); ++j)
        if (HitComponent(view, PointSelection(j), kVowelPoint, point)) out.push_back(PointSelection(j));
}

bool CDrawText::IntersectsPoint(Point point) {
    if (!CDrawObj::IntersectsPoint(point)) return false;
    if (!(Setting(CApplicationProperties::SelectionMethod, 0) & 4)) return true;
    CPathRecorderDC recorder;
    PrepareHitRecorder(recorder, m_pDocument);
    if (DrawGlyphs(recorder, true) == 0) return false;
    Rect bounds = recorder.GetRegion().GetRgnBox();
    return bounds.PtInRect(point);
}

// --- Outlines --------------------------------------------------------------------------

void CDrawText::ExportEPS(CVector& writer, bool measure) {
    const Point origin = GetZoomedBaselinePoint();
    for (std::size_t i = 0; i < m_paragraph.m_words.size(); ++i) WriteEPS(writer, WordSelection(i), origin, measure);
    for (std::size_t j = 0; j < m_paragraph.m_points.size(); ++j) WriteEPS(writer, PointSelection(j), origin, measure);
}

int CDrawText::WriteEPS(CVector& writer, const CTextComponentSelection& selection, Point origin, bool measure) {
    const CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    const double s = ScaleSaturated(m_nSize, GetZoom(), 100);
    const std::int32_t angle = NormalizeAngle(m_position.m_nAngle);
    const std::int32_t percent = MarkPercent();
    auto markScale = [&](std::uint8_t mark) { return percent != 100 && IsInMarkSizeList(mark) ? percent * s / 100 : s; };
    int count = 0;
    const auto& words = m_paragraph.m_words;
    if (selection.m_firstWord != CTextComponentSelection::kNone &&
        selection.m_lastWord != CTextComponentSelection::kNone) {
        const std::size_t first = std::min(selection.m_firstWord, selection.m_lastWord);
        const std::size_t last = std::max(selection.m_firstWord, selection.m_lastWord);
        if (last >= words.size()) return 0;
        const CGlyphPlacement<double> placement = ReferencePlacement<double>(words, first, last);
        for (std::size_t wi = first; wi <= last; ++wi) {
            const CCalligraphyWord& w = words[wi];
            double advances = 0;
            for (std::size_t k = 0; k < w.m_characters.size(); ++k) {
                const CCalligraphyCharacter& c = w.m_characters[k];
                const GlyphId id = c.GetGlyph();
                const auto placed =
                    placement.Place({wi, k}, static_cast<double>(w.m_x) + w.GetTailOverhang() + advances);
                const double x = origin.x - placed.pen * s / 2160;
                const double y = origin.y - (static_cast<double>(m_nBaselineOffset) + w.m_y + c.m_yOffset) * s / 750 -
                                 placed.drop * s / 2160;
                if (!IsInvisibleGlyph(id)) {
                    const CPathData& path = fonts.GetFontPath(id);
                    writer.SetTransform(s, angle, origin);
                    writer.AddPath(x, y, path.GetTypes(), path.GetPoints(), measure);
                    ++count;
                }
                if (c.m_mark != 0) {
                    const Point anchor = fonts.GetMarkAnchor(id, c.m_mark, c.HasMarkBelow());
                    if (anchor.y != -1) {
                        const CPathData& path = fonts.GetFontPath(MakeGlyph(kMarkFont, c.m_mark));
                        writer.SetTransform(markScale(c.m_mark), angle, origin);
                        writer.AddPath(x + (static_cast<double>(anchor.x) + c.m_markDx - placed.markPen) * s / 2160,
                                       y + (static_cast<double>(anchor.y) + c.m_markDy - placed.markDrop) * s / 2160,
                                       path.GetTypes(),
                                       path.GetPoints(), measure);
                        ++count;
                    }
                }
                advances += static_cast<double>(fonts.GetReferenceAbc(id).Advance());
            }
        }
    } else if (selection.m_point < m_paragraph.m_points.size()) {
        const CCalligraphyPoint& p = m_paragraph.m_points[selection.m_point];
        const CPathData& path = fonts.GetFontPath(MakeGlyph(kMarkFont, p.m_sign));
        writer.SetTransform(markScale(p.m_sign), angle, origin);
        writer.AddPath(origin.x + p.m_x * s / 2160, origin.y + p.m_y * s / 2160, path.GetTypes(), path.GetPoints(),
                       measure);
        ++count;
    }
    return count;
}

}  // namespace kavitro
