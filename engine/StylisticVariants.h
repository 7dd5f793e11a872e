#pragma once

// The stylistic-alternates menu offers the distinct shapings of one word that
// the alternate forms, the glyph variants and the glyph swaps give. The
// builder explores them over a re-shaper, which the program backs with the
// shaping engine.

#include <cstddef>
#include <cstdint>

#include "engine/CalligraphyText.h"

namespace kavitro {

// The three ways of re-shaping a word that the menu explores. Each works on
// the word alone, as if no word came before it.
class IWordReshaper {
public:
    virtual ~IWordReshaper() = default;
    // The word's characters fed again into a new word (each keeping its
    // alternate and modified flags), with the alternate form settled just
    // before character `before` arrives. A refused character is missing from
    // the result.
    virtual CCalligraphyWord Refeed(const CCalligraphyWord& word, std::size_t before) = 0;
    // The glyph-variant and glyph-swap commands on the letter before cursor.
    virtual void ApplyGlyphVariant(CCalligraphyWord& word, std::int32_t cursor) = 0;
    virtual void ApplyGlyphSwap(CCalligraphyWord& word, std::int32_t cursor) = 0;
};

// Re-shapes through a shaping engine (a paragraph hands in its context's).
class CEngineWordReshaper final : public IWordReshaper {
public:
    explicit CEngineWordReshaper(CCalligraphyEngine& engine) : m_engine(engine) {}

    CCalligraphyWord Refeed(const CCalligraphyWord& word, std::size_t before) override;
    void ApplyGlyphVariant(CCalligraphyWord& word, std::int32_t cursor) override;
    void ApplyGlyphSwap(CCalligraphyWord& word, std::int32_t cursor) override;

private:
    CCalligraphyEngine& m_engine;
};

class CStylisticVariantBuilder {
public:
    // Longer words get no variants: their combinations would take too long.
    static constexpr std::size_t kMaxSourceLength = 7;
    // No further word is taken as a starting point once this many exist...
    static constexpr std::size_t kStartingPointLimit = 15;
    // ...and none is added beyond the menu's commands (501 to 519).
    static constexpr std::size_t kMaxVariants = 19;

    explicit CStylisticVariantBuilder(IWordReshaper& reshaper) : m_reshaper(reshaper) {}

    // Replaces result's words and points by the variants of source: word 0
    // is source at (0, 0), then the alternate forms, then the glyph variants
    // and the glyph swaps, each inserted after the word it came from.
    void Build(const CCalligraphyWord& source, CCalligraphyParagraph& result) const;

private:
    using GlyphCommand = void (IWordReshaper::*)(CCalligraphyWord&, std::int32_t);

    void AddAlternateForms(CCalligraphyParagraph& result) const;
    void AddGlyphCommandVariants(CCalligraphyParagraph& result, GlyphCommand command) const;

    IWordReshaper& m_reshaper;
};

}  // namespace kavitro
