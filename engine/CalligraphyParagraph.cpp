// Paragraph editing. An edit never re-shapes the whole paragraph: only the
// word that holds the caret is rebuilt through the engine, the words after it
// move by the change of width, and the rebuilt word is cut into connected
// groups again.

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "engine/Arithmetic32.h"
#include "engine/CalligraphyEngine.h"
#include "engine/CalligraphyText.h"
#include "engine/CodePointTable.h"
#include "engine/VectorPathSource.h"

namespace kavitro {

namespace {

bool IsSpace(const CCalligraphyCharacter& c) { return c.m_code == kSpaceCode; }

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
// over words first..last (word first - 1 may take letters). A run of
// attachable words, and empty words among them, collapses into the nearest
// word before it that is not attachable (word 0 and word first - 1 always
// take them), keeping their order; each word is visited and moved once.
// Returns whether word `keep` (in first..last) stays, at the same index.
bool MergeRange(std::vector<CCalligraphyWord>& words, std::size_t first, std::size_t last,
                std::size_t keep = ~std::size_t{0}) {
    if (words.empty())
        return false;
    last = std::min(last, words.size() - 1);
    if (first > last)
        return false;
    bool removing = false;
    bool kept = false;
    std::size_t receiver = first - 1;  // used only when first >= 1
    for (std::size_t i = first; i <= last; ++i) {
        CCalligraphyWord& word = words[i];
        if (word.m_characters.empty()) {
            removing = true;  // unless, as word 0, it takes the words after it
            if (i == 0)
                receiver = 0;
            continue;
        }
        if (i == 0 || !word.IsAttachable()) {
            receiver = i;
            kept = kept || (i == keep && !removing);
            continue;
        }
        removing = true;
        std::vector<CCalligraphyCharacter>& target = words[receiver].m_characters;
        target.insert(target.end(), word.m_characters.begin(), word.m_characters.end());
        word.m_characters.clear();
    }
    if (!removing)
        return kept;
    const auto begin = words.begin() + static_cast<std::ptrdiff_t>(first);
    const auto end = words.begin() + static_cast<std::ptrdiff_t>(last) + 1;
    words.erase(std::remove_if(begin, end, [](const CCalligraphyWord& word) { return word.m_characters.empty(); }),
                end);
    return kept;
}

}  // namespace

struct CEditScratch::Data {
    // Letters an edit takes out of the word it rebuilds.
    std::vector<CCalligraphyCharacter> word;
    // The word before the edited one as it stood, copied only once the
    // engine writes to it (previousWritten).
    CCalligraphyWord previous;
    bool previousWritten = false;
    std::int32_t deepestWrite = 0;

    // What the last typed character leaves for the next one; good while the
    // words' change count is still changesAfterEdit.
    std::uint64_t changesAfterEdit = kNever;
    // The rebuilt word as the engine left it after the letters up to the
    // typed one, before the letters after the caret were fed again; typing on
    // at the same place starts from there instead of feeding them all again.
    std::vector<CCalligraphyCharacter> shaped;
    bool shapedValid = false;
    std::size_t shapedStart = 0;         // characters before the word
    std::size_t shapedPreviousSize = 0;  // letters of the word before it
    std::int32_t shapedMode = 0;
    // The word that the last edit re-split and merged, headed by its own
    // first group; kNoWord when there is none.
    std::size_t settledWord = kNoWord;

    static constexpr std::uint64_t kNever = ~std::uint64_t{0};
    static constexpr std::size_t kNoWord = ~std::size_t{0};

    void ForgetLastEdit() {
        changesAfterEdit = kNever;
        shapedValid = false;
        settledWord = kNoWord;
    }
};

CEditScratch::CEditScratch() = default;
CEditScratch::CEditScratch(const CEditScratch&) {}
CEditScratch& CEditScratch::operator=(const CEditScratch& other) {
    if (this != &other)
        m_data.reset();
    return *this;
}
CEditScratch::CEditScratch(CEditScratch&&) noexcept = default;
CEditScratch& CEditScratch::operator=(CEditScratch&&) noexcept = default;
CEditScratch::~CEditScratch() = default;

CEditScratch::Data& CEditScratch::Get() {
    if (!m_data)
        m_data = std::make_unique<Data>();
    return *m_data;
}

CCalligraphyEngine& CEngineContext::Engine() const {
    return engine != nullptr ? *engine : CCalligraphyEngine::GetInstance();
}

const IGlyphMetrics& CEngineContext::Metrics() const {
    return metrics != nullptr ? *metrics : GetGlyphMetrics();
}

const IVectorPathSource& CEngineContext::Outlines() const {
    return outlines != nullptr ? *outlines : GetVectorPaths();
}

void CWordArray::SetCounts(const std::optional<CharacterCounts>& counts) {
#ifndef NDEBUG
    // The counts an edit worked out must be the counts of the words.
    if (counts) {
        const std::size_t before = CountCharacters(m_items, 0, std::min(counts->word, m_items.size()));
        if (counts->word > m_items.size() || counts->before != before ||
            counts->total != before + CountCharacters(m_items, counts->word, m_items.size()))
            throw std::logic_error("paragraph character counts out of step with the words");
    }
#endif
    m_counts = counts;
}

namespace {

// Points the engine at the word being rebuilt and the word before it for the
// length of one edit, and records what the engine wrote. The pointers are
// cleared afterwards: inserting and removing words moves the word array.
class EngineWords {
public:
    EngineWords(CCalligraphyEngine& engine, std::vector<CCalligraphyWord>& words, std::size_t current,
                CEditScratch::Data& scratch)
        : m_engine(engine), m_word(words[current]), m_scratch(scratch) {
        m_engine.SetCurrentWord(&words[current]);
        m_engine.SetPreviousWord(current > 0 ? &words[current - 1] : nullptr);
        m_engine.WatchWrites(&scratch.previous.m_characters);
        // A word rebuilt from nothing has every stroke chosen as its letters
        // arrive.
        m_engine.SetStrokesSettled(words[current].m_characters.empty());
    }
    ~EngineWords() {
        m_scratch.previousWritten = m_engine.HasWrittenPrevious();
        m_scratch.deepestWrite = m_engine.GetDeepestWrite();
        m_engine.WatchWrites(nullptr);
        m_engine.SetCurrentWord(nullptr);
        m_engine.SetPreviousWord(nullptr);
    }
    EngineWords(const EngineWords&) = delete;
    EngineWords& operator=(const EngineWords&) = delete;

    bool Append(std::uint16_t code) { return m_engine.AppendCharacter(code) == 1; }

    // Feeds a stored character again. A letter that the rules no longer
    // accept in its new surroundings keeps its stored shape rather than
    // vanishing from the user's text; returns whether the rules took it.
    bool Refeed(const CCalligraphyCharacter& stored) {
        const std::size_t before = m_word.m_characters.size();
        m_engine.AddCharacter(stored);
        if (m_word.m_characters.size() != before)
            return true;
        m_word.m_characters.push_back(stored);
        m_engine.SetStrokesSettled(false);  // its stroke is the stored one
        return false;
    }

    void ApplyAlternateForm() { m_engine.ApplyAlternateForm(); }
    // The letters already in the word come from an earlier feed that chose
    // their strokes.
    void TakeStrokesAsChosen() { m_engine.SetStrokesSettled(true); }
    CCalligraphyEngine& Engine() { return m_engine; }
    bool HasWrittenPrevious() const { return m_engine.HasWrittenPrevious(); }

private:
    CCalligraphyEngine& m_engine;
    CCalligraphyWord& m_word;
    CEditScratch::Data& m_scratch;
};

// The flags a re-fed letter keeps from its stored form.
constexpr std::uint8_t kKeptFlags = CCalligraphyCharacter::kAlternate | CCalligraphyCharacter::kModified;

bool SameInput(const CCalligraphyCharacter& a, const CCalligraphyCharacter& b) {
    return a.m_code == b.m_code && (a.m_flags & kKeptFlags) == (b.m_flags & kKeptFlags);
}

bool StartsAttachable(const CCalligraphyWord& word) {
    return !word.m_characters.empty() && CCalligraphyWord::IsAttachableGlyph(word.m_characters.front().GetGlyph());
}

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

CCalligraphyParagraph::WidthsBefore CCalligraphyParagraph::MeasureAround(std::size_t word) {
    // The word before is copied by the engine before its first write to it.
    m_scratch.Get().previousWritten = false;
    const bool followed = word + 1 < m_words.size();
    return {followed ? std::as_const(m_words)[word].GetWidth() : 0, followed};
}

void CCalligraphyParagraph::ShiftAfterEdit(std::size_t word, const WidthsBefore& before) {
    const CEditScratch::Data& scratch = m_scratch.Get();
    if (word > 0 && scratch.previousWritten) {
        const CCalligraphyWord& previousBefore = scratch.previous;
        const CCalligraphyWord& previous = std::as_const(m_words)[word - 1];
        if (!previous.HasSameGlyphs(previousBefore))
            ShiftWordsFrom(word, std::int64_t{previous.GetWidth()} - previousBefore.GetWidth());
    }
    if (before.wordMeasured)
        ShiftWordsFrom(word + 1, std::as_const(m_words)[word].GetWidth() - before.word);
}

void CCalligraphyParagraph::ShiftWordsFrom(std::size_t first, std::int64_t dx) {
    if (dx == 0)
        return;
    for (std::size_t i = first; i < m_words.size(); ++i)
        m_words[i].m_x = Wrap32(m_words[i].m_x + dx);
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
        m_words.SetCounts(counts);
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
        word.m_x = Wrap32(std::int64_t{last.m_x} + last.GetWidth());
        word.m_y = last.m_y;
    }
    m_words.push_back(std::move(word));
    m_words.SetCounts(counts);
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
        InsertCharacter(caret, kSpaceCode);  // moves the caret past the space it adds
        total = GetCharacterCount();
    }
    CEditScratch::Data& scratch = m_scratch.Get();
    // Whether the words are as the last typed character left them.
    const bool untouched = scratch.changesAfterEdit == m_words.GetChangeCount();
    struct LastEdit {
        bool shapedValid;
        std::size_t shapedStart;
        std::size_t shapedPreviousSize;
        std::int32_t shapedMode;
        std::size_t settledWord;
    };
    const LastEdit last = {untouched && scratch.shapedValid, scratch.shapedStart, scratch.shapedPreviousSize,
                           scratch.shapedMode, untouched ? scratch.settledWord : CEditScratch::Data::kNoWord};
    scratch.ForgetLastEdit();

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
    const std::size_t wordStart = static_cast<std::size_t>(caret) - k;
    const WordStart unmoved = StartUnmovedBy(m_words, w, wordStart);
    std::vector<CCalligraphyWord>& words = m_words.Change();
    const std::size_t oldCount = words[w].m_characters.size();
    const std::size_t previousSize = w > 0 ? words[w - 1].m_characters.size() : 0;
    const WidthsBefore before = MeasureAround(w);
    CCalligraphyEngine& engine = m_context.Engine();

    const std::vector<CCalligraphyCharacter>& current = words[w].m_characters;
    bool settled = false;
    if (code == kSpaceCode && k < oldCount &&
        std::all_of(current.begin() + static_cast<std::ptrdiff_t>(k), current.end(), IsSpace)) {
        // Before the word's trailing spaces: one more space at its end. A
        // space followed by a letter that travels with the word (merged
        // after it) is not trailing; that word is rebuilt like any other.
        {
            EngineWords feed(engine, words, w, scratch);
            // The last edit ran the stroke pass over this whole word.
            engine.SetStrokesSettled(last.settledWord == w);
            feed.Append(kSpaceCode);
        }
        // The word's letters up to the last typed one are fed again as they
        // were, unless the space re-shaped the word before.
        scratch.shapedValid = last.shapedValid && !scratch.previousWritten;
        scratch.shapedStart = last.shapedStart;
        scratch.shapedPreviousSize = last.shapedPreviousSize;
        scratch.shapedMode = last.shapedMode;
        // When the last edit left this word split and merged, and the space
        // changed no other letter, splitting and merging again would only
        // put the new space back where it is: a run of spaces costs the same
        // for every space typed.
        const CCalligraphyWord& edited = words[w];
        settled = last.settledWord == w && !scratch.previousWritten && scratch.deepestWrite == 0 &&
                  CCalligraphyWord::IsAttachableGlyph(edited.m_characters.back().GetGlyph()) &&
                  (w == 0 || (!StartsAttachable(edited) && !words[w - 1].m_characters.empty() &&
                              (w == 1 || !StartsAttachable(words[w - 1])))) &&
                  (w + 1 == words.size() || (!words[w + 1].m_characters.empty() && !StartsAttachable(words[w + 1])));
    } else {
        std::vector<CCalligraphyCharacter>& old = scratch.word;
        old.swap(words[w].m_characters);
        std::vector<CCalligraphyCharacter>& rebuilt = words[w].m_characters;
        rebuilt.clear();
        rebuilt.reserve(old.size() + 1);
        // Typing on where the last letter went: its letters up to there are
        // shaped as they were then, when they and what the rules read
        // around them are the same.
        std::size_t first = 0;
        const std::vector<CCalligraphyCharacter>& shaped = scratch.shaped;
        if (last.shapedValid && last.shapedStart == wordStart && last.shapedPreviousSize == previousSize &&
            last.shapedMode == engine.GetMode() && shaped.size() <= k &&
            std::equal(shaped.begin(), shaped.end(), old.begin(), SameInput)) {
            rebuilt.assign(shaped.begin(), shaped.end());
            first = shaped.size();
        }
        bool ok = true;
        bool prefixTaken = true;  // every letter up to the caret was taken by the rules
        bool keepShaped = false;
        {
            EngineWords feed(engine, words, w, scratch);
            feed.TakeStrokesAsChosen();  // empty, or shaped by the last feed
            for (std::size_t j = first; j <= old.size(); ++j) {
                if (j == k) {
                    ok = feed.Append(code) && ok;
                    if (ok && prefixTaken) {
                        scratch.shaped.assign(rebuilt.begin(), rebuilt.end());
                        keepShaped = true;
                    }
                }
                if (j == old.size())
                    break;
                const bool taken = feed.Refeed(old[j]);
                prefixTaken = prefixTaken && (j >= k || taken);
            }
        }
        if (!ok) {
            // Refused: put back the word and the letters of the word before it
            // that the re-feed may have re-shaped.
            words[w].m_characters.swap(old);
            if (w > 0 && scratch.previousWritten)
                words[w - 1].m_characters = scratch.previous.m_characters;
            m_words.SetCounts(counts);
            return 0;
        }
        // What the rules read in the word before must stay as it was for the
        // next letter typed here.
        scratch.shapedValid = keepShaped && !scratch.previousWritten;
        scratch.shapedStart = wordStart;
        scratch.shapedPreviousSize = previousSize;
        scratch.shapedMode = engine.GetMode();
    }
    const std::size_t newTotal = counts.total - oldCount + words[w].m_characters.size();
    if (settled) {
        // The outline cache is rebuilt as after any re-split; the word grew by
        // one space's advance at its end, past any tail overhang.
        CCalligraphyWord& edited = words[w];
        edited.m_outline.clear();
        edited.m_bounds = Rect();
        ShiftAfterEdit(w, before);
        m_words.SetCounts(CWordArray::CharacterCounts{newTotal, unmoved.word, unmoved.before});
        SetCaret(caret, 1, true);
        scratch.settledWord = w;
    } else {
        CompleteInsertion(w, before, {newTotal, unmoved.word, unmoved.before}, caret);
    }
    scratch.changesAfterEdit = m_words.GetChangeCount();
    return 1;
}

std::int32_t CCalligraphyParagraph::CompleteInsertion(std::size_t word, const WidthsBefore& before,
                                                      CWordArray::CharacterCounts counts, std::int32_t& caret) {
    ShiftAfterEdit(word, before);
    const bool headKept = ResplitAndMergeAround(word);
    m_words.SetCounts(counts);
    SetCaret(caret, 1, true);
    m_scratch.Get().settledWord = headKept ? word : CEditScratch::Data::kNoWord;
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
        EngineWords feed(m_context.Engine(), m_words.Change(), last, m_scratch.Get());
        ok = feed.Append(code);
    }
    if (!ok) {
        m_words.SetCounts(counts);
        return 0;  // the engine leaves a refused code without trace
    }
    const std::size_t newTotal = counts.total - lastCount + std::as_const(m_words)[last].m_characters.size();
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
    std::vector<CCalligraphyWord>& words = m_words.Change();
    std::vector<CCalligraphyCharacter>& characters = words[w].m_characters;
    const std::size_t n = characters.size();
    const WidthsBefore before = MeasureAround(w);

    if (k >= 2 && k < n && IsSpace(characters[k - 1]) && IsSpace(characters[k])) {
        characters.erase(characters.begin() + static_cast<std::ptrdiff_t>(k));
    } else {
        std::vector<CCalligraphyCharacter>& old = m_scratch.Get().word;
        old.swap(characters);
        characters.clear();
        characters.reserve(n);
        EngineWords feed(m_context.Engine(), words, w, m_scratch.Get());
        for (std::size_t j = 0; j < n; ++j) {
            if (j != k - 1)
                feed.Refeed(old[j]);
        }
    }
    // Joining kept the count; the rebuilt word lost one letter, or more when
    // the rules no longer take a stored one.
    const std::size_t newTotal = counts.total - n + words[w].m_characters.size();
    ShiftAfterEdit(w, before);
    ResplitAndMergeAround(w);
    m_words.SetCounts(CWordArray::CharacterCounts{newTotal, unmoved.word, unmoved.before});
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
        EngineWords feed(m_context.Engine(), m_words.Change(), w, m_scratch.Get());
        m_words[w].m_characters.clear();
        for (std::size_t j = 0; j < old.m_characters.size(); ++j) {
            // The toggled letter is now the newest one: its alternate form
            // is settled before the letter after it arrives.
            if (j == k)
                feed.ApplyAlternateForm();
            feed.Refeed(old.m_characters[j]);
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
        m_words.SetCounts(after);
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
        EngineWords feed(m_context.Engine(), m_words.Change(), w, m_scratch.Get());
        if (code == kGlyphVariantCode)
            feed.Engine().ApplyGlyphVariant(offset);
        else
            feed.Engine().ApplyGlyphSwap(offset);
    }
    ShiftAfterEdit(w, before);
    m_words.SetCounts(counts);
}

// --- Splitting and merging -----------------------------------------------------------

void CCalligraphyParagraph::ResplitWord(std::int32_t word) {
    CheckWordIndex(word);
    SplitWord(static_cast<std::size_t>(word), false);
}

std::size_t CCalligraphyParagraph::SplitWord(std::size_t w, bool keepAttachable) {
    std::vector<CCalligraphyWord>& words = m_words.Change();
    // Inserting the pieces moves the word: its letters are reached afresh.
    const std::vector<CCalligraphyCharacter>* letters = &words[w].m_characters;
    const std::size_t n = letters->size();
    const auto closes = [&letters, n](std::size_t i) {
        const std::uint16_t next = i + 1 < n ? (*letters)[i + 1].m_code : 0;
        return CCalligraphyEngine::IsNonJoining((*letters)[i].m_code, next);
    };
    // A group ends after each character that does not join the next one,
    // and at the end of the word.
    const auto groupEnd = [&closes, n](std::size_t start) {
        std::size_t i = start;
        while (i + 1 < n && !closes(i))
            ++i;
        return i + 1;
    };
    // Whether a group starts a piece of its own: always, unless it travels
    // with the piece before it (keepAttachable), where merging would put it.
    const auto startsPiece = [&](std::size_t start, std::size_t end) {
        return start == 0 || !keepAttachable ||
               !std::all_of(letters->begin() + static_cast<std::ptrdiff_t>(start),
                            letters->begin() + static_cast<std::ptrdiff_t>(end), [](const CCalligraphyCharacter& c) {
                                return CCalligraphyWord::IsAttachableGlyph(c.GetGlyph());
                            });
    };
    std::size_t groups = 0;
    std::size_t pieces = 0;
    for (std::size_t start = 0; start < n;) {
        const std::size_t end = groupEnd(start);
        ++groups;
        pieces += startsPiece(start, end) ? 1 : 0;
        start = end;
    }
    if (groups == 0) {
        words.erase(words.begin() + static_cast<std::ptrdiff_t>(w));
        return 0;
    }
    const bool lastCloses = closes(n - 1);

    // The pieces replace the word as new words (without caches): the first
    // piece keeps the word's place and storage, and every other piece is
    // laid where the word before it ends, on its baseline. A group kept with
    // the piece before it adds its advance to that piece's width, exactly
    // where it would have been laid on its own.
    if (pieces > 1)
        words.insert(words.begin() + static_cast<std::ptrdiff_t>(w) + 1, pieces - 1, CCalligraphyWord());
    CCalligraphyWord& head = words[w];
    letters = &head.m_characters;
    head.m_outline.clear();
    head.m_bounds = Rect();
    if (pieces == 1) {
        // A single group that is not closed starts where the word before ends.
        if (groups == 1 && !lastCloses) {
            const CCalligraphyWord* predecessor = w > 0 ? &words[w - 1] : nullptr;
            head.m_x = predecessor ? Wrap32(std::int64_t{predecessor->m_x} + predecessor->GetWidth()) : 0;
            head.m_y = predecessor ? predecessor->m_y : 0;
        }
        return 1;
    }
    std::vector<CCalligraphyCharacter>& all = head.m_characters;
    std::size_t headEnd = 0;
    std::size_t piece = 0;
    std::size_t pieceStart = 0;
    const auto closePiece = [&](std::size_t end) {
        if (piece == 0)
            headEnd = end;
        else
            words[w + piece].m_characters.assign(all.begin() + static_cast<std::ptrdiff_t>(pieceStart),
                                                 all.begin() + static_cast<std::ptrdiff_t>(end));
        ++piece;
    };
    for (std::size_t start = 0; start < n;) {
        const std::size_t end = groupEnd(start);
        if (start > 0 && startsPiece(start, end)) {
            closePiece(start);
            pieceStart = start;
        }
        start = end;
    }
    closePiece(n);
    all.erase(all.begin() + static_cast<std::ptrdiff_t>(headEnd), all.end());
    for (std::size_t j = w + 1; j < w + pieces; ++j) {
        const CCalligraphyWord& predecessor = words[j - 1];
        words[j].m_x = Wrap32(std::int64_t{predecessor.m_x} + predecessor.GetWidth());
        words[j].m_y = predecessor.m_y;
    }
    return pieces;
}

void CCalligraphyParagraph::MergeWords() {
    std::vector<CCalligraphyWord>& words = m_words.Change();
    if (!words.empty())
        MergeRange(words, 0, words.size() - 1);
}

bool CCalligraphyParagraph::ResplitAndMergeAround(std::size_t word) {
    // Groups that merging would join to the piece before them stay there.
    const std::size_t pieces = SplitWord(word, true);
    // In a text merged before, only the pieces, the word before them (the
    // edit may have re-shaped its letters) and the word after them can have
    // become empty or attachable. Further away, a pasted or loaded text that
    // was never merged stays as it is.
    std::vector<CCalligraphyWord>& words = m_words.Change();
    const bool headKept = MergeRange(words, word > 0 ? word - 1 : 0, word + pieces, word);
    return pieces > 0 && headKept;
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
        word.m_x = Wrap32(word.m_x + s);
    const std::size_t e = t + pasted.size();
    m_words.insert(m_words.begin() + static_cast<std::ptrdiff_t>(t), std::make_move_iterator(pasted.begin()),
                   std::make_move_iterator(pasted.end()));
    if (e < m_words.size()) {
        // The last pasted word's end as it stood in the source.
        const std::int64_t d = std::int64_t{m_words[e - 1].m_x} - s + m_words[e - 1].GetWidth();
        ShiftWordsFrom(e, d);
    }
    // Look-ups start after the pasted words, where the caret is likely to go.
    m_words.SetCounts(CWordArray::CharacterCounts{counts.total + pastedCharacters, e, beforePasted + pastedCharacters});
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

    if (selection.IsMark()) {
        CheckWordIndex(lo);
        std::vector<CCalligraphyCharacter>& characters = m_words[static_cast<std::size_t>(lo)].m_characters;
        if (selection.m_letter >= characters.size())
            ThrowBadIndex("letter index outside the word");
        characters[selection.m_letter].m_mark = 0;
        m_words.SetCounts(counts);
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
    m_words.SetCounts(counts);
    return lo > 0 ? lo - 1 : 0;
}

}  // namespace kavitro
