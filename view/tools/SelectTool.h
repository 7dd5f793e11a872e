#pragma once

// The default tool: picks objects, selects by rubber band, moves and
// resizes the selection, drags guide lines (dragging one out of the window
// deletes it), cycles through stacked objects, and inside the one selected
// text selects and drags words, letters, marks and vowel signs. The object
// tools hand their new object to it in size mode; the text-component tools
// derive from it.

#include <cstdint>
#include <vector>

#include "engine/TextComponentSelection.h"
#include "view/DrawTool.h"

namespace kavitro {

class CDrawText;

class CSelectTool : public CDrawTool {
public:
    // A double click on a guide line opens the page properties, a dialog of
    // the shell.
    static constexpr std::uint32_t kPagePropertiesCommand = 32808;

    explicit CSelectTool(std::int32_t shape = 0, ToolCursor cursor = {}, bool componentsOnly = false)
        : CDrawTool(shape, cursor), m_bComponentsOnly(componentsOnly) {}

    void OnLButtonDown(CKavitroView& view, std::uint32_t flags, Point point) override;
    void OnLButtonDblClk(CKavitroView& view, std::uint32_t flags, Point point) override;
    void OnLButtonUp(CKavitroView& view, std::uint32_t flags, Point point) override;
    void OnMouseMove(CKavitroView& view, std::uint32_t flags, Point point, bool setCursor) override;
    void OnEditProperties(CKavitroView& view) override;
    std::int32_t GetCtrlClickShape() const override { return 1; }

    // The index of the first component whose first word lies in the range's
    // words (inclusive, either order); -1 when none.
    static int FindTextComponentInRange(const CTextComponentSelection& range,
                                        const std::vector<CTextComponentSelection>& components);

    const std::vector<CTextComponentSelection>& GetComponents() const { return m_components; }
    bool IsGuideHover() const { return m_bGuideHover; }

protected:
    // The components of the edited text under a press (device point) and
    // whether the view's range is among them.
    void HitTestTextComponents(CKavitroView& view, Point point);
    // A click on the edited text: the range steps to the next component
    // under the point (Shift extends a word range).
    void ClickTextComponent(CKavitroView& view, std::uint32_t flags, Point point);
    // Drags the selected component by an offset in view logical units.
    void MoveTextComponents(CKavitroView& view, Point offset);

    std::vector<CTextComponentSelection> m_components;
    bool m_bComponentsMoved = false;
    bool m_bComponentsOnly = false;
    bool m_bGuideHover = false;
    double m_dPressWidth = 0.0;
    double m_dWidthChange = 0.0;

private:
    void DragGuide(CKavitroView& view, Point offset);
    void ResizeSelection(CKavitroView& view, Point p, std::int32_t dx);
    void HoverWithoutCapture(CKavitroView& view, Point p);
    void ReleaseMove(CKavitroView& view, std::uint32_t flags, Point p, Point point);
    void ReleaseGuide(CKavitroView& view, Point point);
};

}  // namespace kavitro
