#include "document/DrawText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <stdexcept>
#include <utility>

#include "document/DocumentServices.h"
#include "document/KavitroDoc.h"
#include "engine/CalligraphyFont.h"
#include "engine/DigitRuns.h"
#include "engine/GlyphPlacement.h"
#include "engine/LegacyText.h"
#include "platform/Exceptions.h"

namespace kavitro {

KAVITRO_IMPLEMENT_SERIAL(CDrawText, CDrawObj, VERSIONABLE_SCHEMA | 1)

namespace {

// Undo recording off and the drawing mode 0 for one layout step; both come
// back on every way out.
class RecordingPause {
public:
    explicit RecordingPause(CKavitroDoc* doc) : m_doc(doc) {
        if (!m_doc) return;
        m_recording = m_doc->m_objects.m_bRecordingOff;
        m_mode = m_doc->GetDrawingMode();
        m_doc->m_objects.m_bRecordingOff = 1;
        m_doc->SetDrawingMode(0);
    }
    ~RecordingPause() {
        if (!m_doc) return;
        m_doc->m_objects.m_bRecordingOff = m_recording;
        m_doc->SetDrawingMode(m_mode);
    }
    RecordingPause(const RecordingPause&) = delete;
    RecordingPause& operator=(const RecordingPause&) = delete;

private:
    CKavitroDoc* m_doc;
    std::uint32_t m_recording = 0;
    std::uint16_t m_mode = 0;
};

void ClearSelection(CTextComponentSelection* selection) {
    if (selection) *selection = CTextComponentSelection{};
}

std::int32_t Abs32(std::int64_t v) { return Clamp32(v < 0 ? -v : v); }

}  // namespace

std::int32_t CDrawText::ClampSize(std::int64_t size) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(size, kMinSize, kMaxSize));
}

CDrawText::CDrawText() { InitText(); }

CDrawText::CDrawText(const CPolygonRect& zoomedPosition, std::uint32_t page, CKavitroDoc* document)
    : CDrawObj(zoomedPosition, page, document) {
    InitText();
}

void CDrawText::InitText() {
    m_paragraph.SetCaret(m_nCaret, 0, false);
    m_nSize = kDefaultSize;
    PostSelectionChanged();
    m_paragraph.InsertCharacter(m_nCaret, u' ');
    m_paragraph.SetCaret(m_nCaret, 0, false);
    m_color = 0;
    m_nCachedSize = 0;
    m_nBaselineOffset = 0;
    m_bPen = 0;
    m_logpen.width = Point{0, 0};
    m_bBrush = 0;
    if (m_pDocument) m_pDocument->SetModifiedFlag();
}

const CApplicationProperties* CDrawText::Settings() const {
    return m_pDocument ? m_pDocument->GetServices().settings : DocumentServices::Current().settings;
}

std::int32_t CDrawText::Setting(CApplicationProperties::Setting which, std::int32_t fallback) const {
    const CApplicationProperties* settings = Settings();
    return settings ? (*settings)[which] : fallback;
}

std::int32_t CDrawText::MarkPercent() const {
    if (!Setting(CApplicationProperties::PointSize, 0)) return 100;
    return std::clamp(Setting(CApplicationProperties::PointSize_Size, 90), 1, 1000);
}

void CDrawText::PostSelectionChanged() const {
    if (m_pDocument) m_pDocument->PostToMainFrame(NotifyMessage::SelectionChanged);
}

CTextComponentSelection* CDrawText::ComponentSelectionOf(DocumentViewObserver* view) const {
    auto* editView = dynamic_cast<TextEditView*>(view);
    return editView ? &editView->GetComponentSelection() : nullptr;
}

void CDrawText::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        CDrawObj::Serialize(ar);
        ar << static_cast<std::uint32_t>(m_nSize) << static_cast<std::uint32_t>(m_color)
           << static_cast<std::uint32_t>(m_nBaselineOffset);
        ar.SetObjectSchema(kSchema);
        m_paragraph.Serialize(ar);
        return;
    }
    std::uint32_t schema = ar.GetObjectSchema();
    if (schema == CArchive::kNoSchema) schema = kSchema;
    if (schema > kSchema) throw ArchiveException(ArchiveException::Cause::BadSchema, "unknown text object schema");
    CDrawObj::Serialize(ar);
    // A size from a file is clamped like one from a rescale.
    m_nSize = ClampSize(ar.ReadU32());
    m_color = ar.ReadU32();
    m_nBaselineOffset = 0;
    if (schema != 0) {
        m_nBaselineOffset = ar.ReadI32();
    } else {
        m_bPen = 0;
        m_logpen.width = Point{0, 0};
        m_bBrush = 0;
        if (m_pDocument) m_pDocument->SetModifiedFlag();
    }
    ar.SetObjectSchema(schema);
    m_paragraph.Serialize(ar);
    m_nCaret = 0;
    UpdateFrame();
}

// --- CDrawObj ----------------------------------------------------------------

void CDrawText::SetPosition(const CPolygonRect& zoomedPosition, bool record) {
    CDrawObj::SetPosition(zoomedPosition, record);
    UpdateFrame();
}

bool CDrawText::IsEmpty() const {
    if (!m_paragraph.m_points.empty()) return false;
    for (auto w = m_paragraph.m_words.end(); w != m_paragraph.m_words.begin();) {
        --w;
        if (!w->IsAttachable()) return false;
    }
    return true;
}

namespace {
int BaseHandle(int handle) {
    switch (handle) {
        case 2: return 3;
        case 3: return 5;
        case 4: return 7;
        default: return 1;
    }
}
}  // namespace

// The handles stand at the corners of the frame, around the ink the user
// sees, not at the layout rectangle that carries the baseline.
Point CDrawText::GetHandle(int handle) const {
    CPolygonRect frame;
    GetZoomedPosition(frame);
    const Rect& b = frame.m_bounds;
    switch (BaseHandle(handle)) {
        case 3: return {b.right, b.top};
        case 5: return {b.right, b.bottom};
        case 7: return {b.left, b.bottom};
        default: return {b.left, b.top};
    }
}

bool CDrawText::Intersects(const Rect& zoomedRect) {
    CPolygonRect frame;
    GetZoomedPosition(frame);
    Rect meet, box = frame.m_bounds, other = zoomedRect;
    box.NormalizeRect();
    other.NormalizeRect();
    return meet.IntersectRect(box, other);
}

HandleCursor CDrawText::GetHandleCursor(int handle) const { return CDrawObj::GetHandleCursor(BaseHandle(handle)); }

void CDrawText::GetCharacterCodes(std::vector<std::uint16_t>& codes) const {
    for (const CCalligraphyWord& w : m_paragraph.m_words)
        for (const CCalligraphyCharacter& c : w.m_characters) codes.push_back(c.m_code);
}

CDrawObj* CDrawText::Clone(CKavitroDoc* document) {
    auto* clone = new CDrawText(BuildZoomedPosition(), m_nPage, document ? document : m_pDocument);
    CopyStyleTo(*clone);
    clone->m_nSize = m_nSize;
    clone->m_color = m_color;
    clone->m_position = m_position;
    clone->m_frame = m_frame;
    clone->m_nBaselineOffset = m_nBaselineOffset;
    clone->m_paragraph.Copy(m_paragraph);
    clone->m_nCaret = 0;
    if (document) document->Add(clone, true);
    return clone;
}

void CDrawText::InvalidateEverywhere(DocumentViewObserver* view) {
    if (view) view->InvalidateObject(*this);
    if (!m_pDocument) return;
    for (DocumentViewObserver* other : m_pDocument->GetViews())
        if (other != view) other->InvalidateObject(*this);
}

void CDrawText::ApplyChange(DocumentViewObserver* view, std::int32_t angle, bool absolute, bool invalidate) {
    if (m_pDocument) m_pDocument->RecordObjectState(this);
    if (invalidate) InvalidateEverywhere(view);
    const std::int64_t target = absolute ? std::int64_t{angle} : std::int64_t{m_position.m_nAngle} + angle;
    const Point pivot = GetBaselinePoint();
    m_position.SetAngle(NormalizeAngle(target), &pivot);
    RecalcLayout(view, invalidate);
}

void CDrawText::CacheZoomedRect() {
    CDrawObj::CacheZoomedRect();
    m_nCachedSize = m_nSize;
}

void CDrawText::ClearZoomedRect() {
    CDrawObj::ClearZoomedRect();
    m_nCachedSize = 0;
}

void CDrawText::GetZoomedPosition(CPolygonRect& out) const {
    if (m_frame.m_rect.IsRectNull()) const_cast<CDrawText*>(this)->UpdateFrame();
    out = m_frame;
    if (m_pDocument) m_pDocument->ZoomPolygonRect(out);
}

// --- TextUndoTarget ------------------------------------------------------------

TextSnapshot CDrawText::TakeTextSnapshot() const {
    TextSnapshot s;
    s.paragraph.Copy(m_paragraph);
    s.caret = m_nCaret;
    s.baselineOffset = m_nBaselineOffset;
    s.color = m_color;
    return s;
}

void CDrawText::ExchangeTextState(TextSnapshot& snapshot) {
    // Whole paragraphs change places, so that what an edit keeps for the
    // next one stays with the words it was made for; the engine context is
    // this object's.
    const CEngineContext context = m_paragraph.GetContext();
    std::swap(m_paragraph, snapshot.paragraph);
    m_paragraph.SetContext(context);
    std::swap(m_nCaret, snapshot.caret);
    std::swap(m_nBaselineOffset, snapshot.baselineOffset);
    std::swap(m_color, snapshot.color);
    m_paragraph.SetCaret(m_nCaret, 0, true);
}

// --- Geometry ------------------------------------------------------------------

Point CDrawText::GetBaselinePoint() const {
    const std::int32_t ascent = CCalligraphyFont::GetInstance().GetAscent();
    const std::int64_t y = std::int64_t{m_position.m_rect.top} + ScaleSaturated(m_nBaselineOffset, m_nSize, 750) +
                           ScaleSaturated(ascent, m_nSize, 2160);
    return {m_position.m_rect.left, Clamp32(y)};
}

Point CDrawText::GetZoomedBaselinePoint() const {
    const Point p = GetBaselinePoint();
    const std::int32_t zoom = GetZoom();
    return {ScaleSaturated(p.x, zoom, 100), ScaleSaturated(p.y, zoom, 100)};
}

Rect CDrawText::TextBox() const {
    const Rect b = m_layout.GetBoundingRect(m_paragraph);
    if (b.left > b.right) return Rect();  // no word holds a character
    const std::int32_t height = CCalligraphyFont::GetInstance().GetLineHeight();
    return Rect(ScaleSaturated(b.left, m_nSize, 2160), ScaleSaturated(b.top, m_nSize, 750),
                ScaleSaturated(b.right, m_nSize, 2160),
                Clamp32(std::int64_t{ScaleSaturated(height, m_nSize, 2160)} - ScaleSaturated(b.bottom, m_nSize, 750)));
}

void CDrawText::RecalcLayout(DocumentViewObserver* view, bool invalidate) {
    const Point pivot = GetBaselinePoint();
    m_position.SetAngle(m_position.m_nAngle, &pivot);
    {
        RecordingPause pause(m_pDocument);
        // A move already recomputed the frame at the new place; measuring
        // every word again would give the same frame.
        const std::uint64_t updates = m_nFrameUpdates;
        FitFrameToText(TextBox(), view, true);
        if (m_nFrameUpdates == updates) UpdateFrame();
    }
    if (invalidate) InvalidateEverywhere(view);
}

void CDrawText::FitFrameToText(const Rect& box, DocumentViewObserver* view, bool flag) {
    CPolygonRect pr = BuildZoomedPosition();
    const std::int64_t boxWidth = std::int64_t{box.right} - box.left;
    const std::int64_t boxHeight = std::int64_t{box.bottom} - box.top;
    if (std::llabs(std::int64_t{pr.m_rect.left} - pr.m_rect.right) == std::llabs(boxWidth) &&
        std::llabs(std::int64_t{pr.m_rect.bottom} - pr.m_rect.top) == std::llabs(boxHeight) && box.left == 0 &&
        box.top == 0)
        return;
    if (box.left != 0 || box.top != 0) {
        // Words move to the box's origin; the rectangle moves the other way,
        // so the glyphs keep their place on the page.
        const Rect b = m_layout.GetBoundingRect(m_paragraph);
        if (b.left <= b.right) {
            const std::uint64_t before = m_paragraph.m_words.GetChangeCount();
            for (CCalligraphyWord& w : m_paragraph.m_words) {
                w.m_x = Clamp32(std::int64_t{w.m_x} - b.left);
                w.m_y = Clamp32(std::int64_t{w.m_y} - b.top);
            }
            m_layout.WordsMoved(m_paragraph.m_words, before, 0);
            m_nBaselineOffset = Clamp32(std::int64_t{m_nBaselineOffset} + b.top);
        }
    }
    const std::int32_t zoom = GetZoom();
    const std::int32_t zl = ScaleSaturated(box.left, zoom, 100), zt = ScaleSaturated(box.top, zoom, 100);
    const std::int32_t zr = ScaleSaturated(box.right, zoom, 100), zb = ScaleSaturated(box.bottom, zoom, 100);
    Rect& r = pr.m_rect;
    r.left = Clamp32(std::int64_t{r.left} - zl);
    r.top = Clamp32(std::int64_t{r.top} - zt);
    r.right = Clamp32(std::int64_t{r.left} - Abs32(std::int64_t{zr} - zl));
    r.bottom = Clamp32(std::int64_t{r.top} + Abs32(std::int64_t{zb} + zt));
    pr.SetAngle(m_position.m_nAngle);
    MoveTo(pr, view, flag);
}

std::pair<std::int64_t, std::int64_t> CDrawText::InkHeights() const {
    // Page y grows upwards, paragraph y downwards: a word stands
    // (baseline offset + its y) below the baseline.
    std::int64_t low = std::numeric_limits<std::int64_t>::max(), high = std::numeric_limits<std::int64_t>::min();
    const CTextLayout::Totals& words = m_layout.GetTotals(m_paragraph);
    if (words.inkHighest <= words.inkLowest) {
        // Scaling keeps order, so the highest and lowest word give the
        // reach. Negated in 64 bits: a saturated measure may be the 32-bit
        // minimum.
        high = -std::int64_t{ScaleSaturated(words.inkHighest + m_nBaselineOffset, m_nSize, 750)};
        low = -std::int64_t{ScaleSaturated(words.inkLowest + m_nBaselineOffset, m_nSize, 750)};
    }
    const CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    for (const CCalligraphyPoint& point : m_paragraph.m_points) {
        const CPathData& path = fonts.GetFontPath(MakeGlyph(kMarkFont, point.m_sign));
        const std::int64_t y = ScaleSaturated(point.m_y, m_nSize, 2160);
        const std::int64_t a = y + ScaleSaturated(path.GetPointCount() ? path.GetYMin() : 0, m_nSize, 2160);
        const std::int64_t b = y - ScaleSaturated(path.GetPointCount() ? path.GetYMax() : 0, m_nSize, 2160);
        low = std::min({low, a, b});
        high = std::max({high, a, b});
    }
    if (low < high) return {high, -low};
    // Nothing inked (a new text holds a space): one line of the glyph fonts.
    const std::int32_t ascent = fonts.GetAscent();
    return {ScaleSaturated(ascent, m_nSize, 2160),
            ScaleSaturated(std::int64_t{fonts.GetLineHeight()} - ascent, m_nSize, 2160)};
}

void CDrawText::UpdateFrame() {
    ++m_nFrameUpdates;
    const Rect e = m_layout.GetExtent(m_paragraph);
    const std::int32_t L = ScaleSaturated(e.left, m_nSize, 2160), R = ScaleSaturated(e.right, m_nSize, 2160);
    const Rect& p = m_position.m_rect;
    // Across, the words' advance box widened by the ink beyond it; up and
    // down, the ink itself from the baseline: the layout rectangle stands
    // an ascent below the baseline, lower than the writing.
    const auto [above, below] = InkHeights();
    const std::int64_t baselineY = GetBaselinePoint().y;
    m_frame.m_rect = Rect(Clamp32(std::int64_t{p.left} - L), Clamp32(baselineY - below),
                          Clamp32(std::int64_t{p.right} - R), Clamp32(baselineY + above));
    m_frame.m_dPivotRatioX = m_position.m_dPivotRatioX;
    m_frame.m_dPivotRatioY = m_position.m_dPivotRatioY;
    if (m_frame.m_nAngle == 0) {
        m_frame.m_bounds = m_frame.m_rect;
        m_frame.m_bounds.NormalizeRect();
    }
    const Point pivot = GetBaselinePoint();
    m_frame.SetAngle(m_position.m_nAngle, &pivot);
}

void CDrawText::MoveHandleTo(int handle, Point point, DocumentViewObserver* view) {
    const CPolygonRect zp = BuildZoomedPosition();
    std::int64_t distance = 0;
    if (handle == 1 || handle == 4)
        distance = std::int64_t{point.x} - zp.m_rect.right;
    else if (handle == 2 || handle == 3)
        distance = std::int64_t{zp.m_rect.left} - point.x;
    else
        return;
    if (m_pDocument) m_pDocument->RecordObjectState(this);
    RecordingPause pause(m_pDocument);
    const std::int64_t width = std::int64_t{zp.m_rect.left} - zp.m_rect.right;
    if (width != 0) {
        const std::int32_t ratio = ScaleSaturated(distance, 100000, width);
        m_nSize = ClampSize(ScaleSaturated(m_nSize, Abs32(ratio), 100000));
    }
    PostSelectionChanged();
    const Rect b = m_layout.GetBoundingRect(m_paragraph);
    if (b.left > b.right) return;
    const std::int32_t height = CCalligraphyFont::GetInstance().GetLineHeight();
    const Size natural{
        Clamp32(std::int64_t{ScaleSaturated(b.right, m_nSize, 2160)} - ScaleSaturated(b.left, m_nSize, 2160)),
        Clamp32(std::int64_t{ScaleSaturated(height, m_nSize, 2160)} - ScaleSaturated(b.bottom, m_nSize, 750) -
                ScaleSaturated(b.top, m_nSize, 750))};
    RestoreSizeAtHandle(natural, view, BaseHandle(handle));
}

void CDrawText::ScaleAbout(Point origin, double factor, DocumentViewObserver* view) {
    CDrawObj::ScaleAbout(origin, factor, view);
    const double product = std::trunc(static_cast<double>(m_nCachedSize) * factor);
    m_nSize = product <= 20 ? kMinSize : ClampSize(static_cast<std::int64_t>(std::min(product, 1e12)));
    PostSelectionChanged();
    RecordingPause pause(m_pDocument);
    FitFrameToText(TextBox(), view, false);
    UpdateFrame();
}

// --- Editing ---------------------------------------------------------------------

template <typename Edit>
std::int32_t CDrawText::EditAroundCaret(Edit&& edit, bool alwaysRecorded) {
    const CWordArray& words = std::as_const(m_paragraph).m_words;
    const std::size_t count = words.size();
    // An edit changes no word more than two before the caret's (past empty
    // ones) and none past the one after it but by moving it; the window
    // takes a word more each way.
    std::size_t first = 0, oldEnd = count;
    try {
        if (count > 0) {
            const WordPosition at = m_paragraph.CaretToWord(m_nCaret, false);
            auto ending = static_cast<std::size_t>(at.word);
            if (at.offset == 0)
                while (ending > 0 && words[--ending].m_characters.empty()) {
                }
            first = ending >= 3 ? ending - 3 : 0;
            oldEnd = std::min(count, static_cast<std::size_t>(at.word) + 3);
        }
    } catch (const InvalidArgumentException&) {
        first = 0;  // the edit refuses the caret; the window holds every word
    }
    // The undo step keeps the window's words as they were, and the text's
    // other state whole.
    std::unique_ptr<CObjectsBuffer::CAction> step;
    std::int64_t xAfter = 0;
    if (m_pDocument && !m_pDocument->m_objects.m_bRecordingOff &&
        !m_pDocument->m_objects.IsObjectInCurrentAction(this)) {
        step = std::make_unique<CObjectsBuffer::CAction>(CObjectsBuffer::GetActionIdCounter(),
                                                         CObjectsBuffer::CAction::TextEdit, this);
        step->m_position = m_position;
        TextSnapshot& kept = step->m_text;
        kept.paragraph.SetContext(m_paragraph.GetContext());
        kept.paragraph.m_words.reserve(oldEnd - first);
        kept.paragraph.m_words.insert(kept.paragraph.m_words.cend(),
                                      words.begin() + static_cast<std::ptrdiff_t>(first),
                                      words.begin() + static_cast<std::ptrdiff_t>(oldEnd));
        kept.paragraph.m_points = m_paragraph.m_points;
        kept.caret = m_nCaret;
        kept.baselineOffset = m_nBaselineOffset;
        kept.color = m_color;
        if (oldEnd < count) xAfter = words[oldEnd].m_x;
    }
#ifndef NDEBUG
    const CWordArray wordsBefore = step ? words : CWordArray();
#endif
    const std::uint64_t changes = words.GetChangeCount();
    const auto finish = [&](bool changed) {
        m_layout.WordsEdited(m_paragraph, changes, first, oldEnd, count,
                             step ? &step->m_text.paragraph.m_words : nullptr);
        if (!step || !(changed || alwaysRecorded))
            return;
        const std::size_t newCount = words.size();
        if (oldEnd + newCount < count + first)
            throw std::logic_error("an edit changed words before the ones it names");
        const std::size_t newEnd = oldEnd + newCount - count;
        step->m_bTextDelta = true;
        step->m_nSameBefore = first;
        step->m_nSameAfter = newCount - newEnd;
        step->m_nShiftAfter = newEnd < newCount ? xAfter - words[newEnd].m_x : 0;
        CObjectsBuffer::TrimTextDelta(*step, words);
#ifndef NDEBUG
        // The words the step gives back must be the words before the edit.
        const CWordArray given = CObjectsBuffer::WordsBeforeTextDelta(words, *step);
        const auto same = [](const CCalligraphyWord& a, const CCalligraphyWord& b) {
            return a.m_x == b.m_x && a.m_y == b.m_y &&
                   std::equal(a.m_characters.begin(), a.m_characters.end(), b.m_characters.begin(),
                              b.m_characters.end(), [](const CCalligraphyCharacter& c, const CCalligraphyCharacter& d) {
                                  return c.m_code == d.m_code && c.GetGlyph() == d.GetGlyph() &&
                                         c.m_yOffset == d.m_yOffset && c.m_flags == d.m_flags &&
                                         c.m_mark == d.m_mark && c.m_markDx == d.m_markDx && c.m_markDy == d.m_markDy;
                              });
        };
        if (!std::equal(given.begin(), given.end(), wordsBefore.begin(), wordsBefore.end(), same))
            throw std::logic_error("an edit changed words outside the ones its undo step keeps");
#endif
        m_pDocument->m_objects.Record(std::move(step));
    };
    std::int32_t result = 0;
    try {
        result = edit();
    } catch (...) {
        finish(true);
        throw;
    }
    finish(result != 0);
    return result;
}

int CDrawText::OnChar(DocumentViewObserver* view, std::uint32_t code, std::uint32_t) {
    // A typed key passes the keyboard layout and the engine, either of which
    // may refuse it: it takes its undo step only once it went in, so that
    // keys that type nothing neither bury the user's steps nor empty the
    // redo list. Backspace and the letter commands always take theirs.
    if (code == 13) {
        if (m_pDocument) m_pDocument->RecordModify(this);
        ClearSelection(ComponentSelectionOf(view));
        return StartNewLine(view);
    }
    ClearSelection(ComponentSelectionOf(view));
    if (code == 8) {
        EditAroundCaret([&] { m_paragraph.DeleteCharacter(m_nCaret); return 1; }, true);
        RecalcLayout(view, true);
        return 1;
    }
    int result = 1;
    if (code >= kFirstModifyCode && code <= kLastModifyCode) {
        WordPosition at;
        EditAroundCaret(
            [&] {
                at = m_paragraph.CaretToWord(m_nCaret, true);
                if (at.offset > 0) m_paragraph.ModifyCharacter(at.word, at.offset, static_cast<std::uint16_t>(code));
                return 1;
            },
            true);
        if (at.offset > 0) {
            RecalcLayout(view, true);
            return 1;
        }
    } else {
        std::uint16_t character = u' ';
        if (code != 32) {
            const CharacterTranslator* translator =
                m_pDocument ? m_pDocument->GetServices().translator : DocumentServices::Current().translator;
            character =
                translator ? translator->TranslateChar(code) : IdentityCharacterTranslator().TranslateChar(code);
        }
        if (code == 32 || character < CharacterTranslator::kRefused)
            result = EditAroundCaret([&] { return m_paragraph.InsertCharacter(m_nCaret, character); }, false);
    }
    RecalcLayout(view, true);
    if (result == 0 && (Setting(CApplicationProperties::DebugLevel, 0) & 16) && m_pDocument &&
        m_pDocument->GetServices().errors)
        m_pDocument->GetServices().errors->ReportError(kRefusedCodeMessage, MessageButtons::Ok, MessageIcon::Warning);
    return result;
}

int CDrawText::StartNewLine(DocumentViewObserver* view) {
    // Everything this object contributes is read before the new text is
    // added: adding purges empty objects, and this one may be among them.
    CKavitroDoc* doc = m_pDocument;
    const std::int32_t zoom = GetZoom();
    const CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    const std::int32_t z = ScaleSaturated(m_nSize, zoom, 100);
    const std::int32_t h = ScaleSaturated(fonts.GetLineHeight(), z, 2160);
    const std::int32_t a = ScaleSaturated(fonts.GetAscent(), z, 2160);
    const Point baseline = GetBaselinePoint();
    CPolygonRect zoomed;
    zoomed.m_rect = Rect(ScaleSaturated(m_position.m_rect.left, zoom, 100),
                         Clamp32(std::int64_t{ScaleSaturated(baseline.y, zoom, 100)} - a - h), 0, 0);
    zoomed.SetAngle(0);
    auto* text = new CDrawText(zoomed, m_nPage & kPageIndexMask, doc);
    CKavitroDoc::MatchTextScale(*text, *this);
    CTextComponentSelection* component = ComponentSelectionOf(view);
    if (!doc) {  // nobody would own the new text
        delete text;
        return 0;
    }
    doc->Add(text, false);
    // From here on `this` may be gone.
    text->RecalcLayout(view, false);
    if (view) {
        view->OnUpdate(2, text);
        ClearSelection(component);
        view->ClearSelection();
    }
    doc->PostToMainFrame(NotifyMessage::SelectionChanged);
    if (view && !view->IsSelected(*text)) {
        ClearSelection(component);
        view->AddToSelection(*text);
        doc->PostToMainFrame(NotifyMessage::SelectionChanged);
    }
    return 0;
}

Point CDrawText::GetCaretOffset() const {
    const auto& words = m_paragraph.m_words;
    std::int64_t remaining = m_nCaret;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const auto count = static_cast<std::int64_t>(words[i].m_characters.size());
        const bool last = i + 1 == words.size();
        if (remaining < count || (remaining == count && last)) {
            const std::int64_t natural = std::int64_t{words[i].GetTailOverhang()} + words[i].m_x +
                                         words[i].GetWidthOfFirst(static_cast<std::int32_t>(remaining));
            // Inside a number the caret follows its digits, which read left
            // to right.
            auto pen = [&](CharacterAt at) {
                const CCalligraphyWord& w = words[at.word];
                return std::int64_t{w.m_x} + w.GetTailOverhang() +
                       w.GetWidthOfFirst(static_cast<std::int32_t>(at.index));
            };
            auto advance = [&](CharacterAt at) {
                return std::int64_t{CCalligraphyFont::GetInstance()
                                        .GetReferenceAbc(words[at.word].m_characters[at.index].GetGlyph())
                                        .Advance()};
            };
            // Before a letter whose join moves it, the caret moves with it.
            const std::int64_t joined =
                remaining < count ? CWordJoins(words[i], GetGlyphMetrics())[static_cast<std::size_t>(remaining)].dx : 0;
            const std::int64_t x =
                PlaceCaret(words, static_cast<std::size_t>(m_nCaret), natural, pen, advance) + joined;
            const std::int32_t zoom = GetZoom();
            return {ScaleSaturated(ScaleSaturated(-x, m_nSize, 2160), zoom, 100), 0};
        }
        remaining -= count;
    }
    return {0, 0};
}

void CDrawText::SetCaretAfterWord(std::uint32_t n) {
    const auto& words = m_paragraph.m_words;
    const std::size_t end =
        n == 0xFFFFFFFFu ? words.size() : std::min<std::size_t>(std::size_t{n} + 1, words.size());
    std::int64_t count = 0;
    for (std::size_t i = 0; i < end; ++i) count += static_cast<std::int64_t>(words[i].m_characters.size());
    if (end > 0 && !words[end - 1].m_characters.empty() && words[end - 1].m_characters.back().m_code == u' ') --count;
    m_paragraph.SetCaret(m_nCaret, Clamp32(count), false);
}

void CDrawText::CheckWord(std::size_t word) const {
    if (word >= m_paragraph.m_words.size()) throw InvalidArgumentException("no such word");
}

CDrawText* CDrawText::ExtractWords(const CTextComponentSelection& selection) const {
    const std::size_t first = std::min(selection.m_firstWord, selection.m_lastWord);
    const std::size_t last = std::max(selection.m_firstWord, selection.m_lastWord);
    CheckWord(first);
    CheckWord(last);
    auto* text = new CDrawText(BuildZoomedPosition(), m_nPage, m_pDocument);
    CopyStyleTo(*text);
    std::vector<CCalligraphyWord> words(m_paragraph.m_words.begin() + static_cast<std::ptrdiff_t>(first),
                                        m_paragraph.m_words.begin() + static_cast<std::ptrdiff_t>(last) + 1);
    const std::int32_t x0 = words.front().m_x;
    for (CCalligraphyWord& w : words)
        w.m_x = Clamp32(std::int64_t{w.m_x} - x0);
    text->m_paragraph.m_words = std::move(words);
    text->m_nSize = m_nSize;
    text->m_color = m_color;
    text->m_position = m_position;
    text->m_frame = m_frame;
    text->m_nBaselineOffset = m_nBaselineOffset;
    text->m_nCaret = 0;
    return text;
}

Point CDrawText::OffsetToGlyphUnits(Point offset, std::int32_t yDenominator) const {
    Point d = offset;
    if (m_position.m_nAngle != 0) RotatePoint(GetTrigTable(), d, NormalizeAngle(-std::int64_t{m_position.m_nAngle}), {0, 0});
    const std::int32_t zs = std::max(1, ScaleSaturated(m_nSize, GetZoom(), 100));
    return {ScaleSaturated(d.x, 2160, zs), ScaleSaturated(d.y, yDenominator, zs)};
}

void CDrawText::MoveVowelPointBy(CTextComponentSelection& selection, Point offset) {
    if (selection.m_point == CTextComponentSelection::kNone) return;
    if (selection.m_point >= m_paragraph.m_points.size()) {
        selection = CTextComponentSelection{};
        return;
    }
    const Point d = OffsetToGlyphUnits(offset, 2160);
    if (m_pDocument) m_pDocument->RecordModify(this);
    CCalligraphyPoint& p = m_paragraph.m_points[selection.m_point];
    p.m_x = Clamp32(std::int64_t{p.m_x} + d.x);
    p.m_y = Clamp32(std::int64_t{p.m_y} + d.y);
    if (m_pDocument) m_pDocument->SetModifiedFlag();
}

void CDrawText::MoveMarkOrWordsBy(CTextComponentSelection& selection, Point offset) {
    if (!IsValidSelection(selection) || selection.m_firstWord == CTextComponentSelection::kNone) {
        // Only a word range or a mark moves here; anything else that names
        // nothing inside the text is dropped.
        if (!IsValidSelection(selection)) selection = CTextComponentSelection{};
        return;
    }
    if (selection.IsMark()) {
        const auto& word = m_paragraph.m_words[selection.m_firstWord];
        if (selection.m_letter >= word.m_characters.size()) {
            selection = CTextComponentSelection{};
            return;
        }
        const Point d = OffsetToGlyphUnits(offset, 2160);
        if (m_pDocument) m_pDocument->RecordModify(this);
        CCalligraphyCharacter& c = m_paragraph.m_words[selection.m_firstWord].m_characters[selection.m_letter];
        c.m_markDx = Clamp32(std::int64_t{c.m_markDx} + d.x);
        c.m_markDy = Clamp32(std::int64_t{c.m_markDy} + d.y);
    } else {
        const Point d = OffsetToGlyphUnits(offset, 750);
        if (m_pDocument) m_pDocument->RecordModify(this);
        const std::size_t first = std::min(selection.m_firstWord, selection.m_lastWord);
        const std::size_t last = std::max(selection.m_firstWord, selection.m_lastWord);
        // A number read left to right moves its digits the way the mouse goes.
        const std::vector<std::int64_t> shifts = GetWordShifts(m_paragraph.m_words, first, last, -std::int64_t{d.x});
        for (std::size_t i = 0; i < shifts.size(); ++i) {
            if (shifts[i] == 0 && (i < first || i > last)) continue;
            CCalligraphyWord& w = m_paragraph.m_words[i];
            w.m_x = Clamp32(std::int64_t{w.m_x} + shifts[i]);
            if (i >= first && i <= last)
                w.m_y = Clamp32(std::int64_t{w.m_y} - d.y);
        }
    }
    if (m_pDocument) m_pDocument->SetModifiedFlag();
}

bool CDrawText::IsValidSelection(const CTextComponentSelection& selection) const {
    const std::size_t words = m_paragraph.m_words.size();
    if (selection.m_firstWord != CTextComponentSelection::kNone || selection.m_lastWord != CTextComponentSelection::kNone)
        return selection.m_firstWord < words && selection.m_lastWord < words;
    return selection.m_point != CTextComponentSelection::kNone && selection.m_point < m_paragraph.m_points.size();
}

void CDrawText::LoadVersion1Text(const CLegacyTextBlock& block, double factor, std::int32_t angleTenths) {
    const double scaled = static_cast<double>(block.scale) * factor;
    const double truncated = std::trunc(std::isfinite(scaled) ? std::clamp(scaled, -1e12, 1e12) : 0.0);
    // The marks scale with the size; the size was truncated, so the marks
    // are corrected by what the truncation took away (1 when nothing is left).
    const double ratio = truncated != 0 && std::isfinite(scaled) ? scaled / truncated : 1.0;
    // The text first: a damaged block raises before anything of this object changes.
    CCalligraphyParagraph loaded;
    loaded.SetContext(m_paragraph.GetContext());
    loaded.LoadLegacyText(block, ratio);

    m_nSize = ClampSize(static_cast<std::int64_t>(truncated));
    const std::int32_t zoom = GetZoom();
    const std::int32_t ascent =
        ScaleSaturated(ScaleSaturated(CCalligraphyFont::GetInstance().GetAscent(), m_nSize, 2160), zoom, 100);
    CPolygonRect pr;
    pr.m_rect.left = SaturateToInt32(std::trunc(static_cast<double>(block.xOrigin) * factor));
    pr.m_rect.top =
        Clamp32(-(std::int64_t{SaturateToInt32(std::trunc(static_cast<double>(block.yOrigin) * factor))} + ascent));
    pr.SetAngle(0);
    SetPosition(pr, false);
    if (angleTenths != 0) {
        const double degrees = -static_cast<double>(angleTenths) / 10.0;
        double whole = std::floor(degrees);
        if (degrees - whole > 0.5) whole += 1;
        const Point pivot = GetBaselinePoint();
        m_position.SetAngle(NormalizeAngle(static_cast<std::int64_t>(whole)), &pivot);
    }
    m_paragraph = std::move(loaded);
    m_nCaret = 0;
    UpdateFrame();
}

}  // namespace kavitro
