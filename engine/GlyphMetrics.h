#pragma once

// The glyph measures that the text model needs: ABC widths at the reference
// size 2160, the outline height and depth of each glyph, and the raw
// mark-anchor tables. The glyph-font object provides them; tests and tools
// provide synthetic tables through the same interface.

#include <cstdint>

#include "engine/Letters.h"
#include "platform/Geometry.h"

namespace kavitro {

struct GlyphAbc {
    std::int32_t a = 0;
    std::uint32_t b = 0;  // black-box width
    std::int32_t c = 0;

    std::int64_t Advance() const { return std::int64_t{a} + std::int64_t{b} + std::int64_t{c}; }
};

// Where a glyph joins its neighbours in a connected letter group: glyph
// units in its own outline coordinates (x rightward from its origin, y up
// from its baseline, before any lift). A glyph with neither point is
// transparent: the chain of joins passes across it.
struct GlyphJoinPoints {
    bool hasEntry = false;  // where the letter before it (to its right) joins
    bool hasExit = false;   // where the letter after it (to its left) joins
    Point entry;
    Point exit;

    bool IsTransparent() const { return !hasEntry && !hasExit; }
    friend bool operator==(const GlyphJoinPoints&, const GlyphJoinPoints&) = default;
};

// All measures in glyph units. Implementations answer every id, also one
// whose font lies outside 1..5 (with zeros, and no anchor).
class IGlyphMetrics {
public:
    virtual ~IGlyphMetrics() = default;

    virtual GlyphAbc GetReferenceAbc(GlyphId id) const = 0;
    // How far the glyph's outline reaches above and below its baseline, 0 or more.
    virtual std::int32_t GetOutlineHeight(GlyphId id) const = 0;
    virtual std::int32_t GetOutlineDepth(GlyphId id) const = 0;
    // Raw anchor-table entries of the half for marks above (below = false) or
    // below the letter; y = -1 means the glyph has no anchor there.
    virtual std::int32_t GetAnchorY(GlyphId id, bool below) const = 0;
    virtual std::int32_t GetAnchorX(GlyphId id, bool below) const = 0;
    // Join points; artwork without them (and a source that knows none)
    // answers none, so that every join correction is zero.
    virtual GlyphJoinPoints GetJoinPoints(GlyphId) const { return {}; }
    // Some glyph has join points: without any, placement skips the walk.
    virtual bool HasJoinPoints() const { return false; }
};

// Where mark glyph 4/mark sits on a base glyph: the anchor, with x moved by
// the mark's advance. y = -1: no anchor, the mark stays where it is.
Point GetMarkAnchor(const IGlyphMetrics& metrics, GlyphId glyph, std::uint8_t mark, bool below);

// The process-wide metrics the measures read: the glyph-font object
// (CCalligraphyFont::GetInstance) unless another source is set.
const IGlyphMetrics& GetGlyphMetrics();
// Makes metrics the process-wide source (null: back to the glyph-font
// object). The object must outlive its use.
void SetGlyphMetrics(const IGlyphMetrics* metrics);
// Counts the changes of glyph measures (a new process-wide source, or new
// values in any source), so that measures kept from them can tell they are
// stale.
std::uint64_t GetGlyphMetricsGeneration();
void NoteGlyphMetricsChanged();

}  // namespace kavitro
