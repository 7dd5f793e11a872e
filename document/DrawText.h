#pragma once

// A block of Nastaliq text on a page: one paragraph (words and vowel signs)
// laid out inside the object's rotatable rectangle, typed into key by key,
// drawn glyph by glyph with the glyph fonts, and handed to the EPS writer as
// glyph outlines.
//
// The rectangle is stored mirrored: its left edge is where the text starts
// (the right-hand edge on the page) and right = left - width. Word x values
// grow leftwards from that edge. Paragraph x values are glyph units at size
// 2160 (document units: value * size / 2160), y values are 1/750 of the size.

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "document/ApplicationProperties.h"
#include "document/DrawObj.h"
#include "document/DrawTextLayout.h"
#include "document/ObjectsBuffer.h"
#include "engine/CalligraphyText.h"
#include "engine/TextComponentSelection.h"
#include "platform/DC.h"

namespace kavitro {

struct CLegacyTextBlock;

// What a text object needs of the view that edits it beyond
// DocumentViewObserver: the view's text-component selection and the mapping
// of its prepared client DC. The page view implements it next to
// DocumentViewObserver; a view without it has no component selection and
// maps device units one to one.
class TextEditView {
public:
    virtual ~TextEditView() = default;
    virtual CTextComponentSelection& GetComponentSelection() = 0;
    virtual Point DeviceToLogical(Point device) const = 0;
};

// Glyph outlines of the five glyph fonts for text drawn into a path or a
// path recorder: the character U+F000 + i of face "Vorl2N" is glyph i of
// font N, scaled from glyph units by the font's em height.
class CGlyphFontOutlines final : public IGlyphOutlineSource {
public:
    bool GetGlyphOutline(const LogFont& font, char16_t code, GlyphOutline& outline) const override;
    static const CGlyphFontOutlines& Instance();
};

// Component modes of the drawing, rectangle, hit-test and outline operations.
enum TextComponentMode : int {
    kWordsWithMarks = 0,
    kWordsWithoutMarks = 1,
    kLetterMark = 2,
    kLetter = 3,
    kVowelPoint = 4,
};

class CDrawText : public CDrawObj, public TextUndoTarget {
    KAVITRO_DECLARE_SERIAL(CDrawText)

public:
    static constexpr std::int32_t kDefaultSize = 500;
    static constexpr std::int32_t kMinSize = 40;
    // The largest text size a file, a rescale or a handle drag may give
    // (2 m at 0.01 mm); keeps every glyph-unit conversion inside 32 bits.
    static constexpr std::int32_t kMaxSize = 200000;
    static constexpr std::uint32_t kSchema = 1;
    // The text-modification codes.
    static constexpr std::uint32_t kFirstModifyCode = 65430;
    static constexpr std::uint32_t kLastModifyCode = 65432;
    // Shown when the engine refuses a code and "DebugLevel" bit 4 is set.
    static constexpr std::uint32_t kRefusedCodeMessage = 11035;

    // For loading: empty frame and paragraph, then InitText.
    CDrawText();
    // A new text at a zoomed position, InitText run.
    CDrawText(const CPolygonRect& zoomedPosition, std::uint32_t page, CKavitroDoc* document);
    ~CDrawText() override = default;

    void Serialize(CArchive& ar) override;

    // --- CDrawObj ----------------------------------------------------------
    void SetPosition(const CPolygonRect& zoomedPosition, bool record) override;
    bool IsEmpty() const override;
    int GetHandleCount() const override { return 4; }
    Point GetHandle(int handle) const override;
    HandleCursor GetHandleCursor(int handle) const override;
    void Draw(CDC& dc) override;
    void ExportEPS(CVector& writer, bool measure) override;
    void GetCharacterCodes(std::vector<std::uint16_t>& codes) const override;
    void DrawTracker(CDC& dc, DocumentViewObserver* view, int state) override;
    bool IntersectsPoint(Point point) override;
    // A text is picked by its frame, where its ink and handles are.
    bool Intersects(const Rect& zoomedRect) override;
    void MoveHandleTo(int handle, Point point, DocumentViewObserver* view) override;
    CDrawObj* Clone(CKavitroDoc* document) override;
    using CDrawObj::ApplyChange;
    // Rotates to angle (absolute) or by it, recording the position first.
    void ApplyChange(DocumentViewObserver* view, std::int32_t angle, bool absolute, bool invalidate);
    void ScaleAbout(Point origin, double factor, DocumentViewObserver* view) override;
    void CacheZoomedRect() override;
    void ClearZoomedRect() override;
    void GetZoomedPosition(CPolygonRect& out) const override;
    void GetZoomedRect(Rect& out) const override;

    // --- TextUndoTarget ----------------------------------------------------
    std::int32_t GetTextSize() const override { return m_nSize; }
    void SetTextSize(std::int32_t size) override { m_nSize = ClampSize(size); }
    TextSnapshot TakeTextSnapshot() const override;
    void ExchangeTextState(TextSnapshot& snapshot) override;
    void UpdateFrame() override;

    // --- Editing -------------------------------------------------------------
    void InitText();
    // One typed code: 1 when the text took it (or nothing was to insert), 0
    // when the engine refused it or Enter started a new text. After Enter
    // returns 0 this object may have been deleted (an empty text is purged
    // when the new one is added): the caller must not use it again.
    int OnChar(DocumentViewObserver* view, std::uint32_t code, std::uint32_t flags = 0);
    void RecalcLayout(DocumentViewObserver* view, bool invalidate);
    void FitFrameToText(const Rect& box, DocumentViewObserver* view, bool flag);
    Point GetCaretOffset() const;
    void SetCaretAfterWord(std::uint32_t n);
    // A new, unplaced text with the selected words; InvalidArgumentException
    // for a range outside the words.
    CDrawText* ExtractWords(const CTextComponentSelection& selection) const;
    void MoveVowelPointBy(CTextComponentSelection& selection, Point offset);
    void MoveMarkOrWordsBy(CTextComponentSelection& selection, Point offset);
    // Builds the text from a version-1.x text block; angleTenths is the
    // block's rotation in tenths of a degree.
    void LoadVersion1Text(const CLegacyTextBlock& block, double factor, std::int32_t angleTenths = 0);

    // --- Drawing and components ----------------------------------------------
    // Draw with the glyphs only (no rectangle, no baseline); the count drawn.
    int DrawGlyphs(CDC& dc, bool glyphsOnly);
    int DrawComponents(CDC& dc, const Rect* clip, const CTextComponentSelection& selection, Point origin, int mode);
    CPolygonRect GetComponentRect(const CTextComponentSelection& selection, int mode) const;
    // `point` in device units of the view.
    int HitComponent(DocumentViewObserver* view, const CTextComponentSelection& selection, int mode, Point point);
    void FindComponentsAt(DocumentViewObserver* view, std::vector<CTextComponentSelection>& out, Point point,
                          bool letters);
    int WriteEPS(CVector& writer, const CTextComponentSelection& selection, Point origin, bool measure);

    // The baseline point at 100 % and scaled by the zoom.
    Point GetBaselinePoint() const;
    Point GetZoomedBaselinePoint() const;
    // True when the selection names a word range or a vowel point inside the text.
    bool IsValidSelection(const CTextComponentSelection& selection) const;

    static std::int32_t ClampSize(std::int64_t size);

    CPolygonRect m_frame;
    CCalligraphyParagraph m_paragraph;
    std::int32_t m_nSize = kDefaultSize;
    COLORREF m_color = 0;
    std::int32_t m_nCachedSize = 0;
    std::int32_t m_nBaselineOffset = 0;
    std::int32_t m_nCaret = 0;

private:
    int StartNewLine(DocumentViewObserver* view);
    // Runs an edit of the words around the caret (which returns non-zero
    // when it took the key): the layout measures again only the words it may
    // change, and its undo step keeps only those words as they were. The
    // step is taken when the edit took the key, failed, or alwaysRecorded.
    template <typename Edit>
    std::int32_t EditAroundCaret(Edit&& edit, bool alwaysRecorded);
    Rect TextBox() const;
    // How far the ink (glyphs, marks, vowel signs) reaches above and below
    // the baseline, document units at 100 %.
    std::pair<std::int64_t, std::int64_t> InkHeights() const;
    const CApplicationProperties* Settings() const;
    std::int32_t Setting(CApplicationProperties::Setting which, std::int32_t fallback) const;
    std::int32_t MarkPercent() const;
    void PostSelectionChanged() const;
    void InvalidateEverywhere(DocumentViewObserver* view);
    void CheckWord(std::size_t word) const;
    CTextComponentSelection* ComponentSelectionOf(DocumentViewObserver* view) const;
    // Rotates an offset in view units back by the object's angle and brings
    // it to glyph units (x by 2160 / zoomed size, y by yDenominator).
    Point OffsetToGlyphUnits(Point offset, std::int32_t yDenominator) const;
    void DrawBaseline(CDC& dc, Point origin, std::int32_t left, std::int32_t right) const;
    // The part of the text that can show in the DC's clip (glyph units
    // across, y units down), or none when all of it is drawn.
    std::optional<Rect> ReachOfClip(const CDC& dc, Point origin) const;
    // Whether word `word`'s ink can reach that part.
    bool MayReach(std::size_t word, const Rect& reach) const;

    std::uint64_t m_nFrameUpdates = 0;  // counts UpdateFrame, so layout measures once
    // The words' measures the frame, ink heights and drawing read.
    mutable CTextLayout m_layout;
};

}  // namespace kavitro
