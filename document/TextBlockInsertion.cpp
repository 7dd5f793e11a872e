// Pouring a block of UTF-16 text into text objects: the paste of Unicode
// text, the import wizard's text and the first space of a new document all
// come this way.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <unordered_set>
#include <vector>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "engine/CalligraphyFont.h"
#include "platform/Saturating.h"

namespace kavitro {

namespace {

// A zoomed coordinate saturated where the document can still take it back
// to 100 % and zoom it again without leaving 32 bits.
std::int32_t ClampZoomable(std::int64_t v, std::int32_t zoom) {
    return Clamp32(std::clamp<std::int64_t>(v, std::int64_t{std::numeric_limits<std::int32_t>::min()} + zoom,
                                                 std::int64_t{std::numeric_limits<std::int32_t>::max()} - zoom));
}

// The objects an insertion filled, watched as a view of the document: an
// object the document purges or removes meanwhile leaves the list at once,
// so the list never names a deleted object.
class FilledObjects final : public DocumentViewObserver {
public:
    explicit FilledObjects(CKavitroDoc& document) : m_document(document) { m_document.AddView(this); }
    ~FilledObjects() override { m_document.RemoveView(this); }
    FilledObjects(const FilledObjects&) = delete;
    FilledObjects& operator=(const FilledObjects&) = delete;

    void Append(CDrawObj* object) {
        if (std::find(m_objects.begin(), m_objects.end(), object) == m_objects.end())
            m_objects.push_back(object);
    }
    const std::vector<CDrawObj*>& Objects() const { return m_objects; }

    bool RemoveFromSelection(const CDrawObj& object) override {
        std::erase(m_objects, &object);
        return false;  // not a selection: nothing for the ribbon to show
    }
    // The rest of a view's duties do not apply to a list.
    void OnUpdate(std::intptr_t, CDrawObj*) override {}
    void InvalidateObject(const CDrawObj&) override {}
    void DrawDragOutline(const Rect&) override {}
    void ClearSelection() override {}
    void AddToSelection(CDrawObj&) override {}
    bool IsSelected(const CDrawObj&) const override { return false; }
    bool IsDrawingSelectedOnly() const override { return false; }
    Rect GetHandleRect(const CDrawObj&, int) const override { return {}; }
    std::uint32_t GetCurrentPage() const override { return 0; }
    void UpdateScrollSizes() override {}

private:
    CKavitroDoc& m_document;
    std::vector<CDrawObj*> m_objects;
};

}  // namespace

void CKavitroDoc::MatchTextScale(CDrawText& target, const CDrawText& source) {
    target.m_nSize = source.m_nSize;
    target.m_color = source.m_color;
    const Point pivot = target.GetBaselinePoint();
    target.m_position.SetAngle(source.m_position.m_nAngle, &pivot);
}

void CKavitroDoc::InsertText(DocumentViewObserver* view, CDrawText* text, const char16_t* units, std::size_t count,
                             bool purge) {
    if (!text || (!units && count > 0))
        return;
    const CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    const std::int32_t zoom = GetZoom();

    // Where the lines go, in zoomed units: the text's baseline point, one
    // line step (13/10 of the text size) per line, the tab shift.
    const Point baseline = text->GetZoomedBaselinePoint();
    const std::int64_t lineSize = ScaleSaturated(ScaleSaturated(text->m_nSize, zoom, 100), 13, 10);
    const std::int64_t lineStep = ScaleSaturated(fonts.GetLineHeight(), lineSize, 2160);
    const std::int64_t ascentStep = ScaleSaturated(fonts.GetAscent(), lineSize, 2160);
    const CApplicationProperties* settings = m_services.settings;
    const std::int64_t tabSize = settings ? (*settings)[CApplicationProperties::TabSize] : 6;
    const CharacterTranslator* translator = m_services.translator;
    const IdentityCharacterTranslator identity;
    if (!translator)
        translator = &identity;

    if (view)
        view->ClearSelection();
    PostToMainFrame(NotifyMessage::SelectionChanged);
    RecordModify(text);

    FilledObjects filled(*this);
    CDrawText* current = text;
    std::int64_t y = std::int64_t{baseline.y} - ascentStep;
    std::int64_t tabs = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t c = units[i];
        if (c == 0 || c == 9 || c == 10 || c == 13) {
            current->RecalcLayout(view, false);
            filled.Append(current);
            PostToMainFrame(NotifyMessage::SelectionChanged);
            if (c == 0)
                break;
            // A line ends in CR LF, CR or a bare LF (the usual ending of text
            // files and of the clipboard here): each ending goes one line
            // lower, and the LF of a CR LF pair only opens the line's object
            // in place, so that no two lines share a baseline.
            const bool lineFeedOfPair = c == 10 && i > 0 && units[i - 1] == 13;
            if (c == 13 || (c == 10 && !lineFeedOfPair)) {
                y = SaturatingSub(y, lineStep);
                tabs = 0;
            } else if (c == 9) {
                ++tabs;
            }
            // Tab positions are taken in 64 bits and saturate rather than
            // wrap round to the other side of the page.
            const std::int64_t x = SaturatingSub(baseline.x, SaturatingMul(SaturatingMul(tabs, lineStep), tabSize));
            CPolygonRect at;
            at.m_rect = Rect(ClampZoomable(x, zoom), ClampZoomable(y, zoom), 0, 0);
            at.SetAngle(0);
            auto next = std::make_unique<CDrawText>(at, current->m_nPage & kPageIndexMask, this);
            MatchTextScale(*next, *current);
            // Adding purges empty objects, perhaps `current` among them.
            Add(next.get(), false);
            current = next.release();
        }
        const std::uint16_t code = translator->TranslateChar(c);
        if (code < CharacterTranslator::kRefused)
            current->m_paragraph.InsertCharacter(current->m_nCaret, code);
    }

    if (purge)
        m_objects.PurgeEmptyObjects();
    if (view) {
        // Looked up once: a block of thousands of lines fills as many objects.
        const std::unordered_set<const CDrawObj*> present(m_objects.m_objects.begin(), m_objects.m_objects.end());
        for (CDrawObj* o : filled.Objects()) {
            if (!present.contains(o) || view->IsSelected(*o))
                continue;
            view->AddToSelection(*o);
            PostToMainFrame(NotifyMessage::SelectionChanged);
        }
    }
    UpdateAllViews(nullptr);
    ++CObjectsBuffer::GetActionIdCounter();
}

}  // namespace kavitro
