#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "engine/GlyphMetrics.h"
#include "engine/PathData.h"

namespace kavitro {

// One FreeType library instance, released with its owner.
class CFreeTypeLibrary {
public:
    CFreeTypeLibrary();  // raises a UserException when FreeType cannot start
    ~CFreeTypeLibrary();
    CFreeTypeLibrary(const CFreeTypeLibrary&) = delete;
    CFreeTypeLibrary& operator=(const CFreeTypeLibrary&) = delete;

    FT_Library Get() const { return m_library; }

private:
    FT_Library m_library = nullptr;
};

// One glyph font opened with FreeType. Glyph index i of a glyph font is the
// character U+F000 + i; the design data of the 256 glyphs (font units, no
// hinting) is read once when the face is opened, so that widths at any size
// and outlines need no further FreeType calls.
class CGlyphFace {
public:
    static constexpr int kGlyphCount = 256;
    static constexpr std::uint32_t kFirstCode = 0xF000;

    // Finds the face of `family`: first a font file in `fontsFolder` (the file
    // named family + ".ttf", then any other font file there), then through
    // fontconfig. The family of what is found must be the one asked for; a
    // font that is not there raises a UserException rather than being
    // replaced by another.
    static std::unique_ptr<CGlyphFace> Open(FT_Library library, const std::filesystem::path& fontsFolder,
                                            const std::string& family);
    // Opens one file; raises a UserException when it cannot be read or holds
    // another family.
    static std::unique_ptr<CGlyphFace> OpenFile(FT_Library library, const std::filesystem::path& file,
                                                const std::string& family);

    ~CGlyphFace();
    CGlyphFace(const CGlyphFace&) = delete;
    CGlyphFace& operator=(const CGlyphFace&) = delete;

    const std::filesystem::path& GetFile() const { return m_file; }
    FT_Face GetFace() const { return m_face; }
    std::int32_t GetUnitsPerEm() const { return m_unitsPerEm; }
    // The Windows line metrics of the OS/2 table, in font units.
    std::int32_t GetWinAscent() const { return m_winAscent; }
    std::int32_t GetWinDescent() const { return m_winDescent; }

    // ABC widths of glyph `index` (0..255) for an em of `pixelsPerEm` pixels;
    // a glyph without ink has A = B = 0 and its advance in C.
    GlyphAbc GetABCWidths(int index, std::int32_t pixelsPerEm) const;
    // A line metric of the font (in font units) at that em size.
    std::int32_t ScaleToPixels(std::int32_t fontUnits, std::int32_t pixelsPerEm) const;

    // The path that drawing glyph `index` at the origin records, aligned on
    // its right edge and its baseline (the glyph spans x from minus its
    // advance to 0), in device coordinates with y downward. Quadratic arcs
    // become cubic Béziers with their controls two thirds of the way to the
    // quadratic control point; each contour is one figure whose last point
    // carries CloseFigure (a closing straight line is left implicit).
    PathBuffer GetGlyphPath(int index, std::int32_t pixelsPerEm) const;

    // Where glyph `index` joins its neighbours, at an em of `pixelsPerEm`
    // pixels; none when the font holds no sound join-point table or no
    // record for the glyph.
    GlyphJoinPoints GetJoinPoints(int index, std::int32_t pixelsPerEm) const;
    bool HasJoinPoints() const { return !m_joinPoints.empty(); }

private:
    struct GlyphDesign {
        std::int32_t advance = 0;
        std::int32_t xMin = 0;
        std::int32_t xMax = 0;
        bool inked = false;
        std::vector<FT_Vector> points;
        std::vector<char> tags;
        std::vector<short> contourEnds;
    };

    CGlyphFace(FT_Face face, std::filesystem::path file);
    void ReadDesign();
    void ReadJoinPoints();
    const GlyphDesign& Glyph(int index) const;

    FT_Face m_face;
    std::filesystem::path m_file;
    std::int32_t m_unitsPerEm = 0;
    std::int32_t m_winAscent = 0;
    std::int32_t m_winDescent = 0;
    std::array<GlyphDesign, kGlyphCount> m_glyphs;
    std::vector<GlyphJoinPoints> m_joinPoints;  // font units, by glyph index
};

}  // namespace kavitro
