// The typing path of the text model: CCalligraphyParagraph::InsertCharacter,
// DeleteCharacter, SetCaret and ModifyCharacter driven by a stream of edits
// (the keys a user or a keyboard layout sends).
//
// Each edit is an operation byte and its operands; the stream ends with the
// input or after kMaxEdits edits. Codes come mostly from the ones the engine
// knows (letters, digits, punctuation, spaces, the text-modification codes),
// sometimes as any 16-bit value.
//
// Beyond "no crash": after every edit the caret lies within the text, the
// character count is the sum of the words' sizes, every character is shaped,
// and a refused code leaves the paragraph exactly as it was.

#include <array>

#include "FuzzSupport.h"
#include "ParagraphCompare.h"
#include "engine/CalligraphyText.h"

namespace kavitro::fuzz {
namespace {

// Enough for long words and runs of spaces, small enough that one input
// stays quick under the sanitizers (a long run of spaces still costs time
// that grows with its length).
constexpr std::size_t kMaxEdits = 256;
constexpr std::int32_t kMaxCharacters = 200;

constexpr std::array<std::uint16_t, 48> kCodes = {
    0x0020, 0x0020, 0x0020, 0x0621, 0x0622, 0x0627, 0x0628, 0x067E, 0x062A, 0x062B, 0x062C, 0x0686,
    0x062D, 0x062E, 0x062F, 0x0630, 0x0631, 0x0632, 0x0698, 0x0633, 0x0634, 0x0635, 0x0636, 0x0637,
    0x0638, 0x0639, 0x063A, 0x0641, 0x0642, 0x06A9, 0x06AF, 0x0644, 0x0645, 0x0646, 0x0648, 0x0647,
    0x06CC, 0x06F1, 0x06F5, 0x002E, 0x0021, 0x0028, 0x060C, 0x061F, 0x200C, 0xFF96, 0xFF97, 0xFF98};

class EditStream {
public:
    explicit EditStream(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    bool AtEnd() const { return m_at >= m_bytes.size(); }
    std::uint8_t Byte() { return m_at < m_bytes.size() ? m_bytes[m_at++] : 0; }
    std::uint16_t Code() {
        const std::uint8_t pick = Byte();
        if (pick < 0xF0)
            return kCodes[pick % kCodes.size()];
        return static_cast<std::uint16_t>(Byte() | Byte() << 8);
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

void CheckParagraph(const CCalligraphyParagraph& paragraph, std::int32_t caret) {
    std::int64_t characters = 0;
    for (const CCalligraphyWord& word : paragraph.m_words) {
        characters += static_cast<std::int64_t>(word.m_characters.size());
        for (const CCalligraphyCharacter& c : word.m_characters)
            KAVITRO_FUZZ_CHECK(c.m_font >= 1 && c.m_font <= 5 && c.m_glyph != 0);
    }
    KAVITRO_FUZZ_CHECK(paragraph.GetCharacterCount() == characters);
    KAVITRO_FUZZ_CHECK(caret >= 0 && caret <= characters);
}

void Type(std::span<const std::uint8_t> input) {
    CCalligraphyParagraph paragraph;
    std::int32_t caret = 0;
    paragraph.InsertCharacter(caret, 0x0020);  // a new text object holds one space
    caret = 0;
    EditStream edits(input);
    for (std::size_t n = 0; n < kMaxEdits && !edits.AtEnd() && paragraph.GetCharacterCount() < kMaxCharacters; ++n) {
        const std::uint8_t op = edits.Byte();
        switch (op % 8) {
        case 0:
        case 1:
        case 2:
        case 3: {  // typing is what users do most
            const std::uint16_t code = edits.Code();
            const CCalligraphyParagraph before = paragraph;
            const std::int32_t caretBefore = caret;
            if (paragraph.InsertCharacter(caret, code) == 0)
                KAVITRO_FUZZ_CHECK(SameWords(paragraph, before) && caret == caretBefore);
            break;
        }
        case 4:
            paragraph.DeleteCharacter(caret);
            break;
        case 5: {
            const auto by = static_cast<std::int8_t>(edits.Byte());
            paragraph.SetCaret(caret, by, (op & 0x80) != 0);
            break;
        }
        case 6: {  // a text-modification code on a letter of a word
            if (paragraph.m_words.empty())
                break;
            const std::size_t word = edits.Byte() % paragraph.m_words.size();
            const std::size_t size = paragraph.m_words[word].m_characters.size();
            const std::uint8_t offset = edits.Byte();
            const std::uint16_t code = kCodes[kCodes.size() - 1 - edits.Byte() % 3];
            CompletesOrRefuses([&] {
                paragraph.ModifyCharacter(static_cast<std::int32_t>(word),
                                          static_cast<std::int32_t>(size == 0 ? 0 : offset % (size + 1)), code);
            });
            break;
        }
        case 7:  // a run of one code, as a held key gives
            for (std::uint8_t k = 0, count = edits.Byte() % 32, code = edits.Byte(); k < count; ++k)
                paragraph.InsertCharacter(caret, kCodes[code % kCodes.size()]);
            break;
        }
        CheckParagraph(paragraph, caret);
    }
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using kavitro::fuzz::Bytes;
    // Insert edits pick codes by index into kCodes: 0 space, 5 alef, 6 beh,
    // 29 keheh, 31 lam, 32 meem, 34 waw, 36 farsi yeh, 39 full stop.
    Bytes word;  // "کتاب سلام."
    for (const std::uint8_t pick : {29, 8, 5, 6, 0, 19, 31, 5, 32, 39})
        word.insert(word.end(), {0, pick});
    Bytes edit = word;  // then back, delete, step the caret and modify
    edit.insert(edit.end(), {4, 4, 5, 0xFE, 0x85, 2, 6, 0, 1, 0, 1, 6, 0, 1, 34});
    Bytes spaces = {7, 31, 0, 0, 6, 7, 20, 0, 1, 36};  // a held space bar between letters
    return {word, edit, spaces};
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::Type)
