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

std::size_t CountCharacters(const std::vector<CCalligraphyWord>& words, std::size_t first, std::size_t last) {
    std::size_t count = 0;
    for (std::size_t i = first; i < last; ++i)
        count += words[i].m_characters.size();
    return count;
}

// A caret belongs to the first word whose end it does not pass (at most the
// last word), and a caret at the end of a word that is not the last to the
// start of the next word. The walk may start at any word whose start is
// known (`before` characters precede it) and goes whichever way the caret
// lies, so that a caret near the last edit is found in a step or two. The
// caret must lie in 0..total and words must exist.
WordPosition LocateFrom(const std::vector<CCalligraphyWord>& words, std::int64_t caret, std::size_t word,
                        std::int64_t before) {
    const auto count = [&words](std::size_t i) { return static_cast<std::int64_t>(words[i].m_characters.size()); };
    std::size_t i = word;
    if (i >= words.size()) {
        i = words.size() - 1;
        before -= count(i);
    }
    while (i > 0 && caret <= before) {
        --i;
        before -= count(i);
    }
    while (i + 1 < words.size() && caret > before + count(i)) {
        before += count(i);
        ++i;
    }
    std::int64_t remaining = caret - before;
    if (i + 1 < words.size() && remaining == count(i)) {
        remaining = 0;
        ++i;
    }
    return {static_cast<std::int32_t>(i), static_cast<std::int32_t>(remaining)};
}

struct WordStart {
    std::size_t word = 0;
    std::size_t before = 0;  // characters in the words before it
};

// A word whose start an edit of word w cannot move: the edit re-shapes
// letters of word w - 1, and merging may join that word to the one before
// it, but nothing reaches further back.
WordStart StartUnmovedBy(const std::vector<CCalligraphyWord>& words, std::size_t w, std::size_t before) {
    for (int step = 0; step < 2 && w > 0; ++step) {
        --w;
        before -= words[w].m_characters.size();
    }
    return {w, before};
}

// Removes empty words and joins attachable words to the word before them,
// over words first..last (word first - 1 may take letters). Walking backwards
// lets a run of attachable words collapse into the nearest word before it
// that is not attachable.
void MergeRange(std::vector<CCalligraphyWord>& words, std::size_t first, std::size_t last) {
    if (words.empty())
        return;
    last = std::min(last, words.size() - 1);
    if (first > last)
        return;
    bool removing = false;
    for (std::size_t i = last + 1; i-- > first;) {
        CCalligraphyWord& word = words[i];
        if (word.m_characters.empty()) {
            removing = true;
        } else if (i >= 1 && word.IsAttachable()) {
            std::vector<CCalligraphyCharacter>& target = words[i - 1].m_characters;
            target.insert(target.end(), word.m_characters.begin(), word.m_characters.end());
            word.m_characters.clear();
            removing = true;
        }
    }
    if (!removing)
        return;
    // A word is never changed once the walk has passed it, so exactly the
    // words it removed are the empty ones.
    const auto begin = words.begin() + static_cast<std::ptrdiff_t>(first);
    const auto end = words.begin() + static_cast<std::ptrdiff_t>(last) + 1;
    words.erase(std::remove_if(begin, end, [](const CCalligraphyWord& word) { return word.m_characters.empty(); }),
                end);
}

// Letters an edit takes out of the word it rebuilds, and a copy of the word
// before it as it stood, kept from one edit to the next so that typing does
// not allocate. Edits run on one thread at a time (the engine is one
// process-wide object) and never nest while they hold these.
struct RebuildScratch {
    std::vector<CCalligraphyCharacter> word;
    CCalligraphyWord previous;
};

bool SameGlyphs(const CCalligraphyWord& a, const CCalligraphyWord& b) {
    return std::equal(a.m_characters.begin(), a.m_characters.end(), b.m_characters.begin(), b.m_characters.end(),
                      [](const CCalligraphyCharacter& x, const CCalligraphyCharacter& y) {
                          return x.GetGlyph() == y.GetGlyph();
                      });
}

RebuildScratch& Scratch() {
    thread_local RebuildScratch scratch;
    return scratch;
}

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
// both width changes move what follows. Only what can have changed is
// measured: the word before is kept as it stood and measured again only when
// the edit gave it other glyphs, and the edited word's own width, which
// matters only to the words after it, is not taken for the last word (where
// typing mostly happens).
struct CCalligraphyParagraph::WidthsBefore {
    std::int64_t word = 0;
    bool wordMeasured = false;
};

CCalligraphyParagraph::WidthsBefore CCalligraphyParagraph::MeasureAround(std::size_t word) const {
    if (word > 0)
        Scratch().previous.m_characters = m_words[word - 1].m_characters;
    const bool followed = word + 1 < m_words.size();
    return {followed ? m_words[word].GetWidth() : 0, followed};
}

void CCalligraphyParagraph::ShiftAfterEdit(std::size_t word, const WidthsBefore& before) {
    if (word > 0) {
        const CCalligraphyWord& previousBefore = Scratch().previous;
        const CCalligraphyWord& previous = std::as_const(m_words)[word - 1];
        if (!SameGlyphs(previous, previousBefore))
            ShiftWordsFrom(word, std::int64_t{previous.GetWidth()} - previousBefore.GetWidth());
    }
    if (before.wordMeasured)
        ShiftWordsFrom(word + 1, std::as_const(m_words)[word].GetWidth() - before.word);
}

void CCalligraphyParagraph::ShiftWordsFrom(std::size_t first, std::int64_t dx) {
    if (dx == 0)
        return;
    for (std::size_t i = first; i < m_words.size(); ++i)
        m_words[i].m_x = Wrap(m_words[i].m_x + dx);
}

std::int32_t CCalligraphyParagraph::GetCharacterCount() const {
    const std::size_t total = m_words.m_counts ? m_words.m_counts->total : CountCharacters(m_words, 0, m_words.size());
    return static_cast<std::int32_t>(total);
}

CWordArray::CharacterCounts CCalligraphyParagraph::TakeCounts() {
    if (!m_words.m_counts) {
        const std::vector<CCalligraphyWord>& words = m_words.m_items;
        CWordArray::CharacterCounts counts;
        counts.total = CountCharacters(words, 0, words.size());
        // Most edits come at the end of the text: caret look-ups start there.
        if (!words.empty()) {
            counts.word = words.size() - 1;
            counts.before = counts.total - words.back().m_characters.size();
        }
        m_words.m_counts = counts;
    }
    return *m_words.m_counts;
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
    const std::vector<CCalligraphyWord>& words = m_words;
    if (const std::optional<CWordArray::CharacterCounts>& counts = m_words.m_counts)
        return LocateFrom(words, caret, counts->word, static_cast<std::int64_t>(counts->before));
    return LocateFrom(words, caret, 0, 0);
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
    const std::optional<CWordArray::CharacterCounts> counts = m_words.m_counts;  // an empty word changes none
    CCalligraphyWord word;
    if (!m_words.empty()) {
        const CCalligraphyWord& last = std::as_const(m_words).back();
        word.m_x = Wrap(std::int64_t{last.m_x} + last.GetWidth());
        word.m_y = last.m_y;
    }
    m_words.push_back(std::move(word));
    m_words.m_counts = counts;
}

// --- Typing --------------------------------------------------------------------

std::int32_t CCalligraphyParagraph::InsertCharacter(std::int32_t& caret, std::uint16_t code) {
    TakeCounts();
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

    const CWordArray::CharacterCounts counts = TakeCounts();
    const WordPosition pos = LocateCaret(caret);
    const auto w = static_cast<std::size_t>(pos.word);
    const auto k = static_cast<std::size_t>(pos.offset);
    const WordStart unmoved = StartUnmovedBy(m_words, w, static_cast<std::size_t>(caret) - k);
    std::vector<CCalligraphyWord>& words = m_words;
    const std::size_t oldCount = words[w].m_characters.size();
    const WidthsBefore before = MeasureAround(w);

    const std::vector<CCalligraphyCharacter>& current = words[w].m_characters;
    if (code == kSpace && k < oldCount &&
        std::all_of(current.begin() + static_cast<std::ptrdiff_t>(k), current.end(), IsSpace)) {
        // Before the word's trailing spaces: one more space at its end. A
        // space followed by a letter that travels with the word (merged
        // after it) is not trailing; that word is rebuilt like any other.
        EngineWords engine(words, w);
        engine.Append(kSpace);
    } else {
        RebuildScratch& scratch = Scratch();  // MeasureAround kept the word before as it stood
        std::vector<CCalligraphyCharacter>& old = scratch.word;
        old.swap(words[w].m_characters);
        words[w].m_characters.clear();
        words[w].m_characters.reserve(old.size() + 1);
        bool ok = true;
        {
            EngineWords engine(words, w);
            for (std::size_t j = 0; j < old.size(); ++j) {
                if (j == k)
                    ok = engine.Append(code) && ok;
                engine.Refeed(old[j]);
            }
            if (k == old.size())
                ok = engine.Append(code) && ok;
        }
        if (!ok) {
            // Refused: put back the word and the letters of the word before it
            // that the re-feed may have re-shaped.
            words[w].m_characters.swap(old);
            if (w > 0)
                words[w - 1].m_characters = scratch.previous.m_characters;
            m_words.m_counts = counts;
            return 0;
        }
    }
    const std::size_t newTotal = counts.total - oldCount + words[w].m_characters.size();
    return CompleteInsertion(w, before, {newTotal, unmoved.word, unmoved.before}, caret);
}

std::int32_t CCalligraphyParagraph::CompleteInsertion(std::size_t word, const WidthsBefore& before,
                                                      CWordArray::CharacterCounts counts, std::int32_t& caret) {
    ShiftAfterEdit(word, before);
    ResplitAndMergeAround(word);
    m_words.m_counts = counts;
    SetCaret(caret, 1, true);
    return 1;
}

std::int32_t CCalligraphyParagraph::AppendAtEnd(std::int32_t& caret, std::uint16_t code) {
    const CWordArray::CharacterCounts counts = TakeCounts();
    const std::size_t last = m_words.size() - 1;
    const std::size_t lastCount = std::as_const(m_words)[last].m_characters.size();
    const WordStart unmoved = StartUnmovedBy(m_words, last, counts.total - lastCount);
    const WidthsBefore before = MeasureAround(last);
    bool ok = false;
    {
        EngineWords engine(m_words, last);
        ok = engine.Append(code);
    }
    if (!ok) {
        m_words.m_counts = counts;
        return 0;  // the engine leaves a refused code without trace
    }
    const std::size_t newTotal = counts.total - lastCount + m_words[last].m_characters.size();
    return CompleteInsertion(last, before, {newTotal, unmoved.word, unmoved.before}, caret);
}

void CCalligraphyParagraph::DeleteCharacter(std::int32_t& caret) {
    if (m_words.empty())
        return;
    const CWordArray::CharacterCounts counts = TakeCounts();
    CheckCaret(caret);
    if (caret == 0)
        return;

    WordPosition pos = LocateCaret(caret);
    // At the start of a word: the character to delete ends the word before,
    // so the two are joined and rebuilt as one.
    while (pos.offset == 0 && pos.word > 0) {
        const auto w = static_cast<std::size_t>(pos.word);
        const std::size_t joinedStart = static_cast<std::size_t>(caret) - m_words[w - 1].m_characters.size();
        m_words[w - 1].AppendCharacters(m_words[w]);
        m_words.erase(m_words.begin() + static_cast<std::ptrdiff_t>(w));
        pos = LocateFrom(m_words, caret, w - 1, static_cast<std::int64_t>(joinedStart));
    }
    const auto w = static_cast<std::size_t>(pos.word);
    const auto k = static_cast<std::size_t>(pos.offset);  // at least 1: caret > 0
    const WordStart unmoved = StartUnmovedBy(m_words, w, static_cast<std::size_t>(caret) - k);
    std::vector<CCalligraphyWord>& words = m_words;
    std::vector<CCalligraphyCharacter>& characters = words[w].m_characters;
    const std::size_t n = characters.size();
    const WidthsBefore before = MeasureAround(w);

    if (k >= 2 && k < n && IsSpace(characters[k - 1]) && IsSpace(characters[k])) {
        characters.erase(characters.begin() + static_cast<std::ptrdiff_t>(k));
    } else {
        std::vector<CCalligraphyCharacter>& old = Scratch().word;
        old.swap(characters);
        characters.clear();
        characters.reserve(n);
        EngineWords engine(words, w);
        for (std::size_t j = 0; j < n; ++j) {
            if (j != k - 1)
                engine.Refeed(old[j]);
        }
    }
    // Joining kept the count; the rebuilt word lost one letter, or more when
    // the rules no longer take a stored one.
    const std::size_t newTotal = counts.total - n + words[w].m_characters.size();
    ShiftAfterEdit(w, before);
    ResplitAndMergeAround(w);
    m_words.m_counts = CWordArray::CharacterCounts{newTotal, unmoved.word, unmoved.before};
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
    const std::optional<CWordArray::CharacterCounts> counts = m_words.m_counts;
    CCalligraphyWord old = std::as_const(m_words)[w];
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
    if (counts) {
        // Only word w can have lost a letter that the rules no longer take.
        const std::size_t now = std::as_const(m_words)[w].m_characters.size();
        CWordArray::CharacterCounts after = *counts;
        after.total = after.total - old.m_characters.size() + now;
        if (after.word > w)
            after.before = after.before - old.m_characters.size() + now;
        m_words.m_counts = after;
    }
}

void CCalligraphyParagraph::ApplyGlyphCommand(std::int32_t word, std::int32_t offset, std::uint16_t code) {
    // The glyph-variant (kGlyphVariantCode) and glyph-swap (kGlyphSwapCode)
    // commands act on the live word at the letter before offset, without a
    // re-feed, and the words after it follow the width change. No letter is
    // added or removed, so the character counts stay as they were.
    const auto w = static_cast<std::size_t>(word);
    const std::optional<CWordArray::CharacterCounts> counts = m_words.m_counts;
    const WidthsBefore before = MeasureAround(w);
    {
        const EngineWords words(m_words, w);
        CCalligraphyEngine& engine = CCalligraphyEngine::GetInstance();
        if (code == kGlyphVariantCode)
            engine.ApplyGlyphVariant(offset);
        else
            engine.ApplyGlyphSwap(offset);
    }
    ShiftAfterEdit(w, before);
    m_words.m_counts = counts;
}

// --- Splitting and merging -----------------------------------------------------------

void CCalligraphyParagraph::ResplitWord(std::int32_t word) {
    CheckWordIndex(word);
    const auto w = static_cast<std::size_t>(word);
    std::vector<CCalligraphyWord>& words = m_words;
    const auto closes = [](const std::vector<CCalligraphyCharacter>& characters, std::size_t i) {
        const std::uint16_t next = i + 1 < characters.size() ? characters[i + 1].m_code : 0;
        return CCalligraphyEngine::IsNonJoining(characters[i].m_code, next);
    };

    // A group ends after each character that does not join the next one,
    // and at the end of the word.
    std::size_t groups = 0;
    bool lastCloses = false;
    {
        const std::vector<CCalligraphyCharacter>& characters = words[w].m_characters;
        for (std::size_t i = 0; i < characters.size(); ++i) {
            lastCloses = closes(characters, i);
            groups += lastCloses ? 1 : 0;
        }
        groups += characters.empty() || lastCloses ? 0 : 1;
    }
    if (groups == 0) {
        words.erase(words.begin() + static_cast<std::ptrdiff_t>(w));
        return;
    }

    // The groups replace the word as new words (without caches): the first
    // group that is closed keeps the word's place, and every other group is
    // laid where the word before it ends, on its baseline. The first group
    // stays in the word's own storage.
    if (groups > 1)
        words.insert(words.begin() + static_cast<std::ptrdiff_t>(w) + 1, groups - 1, CCalligraphyWord());
    CCalligraphyWord& head = words[w];
    head.m_outline.clear();
    head.m_bounds = Rect();
    if (groups == 1) {
        if (!lastCloses) {
            const CCalligraphyWord* predecessor = w > 0 ? &words[w - 1] : nullptr;
            head.m_x = predecessor ? Wrap(std::int64_t{predecessor->m_x} + predecessor->GetWidth()) : 0;
            head.m_y = predecessor ? predecessor->m_y : 0;
        }
        return;
    }
    std::vector<CCalligraphyCharacter>& characters = head.m_characters;
    std::size_t start = 0;
    std::size_t group = 0;
    std::size_t headEnd = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if (!closes(characters, i) && i + 1 < characters.size())
            continue;
        if (group == 0)
            headEnd = i + 1;
        else
            words[w + group].m_characters.assign(characters.begin() + static_cast<std::ptrdiff_t>(start),
                                                 characters.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        ++group;
        start = i + 1;
    }
    characters.erase(characters.begin() + static_cast<std::ptrdiff_t>(headEnd), characters.end());
    for (std::size_t j = w + 1; j < w + groups; ++j) {
        const CCalligraphyWord& predecessor = words[j - 1];
        words[j].m_x = Wrap(std::int64_t{predecessor.m_x} + predecessor.GetWidth());
        words[j].m_y = predecessor.m_y;
    }
}

void CCalligraphyParagraph::MergeWords() {
    std::vector<CCalligraphyWord>& words = m_words;
    if (!words.empty())
        MergeRange(words, 0, words.size() - 1);
}

void CCalligraphyParagraph::ResplitAndMergeAround(std::size_t word) {
    const std::size_t countBefore = m_words.size();
    ResplitWord(static_cast<std::int32_t>(word));
    const std::size_t pieces = m_words.size() + 1 - countBefore;
    // In a text merged before, only the pieces, the word before them (the
    // edit may have re-shaped its letters) and the word after them can have
    // become empty or attachable. Further away, a pasted or loaded text that
    // was never merged stays as it is.
    std::vector<CCalligraphyWord>& words = m_words;
    MergeRange(words, word > 0 ? word - 1 : 0, word + pieces);
}

// --- Words as a whole --------------------------------------------------------------------

void CCalligraphyParagraph::InsertWords(const CCalligraphyParagraph& source, std::int32_t caret) {
    const CWordArray::CharacterCounts counts = TakeCounts();
    CheckCaret(caret);
    if (source.m_words.empty())
        return;
    std::vector<CCalligraphyWord> pasted = source.m_words;  // the source may be this paragraph
    const std::size_t pastedCharacters = CountCharacters(pasted, 0, pasted.size());

    std::size_t t = 0;
    std::size_t beforePasted = 0;  // characters before the pasted words
    std::int64_t s = 0;
    if (!m_words.empty()) {
        const WordPosition pos = LocateCaret(caret);
        // A caret inside a word pastes after that word.
        t = static_cast<std::size_t>(pos.word) + (pos.offset == 0 ? 0 : 1);
        beforePasted = static_cast<std::size_t>(caret - pos.offset) +
                       (pos.offset == 0 ? 0 : std::as_const(m_words)[t - 1].m_characters.size());
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
    // Look-ups start after the pasted words, where the caret is likely to go.
    m_words.m_counts = CWordArray::CharacterCounts{counts.total + pastedCharacters, e, beforePasted + pastedCharacters};
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
    std::optional<CWordArray::CharacterCounts> counts = m_words.m_counts;

    if (selection.m_firstWord < Sel::kNone && selection.m_lastWord < Sel::kNone && selection.m_letter < Sel::kNone &&
        selection.m_mark < Sel::kNoMark) {
        CheckWordIndex(lo);
        std::vector<CCalligraphyCharacter>& characters = m_words[static_cast<std::size_t>(lo)].m_characters;
        if (selection.m_letter >= characters.size())
            ThrowBadIndex("letter index outside the word");
        characters[selection.m_letter].m_mark = 0;
        m_words.m_counts = counts;
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
    if (counts) {
        const std::vector<CCalligraphyWord>& words = std::as_const(m_words);
        const std::size_t removed = CountCharacters(words, first, next);
        counts->total -= removed;
        if (counts->word >= next) {
            counts->word -= next - first;
            counts->before -= removed;
        } else if (counts->word > first) {
            counts->before -= CountCharacters(words, first, counts->word);
            counts->word = first;
        }
    }
    const std::int64_t gap = next < m_words.size() ? std::int64_t{m_words[next].m_x} - m_words[first].m_x : 0;
    m_words.erase(m_words.begin() + lo, m_words.begin() + hi + 1);
    ShiftWordsFrom(first, -gap);
    m_words.m_counts = counts;
    return lo > 0 ? lo - 1 : 0;
}

}  // namespace kavitro
