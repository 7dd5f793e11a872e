#pragma once

// A synthetic glyph table for tests: every glyph has the same default ABC,
// or with Distinct() an advance that differs from glyph to glyph (so that a
// changed glyph shows in the widths), unless a test sets its own; heights,
// depths and anchors are 0 / absent unless set. Installed as the
// process-wide metrics for its lifetime, unless made for one paragraph's
// context (ForOneContext).

#include <map>
#include <utility>

#include <vector>

#include "engine/CalligraphyText.h"
#include "engine/GlyphMetrics.h"

namespace kavitro::test {

class TestGlyphMetrics final : public IGlyphMetrics {
public:
    struct Distinct {};
    struct ForOneContext {};
    explicit TestGlyphMetrics(GlyphAbc defaultAbc = {10, 80, 10}) : m_default(defaultAbc) { SetGlyphMetrics(this); }
    explicit TestGlyphMetrics(Distinct) : m_distinct(true) { SetGlyphMetrics(this); }
    TestGlyphMetrics(GlyphAbc defaultAbc, ForOneContext) : m_default(defaultAbc), m_processWide(false) {}
    ~TestGlyphMetrics() override {
        if (m_processWide)
            SetGlyphMetrics(nullptr);
    }
    TestGlyphMetrics(const TestGlyphMetrics&) = delete;
    TestGlyphMetrics& operator=(const TestGlyphMetrics&) = delete;

    void SetAbc(GlyphId id, GlyphAbc abc) {
        m_abc[id] = abc;
        NoteGlyphMetricsChanged();
    }
    void SetOutline(GlyphId id, std::int32_t height, std::int32_t depth) {
        m_outline[id] = {height, depth};
        NoteGlyphMetricsChanged();
    }
    void SetAnchor(GlyphId id, bool below, Point anchor) {
        m_anchor[{id, below}] = anchor;
        NoteGlyphMetricsChanged();
    }
    void SetJoinPoints(GlyphId id, GlyphJoinPoints points) {
        m_joinPoints[id] = points;
        NoteGlyphMetricsChanged();
    }

    GlyphAbc GetReferenceAbc(GlyphId id) const override {
        auto it = m_abc.find(id);
        if (it != m_abc.end())
            return it->second;
        if (m_distinct)
            return {3, 100 + 7 * (GlyphIndex(id) % 13) + 2 * GlyphFont(id), -1};
        return m_default;
    }
    std::int32_t GetOutlineHeight(GlyphId id) const override {
        auto it = m_outline.find(id);
        return it != m_outline.end() ? it->second.first : 0;
    }
    std::int32_t GetOutlineDepth(GlyphId id) const override {
        auto it = m_outline.find(id);
        return it != m_outline.end() ? it->second.second : 0;
    }
    std::int32_t GetAnchorY(GlyphId id, bool below) const override {
        auto it = m_anchor.find({id, below});
        return it != m_anchor.end() ? it->second.y : -1;
    }
    std::int32_t GetAnchorX(GlyphId id, bool below) const override {
        auto it = m_anchor.find({id, below});
        return it != m_anchor.end() ? it->second.x : -1;
    }
    GlyphJoinPoints GetJoinPoints(GlyphId id) const override {
        auto it = m_joinPoints.find(id);
        return it != m_joinPoints.end() ? it->second : GlyphJoinPoints{};
    }
    bool HasJoinPoints() const override { return !m_joinPoints.empty(); }

private:
    GlyphAbc m_default;
    bool m_distinct = false;
    bool m_processWide = true;
    std::map<GlyphId, GlyphAbc> m_abc;
    std::map<GlyphId, std::pair<std::int32_t, std::int32_t>> m_outline;
    std::map<std::pair<GlyphId, bool>, Point> m_anchor;
    std::map<GlyphId, GlyphJoinPoints> m_joinPoints;
};

// A shaped character and a placed word, for measures that need no shaping.
inline CCalligraphyCharacter MakeCharacter(GlyphId glyph, std::uint16_t code, std::int32_t yOffset = 0) {
    CCalligraphyCharacter c;
    c.m_code = code;
    c.SetGlyph(glyph);
    c.m_yOffset = yOffset;
    return c;
}

inline CCalligraphyWord MakeWordAt(std::vector<CCalligraphyCharacter> characters, std::int32_t x, std::int32_t y) {
    CCalligraphyWord word;
    word.m_characters = std::move(characters);
    word.m_x = x;
    word.m_y = y;
    return word;
}

}  // namespace kavitro::test
