// Exploring the shapings of one word for the stylistic-alternates menu.

#include "engine/StylisticVariants.h"

#include <algorithm>
#include <utility>

#include "platform/Saturating.h"

namespace kavitro {

namespace {

constexpr int kPressesPerLetter = 4;  // the longest glyph cycle

void PlaceAfter(CCalligraphyWord& word, const CCalligraphyWord& before, const IGlyphMetrics& metrics) {
    word.m_x = Wrap32(std::int64_t{before.m_x} + before.GetWidth(metrics));
    word.m_y = before.m_y;
}

}  // namespace

void CStylisticVariantBuilder::Build(const CCalligraphyWord& source, CCalligraphyParagraph& result) const {
    CCalligraphyWord original = source;  // source may be a word of result
    original.m_x = 0;
    original.m_y = 0;
    result.RemoveAll();
    result.m_words.push_back(std::move(original));
    if (result.m_words.front().m_characters.size() > kMaxSourceLength)
        return;
    AddAlternateForms(result);
    AddGlyphCommandVariants(result, &IWordReshaper::ApplyGlyphVariant);
    AddGlyphCommandVariants(result, &IWordReshaper::ApplyGlyphSwap);
}

// Words found here are starting points themselves, so combinations of
// toggled letters are reached. The last letter is never toggled.
void CStylisticVariantBuilder::AddAlternateForms(CCalligraphyParagraph& result) const {
    CWordArray& words = result.m_words;
    const std::size_t length = words.front().m_characters.size();
    for (std::size_t t = 0; t < words.size() && words.size() < kStartingPointLimit; ++t) {
        CCalligraphyWord start = words[t];
        for (std::size_t k = 1; k < length; ++k) {
            std::uint8_t& flags = start.m_characters[k - 1].m_flags;
            flags ^= CCalligraphyCharacter::kAlternate;
            CCalligraphyWord variant = m_reshaper.Refeed(start, k);
            flags ^= CCalligraphyCharacter::kAlternate;
            if (words.size() < kMaxVariants && result.IsNewVariant(variant)) {
                PlaceAfter(variant, words.back(), result.GetContext().Metrics());
                words.push_back(std::move(variant));
            }
        }
    }
}

// Each letter is pressed as often as the longest cycle is long, and the word
// keeps every change, so later letters start from the already varied word.
// A variant goes right after its starting point, which makes it the next
// starting point.
void CStylisticVariantBuilder::AddGlyphCommandVariants(CCalligraphyParagraph& result, GlyphCommand command) const {
    CWordArray& words = result.m_words;
    for (std::size_t t = 0; t < words.size() && words.size() < kStartingPointLimit; ++t) {
        CCalligraphyWord varied = words[t];
        const auto length = static_cast<std::int32_t>(varied.m_characters.size());
        for (std::int32_t cursor = 1; cursor <= length; ++cursor) {
            for (int press = 0; press < kPressesPerLetter; ++press) {
                (m_reshaper.*command)(varied, cursor);
                if (words.size() < kMaxVariants && result.IsNewVariant(varied)) {
                    CCalligraphyWord variant = varied;
                    PlaceAfter(variant, words[t], result.GetContext().Metrics());
                    words.insert(words.begin() + static_cast<std::ptrdiff_t>(t) + 1, std::move(variant));
                }
            }
        }
    }
}

bool CCalligraphyParagraph::IsNewVariant(const CCalligraphyWord& word) const {
    if (m_words.empty())
        return true;
    if (word.m_characters.size() != m_words.front().m_characters.size())
        return false;
    return std::none_of(m_words.begin(), m_words.end(),
                        [&](const CCalligraphyWord& w) { return w.HasSameGlyphs(word); });
}

}  // namespace kavitro
