#include "view/ViewCommands.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include <QtCore/QString>

#include "document/ApplicationProperties.h"
#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "platform/Exceptions.h"
#include "view/AlternativesPopup.h"
#include "view/CommandIds.h"
#include "view/CommandRegistry.h"
#include "view/DrawTool.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

using Id = std::uint32_t;
namespace C = ViewCommand;

// --- Shapes of the drawing tools --------------------------------------------------------------
constexpr std::int32_t kShapeSelect = 0;
constexpr std::int32_t kShapeTextComponents = 1;
constexpr std::int32_t kShapeZoomIn = 6;
constexpr std::int32_t kShapeZoomOut = 7;
constexpr std::int32_t kShapeHand = 8;
constexpr std::int32_t kShapePicture = 9;

std::int32_t& Shape() { return CDrawTool::CurrentShape(); }

CommandUpdate Enabled(bool enabled) { return {enabled, false}; }
CommandUpdate Radio(bool checked) { return {true, checked}; }

bool OneText(const CKavitroView& view) { return view.GetSelection().GetEditedText() != nullptr; }

bool AnyTextSelected(const CKavitroView& view) {
    const std::vector<CDrawObj*>& objects = view.GetSelection().GetObjects();
    return std::any_of(objects.begin(), objects.end(),
                       [](const CDrawObj* o) { return dynamic_cast<const CDrawText*>(o) != nullptr; });
}

bool ShiftDown() {
    const ViewCommandHooks& hooks = GetViewCommandHooks();
    return hooks.shiftDown && hooks.shiftDown();
}

CApplicationProperties& Settings(const CKavitroView& view) {
    CApplicationProperties* settings = view.GetDocument().GetServices().settings;
    if (!settings)
        throw InvalidArgumentException("no application settings");
    return *settings;
}

// The text of a ribbon combo, or none when it is empty or not a number
// (a typing slip in the combo must not zoom or resize anything).
std::optional<double> ComboNumber(Id comboId) {
    const ViewCommandHooks& hooks = GetViewCommandHooks();
    if (!hooks.comboText)
        return std::nullopt;
    bool ok = false;
    const double v = QString::fromStdU16String(hooks.comboText(comboId)).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::int32_t ToInt32(double v) {
    return static_cast<std::int32_t>(std::clamp(v, double{std::numeric_limits<std::int32_t>::min()},
                                                double{std::numeric_limits<std::int32_t>::max()}));
}

// The current page as a signed index: -1 while every page is shown.
std::int64_t SignedPage(const CKavitroView& view) {
    const std::uint32_t page = view.GetCurrentPage();
    return page == kAllPages ? -1 : std::int64_t{page};
}

void PostShowPage(CKavitroView& view, std::int64_t page) {
    view.GetHost().Post(PostTarget::ParentFrame, NotifyMessage::ShowPage, static_cast<WParam>(page),
                        view.GetDocument().GetPageCount());
}

void PostSelectionChanged(CKavitroView& view) {
    view.GetHost().Post(PostTarget::MainFrame, NotifyMessage::SelectionChanged);
}

CDrawTool* CurrentTool() { return CDrawTool::CurrentTool(); }

// --- Tool commands ------------------------------------------------------------------------------------

void AddShapeCommand(CCommandRegistry& r, Id id, std::int32_t shape) {
    r.Add(
        id, [shape](CKavitroView&, Id) { Shape() = shape; },
        [shape](CKavitroView&, Id) { return Radio(Shape() == shape); });
}

void OnSelectTool(CKavitroView& view, Id) {
    Shape() = kShapeSelect;
    CSelectedObjects& selection = view.GetSelection();
    if (selection.HasComponent()) {
        selection.ClearComponent();
        selection.Invalidate(view, true);
    }
}

CommandUpdate OnUpdateSelectTool(CKavitroView& view, Id) {
    // The text-component tool works on one object only: once the selection
    // is no longer one object, the select tool takes over.
    if (view.GetSelection().GetCount() != 1 && Shape() == kShapeTextComponents)
        Shape() = kShapeSelect;
    return Radio(Shape() == kShapeSelect);
}

void OnZoomTool(CKavitroView& view, std::int32_t shape) {
    // Choosing a zoom tool while one is in hand keeps the tool to go back
    // to: were it the zoom tool itself, every later click would zoom.
    if (Shape() != kShapeZoomIn && Shape() != kShapeZoomOut)
        CDrawTool::ShapeBeforeZoom() = Shape();
    Shape() = shape;
    view.m_nFitMode = 0;
}

CommandUpdate OnUpdateHand(CKavitroView& view, Id) {
    const Size limit = view.GetScrollInfo().limit;
    if (limit.cx <= 0 && limit.cy <= 0)
        return {};
    return Radio(Shape() == kShapeHand);
}

void OnInsertPicture(CKavitroView& view, Id) {
    CKavitroDoc& doc = view.GetDocument();
    // Making the object marks the document; a picture that never arrives must
    // leave it exactly as it was, modified state included.
    const bool wasModified = doc.IsModified();
    // The current page, or every page (all ones) while all are shown.
    auto picture = std::make_unique<CDrawPicture>(CPolygonRect(), view.GetCurrentPage(), &doc);
    if (!picture->EnsureContent()) {
        picture.reset();
        doc.SetModifiedFlag(wasModified);
        return;  // cancelled or unreadable: the picture said so
    }
    CDrawPicture* placed = picture.release();
    doc.Add(placed, true);
    view.OnUpdate(CKavitroView::kHintSelection, nullptr);
    CSelectedObjects& selection = view.GetSelection();
    selection.ClearComponent();
    selection.RemoveAll();
    PostSelectionChanged(view);
    selection.Add(*placed);
    PostSelectionChanged(view);
    Shape() = kShapePicture;
}

std::int32_t GalleryItem(Id galleryId) {
    const ViewCommandHooks& hooks = GetViewCommandHooks();
    const std::optional<std::int32_t> item = hooks.gallerySelection ? hooks.gallerySelection(galleryId) : std::nullopt;
    return item.value_or(0);
}

void SetGalleryImage(Id galleryId, std::int32_t image) {
    if (const ViewCommandHooks& hooks = GetViewCommandHooks(); hooks.setGalleryImage)
        hooks.setGalleryImage(galleryId, image);
}

void OnTextModificationGallery(CKavitroView&, Id id) {
    const std::int32_t item = GalleryItem(id);
    Shape() = TextModificationShape(item);
    SetGalleryImage(id, item + 20);
}

void OnVowelGallery(CKavitroView&, Id id) {
    const std::int32_t item = GalleryItem(id);
    Shape() = VowelShape(item);
    SetGalleryImage(id, item);
}

// --- Display and zoom -----------------------------------------------------------------------------------

void AddSettingToggle(CCommandRegistry& r, Id id, CApplicationProperties::Setting setting) {
    r.Add(
        id,
        [setting](CKavitroView& view, Id) {
            std::int32_t& value = Settings(view)[setting];
            value = value ? 0 : 1;
            view.GetHost().InvalidateAll();
        },
        [setting](CKavitroView& view, Id) { return Radio(Settings(view)[setting] != 0); });
}

void AddDrawingMode(CCommandRegistry& r, Id id, std::uint16_t mode) {
    r.Add(
        id,
        [mode](CKavitroView& view, Id) {
            CKavitroDoc& doc = view.GetDocument();
            if (doc.GetDrawingMode() == mode)
                return;
            doc.SetDrawingMode(mode);
            view.GetHost().InvalidateAll();
            doc.UpdateAllViews(&view, kHintNone, nullptr);
        },
        [mode](CKavitroView& view, Id) { return Radio(view.GetDocument().GetDrawingMode() == mode); });
}

void OnZoomCombo(CKavitroView& view, Id id) {
    const std::optional<double> zoom = ComboNumber(id);
    if (!zoom)
        return;
    view.SetZoom(CKavitroDoc::ClampZoom(static_cast<std::int64_t>(ToInt32(*zoom))), view.GetPointOfInterest());
}

// --- Pages ---------------------------------------------------------------------------------------------------

void OnNextPage(CKavitroView& view, Id) {
    CKavitroDoc& doc = view.GetDocument();
    const std::int64_t page = SignedPage(view);
    if (page == std::int64_t{doc.GetPageCount()} - 1)
        doc.AddPage(doc.GetServices().ActiveDocumentFrame());
    // A document that can hold no more pages stays on its last one.
    if (page + 1 < std::int64_t{doc.GetPageCount()})
        PostShowPage(view, page + 1);
}

CommandUpdate OnUpdateNextPage(CKavitroView& view, Id) {
    const std::int64_t page = SignedPage(view);
    if (const ViewCommandHooks& hooks = GetViewCommandHooks(); hooks.setLastPageFlag)
        hooks.setLastPageFlag(page == -1 || page == std::int64_t{view.GetDocument().GetPageCount()} - 1);
    return Enabled(true);
}

void OnPreviousPage(CKavitroView& view, Id) { PostShowPage(view, std::max<std::int64_t>(SignedPage(view) - 1, 0)); }

void OnPageCombo(CKavitroView& view, Id) {
    const ViewCommandHooks& hooks = GetViewCommandHooks();
    const std::optional<std::int32_t> index = hooks.pageComboSelection ? hooks.pageComboSelection() : std::nullopt;
    // An index the document does not have would show a page that is not there.
    if (!index || *index < 0 || static_cast<std::uint32_t>(*index) >= view.GetDocument().GetPageCount())
        return;
    PostShowPage(view, *index);
}

// --- Text ----------------------------------------------------------------------------------------------------

void OnRotateText(CKavitroView& view, std::int32_t angle) {
    if (CDrawTool* tool = CurrentTool())
        tool->RotateSelection(view, angle, false);
    PostSelectionChanged(view);
}

void OnTextSizeCombo(CKavitroView& view, Id id) {
    const std::optional<double> size = ComboNumber(id);
    if (!size)
        return;
    view.GetHost().Post(PostTarget::Self, NotifyMessage::TextSizeChanged,
                        static_cast<WParam>(ToInt32(std::max(*size, 1.0) * 20)));
}

void OnTextAngleCombo(CKavitroView& view, Id id) {
    const std::optional<double> angle = ComboNumber(id);
    if (!angle)
        return;
    view.GetHost().Post(PostTarget::Self, NotifyMessage::TextAngleChanged,
                        static_cast<WParam>(static_cast<std::int64_t>(ToInt32(std::trunc(*angle)))));
}

void OnRibbonTextColor(CKavitroView& view, Id) {
    const ViewCommandHooks& hooks = GetViewCommandHooks();
    if (!hooks.ribbonTextColor)
        return;
    if (CDrawTool* tool = CurrentTool())
        tool->SetTextColor(view, hooks.ribbonTextColor());
}

// --- Objects ----------------------------------------------------------------------------------------------

void OnObjectColor(CKavitroView& view, Id id) {
    const ViewCommandHooks& hooks = GetViewCommandHooks();
    const std::optional<COLORREF> colour = hooks.chooseColor ? hooks.chooseColor() : std::nullopt;
    if (!colour)
        return;
    CKavitroDoc& doc = view.GetDocument();
    for (CDrawObj* o : view.GetSelection().GetObjects()) {
        if (id == C::LineColor)
            o->m_logpen.color = *colour;
        else
            o->m_logbrush.color = *colour;
        doc.UpdateAllViews(nullptr, kHintObject, o);
    }
    doc.SetModifiedFlag();
}

void OnChangeZOrder(CKavitroView& view, std::uint32_t mode) {
    CKavitroDoc& doc = view.GetDocument();
    const std::vector<CDrawObj*> objects = view.GetSelection().GetObjects();
    // Checked before the first move, so that a bad selection moves nothing.
    for (const CDrawObj* o : objects)
        if (!doc.m_objects.Contains(o))
            throw InvalidArgumentException("the selected object is not in the document");
    for (CDrawObj* o : objects)
        doc.ChangeZOrder(o, mode);
    view.GetSelection().Invalidate(view, false);
}

CommandUpdate OneSelected(CKavitroView& view, Id) { return Enabled(view.GetSelection().GetCount() == 1); }

void OnDuplicate(CKavitroView& view, Id) {
    CKavitroDoc& doc = view.GetDocument();
    const std::vector<CDrawObj*> objects = view.GetSelection().GetObjects();
    // Adding a clone purges empty objects, which may take a later one of
    // the list with it: only objects the document still holds are cloned.
    for (CDrawObj* o : objects)
        if (doc.m_objects.Contains(o))
            o->Clone(&doc);
}

void OnObjectProperties(CKavitroView& view, Id) {
    if (view.GetSelection().GetCount() != 1 || Shape() != kShapeSelect)
        return;
    if (CDrawTool* select = CDrawTool::FindTool(kShapeSelect))
        select->OnEditProperties(view);
}

}  // namespace

ViewCommandHooks& GetViewCommandHooks() {
    static ViewCommandHooks hooks;
    return hooks;
}

std::int32_t TextModificationShape(std::int32_t item) {
    switch (item) {
    case 1: return 13;   // paired form
    case 2: return 12;   // glyph variant
    default: return 11;  // alternate form
    }
}

std::int32_t VowelShape(std::int32_t item) {
    static constexpr std::array<std::int32_t, 20> kShapes = {14, 15, 16, 17, 19, 18, 20, 21, 22, 23,
                                                             24, 25, 26, 32, 27, 28, 29, 30, 31, 33};
    if (item < 0 || static_cast<std::size_t>(item) >= kShapes.size())
        return kShapes.front();
    return kShapes[static_cast<std::size_t>(item)];
}

bool CurrentPageHasText(const CKavitroView& view) {
    const std::uint32_t page = view.GetCurrentPage();
    for (const CDrawObj* o : view.GetDocument().m_objects.m_objects)
        if ((IsOnEveryPage(o->m_nPage) || o->m_nPage == page) && dynamic_cast<const CDrawText*>(o))
            return true;
    return false;
}

void RegisterViewCommands(CCommandRegistry& r) {
    const auto oneText = [](CKavitroView& view, Id) { return Enabled(OneText(view)); };
    const auto anyText = [](CKavitroView& view, Id) { return Enabled(AnyTextSelected(view)); };

    // Tools.
    r.Add(C::Select, OnSelectTool, OnUpdateSelectTool);
    r.Add(
        C::SelectTextComponents, [](CKavitroView&, Id) { Shape() = kShapeTextComponents; },
        [](CKavitroView& view, Id) {
            return OneText(view) ? Radio(Shape() == kShapeTextComponents) : CommandUpdate{};
        });
    AddShapeCommand(r, C::DrawLine, 2);
    AddShapeCommand(r, C::DrawRectangle, 3);
    AddShapeCommand(r, C::DrawRoundRectangle, 4);
    AddShapeCommand(r, C::DrawEllipse, 5);
    AddShapeCommand(r, C::DrawText, 10);
    r.Add(
        C::ZoomIn, [](CKavitroView& view, Id) { OnZoomTool(view, kShapeZoomIn); },
        [](CKavitroView&, Id) { return Radio(Shape() == kShapeZoomIn); });
    r.Add(
        C::ZoomOut, [](CKavitroView& view, Id) { OnZoomTool(view, kShapeZoomOut); },
        [](CKavitroView&, Id) { return Radio(Shape() == kShapeZoomOut); });
    r.Add(
        C::Hand, [](CKavitroView&, Id) { Shape() = kShapeHand; }, OnUpdateHand);
    r.Add(C::InsertPicture, OnInsertPicture, [](CKavitroView&, Id) { return Radio(Shape() == kShapePicture); });
    r.Add(C::TextModificationGallery, OnTextModificationGallery, oneText);
    r.Add(C::VowelGallery, OnVowelGallery, oneText);

    // Display and zoom.
    AddSettingToggle(r, C::ShowGrid, CApplicationProperties::ShowGrid);
    AddSettingToggle(r, C::ShowGuides, CApplicationProperties::ShowGuide);
    AddDrawingMode(r, C::DrawingMode0, 0);
    AddDrawingMode(r, C::DrawingMode1, 1);
    AddDrawingMode(r, C::DrawingMode2, 2);
    r.Add(
        C::ZoomFitPage, [](CKavitroView& view, Id) { view.OnZoomFitPage(); },
        [](CKavitroView& view, Id) { return Radio(view.m_nFitMode == 1); });
    r.Add(
        C::ZoomFitWidth, [](CKavitroView& view, Id) { view.OnZoomFitWidth(); },
        [](CKavitroView& view, Id) { return Radio(view.m_nFitMode == 2); });
    r.Add(C::ZoomCombo, OnZoomCombo);

    // Pages.
    r.Add(C::NextPage, OnNextPage, OnUpdateNextPage);
    r.Add(C::PreviousPage, OnPreviousPage, [](CKavitroView& view, Id) { return Enabled(SignedPage(view) > 0); });
    r.Add(C::PageCombo, OnPageCombo,
          [](CKavitroView& view, Id) { return Enabled(view.GetDocument().GetPageCount() > 1); });

    // Text.
    r.Add(
        C::RotateTextBack, [](CKavitroView& view, Id) { OnRotateText(view, -10); }, anyText);
    r.Add(
        C::RotateTextForward, [](CKavitroView& view, Id) { OnRotateText(view, 10); }, anyText);
    r.Add(
        C::AlignBaselines,
        [](CKavitroView& view, Id) {
            if (CDrawTool* tool = CurrentTool())
                tool->AlignTextBaselines(view, ShiftDown() ? 0 : 1);
        },
        anyText);
    r.Add(
        C::AdjustSpacing,
        [](CKavitroView& view, Id) {
            if (CDrawTool* tool = CurrentTool())
                tool->AdjustTextSpacing(view, ShiftDown() ? 0 : 1);
        },
        anyText);
    r.Add(
        C::SmartSpacing,
        [](CKavitroView& view, Id) {
            if (CDrawTool* tool = CurrentTool())
                tool->AdjustTextSpacing(view, ShiftDown() ? 3 : 2);
        },
        anyText);
    r.Add(
        C::Alternatives,
        [](CKavitroView& view, Id) { CAlternativesPopup::Instance().Show(view, CDrawTool::LastPoint()); }, oneText);
    r.AddRange(C::FirstAlternative, C::LastAlternative, [](CKavitroView& view, Id id) {
        CAlternativesPopup::Instance().Choose(view, id - C::FirstAlternative);
    });
    r.Add(C::TextSizeCombo, OnTextSizeCombo);
    r.Add(C::TextAngleCombo, OnTextAngleCombo);
    r.Add(C::TextColor, OnRibbonTextColor);

    // Objects.
    r.Add(C::LineColor, OnObjectColor);
    r.Add(C::FillColor, OnObjectColor);
    r.Add(
        C::BringToFront, [](CKavitroView& view, Id) { OnChangeZOrder(view, 3); }, OneSelected);
    r.Add(
        C::SendToBack, [](CKavitroView& view, Id) { OnChangeZOrder(view, 2); }, OneSelected);
    r.Add(
        C::BringForward, [](CKavitroView& view, Id) { OnChangeZOrder(view, 1); }, OneSelected);
    r.Add(
        C::SendBackward, [](CKavitroView& view, Id) { OnChangeZOrder(view, 0); }, OneSelected);
    r.Add(C::Duplicate, OnDuplicate);
    r.Add(C::ObjectProperties, OnObjectProperties, [](CKavitroView& view, Id) {
        return Enabled(view.GetSelection().GetCount() == 1 && Shape() == kShapeSelect);
    });
    r.Add(C::NoAction, [](CKavitroView&, Id) {});
}

}  // namespace kavitro
