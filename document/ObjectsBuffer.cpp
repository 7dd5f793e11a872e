#include "document/ObjectsBuffer.h"

#include <algorithm>
#include <iterator>

#include "document/DocumentServices.h"
#include "document/DrawObj.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"

namespace kavitro {

namespace {

using CAction = CObjectsBuffer::CAction;

CObjectsBuffer::ObjectList::iterator Find(CObjectsBuffer::ObjectList& list, const CDrawObj* object) {
    return std::find(list.begin(), list.end(), object);
}

// Puts an object directly above `below`: at the bottom when none is
// recorded, at the top when it is recorded but gone.
void InsertAbove(CObjectsBuffer::ObjectList& list, CDrawObj* object, CDrawObj* below, bool belowGone) {
    if (belowGone) {
        list.push_back(object);
        return;
    }
    if (!below) {
        list.push_front(object);
        return;
    }
    auto it = Find(list, below);
    if (it == list.end())
        list.push_back(object);
    else
        list.insert(std::next(it), object);
}

}  // namespace

std::uint32_t& CObjectsBuffer::GetActionIdCounter() {
    static std::uint32_t counter = 0;
    return counter;
}

CObjectsBuffer::~CObjectsBuffer() { Clear(); }

void CObjectsBuffer::Clear() {
    for (CDrawObj* obj : m_objects) delete obj;
    m_objects.clear();
    while (!m_undo.empty()) {
        std::unique_ptr<CAction> a = std::move(m_undo.back());
        m_undo.pop_back();
        DeleteAction(std::move(a), true);
    }
    ClearRedo();
}

void CObjectsBuffer::DeleteAction(std::unique_ptr<CAction> action, bool inUndoList) {
    // A removal waiting to be undone, or an add waiting to be redone, owns
    // its object; the pictures of a Dodavo change go with the action.
    if (inUndoList && action->m_nKind == CAction::RemoveObject) delete action->m_pObject;
    if (!inUndoList && action->m_nKind == CAction::AddObject) delete action->m_pObject;
    if (action->m_nKind == CAction::ChangeGuideLines)
        for (CDrawObj* guide : inUndoList ? action->m_guidesOut : action->m_guidesIn) delete guide;
}

void CObjectsBuffer::ClearRedo() {
    while (!m_redo.empty()) {
        std::unique_ptr<CAction> a = std::move(m_redo.back());
        m_redo.pop_back();
        const CDrawObj* freed = a->m_nKind == CAction::AddObject ? a->m_pObject : nullptr;
        DeleteAction(std::move(a), false);
        if (freed) ForgetNeighbour(freed);
    }
}

CAction& CObjectsBuffer::Record(std::unique_ptr<CAction> action) {
    ClearRedo();
    m_undo.push_back(std::move(action));
    return *m_undo.back();
}

bool CObjectsBuffer::IsObjectInCurrentAction(const CDrawObj* object) const {
    const std::uint32_t current = GetActionIdCounter();
    for (auto it = m_undo.rbegin(); it != m_undo.rend(); ++it) {
        if ((*it)->m_nGroup != current) continue;
        if ((*it)->m_pObject == object) return true;
    }
    return false;
}

bool CObjectsBuffer::Contains(const CDrawObj* object) const {
    return std::find(m_objects.begin(), m_objects.end(), object) != m_objects.end();
}

bool CObjectsBuffer::Unlink(CDrawObj* object, CDrawObj** below) {
    auto it = Find(m_objects, object);
    if (it == m_objects.end()) return false;
    if (below) *below = it == m_objects.begin() ? nullptr : *std::prev(it);
    m_objects.erase(it);
    return true;
}

void CObjectsBuffer::ForgetNeighbour(const CDrawObj* object) {
    for (ActionList* list : {&m_undo, &m_redo}) {
        for (auto& a : *list) {
            if (a->m_pBelow == object) {
                a->m_pBelow = nullptr;
                a->m_bBelowGone = true;
            }
        }
    }
}

void CObjectsBuffer::DropActionsNaming(const CDrawObj* object) {
    for (ActionList* list : {&m_undo, &m_redo}) {
        for (auto it = list->begin(); it != list->end();) {
            (*it)->m_guidesOut.remove(const_cast<CDrawObj*>(object));
            (*it)->m_guidesIn.remove(const_cast<CDrawObj*>(object));
            if ((*it)->m_pObject == object) {
                // The object itself is the caller's to delete.
                (*it)->m_pObject = nullptr;
                it = list->erase(it);
            } else {
                ++it;
            }
        }
    }
    ForgetNeighbour(object);
}

void CObjectsBuffer::PurgeEmptyObjects() {
    bool any = false;
    for (auto it = m_objects.begin(); it != m_objects.end();) {
        CDrawObj* obj = *it;
        if (!obj->IsEmpty()) {
            ++it;
            continue;
        }
        it = m_objects.erase(it);
        DropActionsNaming(obj);
        for (DocumentViewObserver* v : m_document.GetViews()) v->RemoveFromSelection(*obj);
        delete obj;
        any = true;
    }
    if (!any) return;
    for (DocumentViewObserver* v : m_document.GetViews()) v->ClearSelection();
    m_document.PostToMainFrame(NotifyMessage::SelectionChanged);
}

bool CObjectsBuffer::ApplyToList(ObjectList& list, CAction& a, bool undo, bool dryRun) {
    switch (a.m_nKind) {
        case CAction::AddObject:
        case CAction::RemoveObject: {
            const bool takeOut = (a.m_nKind == CAction::AddObject) == undo;
            auto it = Find(list, a.m_pObject);
            if (takeOut) {
                if (it == list.end()) return false;
                list.erase(it);
            } else {
                if (it != list.end()) return false;
                if (a.m_nKind == CAction::AddObject)
                    list.push_back(a.m_pObject);
                else
                    InsertAbove(list, a.m_pObject, a.m_pBelow, a.m_bBelowGone);
            }
            return true;
        }
        case CAction::ChangeZOrder: {
            auto it = Find(list, a.m_pObject);
            if (it == list.end()) return false;
            CDrawObj* below = it == list.begin() ? nullptr : *std::prev(it);
            list.erase(it);
            InsertAbove(list, a.m_pObject, a.m_pBelow, a.m_bBelowGone);
            if (!dryRun) {
                a.m_pBelow = below;
                a.m_bBelowGone = false;
            }
            return true;
        }
        case CAction::AddPage:
            return true;
        default:
            // Changes of an object need it in the document (guide lines live
            // in their own list and are checked by the caller).
            return true;
    }
}

bool CObjectsBuffer::UndoRedo(bool undo, DocumentViewObserver* selectionView) {
    ActionList& source = undo ? m_undo : m_redo;
    ActionList& destination = undo ? m_redo : m_undo;
    if (source.empty()) return false;
    const std::uint32_t group = source.back()->m_nGroup;

    // The group, in replay order (newest first for undo).
    std::vector<CAction*> actions;
    for (auto it = source.rbegin(); it != source.rend() && (*it)->m_nGroup == group; ++it) actions.push_back(it->get());
    if (!undo) std::reverse(actions.begin(), actions.end());

    // Check the whole group on a copy of the z-order first.
    {
        ObjectList trial = m_objects;
        for (CAction* a : actions) {
            if (!ApplyToList(trial, *a, undo, true)) return false;
            const bool needsObject = a->m_nKind == CAction::SetObjectPosition || a->m_nKind == CAction::SetObjectRoundness ||
                                     a->m_nKind == CAction::TextEdit || a->m_nKind == CAction::ChangeDodavo ||
                                     a->m_nKind == CAction::ChangeStyle;
            if (needsObject) {
                const bool present = std::find(trial.begin(), trial.end(), a->m_pObject) != trial.end() ||
                                     std::find(m_document.m_guideLines.begin(), m_document.m_guideLines.end(),
                                               a->m_pObject) != m_document.m_guideLines.end();
                if (!present) return false;
            }
        }
    }

    const DocumentServices& services = m_document.GetServices();
    for (std::size_t i = 0; i < actions.size(); ++i) {
        // Move the action across: undo takes from the tail in order, redo
        // from the first of the group on.
        std::unique_ptr<CAction> owned;
        if (undo) {
            owned = std::move(source.back());
            source.pop_back();
        } else {
            auto it = std::find_if(source.begin(), source.end(), [&](const auto& p) { return p.get() == actions[i]; });
            owned = std::move(*it);
            source.erase(it);
        }
        CAction& a = *owned;
        destination.push_back(std::move(owned));

        if (a.m_pObject && services.notifier) {
            const WParam page = ~static_cast<WParam>(a.m_pObject->m_nPage & kPageIndexMask) & 0xFFFFFFFFu;
            services.notifier->Post(services.ActiveDocumentFrame(), NotifyMessage::ShowPage, page, m_nPages);
        }
        bool select = true;
        switch (a.m_nKind) {
            case CAction::AddObject:
            case CAction::RemoveObject:
                ApplyToList(m_objects, a, undo, false);
                select = (a.m_nKind == CAction::AddObject) != undo;
                // An object that left the page stays alive in the action, but
                // no view may keep it selected (the action may delete it).
                if (!select)
                    for (DocumentViewObserver* v : m_document.GetViews()) v->RemoveFromSelection(*a.m_pObject);
                break;
            case CAction::ChangeZOrder:
                ApplyToList(m_objects, a, undo, false);
                break;
            case CAction::SetObjectPosition: {
                std::swap(a.m_pObject->m_position, a.m_position);
                if (auto* text = dynamic_cast<TextUndoTarget*>(a.m_pObject)) {
                    const std::int32_t size = text->GetTextSize();
                    text->SetTextSize(std::max(a.m_nTextSize, 40));
                    a.m_nTextSize = size;
                    m_document.PostToMainFrame(NotifyMessage::SelectionChanged);
                    text->UpdateFrame();
                }
                break;
            }
            case CAction::SetObjectRoundness:
                if (auto* rect = dynamic_cast<CDrawRect*>(a.m_pObject)) std::swap(rect->m_roundness, a.m_roundness);
                break;
            case CAction::TextEdit:
                if (auto* text = dynamic_cast<TextUndoTarget*>(a.m_pObject)) {
                    text->ExchangeTextState(a.m_text);
                    std::swap(a.m_pObject->m_position, a.m_position);
                    text->UpdateFrame();
                }
                break;
            case CAction::AddPage:
                m_nPages = undo ? a.m_nOldPageCount : a.m_nOldPageCount + 1;
                if (services.notifier)
                    services.notifier->Post(a.m_notify, NotifyMessage::ShowPage, m_nPages - 1, m_nPages);
                select = false;
                break;
            case CAction::ChangeDodavo:
                if (auto* picture = dynamic_cast<PictureUndoTarget*>(a.m_pObject)) picture->ExchangePictureState(a.m_pictures);
                break;
            case CAction::ChangeStyle:
                std::swap(a.m_pObject->m_nPage, a.m_nPage);
                std::swap(a.m_pObject->m_bPen, a.m_bPen);
                std::swap(a.m_pObject->m_logpen, a.m_logpen);
                std::swap(a.m_pObject->m_bBrush, a.m_bBrush);
                std::swap(a.m_pObject->m_logbrush, a.m_logbrush);
                break;
            case CAction::ChangeGuideLines: {
                const std::list<CDrawObj*>& leaving = undo ? a.m_guidesIn : a.m_guidesOut;
                const std::list<CDrawObj*>& returning = undo ? a.m_guidesOut : a.m_guidesIn;
                for (CDrawObj* guide : leaving) m_document.m_guideLines.remove(guide);
                m_document.m_guideLines.insert(m_document.m_guideLines.end(), returning.begin(), returning.end());
                select = false;
                break;
            }
        }
        if (select && a.m_pObject) {
            if (selectionView) selectionView->AddToSelection(*a.m_pObject);
            m_document.PostToMainFrame(NotifyMessage::SelectionChanged);
        }
    }
    m_document.SetModifiedFlag();
    return true;
}

void CObjectsBuffer::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_nPages;
        ar.WriteCount(m_objects.size());
        for (const CDrawObj* obj : m_objects) ar.WriteObject(obj);
        return;
    }
    m_nPages = ar.ReadU32();
    if (m_nPages == 0 || m_nPages > kPageIndexMask + 1)
        throw ArchiveException(ArchiveException::Cause::Generic, "page count out of range", ar.GetFileName());
    // Every object takes at least its 2-byte tag and its base record.
    const std::size_t count = ar.ReadCount(2 + CDrawObj::kStoredSize);
    for (std::size_t i = 0; i < count; ++i) {
        std::unique_ptr<CDrawObj> obj = ar.ReadObjectAs<CDrawObj>();
        if (!obj)
            throw ArchiveException(ArchiveException::Cause::BadIndex, "null object in the object list", ar.GetFileName());
        m_objects.push_back(obj.release());
    }
}

}  // namespace kavitro
