#include "document/DocumentServices.h"

#include <algorithm>

#include "document/DrawObj.h"

namespace kavitro {

void DefaultDocumentView::OnUpdate(std::intptr_t, CDrawObj*) { ++m_updates; }
void DefaultDocumentView::InvalidateObject(const CDrawObj&) { ++m_invalidations; }
void DefaultDocumentView::DrawDragOutline(const Rect& zoomedBounds) { m_outlines.push_back(zoomedBounds); }

bool DefaultDocumentView::RemoveFromSelection(const CDrawObj& object) {
    const auto it = std::find(m_selection.begin(), m_selection.end(), &object);
    if (it == m_selection.end()) return false;
    m_selection.erase(it);
    return true;
}

void DefaultDocumentView::ClearSelection() { m_selection.clear(); }

void DefaultDocumentView::AddToSelection(CDrawObj& object) {
    if (!IsSelected(object)) m_selection.push_back(&object);
}

bool DefaultDocumentView::IsSelected(const CDrawObj& object) const {
    return std::find(m_selection.begin(), m_selection.end(), &object) != m_selection.end();
}

Rect DefaultDocumentView::GetHandleRect(const CDrawObj& object, int handle) const {
    // A square of 100 zoomed units centred on the handle point.
    const Point p = object.GetHandle(handle);
    return Rect(p.x - 50, p.y + 50, p.x + 50, p.y - 50);
}

namespace {

class FirstButtonReport final : public ErrorReport {
protected:
    DialogResult Show(const ErrorMessage& message) override { return ButtonsOf(message.buttons).front(); }
};

}  // namespace

DocumentServices DocumentServices::Defaults() {
    static DroppingNotifier notifier;
    static FirstButtonReport errors;
    static CApplicationProperties settings;
    static MemoryProfileStore profile;
    static NoPrinter printer;
    static NoPropertySheets sheets;
    static NoFileDialogs dialogs;
    static const EmptyStringTable strings;
    static const IdentityCharacterTranslator translator;
    DocumentServices s;
    s.notifier = &notifier;
    s.errors = &errors;
    s.settings = &settings;
    s.profile = &profile;
    s.printer = &printer;
    s.propertySheets = &sheets;
    s.fileDialogs = &dialogs;
    s.strings = &strings;
    s.translator = &translator;
    return s;
}

DocumentServices& DocumentServices::Current() {
    static DocumentServices current = Defaults();
    return current;
}

}  // namespace kavitro
