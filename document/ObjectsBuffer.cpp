#include "document/ObjectsBuffer.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>

#include "document/DocumentServices.h"
#include "document/DrawObj.h"
#include "document/FailureReasons.h"
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

// Fewer shared characters than this and a changed word is kept whole.
constexpr std::size_t kMinCharsForCharDelta = 16;

bool SameCharacter(const CCalligraphyCharacter& a, const CCalligraphyCharacter& b) {
    return a.m_code == b.m_code && a.m_glyph == b.m_glyph && a.m_font == b.m_font && a.m_yOffset == b.m_yOffset &&
           a.m_flags == b.m_flags && a.m_mark == b.m_mark && a.m_markDx == b.m_markDx && a.m_markDy == b.m_markDy;
}

// Everything a copy of a word carries but its x (the outline cache is
// derived from the characters and never copied).
bool SameWordAnywhere(const CCalligraphyWord& a, const CCalligraphyWord& b) {
    return a.m_y == b.m_y && std::equal(a.m_characters.begin(), a.m_characters.end(), b.m_characters.begin(),
                                        b.m_characters.end(), SameCharacter);
}
bool SameWord(const CCalligraphyWord& a, const CCalligraphyWord& b) { return a.m_x == b.m_x && SameWordAnywhere(a, b); }

// Copies of the words [first, last) of an array.
CWordArray CopyWords(const CWordArray& words, std::size_t first, std::size_t last) {
    CWordArray copy;
    copy.reserve(last - first);
    copy.insert(copy.cend(), words.begin() + static_cast<std::ptrdiff_t>(first),
                words.begin() + static_cast<std::ptrdiff_t>(last));
    return copy;
}

// The word a character delta stands for: the stored word's x and y, the
// live word's kept characters around the stored ones. False when the live
// word is too short to hold the kept characters (not the state the delta
// was made against).
bool WordOfCharDelta(const CCalligraphyWord& live, const CCalligraphyWord& stored, const CObjectsBuffer::CAction& delta,
                     CCalligraphyWord& word) {
    const CCharacterArray& kept = live.m_characters;
    if (delta.m_nSameCharsBefore + delta.m_nSameCharsAfter > kept.size()) return false;
    word.m_x = stored.m_x;
    word.m_y = stored.m_y;
    word.m_characters.reserve(delta.m_nSameCharsBefore + stored.m_characters.size() + delta.m_nSameCharsAfter);
    word.m_characters.assign(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(delta.m_nSameCharsBefore));
    word.m_characters.insert(word.m_characters.cend(), stored.m_characters.begin(), stored.m_characters.end());
    word.m_characters.insert(word.m_characters.cend(),
                             kept.end() - static_cast<std::ptrdiff_t>(delta.m_nSameCharsAfter), kept.end());
    return true;
}

// The live words [first, last) a delta's stored words change places with,
// made whole for a character delta. False when they cannot be its state.
bool WordsOfDelta(const CWordArray& words, std::size_t first, std::size_t last, const CObjectsBuffer::CAction& delta,
                  CWordArray& out) {
    const CWordArray& stored = delta.m_text.paragraph.m_words;
    if (!delta.m_bCharDelta) {
        out.insert(out.cend(), stored.begin(), stored.end());
        return true;
    }
    if (stored.size() != 1 || last - first != 1) return false;
    CCalligraphyWord word;
    if (!WordOfCharDelta(words[first], stored[0], delta, word)) return false;
    out.insert(out.cend(), std::move(word));
    return true;
}

// The one word a character delta keeps of a live word: its x and y and the
// characters between the kept ones (which WordOfCharDelta checked are there).
CWordArray CharDeltaOf(const CCalligraphyWord& live, const CObjectsBuffer::CAction& delta) {
    CCalligraphyWord word;
    word.m_x = live.m_x;
    word.m_y = live.m_y;
    word.m_characters.assign(live.m_characters.begin() + static_cast<std::ptrdiff_t>(delta.m_nSameCharsBefore),
                             live.m_characters.end() - static_cast<std::ptrdiff_t>(delta.m_nSameCharsAfter));
    CWordArray one;
    one.insert(one.cend(), std::move(word));
    return one;
}

// A paragraph holding the given words and vowel points and nothing an
// earlier edit kept for the next one. Made before anything is moved into
// it, so that a failure leaves the caller's words where they were.
void ReplaceParagraph(CCalligraphyParagraph& paragraph, CWordArray& words, std::vector<CCalligraphyPoint>& points) {
    CCalligraphyParagraph fresh;
    fresh.SetContext(paragraph.GetContext());
    fresh.m_words = std::move(words);
    fresh.m_points = std::move(points);
    paragraph = std::move(fresh);
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
    m_wholeTextEdits.clear();
    m_purgeCandidates.clear();
    m_bPurgeAll = false;
    while (!m_undo.empty()) {
        std::unique_ptr<CAction> a = std::move(m_undo.back());
        m_undo.pop_back();
        DeleteAction(std::move(a), true);
    }
    ClearRedo();
    m_purgeCandidates.clear();
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
        CDrawObj* freed = a->m_nKind == CAction::AddObject ? a->m_pObject : nullptr;
        if (freed) m_purgeCandidates.erase(freed);
        for (CDrawObj* guide : a->m_guidesIn) m_purgeCandidates.erase(guide);
        DeleteAction(std::move(a), false);
        if (freed) ForgetNeighbour(freed);
    }
}

CAction& CObjectsBuffer::Record(std::unique_ptr<CAction> action) {
    ClearRedo();
    if (action->m_pObject) m_purgeCandidates.insert(action->m_pObject);
    if (action->m_nKind == CAction::TextEdit && !action->m_bTextDelta) {
        CompactPreviousTextEdit(action->m_pObject, action->m_text.paragraph.m_words);
        m_wholeTextEdits.insert(action->m_pObject);
    } else if (action->m_nKind == CAction::TextEdit && m_wholeTextEdits.contains(action->m_pObject)) {
        // An edit recorded as a delta (a keystroke) follows a whole one: the
        // state the whole one is undone in is the one the delta gives back.
        if (auto* text = dynamic_cast<TextUndoTarget*>(action->m_pObject))
            CompactPreviousTextEdit(action->m_pObject,
                                    WordsBeforeTextDelta(text->TakeTextSnapshot().paragraph.m_words, *action));
        m_wholeTextEdits.erase(action->m_pObject);
    }
    m_undo.push_back(std::move(action));
    return *m_undo.back();
}

CWordArray CObjectsBuffer::WordsBeforeTextDelta(const CWordArray& words, const CAction& delta) {
    if (delta.m_nSameBefore + delta.m_nSameAfter > words.size()) return words;
    const CWordArray& stored = delta.m_text.paragraph.m_words;
    const std::size_t end = words.size() - delta.m_nSameAfter;
    CWordArray before = CopyWords(words, 0, delta.m_nSameBefore);
    before.reserve(delta.m_nSameBefore + stored.size() + delta.m_nSameAfter);
    if (!WordsOfDelta(words, delta.m_nSameBefore, end, delta, before)) return words;
    before.insert(before.cend(), words.begin() + static_cast<std::ptrdiff_t>(end), words.end());
    for (std::size_t i = before.size() - delta.m_nSameAfter; i < before.size(); ++i)
        before[i].m_x = Clamp32(before[i].m_x + delta.m_nShiftAfter);
    return before;
}

void CObjectsBuffer::TrimTextDelta(CAction& delta, const CWordArray& words) {
    CWordArray& stored = delta.m_text.paragraph.m_words;
    if (delta.m_nSameBefore + delta.m_nSameAfter > words.size()) return;
    std::size_t liveEnd = words.size() - delta.m_nSameAfter;
    std::size_t front = 0;
    while (front < stored.size() && delta.m_nSameBefore < liveEnd &&
           SameWord(stored[front], words[delta.m_nSameBefore])) {
        ++front;
        ++delta.m_nSameBefore;
    }
    // The words kept after the edit all moved by one amount.
    bool shifted = delta.m_nSameAfter > 0;
    std::size_t back = stored.size();
    while (back > front && liveEnd > delta.m_nSameBefore) {
        const CCalligraphyWord& o = stored[back - 1];
        const CCalligraphyWord& n = words[liveEnd - 1];
        const std::int64_t dx = std::int64_t{o.m_x} - n.m_x;
        if ((shifted && dx != delta.m_nShiftAfter) || !SameWordAnywhere(o, n)) break;
        delta.m_nShiftAfter = dx;
        shifted = true;
        --back;
        --liveEnd;
        ++delta.m_nSameAfter;
    }
    // One long word changed in a few characters: keep those (and copy no
    // more than those).
    if (!delta.m_bCharDelta && back - front == 1 && liveEnd - delta.m_nSameBefore == 1) {
        const CCalligraphyWord& old = stored[front];
        const CCharacterArray& was = old.m_characters;
        const CCharacterArray& is = words[delta.m_nSameBefore].m_characters;
        const std::size_t shorter = std::min(was.size(), is.size());
        // Equal bytes are equal characters: a run copied from the text
        // passes at memory speed.
        std::size_t head =
            std::memcmp(was.data(), is.data(), shorter * sizeof(CCalligraphyCharacter)) == 0 ? shorter : 0;
        while (head < shorter && SameCharacter(was[head], is[head])) ++head;
        std::size_t tail = 0;
        while (head + tail < shorter && SameCharacter(was[was.size() - 1 - tail], is[is.size() - 1 - tail])) ++tail;
        if (head + tail >= kMinCharsForCharDelta) {
            CCalligraphyWord changed;
            changed.m_x = old.m_x;
            changed.m_y = old.m_y;
            changed.m_characters.assign(was.begin() + static_cast<std::ptrdiff_t>(head),
                                        was.end() - static_cast<std::ptrdiff_t>(tail));
            CWordArray one;
            one.insert(one.cend(), std::move(changed));
            stored = std::move(one);
            delta.m_bCharDelta = true;
            delta.m_nSameCharsBefore = head;
            delta.m_nSameCharsAfter = tail;
            return;
        }
    }
    if (front != 0 || back != stored.size()) {
        CWordArray middle = CopyWords(stored, front, back);
        stored = std::move(middle);
    }
}

void CObjectsBuffer::CompactPreviousTextEdit(const CDrawObj* object, const CWordArray& newer) {
    if (!m_wholeTextEdits.contains(object)) return;
    CAction* previous = nullptr;
    for (auto it = m_undo.rbegin(); it != m_undo.rend(); ++it)
        if ((*it)->m_nKind == CAction::TextEdit && (*it)->m_pObject == object) {
            previous = it->get();
            break;
        }
    if (!previous || previous->m_bTextDelta) return;

    // The new snapshot is the state in which the previous edit gets undone:
    // undo reaches it only after the new edit gave that state back.
    const CWordArray& older = previous->m_text.paragraph.m_words;
    const std::size_t shorter = std::min(older.size(), newer.size());
    std::size_t before = 0;
    while (before < shorter && SameWord(older[before], newer[before])) ++before;
    // The words after an edit are the same words moved along by one amount.
    std::size_t after = 0;
    std::int64_t shift = 0;
    while (before + after < shorter) {
        const CCalligraphyWord& o = older[older.size() - 1 - after];
        const CCalligraphyWord& n = newer[newer.size() - 1 - after];
        const std::int64_t dx = std::int64_t{o.m_x} - n.m_x;
        if ((after > 0 && dx != shift) || !SameWordAnywhere(o, n)) break;
        shift = dx;
        ++after;
    }

    // Copies first: a failure leaves the previous edit whole.
    CWordArray middle = CopyWords(older, before, older.size() - after);
    CCalligraphyParagraph& kept = previous->m_text.paragraph;
    ReplaceParagraph(kept, middle, kept.m_points);
    previous->m_nSameBefore = before;
    previous->m_nSameAfter = after;
    previous->m_nShiftAfter = shift;
    previous->m_bTextDelta = true;
}

void CObjectsBuffer::ExchangeTextDelta(TextUndoTarget& text, CAction& a) {
    // The object's state comes out whole (its paragraph moves) and goes
    // back in changed, or as it was when building the change fails.
    TextSnapshot live;
    text.ExchangeTextState(live);
    try {
        const CWordArray& words = live.paragraph.m_words;
        // Replay order gives this action the state its delta was made
        // against; a state that cannot be it is left alone.
        if (a.m_nSameBefore + a.m_nSameAfter <= words.size()) {
            const CWordArray& stored = a.m_text.paragraph.m_words;
            const std::size_t end = words.size() - a.m_nSameAfter;
            // Both sides are built before either changes.
            CWordArray in = CopyWords(words, 0, a.m_nSameBefore);
            in.reserve(a.m_nSameBefore + stored.size() + a.m_nSameAfter);
            if (!WordsOfDelta(words, a.m_nSameBefore, end, a, in)) {
                text.ExchangeTextState(live);
                return;
            }
            CWordArray out =
                a.m_bCharDelta ? CharDeltaOf(words[a.m_nSameBefore], a) : CopyWords(words, a.m_nSameBefore, end);
            in.insert(in.cend(), words.begin() + static_cast<std::ptrdiff_t>(end), words.end());
            for (std::size_t i = in.size() - a.m_nSameAfter; i < in.size(); ++i)
                in[i].m_x = Clamp32(in[i].m_x + a.m_nShiftAfter);
            CCalligraphyParagraph object;
            object.SetContext(live.paragraph.GetContext());
            CCalligraphyParagraph kept;
            kept.SetContext(a.m_text.paragraph.GetContext());
            // Nothing from here on can fail.
            object.m_words = std::move(in);
            object.m_points = std::move(a.m_text.paragraph.m_points);
            kept.m_words = std::move(out);
            kept.m_points = std::move(live.paragraph.m_points);
            live.paragraph = std::move(object);
            a.m_text.paragraph = std::move(kept);
            a.m_nShiftAfter = -a.m_nShiftAfter;
            std::swap(live.caret, a.m_text.caret);
            std::swap(live.baselineOffset, a.m_text.baselineOffset);
            std::swap(live.color, a.m_text.color);
        }
    } catch (...) {
        text.ExchangeTextState(live);
        throw;
    }
    text.ExchangeTextState(live);
}

bool CObjectsBuffer::IsObjectInCurrentAction(const CDrawObj* object) const {
    // Groups never fall along the undo list (the counter only grows, and a
    // redone group was the newest when it was undone), so the current group
    // is its tail.
    const std::uint32_t current = GetActionIdCounter();
    for (auto it = m_undo.rbegin(); it != m_undo.rend() && (*it)->m_nGroup >= current; ++it)
        if ((*it)->m_nGroup == current && (*it)->m_pObject == object) return true;
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
    m_wholeTextEdits.erase(object);
    m_purgeCandidates.erase(const_cast<CDrawObj*>(object));
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

void CObjectsBuffer::NoteMayBeEmpty(const CDrawObj* object) {
    if (object) m_purgeCandidates.insert(const_cast<CDrawObj*>(object));
}

void CObjectsBuffer::NoteAllMayBeEmpty() { m_bPurgeAll = true; }

void CObjectsBuffer::PurgeEmptyObjects() {
    // The newest step's objects may have changed since their actions were
    // recorded.
    const std::uint32_t current = GetActionIdCounter();
    for (auto it = m_undo.rbegin(); it != m_undo.rend() && (*it)->m_nGroup >= current; ++it)
        if ((*it)->m_pObject) m_purgeCandidates.insert((*it)->m_pObject);

    std::vector<CDrawObj*> empty;
    if (m_bPurgeAll) {
        for (CDrawObj* obj : m_objects)
            if (obj->IsEmpty()) empty.push_back(obj);
    } else {
        for (CDrawObj* obj : m_purgeCandidates)
            if (obj->IsEmpty()) empty.push_back(obj);
    }
    m_purgeCandidates.clear();
    m_bPurgeAll = false;
    if (empty.empty()) return;

    // Only objects in the list go (an empty one that waits in an action
    // stays with it). They are sought from the top, where new and recently
    // changed objects usually are.
    bool any = false;
    for (CDrawObj* obj : empty) {
        const auto found = std::find(m_objects.rbegin(), m_objects.rend(), obj);
        if (found == m_objects.rend()) continue;
        m_objects.erase(std::next(found).base());
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
        if (a.m_pObject) m_purgeCandidates.insert(a.m_pObject);

        if (a.m_pObject && services.notifier) {
            // The page the object is on once the action is replayed: a style
            // change may carry it to another page, and the view must follow.
            const std::uint32_t shown = a.m_nKind == CAction::ChangeStyle ? a.m_nPage : a.m_pObject->m_nPage;
            const WParam page = ~static_cast<WParam>(shown & kPageIndexMask) & 0xFFFFFFFFu;
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
                    if (a.m_bTextDelta) {
                        ExchangeTextDelta(*text, a);
                    } else {
                        text->ExchangeTextState(a.m_text);
                        // Back in the undo list a whole edit is again the
                        // newest of its object; in the redo list it is not.
                        if (undo)
                            m_wholeTextEdits.erase(a.m_pObject);
                        else
                            m_wholeTextEdits.insert(a.m_pObject);
                    }
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
    if (m_nPages == 0 || m_nPages > kMaxPages)
        throw DocumentDamageException(m_nPages == 0 ? DocumentDamage::Contents : DocumentDamage::TooManyPages,
                                      ArchiveException::Cause::Generic,
                                      "page count " + std::to_string(m_nPages) + " out of range (1 to " +
                                          std::to_string(kMaxPages) + ")",
                                      ar.GetFileName());
    // Every object takes at least its 2-byte tag and its base record.
    const std::size_t count = ar.ReadCount(2 + CDrawObj::kStoredSize);
    for (std::size_t i = 0; i < count; ++i) {
        std::unique_ptr<CDrawObj> obj = ar.ReadObjectAs<CDrawObj>();
        if (!obj)
            throw ArchiveException(ArchiveException::Cause::BadIndex, "null object in the object list", ar.GetFileName());
        m_objects.push_back(obj.release());
    }
    NoteAllMayBeEmpty();
}

}  // namespace kavitro
