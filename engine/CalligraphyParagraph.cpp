// Paragraph editing. An edit never re-shapes the whole paragraph: only the
// word that holds the caret is rebuilt through the engine, the words after it
// move by the change of width, and the rebuilt word is cut into connected
// groups again.

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "engine/CalligraphyEngine.h"
#include "engine/CalligraphyText.h"
#include "engine/CodePointTable.h"

namespace kavitro {

namespace {

constexpr std::uint16_t kSpace = 0x0020;

bool IsSpace(const CCalligraphyCharacter& c) { return c.m_code == kSpace; }

// Punctuation that is typed with a space before it.
bool IsSpacedPunctuation(std::uint16_t code) {
    switch (code) {
    case 0x0021: case 0x0022: case 0x0028: case 0x0029: case 0x002A: case 0x002B: case 0x002D:
    case 0x002E: case 0x002F: case 0x003A: case 0x003D: case 0x005B: case 0x005C: case 0x005D:
    case 0x007B: case 0x007D: case 0x060C: case 0x061B: case 0x061F: case 0x066A: case 0xF02A:
        return true;
    default:
        return false;
    }
}

std::int32_t Wrap(std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint64_t>(v)); }

[[noreturn]] void ThrowBadIndex(const char* what) { throw InvalidArgumentException(what); }

// Points the engine at the word being rebuilt and the word before it for the
// length of one edit. The pointers are cleared afterwards: inserting and
// removing words moves the word array.
class EngineWords {
public:
    EngineWords(std::vector<CCalligraphyWord>& words, std::size_t current)
        : m_engine(CCalligraphyEngine::GetInstance()), m_word(words[current]) {
        m_engine.SetCurrentWord(&words[current]);
        m_engine.SetPreviousWord(current > 0 ? &words[current - 1] : nullptr);
    }
    ~EngineWords() {
        m_engine.SetCurrentWord(nullptr);
        m_engine.SetPreviousWord(nullptr);
    }
    EngineWords(const EngineWords&) = delete;
    EngineWords& operator=(const EngineWords&) = delete;

    bool Append(std::uint16_t code) { return m_engine.AppendCharacter(code) == 1; }

    // Feeds a stored character again. A letter that the rules no longer
    // accept in its new surroundings keeps its stored shape rather than
    // vanishing from the user's text.
    void Refeed(const CCalligraphyCharacter& stored) {
        const std::size_t before = m_word.m_characters.size();
        m_engine.AddCharacter(stored);
        if (m_word.m_characters.size() == before)
            m_word.m_characters.push_back(stored);
    }

    void ApplyAlternateForm() { m_engine.ApplyAlternateForm(); }

private:
    CCalligraphyEngine& m_engine;
    CCalligraphyWord& m_word;
};

}  // namespace

// The rules may re-shape the last letters of the previous word as well, so
// both widths are taken before an edit and both changes move what follows.
struct CCalligraphyParagraph::WidthsBefore {
    std::int64_t previous = 0;
    std::int64_t word = 0;
};

CCalligraphyParagraph::WidthsBefore CCalligraphyParagraph::MeasureAround(std::size_t word) const {
    return {word > 0 ? m_words[word - 1].GetWidth() : 0, m_words[word].GetWidth()};
}

void CCalligraphyParagraph::ShiftAfterEdit(std::size_t word, const WidthsBefore& before) {
    const std::int64_t previousDelta = word > 0 ? m_words[word - 1].GetWidth() - before.previous : 0;
    const std::int64_t wordDelta = m_words[word].GetWidth() - before.word;
    ShiftWordsFrom(word, previousDelta);
    ShiftWordsFrom(word + 1, wordDelta);
}

void CCalligraphyParagraph::ShiftWordsFrom(std::size_t first, std::int64_t dx) {
    if (dx == 0)
        return;
    for (std::size_t i = first; i < m_words.size(); ++i)
        m_words[i].m_x = Wrap(m_words[i].m_x + dx);
}

std::int32_t CCalligraphyParagraph::GetCharacterCount() const {
    std::size_t total = 0;
    for (const CCalligraphyWord& word : m_words)
        total += word.m_characters.size();
    return static_cast<std::int32_t>(total);
}

std::int32_t CCalligraphyParagraph::CheckCaret(std::int32_t caret) const {
    const std::int32_t total = GetCharacterCount();
    if (caret < 0 || caret > total)
        ThrowBadIndex("caret outside the paragraph");
    return total;
}

void CCalligraphyParagraph::CheckWordIndex(std::int32_t word) const {
    if (word < 0 || static_cast<std::size_t>(word) >= m_words.size())
        ThrowBadIndex("word index outside the paragraph");
}

// A caret between two words belongs to the start of the later word, except
// after the last word. The caret must lie in 0..total and words must exist.
WordPosition CCalligraphyParagraph::LocateCaret(std::int32_t caret) const {
    std::size_t i = 0;
    std::int64_t remaining = caret;
    while (i + 1 < m_words.size() && remaining > static_cast<std::int64_t>(m_words[i].m_characters.size())) {
        remaining -= static_cast<std::int64_t>(m_words[i].m_characters.size());
        ++i;
    }
    if (i + 1 < m_words.size() && remaining == static_cast<std::int64_t>(m_words[i].m_characters.size())) {
        remaining = 0;
        ++i;
    }
    return {static_cast<std::int32_t>(i), static_cast<std::int32_t>(remaining)};
}

WordPosition CCalligraphyParagraph::CaretToWord(std::int32_t caret, bool preferPreviousEnd) const {
    if (m_words.empty())
        return {0, 0};
    CheckCaret(caret);
    const WordPosition pos = LocateCaret(caret);
    if (preferPreviousEnd && pos.offset == 0 && pos.word >= 1)
        return {pos.word - 1, static_cast<std::int32_t>(m_words[pos.word - 1].m_characters.size())};
    return pos;
}

void CCalligraphyParagraph::SetCaret(std::int32_t& caret, std::int32_t value, bool relative) const {
    const std::int64_t wanted = relative ? std::int64_t{caret} + value : value;
    std::int64_t limit = GetCharacterCount();
    // A text keeps one trailing space, and the caret never passes it.
    if (!m_words.empty() && !m_words.back().m_characters.empty() && IsSpace(m_words.back().m_characters.back()))
        --limit;
    caret = static_cast<std::int32_t>(std::clamp<std::int64_t>(wanted, 0, std::max<std::int64_t>(limit, 0)));
}

void CCalligraphyParagraph::AppendEmptyWord() {
    CCalligraphyWord word;
    if (!m_words.empty()) {
        const CCalligraphyWord& last = m_words.back();
        word.m_x = Wrap(std::int64_t{last.m_x} + last.GetWidth());
        word.m_y = last.m_y;
    }
    m_words.push_back(std::move(word));
}

// --- Typing --------------------------------------------------------------------

std::int32_t CCalligraphyParagraph::InsertCharacter(std::int32_t& caret, std::uint16_t code) {
    std::int32_t total = CheckCaret(caret);
    // A code the engine never shapes is refused in any context; rebuilding a
    // word only to put it back would change nothing.
    if (FindLetter(code) == nullptr && FindWordEnd(code) == nullptr)
        return 0;
    if (IsSpacedPunctuation(code)) {
        InsertCharacter(caret, kSpace);  // moves the caret past the space it adds
        total = GetCharacterCount();
    }

    const bool wasEmpty = m_words.empty();
    if (wasEmpty)
        AppendEmptyWord();
    if (caret == total) {
        const std::int32_t ok = AppendAtEnd(caret, code);
        if (ok == 0 && wasEmpty)
            m_words.clear();
        return ok;
    }

    const WordPosition pos = LocateCaret(caret);
    const auto w = static_cast<std::size_t>(pos.word);
    const auto k = static_cast<std::size_t>(pos.offset);
    const CCalligraphyWord old = m_words[w];
    std::optional<std::vector<CCalligraphyCharacter>> oldPrevious;
    if (w > 0)
        oldPrevious = m_words[w - 1].m_characters;
    const WidthsBefore before = MeasureAround(w);

    bool ok = true;
    {
        EngineWords engine(m_words, w);
        if (code == kSpace && k < old.m_characters.size() && IsSpace(old.m_characters[k])) {
            // Before the word's trailing spaces: one more space at its end.
            engine.Append(kSpace);
        } else {
            m_words[w].m_characters.clear();
            for (std::size_t j = 0; j < old.m_characters.size(); ++j) {
                if (j == k)
                    ok = engine.Append(code) && ok;
                engine.Refeed(old.m_characters[j]);
            }
            if (k == old.m_characters.size())
                ok = engine.Append(code) && ok;
        }
    }
    if (!ok) {
        // Refused: put back the word and the letters of the word before it
        // that the re-feed may have re-shaped.
        m_words[w] = old;
        if (oldPrevious)
            m_words[w - 1].m_characters = std::move(*oldPrevious);
        return 0;
    }
    ShiftAfterEdit(w, before);
    ResplitWord(pos.word);
    MergeWords();
    SetCaret(caret, 1, true);
    return 1;
}

std::int32_t CCalligraphyParagraph::AppendAtEnd(std::int32_t& caret, std::uint16_t code) {
    const std::size_t last = m_words.size() - 1;
    const WidthsBefore before = MeasureAround(last);
    bool ok = false;
    {
        EngineWords engine(m_words, last);
        ok = engine.Append(code);
    }
    if (!ok)
        return 0;  // the engine leaves a refused code without trace
    ShiftAfterEdit(last, before);
    ResplitWord(static_cast<std::int32_t>(last));
    MergeWords();
    SetCaret(caret, 1, true);
    return 1;
}

void CCalligraphyParagraph::DeleteCharacter(std::int32_t& caret) {
    if (m_words.empty())
        return;
    CheckCaret(caret);
    if (caret == 0)
        return;

    WordPosition pos = LocateCaret(caret);
    // At the start of a word: the character to delete ends the word before,
    // so the two are joined and rebuilt as one.
    while (pos.offset == 0 && pos.word > 0) {
        const auto w = static_cast<std::size_t>(pos.word);
        m_words[w - 1].AppendCharacters(m_words[w]);
        m_words.erase(m_words.begin() + static_cast<std::ptrdiff_t>(w));
        pos = LocateCaret(caret);
    }
    const auto w = static_cast<std::size_t>(pos.word);
    const auto k = static_cast<std::size_t>(pos.offset);  // at least 1: caret > 0
    const CCalligraphyWord old = m_words[w];
    const std::size_t n = old.m_characters.size();
    const WidthsBefore before = MeasureAround(w);

    if (k >= 2 && k < n && IsSpace(old.m_characters[k - 1]) && IsSpace(old.m_characters[k])) {
        m_words[w].m_characters.erase(m_words[w].m_characters.begin() + static_cast<std::ptrdiff_t>(k));
    } else {
        EngineWords engine(m_words, w);
        m_words[w].m_characters.clear();
        for (std::size_t j = 0; j < n; ++j) {
            if (j != k - 1)
                engine.Refeed(old.m_characters[j]);
        }
    }
    ShiftAfterEdit(w, before);
    ResplitWord(pos.word);
    MergeWords();
    SetCaret(caret, -1, true);
}

// --- Text-modification codes ------------------------------------------------------

void CCalligraphyParagraph::ModifyCharacter(std::int32_t word, std::int32_t offset, std::uint16_t code) {
    CheckWordIndex(word);
    switch (code) {
    case kToggleAlternateCode:
        ToggleAlternate(word, offset);
        break;
    case kGlyphVariantCode:
    case kGlyphSwapCode:
        ApplyGlyphCommand(word, offset, code);
        break;
    default:
        break;
    }
}

void CCalligraphyParagraph::ToggleAlternate(std::int32_t word, std::int32_t offset) {
    const auto w = static_cast<std::size_t>(word);
    CCalligraphyWord old = m_words[w];
    if (offset < 1 || static_cast<std::size_t>(offset) > old.m_characters.size())
        ThrowBadIndex("letter index outside the word");
    const auto k = static_cast<std::size_t>(offset);
    old.m_characters[k - 1].m_flags ^= CCalligraphyCharacter::kAlternate;
    const WidthsBefore before = MeasureAround(w);
    {
        EngineWords engine(m_words, w);
        m_words[w].m_characters.clear();
        for (std::size_t j = 0; j < old.m_characters.size(); ++j) {
            // The toggled letter is now the newest one: its alternate form
            // is settled before the letter after it arrives.
            if (j == k)
                engine.ApplyAlternateForm();
            engine.Refeed(old.m_characters[j]);
        }
    }
    ShiftAfterEdit(w, before);
}

void CCalligraphyParagraph::ApplyGlyphCommand(std::int32_t word, std::int32_t offset, std::uint16_t code) {
    // The glyph-variant (kGlyphVariantCode) and glyph-swap (kGlyphSwapCode)
    // commands arrive with the engine's variant tables. They act on the live
    // word at the letter before offset, without a re-feed, and the words
    // after it follow the width change:
    //     const WidthsBefore before = MeasureAround(w);
    //     { EngineWords engine(m_words, w); /* ApplyGlyphVariant or ApplyGlyphSwap (offset) */ }
    //     ShiftAfterEdit(w, before);
    // Until then both codes change nothing.
    (void)word;
    (void)offset;
    (void)code;
}

// --- Splitting and merging -----------------------------------------------------------

void CCalligraphyParagraph::ResplitWord(std::int32_t word) {
    CheckWordIndex(word);
    const auto w = static_cast<std::size_t>(word);
    const CCalligraphyWord old = std::move(m_words[w]);

    std::vector<CCalligraphyWord> pieces;
    CCalligraphyWord piece;
    // Each new group starts where the word before it ends, on its baseline.
    auto placeAfterPredecessor = [&](CCalligraphyWord& p) {
        const CCalligraphyWord* predecessor = !pieces.empty() ? &pieces.back() : (w > 0 ? &m_words[w - 1] : nullptr);
        p.m_x = predecessor ? Wrap(std::int64_t{predecessor->m_x} + predecessor->GetWidth()) : 0;
        p.m_y = predecessor ? predecessor->m_y : 0;
    };
    bool first = true;
    const std::vector<CCalligraphyCharacter>& characters = old.m_characters;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        piece.m_characters.push_back(characters[i]);
        const std::uint16_t next = i + 1 < characters.size() ? characters[i + 1].m_code : 0;
        if (CCalligraphyEngine::IsNonJoining(characters[i].m_code, next)) {
            placeAfterPredecessor(piece);
            if (first) {
                // The first closed group keeps the word's own place.
                piece.m_x = old.m_x;
                piece.m_y = old.m_y;
                first = false;
            }
            pieces.push_back(std::move(piece));
            piece = CCalligraphyWord();
        }
    }
    if (!piece.m_characters.empty()) {
        placeAfterPredecessor(piece);
        pieces.push_back(std::move(piece));
    }

    if (pieces.empty()) {
        m_words.erase(m_words.begin() + word);
        return;
    }
    m_words[w] = std::move(pieces.front());
    m_words.insert(m_words.begin() + word + 1, std::make_move_iterator(pieces.begin() + 1),
                   std::make_move_iterator(pieces.end()));
}

void CCalligraphyParagraph::MergeWords() {
    // Walking backwards lets a run of attachable words collapse into the
    // nearest word before it that is not attachable.
    std::vector<std::size_t> removed;
    for (std::size_t i = m_words.size(); i-- > 0;) {
        CCalligraphyWord& word = m_words[i];
        if (word.m_characters.empty()) {
            removed.push_back(i);
        } else if (i >= 1 && word.IsAttachable()) {
            std::vector<CCalligraphyCharacter>& target = m_words[i - 1].m_characters;
            target.insert(target.end(), word.m_characters.begin(), word.m_characters.end());
            word.m_characters.clear();
            removed.push_back(i);
        }
    }
    if (removed.empty())
        return;
    std::reverse(removed.begin(), removed.end());
    std::size_t out = removed.front();
    std::size_t r = 0;
    for (std::size_t i = removed.front(); i < m_words.size(); ++i) {
        if (r < removed.size() && removed[r] == i) {
            ++r;
            continue;
        }
        m_words[out++] = std::move(m_words[i]);
    }
    m_words.erase(m_words.begin() + static_cast<std::ptrdiff_t>(out), m_words.end());
}

// --- Words as a whole --------------------------------------------------------------------

void CCalligraphyParagraph::InsertWords(const CCalligraphyParagraph& source, std::int32_t caret) {
    CheckCaret(caret);
    if (source.m_words.empty())
        return;
    std::vector<CCalligraphyWord> pasted = source.m_words;  // the source may be this paragraph

    std::size_t t = 0;
    std::int64_t s = 0;
    if (!m_words.empty()) {
        const WordPosition pos = LocateCaret(caret);
        // A caret inside a word pastes after that word.
        t = static_cast<std::size_t>(pos.word) + (pos.offset == 0 ? 0 : 1);
        if (t > 0)
            s = std::int64_t{m_words[t - 1].m_x} - m_words[0].m_x + m_words[t - 1].GetWidth();
    }
    for (CCalligraphyWord& word : pasted)
        word.m_x = Wrap(word.m_x + s);
    const std::size_t e = t + pasted.size();
    m_words.insert(m_words.begin() + static_cast<std::ptrdiff_t>(t), std::make_move_iterator(pasted.begin()),
                   std::make_move_iterator(pasted.end()));
    if (e < m_words.size()) {
        // The last pasted word's end as it stood in the source.
        const std::int64_t d = std::int64_t{m_words[e - 1].m_x} - s + m_words[e - 1].GetWidth();
        ShiftWordsFrom(e, d);
    }
}

void CCalligraphyParagraph::Copy(const CCalligraphyParagraph& source) {
    if (&source == this)
        return;
    RemoveAll();
    m_words = source.m_words;  // characters and positions; caches stay empty
    m_points = source.m_points;
}

std::int32_t CCalligraphyParagraph::DeleteSelection(const CTextComponentSelection& selection) {
    using Sel = CTextComponentSelection;
    const std::int32_t lo = std::min(selection.m_firstWord, selection.m_lastWord);
    const std::int32_t hi = std::max(selection.m_firstWord, selection.m_lastWord);

    if (selection.m_firstWord < Sel::kNone && selection.m_lastWord < Sel::kNone && selection.m_letter < Sel::kNone &&
        selection.m_mark < Sel::kNoMark) {
        CheckWordIndex(lo);
        std::vector<CCalligraphyCharacter>& characters = m_words[static_cast<std::size_t>(lo)].m_characters;
        if (selection.m_letter >= characters.size())
            ThrowBadIndex("letter index outside the word");
        characters[selection.m_letter].m_mark = 0;
        return lo;
    }
    if (selection.m_point < Sel::kNone) {
        if (selection.m_point >= m_points.size())
            ThrowBadIndex("vowel-point index outside the paragraph");
        m_points.erase(m_points.begin() + selection.m_point);
        return 0;
    }
    CheckWordIndex(lo);
    CheckWordIndex(hi);
    const auto first = static_cast<std::size_t>(lo);
    const auto next = static_cast<std::size_t>(hi) + 1;
    const std::int64_t gap = next < m_words.size() ? std::int64_t{m_words[next].m_x} - m_words[first].m_x : 0;
    m_words.erase(m_words.begin() + lo, m_words.begin() + hi + 1);
    ShiftWordsFrom(first, -gap);
    return lo > 0 ? lo - 1 : 0;
}

}  // namespace kavitro
