#pragma once

// The objects a user has picked on one view, their common bounding box with
// its handles, and the selected component of the text being edited. The
// selection does not own its objects: the document does, and every path
// that deletes an object takes it out of every view's selection first.

#include <cstdint>
#include <optional>
#include <vector>

#include "document/DrawObj.h"
#include "engine/TextComponentSelection.h"
#include "platform/Geometry.h"

namespace kavitro {

class CDC;
class CDrawText;
class CKavitroView;

class CSelectedObjects {
public:
    // Drawing modes of DrawHandles: 0 trackers only, 1 and 2 trackers and
    // inverted handle squares on the given context, 3 the handle squares
    // toggled in the view's inverting overlay (in place of a client DC).
    static constexpr int kHandleHalfSize = 3;  // device pixels each side of a handle point

    CSelectedObjects() = default;
    virtual ~CSelectedObjects() = default;
    CSelectedObjects(const CSelectedObjects&) = delete;
    CSelectedObjects& operator=(const CSelectedObjects&) = delete;

    // --- The list ------------------------------------------------------------
    const std::vector<CDrawObj*>& GetObjects() const { return m_objects; }
    std::size_t GetCount() const { return m_objects.size(); }
    bool IsEmpty() const { return m_objects.empty(); }
    bool Contains(const CDrawObj& object) const;
    // Appends unless already there; false when it was.
    bool Add(CDrawObj& object);
    // False when the object was not selected.
    bool Remove(const CDrawObj& object);
    void RemoveAll() { m_objects.clear(); }
    // The one selected text object, when exactly one object is selected and
    // it is a text (the condition for typing, components and the caret).
    CDrawText* GetEditedText() const;

    // The text component selection; "none" is every field at all ones.
    CTextComponentSelection m_component;
    void ClearComponent() { m_component = CTextComponentSelection{}; }
    // A word range or a vowel point is named.
    bool HasComponent() const;

    // --- Geometry (view logical units: zoomed, y up) ---------------------------
    virtual Rect RecalcBounds();
    virtual void ClearBounds() { m_bounds = Rect(); }
    const Rect& GetBounds() const { return m_bounds; }
    // The union of the selected objects' rotated, zoomed boxes, each ordered
    // (left <= right, top <= bottom); empty without a selection.
    Rect GetBoundingRect() const;
    // The zoomed baseline point of the selected text with the greatest y
    // (the first on a tie); (0, 0) without a selected text.
    Point GetTextOrigin() const;

    // --- Handles ------------------------------------------------------------------
    virtual void DrawHandles(CDC& dc, CKavitroView& view, int mode);
    // The handle points: the object's own with one object, the four corners
    // of the bounding box with several (1 (left, top) ... 4 (left, bottom)).
    std::vector<Point> GetHandlePoints() const;
    Rect GetHandleRect(int handle, const CKavitroView& view) const;
    // None without a selection.
    std::optional<HandleCursor> GetHandleCursor(int handle) const;
    int HitTestHandle(Point point, CKavitroView& view) const;

    // --- Changes ----------------------------------------------------------------
    // Moves every selected object by an offset in view logical units,
    // snapping to guide lines within snapDistance (100 % units).
    void MoveBy(Point offset, CKavitroView& view, std::int32_t snapDistance, bool sticky, bool redraw);
    // Scales the selection about the corner opposite the dragged handle.
    void ApplyTransform(double factor, CKavitroView& view, int draggedHandle);
    // Sets the size of every selected text (at least 40), keeping each
    // baseline point where it was; one undo step.
    void SetFontSize(std::int32_t size, CKavitroView& view);
    // Repaints the selection: the objects' areas with force or in drawing
    // mode 0, otherwise the handles toggled in the overlay.
    void Invalidate(CKavitroView& view, bool force);

    std::int32_t m_nSnapRemainderX = 0;
    std::int32_t m_nSnapRemainderY = 0;

private:
    std::vector<CDrawObj*> m_objects;
    Rect m_bounds;
};

}  // namespace kavitro
