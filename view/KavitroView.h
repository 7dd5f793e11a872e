#pragma once

// The editing view of a document window, without a window: it shows one
// page (or all pages) zoomed, converts between client pixels and document
// units, keeps the scroll position, draws into a back buffer, keeps the
// inverting overlay, owns the selection and hands every mouse and key
// event to the current drawing tool. The window that shows it implements
// ViewHost and forwards its events here.
//
// Units: document units are 0.01 mm with y up; a page of W x H spans x
// from -W to 0 and y from -H to 0. View logical units are document units
// times zoom / 100. Device units are client pixels, y down.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QtGui/QImage>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "platform/DcMapping.h"
#include "view/SelectedObjects.h"
#include "view/ViewHost.h"
#include "view/ViewOverlay.h"

namespace kavitro {

class CDC;
class CDrawTool;

class CKavitroView : public DocumentViewObserver, public TextEditView {
public:
    // Scroll margin around the page, document units, on every side.
    static constexpr std::int32_t kScrollMargin = 200;
    // The position-display string of the view.
    static constexpr std::uint32_t kPositionStringId = 11006;
    // The unit texts of the position display (millimetres, inches).
    static constexpr std::uint32_t kMillimetreStringId = 11013;
    static constexpr std::uint32_t kInchStringId = 11014;
    static constexpr std::uint32_t kContextMenuId = 104;
    // Hints of OnUpdate beyond kHintNone and kHintObject.
    static constexpr std::intptr_t kHintSelection = 2;       // repaint a selection (handles in modes 1, 2)
    static constexpr std::intptr_t kHintInvalidateSelection = 3;

    CKavitroView(CKavitroDoc& document, ViewHost& host);
    ~CKavitroView() override;
    CKavitroView(const CKavitroView&) = delete;
    CKavitroView& operator=(const CKavitroView&) = delete;

    CKavitroDoc& GetDocument() const { return m_document; }
    ViewHost& GetHost() const { return m_host; }
    CSelectedObjects& GetSelection() { return m_selection; }
    const CSelectedObjects& GetSelection() const { return m_selection; }
    CViewOverlay& GetOverlay() { return m_overlay; }
    std::int32_t GetZoom() const { return m_document.GetZoom(); }

    bool IsActive() const { return m_bActive; }
    // OnActivateView: on activation the frame is told the page; a selection
    // is repainted.
    void OnActivateView(bool active);
    void SetCurrentPage(std::uint32_t page) { m_nCurrentPage = page; }
    int m_nFitMode = 0;  // 0 none, 1 whole page, 2 page width

    // --- Coordinates ---------------------------------------------------------
    // The mapping of a client context prepared for the screen.
    CDcMapping PrepareMapping() const;
    // Prepares a client context: mapping, transparent background, text
    // aligned at the baseline's right end.
    void PrepareDC(CDC& dc) const;
    Point ClientToDoc(Point device) const;
    Rect ClientToDoc(const Rect& device) const;
    Point DocToClient(Point logical) const;
    // Each coordinate pair ordered (left <= right, top <= bottom).
    Rect DocToClient(const Rect& logical) const;
    Point DeviceToLogical(Point device) const override { return ClientToDoc(device); }

    // The first showing: scroll sizes, the top-right end of the page, and a
    // new empty document receives one space (posted as a text block) so that
    // it starts with a text object.
    void OnInitialUpdate();

    // --- Scrolling and zoom ----------------------------------------------------
    // Scroll range from the page size (margins included) at the zoom; every
    // view of the document repaints.
    void UpdateScrollSizes() override;
    const ScrollInfo& GetScrollInfo() const { return m_scroll; }
    // Scrolls so that a document point (100 %) lies in the middle of the
    // client area.
    void ScrollToCentre(Point documentPoint);
    // Scrolls by a device offset, clamped; true when it scrolled (the
    // frame's rulers are then told).
    bool OnScrollBy(Size delta, bool doScroll = true);
    // A scroll-bar action per axis (low byte horizontal, high byte vertical):
    // SB_LINEUP 0, SB_LINEDOWN 1, SB_PAGEUP 2, SB_PAGEDOWN 3, SB_THUMBTRACK 5
    // (to trackPosition), SB_TOP 6, SB_BOTTOM 7; others leave the axis.
    bool OnScroll(std::uint32_t code, Point trackPosition, bool doScroll = true);
    void ScrollToPosition(Point position);
    // The window was resized (the host already reports the new size);
    // without fit mode the right edge of the visible part stays where it was.
    void OnSize(Size client);
    // What the frame does for each pane when the zoom changes: zoom set and
    // told, scroll sizes recomputed, the point centred, everything repainted.
    void SetZoom(std::int32_t zoom, Point documentCentre);
    // What a zoom typed by the user keeps in view (document units, 100 %):
    // the caret of the edited text, else the selection's centre, when it
    // shows in the client; otherwise the client's centre.
    Point GetPointOfInterest() const;

    // Fit mode 1 (whole page with margins) or 2 (its width): the zoom that
    // fits the client, set with the page's corner as centre. A zoom or hand
    // tool gives way to the select tool.
    void OnZoomFitPage();
    void OnZoomFitWidth();

    // --- Drawing -------------------------------------------------------------
    // Draws the clip box of a prepared context: background, paper, objects,
    // handles, grid, guide lines. Exceptions of single objects are caught
    // and reported once; the rest of the page is still drawn.
    void OnDraw(CDC& dc);
    // Paints a client rectangle into a back buffer of its size (device
    // pixels times the ratio) and returns it, overlay included.
    const QImage& Paint(const Rect& deviceClip, double devicePixelRatio = 1.0);
    void DrawPaper(CDC& dc) const;
    void DrawGrid(CDC& dc) const;
    // The grid dots' top-left corners in client pixels and the dot size;
    // none when the grid spacing is not positive.
    struct GridDots {
        std::vector<Point> points;
        std::int32_t dotSize = 1;
    };
    GridDots ComputeGrid() const;

    // --- Selection and repaint ---------------------------------------------------
    void Select(CDrawObj* object, bool add, bool redraw);
    void SelectObjectsInRect(const Rect& device);
    Rect GetObjectRect(const CDrawObj& object) const;
    void InvalidateObject(const CDrawObj& object, bool allViews);
    // Toggles the handle squares of a selection in the overlay (in place of
    // inverting them on a client DC).
    void InvertHandles(const CSelectedObjects& selection);
    // Inverts an item in the overlay (rubber band, drag outline, tracked
    // guide line): shown when it was not, removed when it was.
    void ToggleOverlay(CViewOverlay::Kind kind, const Rect& device);
    struct Snap {
        Point offset;
        bool exactX = false;
        bool exactY = false;
    };
    Snap SnapToGuidelines(const Rect& rect, std::int32_t threshold) const;
    void UpdateCaret(bool show);
    // The caret of the edited text in client pixels; none without one.
    std::optional<Rect> GetCaretRect() const;
    // The position display: a client point in document units / 100 (mm or
    // inches) through the format of a language-pack string whose first
    // character is its layout ('1' both coordinates, '2' y, '3' x); none for
    // another layout or a missing string.
    std::optional<CursorPositionText> FormatCursorPosition(std::uint32_t stringId, Point client) const;
    void ShowCursorPosition(std::uint32_t stringId, Point client);

    // --- DocumentViewObserver ------------------------------------------------------
    void OnUpdate(std::intptr_t hint, CDrawObj* object) override;
    void InvalidateObject(const CDrawObj& object) override { InvalidateObject(object, false); }
    void DrawDragOutline(const Rect& zoomedBounds) override;
    bool RemoveFromSelection(const CDrawObj& object) override;
    void ClearSelection() override;
    void AddToSelection(CDrawObj& object) override;
    bool IsSelected(const CDrawObj& object) const override { return m_selection.Contains(object); }
    bool IsDrawingSelectedOnly() const override { return m_bPrintSelectionOnly; }
    Rect GetHandleRect(const CDrawObj& object, int handle) const override;
    std::uint32_t GetCurrentPage() const override { return m_nCurrentPage; }

    // --- TextEditView ----------------------------------------------------------
    CTextComponentSelection& GetComponentSelection() override { return m_selection.m_component; }

    // --- Input (each returns at once while the view is inactive) -----------------
    void OnLButtonDown(std::uint32_t flags, Point point);
    void OnLButtonUp(std::uint32_t flags, Point point);
    void OnLButtonDblClk(std::uint32_t flags, Point point);
    void OnMouseMove(std::uint32_t flags, Point point);
    void OnRButtonDown(std::uint32_t flags, Point point);
    // One typed character (a UTF-16 unit); Tab and Escape are the view's own.
    void OnChar(std::uint32_t code, std::uint32_t repeat = 1, std::uint32_t flags = 0);
    void OnKeyDown(std::uint32_t key, std::uint32_t repeat = 1, std::uint32_t flags = 0);
    // The wheel (delta in 120ths of a notch, forward positive): Ctrl zooms
    // about the pointer (active view only), Shift scrolls horizontally,
    // otherwise it scrolls vertically. True when handled.
    bool OnMouseWheel(std::uint32_t flags, std::int32_t delta, Point point);
    // Scrolls by wheel amounts per axis: three lines a notch, at most a
    // client size; forward (positive) goes up or left. True when it scrolled.
    bool ScrollByWheel(Size wheel);
    void OnContextMenu(Point client);
    // The view's own posted messages (text size, angle, colour, inserted text).
    void OnMessage(const PostedMessage& message);
    // Inserted text (message 0x4CE): into the one selected text object, or
    // into a new one made with the ribbon's size and angle. lParam 0 purges
    // empty objects afterwards (the import wizard, a paste), 1 does not (the
    // first space of a new document).
    void OnInsertText(std::u16string text, LParam lParam);

    // Set only while a print draws only the selection.
    bool m_bPrintSelectionOnly = false;
    // The guide line the select tool drags, or none.
    CDrawObj* m_pDraggedGuide = nullptr;

private:
    // Runs an event handler; an exception is reported and goes no further.
    template <class F>
    void Guarded(F&& handler);
    void ReportFailure(const std::string& what);
    std::vector<CDrawObj*> ObjectsOfCurrentPage() const;
    // Window origin of the screen preparation (the page placement).
    Point ScreenWindowOrigin() const;
    Size TotalDeviceSize() const;
    void ClampScroll();
    // The fit ratio of the client to the page with margins (mode 1 both
    // axes, mode 2 the width).
    double FitRatio(int mode) const;
    void ApplyScroll(Point position);
    void PostSelectionChanged();
    // The text size of a text made for inserted text: the ribbon's size box
    // times 20, saturated, at least the smallest text size.
    std::int32_t NewTextSize() const;
    CDrawText* MakeTextForInsertion();
    void RepaintSelection(const CSelectedObjects& selection);
    // The screen keeps handle squares until a paint covers them: where they
    // were painted is remembered, so that a moved or shrunk selection
    // repaints its old places too.
    void RememberShownHandles(const Rect& paintedClip);
    void InvalidateShownHandles();
    const CApplicationProperties* Settings() const;

    CKavitroDoc& m_document;
    ViewHost& m_host;
    CSelectedObjects m_selection;
    CViewOverlay m_overlay;
    ScrollInfo m_scroll;
    Size m_scrollClient;  // the client size the scroll range was made for
    std::uint32_t m_nCurrentPage = 0;
    // The space a new document starts with is not a change of the user's.
    bool m_startingTextPending = false;
    bool m_bActive = false;
    bool m_bCaretShown = false;
    std::int32_t m_nCaretHeight = -1;
    QImage m_backBuffer;
    Point m_paintOrigin;  // the client pixel at the back buffer's top-left while painting
    std::string m_lastReported;  // the failure last reported, not repeated on every repaint
    bool m_bFailedThisPaint = false;
    std::vector<Rect> m_shownHandles;  // client pixels
};

}  // namespace kavitro
