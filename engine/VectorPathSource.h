#pragma once

// Where the polygon outlines of the glyphs come from when the geometry of
// words is built: the vector-path file held by the glyph-font object, or a
// synthetic set in tests and tools.

#include "engine/GlyphMetrics.h"
#include "engine/PathData.h"

namespace kavitro {

class IVectorPathSource {
public:
    virtual ~IVectorPathSource() = default;
    // The glyph's polygon outline, glyph units with y upward; an empty record
    // for a glyph that has none (also for an id outside the fonts).
    virtual const CPathData& GetVectorPath(GlyphId id) const = 0;
};

// The process-wide source: the glyph-font object (CCalligraphyFont::GetInstance)
// unless another source is set.
const IVectorPathSource& GetVectorPaths();
// Makes `source` the process-wide one (null: back to the glyph-font object).
// The object must outlive its use.
void SetVectorPaths(const IVectorPathSource* source);

}  // namespace kavitro
