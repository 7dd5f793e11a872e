#include "view/EditCommands.h"

#include <QtCore/QMimeData>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>

#include <memory>
#include <vector>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "platform/Exceptions.h"
#include "view/ClipboardCopy.h"
#include "view/ClipboardPaste.h"
#include "view/CommandRegistry.h"
#include "view/DrawTool.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

QClipboard& SystemClipboard() {
    if (!qGuiApp) throw NotSupportedException("no clipboard without a GUI application");
    return *QGuiApplication::clipboard();
}

const CApplicationProperties& SettingsOf(const CKavitroView& view) {
    static const CApplicationProperties defaults;
    const CApplicationProperties* s = view.GetDocument().GetServices().settings;
    return s ? *s : defaults;
}

void UndoRedo(CKavitroView& view, bool undo) {
    view.OnUpdate(CKavitroView::kHintSelection, nullptr);
    view.ClearSelection();
    view.ClearSelection();
    view.GetDocument().UndoRedo(undo, &view);
    view.GetDocument().UpdateAllViews(nullptr, kHintNone, nullptr);
}

bool IsWordRange(const CTextComponentSelection& c) {
    return c.m_firstWord != CTextComponentSelection::kNone && c.m_lastWord != CTextComponentSelection::kNone;
}

CommandUpdate Enabled(bool enabled) { return CommandUpdate{enabled, false}; }

bool CanCopy(const CKavitroView& view) {
    const CSelectedObjects& s = view.GetSelection();
    const CTextComponentSelection& c = s.m_component;
    const auto none = CTextComponentSelection::kNone;
    const bool allSet = c.m_firstWord != none && c.m_lastWord != none && c.m_letter != none &&
                        c.m_mark != CTextComponentSelection::kNoMark;
    return !s.IsEmpty() && c.m_point == none && !allSet;
}

void TextModification(CKavitroView& view, std::uint32_t code) {
    if (!view.IsActive()) return;
    if (CDrawTool* tool = CDrawTool::CurrentTool()) tool->OnChar(view, code, 1, 0);
}

}  // namespace

void OnEditSelectAll(CKavitroView& view) {
    CDrawTool::CurrentShape() = 0;
    view.OnUpdate(CKavitroView::kHintSelection, nullptr);
    for (CDrawObj* o : view.GetDocument().ObjectsOnPage(view.GetCurrentPage()))
        if (!view.IsSelected(*o)) view.Select(o, true, false);
    view.GetSelection().Invalidate(view, false);
}

void OnEditClear(CKavitroView& view) {
    CKavitroDoc& doc = view.GetDocument();
    CSelectedObjects& selection = view.GetSelection();
    view.OnUpdate(CKavitroView::kHintInvalidateSelection, nullptr);
    CDrawText* text = selection.GetEditedText();
    if (text && selection.HasComponent()) {
        doc.RecordModify(text);
        const std::int32_t word = text->m_paragraph.DeleteSelection(selection.m_component);
        if (selection.m_component.m_point == CTextComponentSelection::kNone)
            text->SetCaretAfterWord(static_cast<std::uint32_t>(word));
        ++CObjectsBuffer::GetActionIdCounter();
        selection.ClearComponent();
        text->RecalcLayout(&view, false);
        doc.SetModifiedFlag();
        return;
    }
    const std::vector<CDrawObj*> selected = selection.GetObjects();
    if (selected.empty()) return;
    // One command, one undo step: every removal shares the first one's id.
    const std::uint32_t step = CObjectsBuffer::GetActionIdCounter();
    for (CDrawObj* o : selected) {
        CObjectsBuffer::GetActionIdCounter() = step;
        doc.Remove(o, false);
    }
    view.Select(nullptr, false, false);
}

void OnEditUndo(CKavitroView& view) { UndoRedo(view, true); }
void OnEditRedo(CKavitroView& view) { UndoRedo(view, false); }

void OnEditCopy(CKavitroView& view) {
    CKavitroDoc& doc = view.GetDocument();
    const CSelectedObjects& selection = view.GetSelection();
    std::unique_ptr<QMimeData> data;
    {
        ScopedZoom zoom(doc, 100);
        std::unique_ptr<CDrawText> words;
        std::vector<CDrawObj*> objects = selection.GetObjects();
        if (CDrawText* text = selection.GetEditedText(); text && IsWordRange(selection.m_component)) {
            words.reset(text->ExtractWords(selection.m_component));
            words->RecalcLayout(nullptr, false);
            objects = {words.get()};
        }
        data = BuildClipboardData(doc, objects, ClipboardSettings::From(SettingsOf(view)));
    }
    SystemClipboard().setMimeData(data.release());
}

void OnEditCut(CKavitroView& view) {
    OnEditCopy(view);
    OnEditClear(view);
}

bool OnEditPaste(CKavitroView& view) {
    const QMimeData* data = SystemClipboard().mimeData();
    return data && PasteData(view, *data);
}

bool OffersPasteableData(const QMimeData* data) {
    if (!data) return false;
    if (data->hasFormat(mime::kKavitro) || data->hasText() || data->hasImage()) return true;
    for (const QString& format : data->formats())
        if (format.startsWith(u"image/")) return true;
    return false;
}

void RegisterEditCommands(CCommandRegistry& r) {
    using namespace edit_ids;
    auto hasSelection = [](CKavitroView& v, std::uint32_t) { return Enabled(!v.GetSelection().IsEmpty()); };
    auto canCopy = [](CKavitroView& v, std::uint32_t) { return Enabled(CanCopy(v)); };
    r.Add(kSelectAll, [](CKavitroView& v, std::uint32_t) { OnEditSelectAll(v); });
    r.Add(kClear, [](CKavitroView& v, std::uint32_t) { OnEditClear(v); }, hasSelection);
    r.Add(kCopy, [](CKavitroView& v, std::uint32_t) { OnEditCopy(v); }, canCopy);
    r.Add(kCut, [](CKavitroView& v, std::uint32_t) { OnEditCut(v); }, canCopy);
    r.Add(kPaste, [](CKavitroView& v, std::uint32_t) { OnEditPaste(v); },
          [](CKavitroView&, std::uint32_t) { return Enabled(qGuiApp && OffersPasteableData(QGuiApplication::clipboard()->mimeData())); });
    r.Add(kUndo, [](CKavitroView& v, std::uint32_t) { OnEditUndo(v); },
          [](CKavitroView& v, std::uint32_t) { return Enabled(!v.GetDocument().m_objects.m_undo.empty()); });
    r.Add(kRedo, [](CKavitroView& v, std::uint32_t) { OnEditRedo(v); },
          [](CKavitroView& v, std::uint32_t) { return Enabled(!v.GetDocument().m_objects.m_redo.empty()); });
    r.AddRange(kAlternateForm, kGlyphSwap, [](CKavitroView& v, std::uint32_t id) {
        TextModification(v, CDrawText::kFirstModifyCode + (id - kAlternateForm));
    });
}

}  // namespace kavitro
