// Import of version-1.x texts. Their glyphs are taken over exactly as stored,
// without passing through the shaping engine, so an imported text looks as it
// did; the 8-bit codes are mapped to Unicode so that later edits and the word
// splitting know the letters.

#include "engine/LegacyText.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <string>

#include "engine/CalligraphyText.h"
#include "engine/CodePointTable.h"
#include "platform/Exceptions.h"

namespace kavitro {

namespace {

constexpr std::uint8_t kFirstLetterByte = 60;
constexpr std::uint16_t kLetters[] = {
    0x0627, 0x0628, 0x062A, 0x062B, 0x067E, 0x062C, 0x0686, 0x062D, 0x062E, 0x062F, 0x0630, 0x0631,
    0x0632, 0x0698, 0x0633, 0x0634, 0x0635, 0x0636, 0x0637, 0x0638, 0x0639, 0x063A, 0x0641, 0x0642,
    0x06A9, 0x06AF, 0x0644, 0x0645, 0x0646, 0x0647, 0x0648, 0x06CC, 0x0621, 0x0622,
};
constexpr std::uint8_t kFirstPunctuationByte = 94;
constexpr std::uint16_t kPunctuation[] = {
    0x0021, 0x0022, 0x007B, 0x007D, 0x066A, 0x002A, 0x002F, 0x0028, 0x0029, 0xF02A, 0x002B,
    0x060C, 0x002D, 0x002E, 0x005C, 0x003A, 0x061B, 0x061F, 0x005B, 0x005D, 0x003D,
};
static_assert(kFirstLetterByte + std::size(kLetters) == kFirstPunctuationByte);

constexpr std::uint16_t kSpace = 0x0020;
constexpr std::uint8_t kFontCount = 5;
constexpr double kGlyphUnitsPerSize = 2160;
constexpr double kYUnitsPerSize = 750;

// On these glyphs the offset of the heh mark (4/41) of version 1.x counts
// from a point one mark black box away from today's anchor.
constexpr std::uint8_t kHehMark = 41;
constexpr std::uint8_t kGlyphsWithShiftedHehMark[] = {57, 91, 160, 164, 244};

[[noreturn]] void ThrowDamaged(const std::string& what) {
    throw ArchiveException(ArchiveException::Cause::Generic, "bad version-1.x text: " + what);
}

// A position or offset derived from stored values that must still fit.
std::int32_t Narrowed(std::int64_t v, const char* what) {
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        ThrowDamaged(what);
    return static_cast<std::int32_t>(v);
}

std::int32_t RoundedOrThrow(double value, const char* what) {
    const std::optional<std::int32_t> rounded = RoundLegacyPosition(value);
    if (!rounded)
        ThrowDamaged(what);
    return *rounded;
}

std::int32_t ScaledMarkOffset(std::int32_t offset, double factor) {
    const double scaled = std::trunc(offset * factor);
    if (!(scaled >= std::numeric_limits<std::int32_t>::min() && scaled <= std::numeric_limits<std::int32_t>::max()))
        ThrowDamaged("a mark offset out of range");
    return static_cast<std::int32_t>(scaled);
}

bool HasShiftedHehMark(const CLegacyTextBlock::Record& r) {
    return r.mark == kHehMark && std::find(std::begin(kGlyphsWithShiftedHehMark), std::end(kGlyphsWithShiftedHehMark),
                                           r.glyphIndex) != std::end(kGlyphsWithShiftedHehMark);
}

void CheckBlock(const CLegacyTextBlock& block, std::size_t count) {
    if (!std::isfinite(block.scale) || block.scale == 0)
        ThrowDamaged("a text size of 0 or not a number");
    for (std::size_t i = 0; i < count; ++i) {
        const CLegacyTextBlock::Record& r = block.records[i];
        if (r.glyphIndex == 0 || r.font < 1 || r.font > kFontCount)
            ThrowDamaged("a character without a valid glyph");
    }
}

// The word's baseline becomes that of its last letter (not of a final
// space); the letters before keep their height relative to it.
void SettleBaseline(CCalligraphyWord& word, bool endsWithSpace) {
    const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(word.m_characters.size()) - (endsWithSpace ? 2 : 1);
    if (last < 0)
        return;
    const std::int32_t baseline = word.m_characters[static_cast<std::size_t>(last)].m_yOffset;
    for (std::ptrdiff_t k = 0; k <= last; ++k) {
        std::int32_t& y = word.m_characters[static_cast<std::size_t>(k)].m_yOffset;
        y = Narrowed(std::int64_t{y} - baseline, "a height out of range");
    }
    word.m_y = baseline;
}

}  // namespace

std::optional<std::uint16_t> LegacyCodeToUnicode(std::uint8_t legacyCode) {
    if (legacyCode == 32)
        return kSpace;
    if (legacyCode >= 50 && legacyCode <= 58)
        return static_cast<std::uint16_t>(0x06F1 + (legacyCode - 50));  // Persian digits one to nine
    if (legacyCode == 59)
        return 0x06F0;  // Persian digit zero
    if (legacyCode >= kFirstLetterByte && legacyCode < kFirstPunctuationByte)
        return kLetters[legacyCode - kFirstLetterByte];
    if (legacyCode >= kFirstPunctuationByte && legacyCode < kFirstPunctuationByte + std::size(kPunctuation))
        return kPunctuation[legacyCode - kFirstPunctuationByte];
    return std::nullopt;
}

std::optional<std::int32_t> RoundLegacyPosition(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    const double floor = std::floor(value);
    const double rounded = value - floor > 0.5 ? floor + 1 : floor;
    if (rounded < std::numeric_limits<std::int32_t>::min() || rounded > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

void CCalligraphyCharacter::SetLegacyCode(std::uint8_t legacyCode) {
    if (const std::optional<std::uint16_t> code = LegacyCodeToUnicode(legacyCode))
        m_code = *code;
}

void CCalligraphyParagraph::LoadLegacyText(const CLegacyTextBlock& block, double markFactor) {
    const std::size_t count =
        static_cast<std::size_t>(std::clamp<std::int32_t>(block.characterCount, 0, CLegacyTextBlock::kRecordCount));
    const bool loneSpace = count == 1 && block.records[0].glyphIndex == kSpaceGlyphIndex;
    CCalligraphyParagraph loaded;
    if (count > 0 && !loneSpace) {
        CheckBlock(block, count);
        const IGlyphMetrics& metrics = m_context.Metrics();
        const double scale = block.scale;
        const auto hehMarkBlackBox = static_cast<std::int64_t>(metrics.GetReferenceAbc(MakeGlyph(kMarkFont, kHehMark)).b);

        // Fields a record does not set (an unmapped code) carry over from the
        // record before.
        CCalligraphyCharacter c;
        CCalligraphyWord word;
        for (std::size_t i = 0; i < count; ++i) {
            const CLegacyTextBlock::Record& r = block.records[i];
            const GlyphId glyph = MakeGlyph(r.font, r.glyphIndex);
            if (word.m_characters.empty()) {
                // Version 1.x measures x from the left end; the model from the
                // word's start at its right end, growing leftward.
                const double advance = static_cast<double>(metrics.GetReferenceAbc(glyph).Advance());
                const double start =
                    (r.x + advance * scale / CLegacyTextBlock::kAdvanceUnit - block.xOrigin) * kGlyphUnitsPerSize / scale;
                word.m_x = Narrowed(-std::int64_t{RoundedOrThrow(start, "a position out of range")},
                                    "a position out of range");
            }
            c.SetGlyph(glyph);
            c.SetLegacyCode(r.legacyCode);
            c.m_yOffset = RoundedOrThrow((double{r.y} - block.yOrigin) * kYUnitsPerSize / scale,
                                         "a position out of range");
            c.m_mark = r.mark;
            c.m_flags = static_cast<std::uint8_t>((c.m_flags & ~CCalligraphyCharacter::kAlternate) |
                                                  (r.alternate != 0 ? CCalligraphyCharacter::kAlternate : 0));
            c.m_markDx = ScaledMarkOffset(r.markDx, markFactor);
            c.m_markDy = ScaledMarkOffset(r.markDy, markFactor);
            if (HasShiftedHehMark(r))
                c.m_markDx = Narrowed(c.m_markDx - hehMarkBlackBox, "a mark offset out of range");

            word.m_x = Narrowed(std::int64_t{word.m_x} - word.GetTailOverhang(metrics), "a position out of range");
            word.m_characters.push_back(c);
            if (IsNonJoiningCode(c.m_code, 0) || i + 1 == count) {
                SettleBaseline(word, c.m_code == kSpace);
                loaded.m_words.push_back(word);
                // x and y stay: a word of a lone space keeps the y of the one before.
                word.m_characters.clear();
            }
        }
        loaded.MergeWords();
    }
    m_words = std::move(loaded.m_words);
    m_points.clear();
}

}  // namespace kavitro
