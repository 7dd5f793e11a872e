#pragma once

// The document's drawing objects in z-order, the page count, and the undo
// and redo lists. Actions of one user step share a group number taken from
// one process-wide counter; undo and redo replay whole groups.

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <unordered_set>

#include "document/PolygonRect.h"
#include "engine/CalligraphyText.h"
#include "platform/Archive.h"
#include "platform/DcTypes.h"
#include "platform/Notifier.h"

namespace kavitro {

class CDrawObj;
class CKavitroDoc;
class DocumentViewObserver;

// What a text edit saves and an undo gives back.
struct TextSnapshot {
    CCalligraphyParagraph paragraph;
    std::int32_t caret = 0;
    std::int32_t baselineOffset = 0;
    COLORREF color = 0;
};

// Implemented by the text object, which the undo replay reaches through it.
class TextUndoTarget {
public:
    virtual ~TextUndoTarget() = default;
    virtual std::int32_t GetTextSize() const = 0;
    virtual void SetTextSize(std::int32_t size) = 0;
    virtual TextSnapshot TakeTextSnapshot() const = 0;
    // Exchanges paragraph, caret, baseline offset and colour with the snapshot.
    virtual void ExchangeTextState(TextSnapshot& snapshot) = 0;
    // Recomputes the frame after a replay.
    virtual void UpdateFrame() = 0;
};

// The pictures a picture object held before a Dodavo change (owned by the
// action while it is there).
class PictureState {
public:
    virtual ~PictureState() = default;
};
// Implemented by the picture object.
class PictureUndoTarget {
public:
    virtual ~PictureUndoTarget() = default;
    virtual void ExchangePictureState(std::unique_ptr<PictureState>& state) = 0;
};

class CObjectsBuffer {
public:
    class CAction {
    public:
        enum Kind : std::uint32_t {
            AddObject = 0,
            RemoveObject = 1,
            SetObjectPosition = 2,
            SetObjectRoundness = 3,
            TextEdit = 4,
            AddPage = 5,
            ChangeZOrder = 7,
            ChangeDodavo = 8,
            // The page field, pen and brush of an object (the general
            // property page).
            ChangeStyle = 9,
            // The document's guide lines (the page-properties sheet): the
            // lines it took out and the lines it put in.
            ChangeGuideLines = 10,
        };

        CAction(std::uint32_t group, Kind kind, CDrawObj* object) : m_nGroup(group), m_nKind(kind), m_pObject(object) {}

        std::uint32_t m_nGroup;
        Kind m_nKind;
        CDrawObj* m_pObject;  // owned only as the ownership rules of the buffer say
        // RemoveObject, ChangeZOrder: the object directly below (none at the
        // bottom). m_bBelowGone: that object was deleted since.
        CDrawObj* m_pBelow = nullptr;
        bool m_bBelowGone = false;
        std::int32_t m_nTextSize = 0;         // SetObjectPosition of a text object
        Point m_roundness;                    // SetObjectRoundness, at 100 %
        TargetId m_notify = kNoTarget;        // AddPage: the window to notify
        std::uint32_t m_nOldPageCount = 0;    // AddPage
        std::uint32_t m_nZOrderCommand = 0;   // ChangeZOrder: 0 back, 1 forward, 2 to back, 3 to front
        std::unique_ptr<PictureState> m_pictures;  // ChangeDodavo
        CPolygonRect m_position;              // SetObjectPosition, TextEdit (100 %)
        TextSnapshot m_text;                  // TextEdit
        // TextEdit, once a later edit of the same object was recorded: the
        // paragraph in m_text holds only the words that differ from the
        // state that edit saw (which is the object's state whenever this
        // action is replayed): that state keeps its first m_nSameBefore and
        // its last m_nSameAfter words (those moved along by m_nShiftAfter
        // in x, as an edit before them moves them), and the words between
        // change places with these. Caret, baseline offset, colour and vowel
        // points are kept whole. A long text typed key by key so costs the
        // undo list a few words per key, not the whole text.
        bool m_bTextDelta = false;
        std::size_t m_nSameBefore = 0;
        std::size_t m_nSameAfter = 0;
        std::int64_t m_nShiftAfter = 0;
        // With m_bCharDelta the paragraph holds one word standing for the
        // one live word between the kept ones: its x and y, and only the
        // characters between the live word's first m_nSameCharsBefore and
        // last m_nSameCharsAfter, which are the same in both. A key typed
        // into one long word (a run of spaces) so keeps what it changed.
        bool m_bCharDelta = false;
        std::size_t m_nSameCharsBefore = 0;
        std::size_t m_nSameCharsAfter = 0;
        // ChangeStyle: the values before (after, once undone).
        std::uint32_t m_nPage = 0;
        std::uint32_t m_bPen = 0;
        LogPen m_logpen;
        std::uint32_t m_bBrush = 0;
        LogBrush m_logbrush;
        // ChangeGuideLines: the lines out of the document are the action's
        // (those taken out while it waits in the undo list, those put in
        // while it waits in the redo list).
        std::list<CDrawObj*> m_guidesOut;
        std::list<CDrawObj*> m_guidesIn;
    };

    using ObjectList = std::list<CDrawObj*>;
    using ActionList = std::list<std::unique_ptr<CAction>>;

    explicit CObjectsBuffer(CKavitroDoc& document) : m_document(document) {}
    CObjectsBuffer(const CObjectsBuffer&) = delete;
    CObjectsBuffer& operator=(const CObjectsBuffer&) = delete;
    virtual ~CObjectsBuffer();

    // The process-wide action counter; callers increment it after a step.
    static std::uint32_t& GetActionIdCounter();

    bool IsObjectInCurrentAction(const CDrawObj* object) const;
    // Deletes every redo action with the objects of its undone adds and the
    // pictures of its Dodavo changes.
    void ClearRedo();
    // Removes and deletes every empty object with every action naming it.
    // Only objects that may have become empty since the last purge are
    // looked at: those put into the list and those any recorded or replayed
    // action names (every change a user makes to an object is recorded first,
    // and the newest step's objects may change further unrecorded).
    void PurgeEmptyObjects();
    // Tells the next purge to look at an object, which may have become empty
    // by a change no action records.
    void NoteMayBeEmpty(const CDrawObj* object);
    // Tells the next purge to look at every object (after the list was
    // filled or taken over whole).
    void NoteAllMayBeEmpty();
    // Replays the newest group of the undo (or redo) list. The whole group is
    // checked against the object list first: a group that cannot be applied
    // whole is left where it is and false returned (nothing changes).
    bool UndoRedo(bool undo, DocumentViewObserver* selectionView);
    // The page count and the object list of the version-2 file. Loading
    // fills a buffer that must be empty.
    void Serialize(CArchive& ar);

    // Appends an action (the redo list is cleared first).
    CAction& Record(std::unique_ptr<CAction> action);
    // The words a text edit recorded as a delta gives back when it is
    // undone from `words` (the state it was made against).
    static CWordArray WordsBeforeTextDelta(const CWordArray& words, const CAction& delta);
    // Narrows a text edit's delta, made against `words`, to the words that
    // differ: kept words that equal their counterparts join the same ones.
    static void TrimTextDelta(CAction& delta, const CWordArray& words);
    // Takes an object out of the z-order; returns the object that was
    // directly below it (none at the bottom). False when it is not there.
    bool Unlink(CDrawObj* object, CDrawObj** below);
    bool Contains(const CDrawObj* object) const;
    // Drops every action naming the object (freeing what they own, never the
    // object itself) and forgets it as a neighbour.
    void DropActionsNaming(const CDrawObj* object);
    // Deletes every object and action.
    void Clear();

    // The most pages a document has. A page costs nothing in the file (only
    // the count is stored), so no file size can bound it; the page list,
    // the property pages and printing all spend something per page, so a
    // count no real document reaches is refused on load and never grown
    // past: a thousand pages is far beyond any calligraphy work, and
    // printing that many blank pages stays a matter of seconds.
    static constexpr std::uint32_t kMaxPages = 1000;

    ObjectList m_objects;
    std::uint32_t m_nPages = 1;
    std::uint32_t m_bRecordingOff = 0;
    ActionList m_undo;
    ActionList m_redo;

private:
    friend class CKavitroDoc;
    // Frees what an action owns when it is deleted from the given list.
    static void DeleteAction(std::unique_ptr<CAction> action, bool inUndoList);
    // Applies the list part of an action (undo or redo) to a list; false
    // when the action cannot apply to it.
    static bool ApplyToList(ObjectList& list, CAction& action, bool undo, bool dryRun);
    void ForgetNeighbour(const CDrawObj* object);
    // A new text edit of an object: its previous one, while still whole and
    // the newest text edit of the object in the undo list, keeps only what
    // differs from `newer`, the words the new edit was made on.
    void CompactPreviousTextEdit(const CDrawObj* object, const CWordArray& newer);
    // Replays a compacted text edit: the words between the kept ones, the
    // vowel points, caret, baseline offset and colour change places.
    static void ExchangeTextDelta(TextUndoTarget& text, CAction& action);

    CKavitroDoc& m_document;
    // Objects whose newest text edit in the undo list may still be whole
    // (only compared, never dereferenced: a stale entry costs one search).
    std::unordered_set<const CDrawObj*> m_wholeTextEdits;
    // Live objects the next purge looks at; every path that deletes an object
    // takes it out first. With m_bPurgeAll the purge looks at the whole list.
    std::unordered_set<CDrawObj*> m_purgeCandidates;
    bool m_bPurgeAll = false;
};

}  // namespace kavitro
