#include "engine/VectorPathSource.h"

#include "engine/CalligraphyFont.h"

namespace kavitro {

namespace {

class FontVectorPaths final : public IVectorPathSource {
public:
    const CPathData& GetVectorPath(GlyphId id) const override {
        return CCalligraphyFont::GetInstance().GetVectorPath(id);
    }
};

const FontVectorPaths g_fontPaths;
const IVectorPathSource* g_source = nullptr;

}  // namespace

const IVectorPathSource& GetVectorPaths() { return g_source != nullptr ? *g_source : g_fontPaths; }

void SetVectorPaths(const IVectorPathSource* source) { g_source = source; }

}  // namespace kavitro
