#pragma once

// Tools that work inside the one selected text object: the text-component
// tool selects and drags words, letters, marks and vowel signs; the three
// text-modification tools apply the alternate form, the glyph variant or
// the glyph swap to the letter clicked. Neither gives way to the select tool
// after a click.

#include <cstdint>

#include "view/tools/SelectTool.h"

namespace kavitro {

class CSelectTextComponentsTool : public CSelectTool {
public:
    explicit CSelectTextComponentsTool(std::int32_t shape = 1, ToolCursor cursor = {ToolCursor::Kind::Resource, 10204},
                                       bool componentsOnly = false)
        : CSelectTool(shape, cursor, componentsOnly) {}

    void OnLButtonDown(CKavitroView& view, std::uint32_t flags, Point point) override;
    void OnLButtonDblClk(CKavitroView&, std::uint32_t, Point) override {}
    void OnLButtonUp(CKavitroView& view, std::uint32_t flags, Point point) override;
    void OnMouseMove(CKavitroView& view, std::uint32_t flags, Point point, bool setCursor) override;
    bool RevertsToSelection() const override { return false; }
};

class CTextModificationTool : public CSelectTextComponentsTool {
public:
    CTextModificationTool(std::int32_t shape, std::uint32_t code, std::uint32_t cursorId)
        : CSelectTextComponentsTool(shape, {ToolCursor::Kind::Resource, cursorId}, true), m_nCode(code) {}
    std::uint32_t GetModificationCode() const { return m_nCode; }

    void OnLButtonUp(CKavitroView& view, std::uint32_t flags, Point point) override;
    void OnMouseMove(CKavitroView& view, std::uint32_t flags, Point point, bool setCursor) override;

private:
    std::uint32_t m_nCode;
};

}  // namespace kavitro
