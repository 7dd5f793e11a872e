#pragma once

// The three simple drawing objects: rectangles (plain, rounded, ellipse),
// straight lines and the guide lines kept in the document's own list.

#include <cstdint>

#include "document/DrawObj.h"

namespace kavitro {

class CDrawRect : public CDrawObj {
    KAVITRO_DECLARE_SERIAL(CDrawRect)

public:
    enum Shape : std::uint32_t { Rectangle = 0, RoundRectangle = 1, Ellipse = 2 };
    // The rounded-corner handle of a rounded rectangle.
    static constexpr int kRoundnessHandle = 9;

    CDrawRect() = default;
    CDrawRect(const CPolygonRect& zoomedPosition, std::uint32_t page, CKavitroDoc* document);

    void Serialize(CArchive& ar) override;
    // Sets the rounding from zoomed units; with record, the old rounding is
    // saved for undo once per object and group.
    void SetRoundness(Point zoomedRoundness, bool record);

    void Draw(CDC& dc) override;
    int GetHandleCount() const override;
    Point GetHandle(int handle) const override;
    HandleCursor GetHandleCursor(int handle) const override;
    void MoveHandleTo(int handle, Point point, DocumentViewObserver* view) override;
    bool Intersects(const Rect& zoomedRect) override;
    CDrawObj* Clone(CKavitroDoc* document) override;

    Point m_roundness;  // 100 % zoom
    std::uint32_t m_nShape = Rectangle;
};

class CDrawLine : public CDrawObj {
    KAVITRO_DECLARE_SERIAL(CDrawLine)

public:
    CDrawLine() = default;
    CDrawLine(const CPolygonRect& zoomedPosition, std::uint32_t page, CKavitroDoc* document)
        : CDrawObj(zoomedPosition, page, document) {}

    void Draw(CDC& dc) override;
    int GetHandleCount() const override { return 2; }
    Point GetHandle(int handle) const override;
    HandleCursor GetHandleCursor(int handle) const override;
    void MoveHandleTo(int handle, Point point, DocumentViewObserver* view) override;
    bool Intersects(const Rect& zoomedRect) override;
    CDrawObj* Clone(CKavitroDoc* document) override;

private:
    static int BaseHandle(int handle) { return handle == 2 ? 5 : 1; }
};

class CDrawGuideLine : public CDrawObj {
    KAVITRO_DECLARE_SERIAL(CDrawGuideLine)

public:
    // Guides are hit this far (zoomed units) to either side.
    static constexpr std::int32_t kHitMargin = 100;

    CDrawGuideLine() = default;
    CDrawGuideLine(const CPolygonRect& zoomedPosition, std::uint32_t page, CKavitroDoc* document,
                   std::uint32_t orientation)
        : CDrawObj(zoomedPosition, page, document), m_nOrientation(orientation) {}

    void Serialize(CArchive& ar) override;
    bool IsVertical() const { return m_nOrientation != 0; }

    void Draw(CDC& dc) override;
    int HitTest(Point point, DocumentViewObserver* view, bool selected) override;
    bool Intersects(const Rect& zoomedRect) override;
    void MoveTo(const CPolygonRect& zoomedPosition, DocumentViewObserver* view, bool invalidate) override;
    Point GetHandle(int) const override { return {0, 0}; }
    int GetHandleCount() const override { return 0; }
    HandleCursor GetHandleCursor(int) const override;
    void MoveHandleTo(int, Point, DocumentViewObserver*) override {}
    CDrawObj* Clone(CKavitroDoc*) override { return nullptr; }

    std::uint32_t m_nOrientation = 0;  // 0 horizontal, otherwise vertical
};

// Registers the document's classes with the archive's registry (a static
// library may drop the object files whose registrars nothing references).
void RegisterDocumentClasses();

}  // namespace kavitro
