#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/GlyphFace.h"
#include "engine/GlyphMetrics.h"
#include "engine/PathData.h"
#include "platform/ErrorReport.h"

namespace kavitro {

// How a glyph font is to be made: the fields of a Windows LOGFONT, as plain
// data. Sizes are pixels of the 96-dpi metrics surface; a negative height is
// the em height.
struct FontDescription {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;   // tenths of a degree
    std::int32_t orientation = 0;  // tenths of a degree
    std::int32_t weight = 400;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 2;         // symbol character set
    std::uint8_t outPrecision = 7;    // TrueType fonts only
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 5;         // ClearType
    std::uint8_t pitchAndFamily = 2;  // variable pitch
    std::string faceName;

    friend bool operator==(const FontDescription&, const FontDescription&) = default;
};

// A glyph font made for one size and angle: what the drawing backends draw
// glyph U+F000 + i with (the face file of font `fontNumber`, scaled to
// `pixelsPerEm` and turned by the escapement). `serial` changes every time
// the font is made again.
struct GlyphFontInstance {
    bool created = false;
    int fontNumber = 0;
    FontDescription description;
    std::int32_t pixelsPerEm = 0;
    std::uint64_t serial = 0;
};

// The one object through which the engine and the drawing code reach the
// five glyph fonts "Vorl21" to "Vorl25": their widths at the reference size
// 2160 and at the current drawing size, line metrics, mark anchors, and the
// glyph outlines captured from the fonts and read from the vector-path file.
//
// Per-glyph tables are indexed (font - 1) * 256 + glyph index. Every lookup
// checks the font (1..5) and the index (0..255): an id outside the tables
// reads as an empty glyph (zero widths, no outline, no anchor), so a bad
// document never reads outside them.
class CCalligraphyFont : public IGlyphMetrics {
public:
    static constexpr int kFontCount = 5;
    static constexpr int kGlyphsPerFont = 256;
    static constexpr int kFontEntries = 6;   // fonts 1 to 5, and the scaled copy of the mark font
    static constexpr int kCopiedFont = 3;    // entry 5 copies font 4, the mark font
    static constexpr int kReferenceSize = 2160;
    static constexpr int kLogPixelsY = 96;
    static constexpr std::size_t kAnchorTableBytes = 20480;
    static constexpr const char* kAnchorFileName = "MarkAnchors.bin";
    static constexpr const char* kFontsFolderName = "fonts";
    static constexpr const char16_t* kFontInitializationError =
        u"Font initialization error, cannot load font information. Please try to run Kavitro later; if problem "
        u"persists, re-install the software.";
    static constexpr const char16_t* kPathInitializationError = u"Path Initialization failed!";

    // The process-wide object, made on first use.
    static CCalligraphyFont& GetInstance();
    // The glyph fonts' escapement (tenths of a degree) for a text turned by
    // angle degrees. A text's pen positions turn with the degree table, which
    // turns by -angle on the y-up page, so its glyphs must turn the same way:
    // by -angle, where an escapement counts counterclockwise.
    static std::int32_t GlyphEscapement(std::int32_t angle);

    // A separate object (tests); failures go to `report` (stderr when null).
    explicit CCalligraphyFont(ErrorReport* report = nullptr);
    ~CCalligraphyFont() override;
    CCalligraphyFont(const CCalligraphyFont&) = delete;
    CCalligraphyFont& operator=(const CCalligraphyFont&) = delete;

    void SetErrorReport(ErrorReport* report) { m_errorReport = report; }

    // Hands `mode` to the engine, then loads everything from the program's
    // data folder (share/kavitro): the mark anchors, the five fonts (from its
    // "fonts" folder, else installed ones), their widths and line metrics,
    // the outlines, and the vector-path file. Failures are reported and Init
    // goes on; a second Init raises a UserException.
    void Init(const std::filesystem::path& folder, int mode);
    bool IsInitialized() const { return !m_descriptions.empty(); }
    // The engine mode handed to Init (the "ZurazOrovaWriting" setting).
    int GetEngineMode() const { return m_mode; }

    // Makes the fonts for drawing on `dc` (the identity of the drawing
    // surface) at `size` points, turned by `angle` degrees, with the dot-mark
    // font at `percent` of the size (100: no separate dot-mark font). The
    // fonts are made again only when the surface, size or angle change, and
    // the dot-mark font only when one of those or the percent change.
    void SelectSize(const void* dc, std::int32_t size, std::int32_t angle, std::int32_t percent);

    // Where mark glyph 4/mark sits on `glyph` (x right, y up, glyph units);
    // y = -1 when the glyph has no anchor in that half.
    Point GetMarkAnchor(GlyphId glyph, std::uint8_t mark, bool below) const;

    // IGlyphMetrics
    GlyphAbc GetReferenceAbc(GlyphId id) const override;
    std::int32_t GetOutlineHeight(GlyphId id) const override;
    std::int32_t GetOutlineDepth(GlyphId id) const override;
    std::int32_t GetAnchorY(GlyphId id, bool below) const override;
    std::int32_t GetAnchorX(GlyphId id, bool below) const override;
    GlyphJoinPoints GetJoinPoints(GlyphId id) const override;
    bool HasJoinPoints() const override { return m_hasJoinPoints; }

    // Widths at the size of the last SelectSize.
    GlyphAbc GetCurrentAbc(GlyphId id) const;
    // Outline captured from the font, and polygon outline from the vector-path file.
    const CPathData& GetFontPath(GlyphId id) const;
    const CPathData& GetVectorPath(GlyphId id) const;

    std::int32_t GetLineHeight() const { return m_lineHeight; }
    std::int32_t GetAscent() const { return m_ascent; }
    std::int32_t GetDescent() const { return m_descent; }
    std::int32_t GetLogPixelsY() const { return m_logPixelsY; }
    int GetFontCount() const { return m_fontCount; }
    int GetGlyphsPerFont() const { return kGlyphsPerFont; }

    // Entry 0..4: fonts 1 to 5 at the current size and angle; entry 5: the
    // dot-mark copy of font 4 (not made while the percent is 100).
    const GlyphFontInstance& GetFont(int entry) const;
    // The description of font 1..5 (filled by Init).
    const FontDescription& GetFontDescription(int fontNumber) const;
    // The face of font 1..5 and the file it came from; null and empty when
    // the font is missing.
    const CGlyphFace* GetFace(int fontNumber) const;
    std::filesystem::path GetFontFile(int fontNumber) const;

    // The interface font that the application shell attaches at start-up.
    const FontDescription& GetUserInterfaceFont() const { return m_userInterfaceFont; }
    void SetUserInterfaceFont(const FontDescription& font) { m_userInterfaceFont = font; }

private:
    static bool IsTableGlyph(GlyphId id);
    static std::size_t TableIndex(GlyphId id);

    void LoadAnchors(const std::filesystem::path& folder);
    void LoadFaces(const std::filesystem::path& fontsFolder);
    void CreateMetrics();
    void CaptureGlyphPaths();
    void LoadVectorPaths(const std::filesystem::path& folder);
    void MakeFont(int entry, int fontNumber, const FontDescription& description);
    void DeleteFont(int entry);
    void Report(const char16_t* message);

    ErrorReport* m_errorReport = nullptr;
    int m_mode = 0;

    std::vector<FontDescription> m_descriptions;
    std::int32_t m_logPixelsY = kLogPixelsY;
    std::array<GlyphFontInstance, kFontEntries> m_fonts{};
    int m_fontCount = 0;
    std::vector<GlyphAbc> m_referenceWidths;
    std::vector<GlyphAbc> m_currentWidths;
    std::int32_t m_lineHeight = 0;
    std::int32_t m_ascent = 0;
    std::int32_t m_descent = 0;
    std::vector<std::int32_t> m_anchorY;
    std::vector<std::int32_t> m_anchorX;
    std::vector<GlyphJoinPoints> m_joinPoints;  // glyph units, from the fonts' join-point tables
    bool m_hasJoinPoints = false;

    // The last SelectSize.
    std::int32_t m_cachedSize = -1;
    std::int32_t m_cachedAngle = -1;
    std::int32_t m_cachedPercent = -1;
    const void* m_cachedDc = nullptr;

    std::vector<CPathData> m_fontPaths;
    std::vector<CPathData> m_vectorPaths;
    FontDescription m_userInterfaceFont;

    std::uint64_t m_lastSerial = 0;
    char m_metricsSurface = 0;  // its address identifies the metrics surface
    std::unique_ptr<CFreeTypeLibrary> m_library;
    std::array<std::unique_ptr<CGlyphFace>, kFontCount> m_faces;
};

}  // namespace kavitro
