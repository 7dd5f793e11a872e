#pragma once

// Polygon outlines per glyph for tests, installed as the process-wide
// vector-path source unless made for one paragraph's context.

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "engine/VectorPathSource.h"

namespace kavitro::test {

class TestVectorPaths final : public IVectorPathSource {
public:
    struct ForOneContext {};
    TestVectorPaths() { SetVectorPaths(this); }
    explicit TestVectorPaths(ForOneContext) : m_processWide(false) {}
    ~TestVectorPaths() override {
        if (m_processWide)
            SetVectorPaths(nullptr);
    }
    TestVectorPaths(const TestVectorPaths&) = delete;
    TestVectorPaths& operator=(const TestVectorPaths&) = delete;

    void Set(GlyphId id, std::vector<std::uint8_t> types, std::vector<Point> points) {
        const auto count = static_cast<std::int32_t>(points.size());
        m_paths[id].Assign(std::move(types), std::move(points), count, 0, 0);
    }
    const CPathData& GetVectorPath(GlyphId id) const override {
        auto it = m_paths.find(id);
        return it != m_paths.end() ? it->second : m_empty;
    }

private:
    bool m_processWide = true;
    std::map<GlyphId, CPathData> m_paths;
    CPathData m_empty;
};

}  // namespace kavitro::test
