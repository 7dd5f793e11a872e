#pragma once

// Counts the pieces of ink that a joined letter group falls into as the
// engine places its letters, against the pieces its glyphs have alone: a
// group whose joins all close is one piece of ink (plus whatever pieces a
// glyph has of its own, such as a drawn dot).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "engine/CalligraphyText.h"
#include "engine/GlyphFace.h"
#include "engine/JoinCorrection.h"

namespace kavitro::tool {

// Glyph units (font units of the 2880-unit em at the reference size) per
// pixel of the measure's raster.
inline constexpr int kGlyphUnitsPerPixel = 12;

// A row's stretch of ink pixels, x0..x1 inclusive, y growing upward.
struct InkRun {
    int y = 0;
    int x0 = 0;
    int x1 = 0;
};

// Counts the 8-connected pieces of the ink that runs cover (runs may
// overlap, in any order), keeping its buffers from one count to the next.
class CInkPieceCounter {
public:
    std::size_t Count(const std::vector<InkRun>& runs);

private:
    std::size_t Find(std::size_t i);

    std::vector<InkRun> m_rows;         // the runs by row, then x
    std::vector<std::size_t> m_starts;  // where each row begins in m_rows
    std::vector<std::size_t> m_parent;  // union-find over the rows' merged stretches
};

inline std::size_t CountGroupInk(const std::vector<InkRun>& runs) { return CInkPieceCounter().Count(runs); }

// A run of letters of one word each of which joins the next (as the join
// correction groups them): characters
// first .. first + count - 1.
struct JoinedGroup {
    std::size_t first = 0;
    std::size_t count = 0;
};

// The word's joined groups of two or more letters, in order.
std::vector<JoinedGroup> FindJoinedGroups(const CCalligraphyWord& word);

// A glyph's ink at kGlyphUnitsPerPixel with its origin on a pixel corner:
// its runs, and the pieces they make.
struct GlyphInk {
    std::vector<InkRun> runs;
    std::size_t pieces = 0;
};

// Renders the outlines of the process-wide glyph fonts, a pixel being ink
// where the outline covers at least half of it. Each glyph is rendered once
// and placed on whole pixels, as a glyph drawn on a device is.
class CGlyphRasterizer {
public:
    CGlyphRasterizer();
    ~CGlyphRasterizer();
    CGlyphRasterizer(const CGlyphRasterizer&) = delete;
    CGlyphRasterizer& operator=(const CGlyphRasterizer&) = delete;

    // Nothing for a glyph without an outline.
    const GlyphInk& GetInk(GlyphId id);

private:
    GlyphInk Render(GlyphId id) const;

    CFreeTypeLibrary m_library;
    std::map<GlyphId, GlyphInk> m_inks;
};

// How one joined group lies as placed: its ink's pieces, and the pieces
// its glyphs have alone.
struct GroupPieces {
    std::size_t pieces = 0;
    std::size_t glyphPieces = 0;  // sum over its inked glyphs
    std::size_t inkedGlyphs = 0;

    // Pieces beyond those its glyphs bring: 0 when the group is one piece.
    std::size_t Extra() const {
        const std::size_t allowed = 1 + glyphPieces - std::min(glyphPieces, inkedGlyphs);
        return pieces > allowed ? pieces - allowed : 0;
    }
};

// Rasterises a joined group's letter glyphs (marks left out) where the
// program places them: pen, lift and the given placement correction of each
// character (one per character of the word; empty: none).
class CGroupInkMeasure {
public:
    GroupPieces Measure(const CCalligraphyWord& word, const JoinedGroup& group,
                        const std::vector<JoinCorrection>& corrections,
                        const IGlyphMetrics& metrics = GetGlyphMetrics());

private:
    CGlyphRasterizer m_rasterizer;
    CInkPieceCounter m_counter;
    std::vector<InkRun> m_ink;
};

// Whether the dots of a word's letters keep clear of each other as the
// program places them: each letter's dot mark at its anchor, moved by the
// stored mark offset and the letter's placement correction, rasterised as
// the groups are.
class CNeighbourDotMeasure {
public:
    // The pairs of letters whose dots' ink touches (8-connected).
    std::size_t CountTouchingPairs(const CCalligraphyWord& word, const std::vector<JoinCorrection>& corrections,
                                   const IGlyphMetrics& metrics = GetGlyphMetrics());

private:
    CGlyphRasterizer m_rasterizer;
    std::vector<std::vector<InkRun>> m_dots;  // per dotted letter, its placed ink
};

}  // namespace kavitro::tool
