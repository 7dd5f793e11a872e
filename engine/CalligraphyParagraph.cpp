// Paragraph editing. An edit never re-shapes the whole paragraph: only the
// word that holds the caret is rebuilt through the engine, the words after it
// move by the change of width, and the rebuilt word is cut into connected
// groups again.

#include <algorithm>
#include <optional>
#include <utility>

#include "engine/CalligraphyEngine.h"
#include "engine/CalligraphyText.h"
#include "engine/CodePointTable.h"
#include "engine/VectorPathSource.h"
#include "platform/Saturating.h"

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

// A caret belongs to the first word whose end it does not pass (at most the
// last word), and a caret at the end of a word that is not the last to the
// start of the next word. The walk may start at any word whose start is
// known (`before` characters precede it) and goes whichever way the caret
// lies, so that a caret near the last edit is found in a step or two. The
// caret must lie in 0..total and words must exist.
WordPosition LocateFrom(const CWordList& words, std::int64_t caret, std::size_t word,
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

// The first word that an edit of word w can change: the edit re-shapes
// letters of word w - 1, and merging may join that word to the one before
// it, but nothing reaches further back.
std::size_t FirstWordReachedFrom(std::size_t w) { return w >= 2 ? w - 2 : 0; }

// Removes empty words and joins attachable words to the word before them,
// over words first..last (word first - 1 may take letters). A run of
// attachable words, and empty words among them, collapses into the nearest
// word before it that is not attachable (word 0 and word first - 1 always
// take them), keeping their order; each word is visited and moved once.
// Returns whether word `keep` (in first..last) stays, at the same index.
bool MergeRange(CWordList& words, std::size_t first, std::size_t last,
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
        CCharacterArray& target = words[receiver].m_characters;
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
    CCharacterArray word;
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
    CCharacterArray shaped;
    bool shapedValid = false;
    std::size_t shapedStart = 0;         // characters before the word
    std::size_t shapedPreviousSize = 0;  // letters of the word before it
    std::int32_t shapedMode = 0;
    // The word that the last edit re-split and merged, headed by its own
    // first group; kNoWord when there is none.
    std::size_t settledWord = kNoWord;
    // For every length from exactFrom to its size, that many first letters
    // of settledWord are exactly what feeding them afresh gives, in mode
    // exactMode (kNoWord: no length is known). A run of spaces that changed
    // nothing but themselves keeps it, so that a letter typed after the run
    // is shaped from there without feeding the run again.
    std::size_t exactFrom = kNoWord;
    std::int32_t exactMode = 0;
    // The width of settledWord while exactFrom names a length, once a run
    // of spaces has measured it.
    std::optional<std::int32_t> exactWidth;

    static constexpr std::uint64_t kNever = ~std::uint64_t{0};
    static constexpr std::size_t kNoWord = ~std::size_t{0};

    void ForgetLastEdit() {
        changesAfterEdit = kNever;
        shapedValid = false;
        settledWord = kNoWord;
        exactFrom = kNoWord;
        exactWidth.reset();
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

namespace {

// Points the engine at the word being rebuilt and the word before it for the
// length of one edit, and records what the engine wrote. The pointers are
// cleared afterwards: inserting and removing words moves the word array.
class EngineWords {
public:
    EngineWords(CCalligraphyEngine& engine, CWordList& words, std::size_t current,
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

// Whether letter i ends its connected group.
bool EndsGroup(const CCharacterArray& letters, std::size_t i) {
    const std::uint16_t next = i + 1 < letters.size() ? letters[i + 1].m_code : 0;
    return CCalligraphyEngine::IsNonJoining(letters[i].m_code, next);
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
    return {followed ? std::as_const(m_words)[word].GetWidth(m_context.Metrics()) : 0, followed};
}

void CCalligraphyParagraph::ShiftAfterEdit(CWordArray::Edit& edit, std::size_t word, const WidthsBefore& before) {
    const CEditScratch::Data& scratch = m_scratch.Get();
    if (word > 0 && scratch.previousWritten) {
        const CCalligraphyWord& previousBefore = scratch.previous;
        const CCalligraphyWord& previous = std::as_const(m_words)[word - 1];
        const IGlyphMetrics& metrics = m_context.Metrics();
        if (!previous.HasSameGlyphs(previousBefore))
            edit.MoveFrom(word, std::int64_t{previous.GetWidth(metrics)} - previousBefore.GetWidth(metrics));
    }
    if (before.wordMeasured)
        edit.MoveFrom(word + 1, std::as_const(m_words)[word].GetWidth(m_context.Metrics()) - before.word);
}

std::int32_t CCalligraphyParagraph::GetCharacterCount() const {
    return static_cast<std::int32_t>(m_words.GetCharacterCount());
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
    const CWordArray::WordStart start = m_words.GetKnownStart();
    return LocateFrom(m_words.GetLetters(), caret, start.word, static_cast<std::int64_t>(start.before));
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
    const CWordList& words = m_words.GetLetters();
    if (!words.empty() && !words.back().m_characters.empty() && IsSpace(words.back().m_characters.back()))
        --limit;
    caret = static_cast<std::int32_t>(std::clamp<std::int64_t>(wanted, 0, std::max<std::int64_t>(limit, 0)));
}

void CCalligraphyParagraph::AppendEmptyWord() {
    CCalligraphyWord word;
    if (!m_words.empty()) {
        const CCalligraphyWord& last = std::as_const(m_words).back();
        word.m_x = Wrap32(std::int64_t{last.m_x} + last.GetWidth(m_context.Metrics()));
        word.m_y = last.m_y;
    }
    CWordArray::Edit edit = m_words.EditFrom(m_words.size());
    edit.Words().push_back(std::move(word));
}

// --- Typing --------------------------------------------------------------------

// What the last typed character left for this one to build on.
struct CCalligraphyParagraph::LastEdit {
    bool shapedValid;
    std::size_t shapedStart;
    std::size_t shapedPreviousSize;
    std::int32_t shapedMode;
    std::size_t settledWord;
    std::size_t exactFrom;
    std::int32_t exactMode;
    std::optional<std::int32_t> exactWidth;
};

std::int32_t CCalligraphyParagraph::InsertCharacter(std::int32_t& caret, std::uint16_t code) {
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
    const std::size_t none = CEditScratch::Data::kNoWord;
    const LastEdit last = {untouched && scratch.shapedValid,
                           scratch.shapedStart,
                           scratch.shapedPreviousSize,
                           scratch.shapedMode,
                           untouched ? scratch.settledWord : none,
                           untouched ? scratch.exactFrom : none,
                           scratch.exactMode,
                           scratch.exactWidth};
    scratch.ForgetLastEdit();

    const bool wasEmpty = m_words.empty();
    if (wasEmpty)
        AppendEmptyWord();
    if (caret == total) {
        const std::int32_t ok = AppendAtEnd(caret, code);
        if (ok == 0 && wasEmpty)
            m_words.clear();
        if (ok == 1)
            scratch.changesAfterEdit = m_words.GetChangeCount();
        return ok;
    }

    const WordPosition pos = LocateCaret(caret);
    if (!InsertInsideText(pos, static_cast<std::size_t>(caret) - static_cast<std::size_t>(pos.offset), code, last))
        return 0;
    SetCaret(caret, 1, true);
    scratch.changesAfterEdit = m_words.GetChangeCount();
    return 1;
}

bool CCalligraphyParagraph::InsertInsideText(WordPosition pos, std::size_t wordStart, std::uint16_t code,
                                             const LastEdit& last) {
    CEditScratch::Data& scratch = m_scratch.Get();
    const auto w = static_cast<std::size_t>(pos.word);
    const auto k = static_cast<std::size_t>(pos.offset);
    // Merging may take letters of the word after w, never further.
    CWordArray::Edit edit = m_words.EditFrom(FirstWordReachedFrom(w), w + 2);
    CWordList& words = edit.Words();
    const std::size_t oldCount = words[w].m_characters.size();
    const std::size_t previousSize = w > 0 ? words[w - 1].m_characters.size() : 0;
    const WidthsBefore before = MeasureAround(w);
    CCalligraphyEngine& engine = m_context.Engine();
    // The letters known to feed exactly, in the mode they were fed in.
    const std::size_t lastExactFrom = last.exactMode == engine.GetMode() ? last.exactFrom : CEditScratch::Data::kNoWord;

    const CCharacterArray& current = words[w].m_characters;
    bool settled = false;
    // See CEditScratch::Data::exactFrom (kNoWord: none) and exactWidth.
    std::size_t exactFrom = CEditScratch::Data::kNoWord;
    std::optional<std::int32_t> exactWidth;
    KnownHead knownHead{};
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
        // A space that changed nothing but itself, after letters that feed
        // exactly to what they are, leaves letters that still do.
        const bool onlyItself = !scratch.previousWritten && scratch.deepestWrite == 0;
        exactFrom = last.settledWord == w && onlyItself ? lastExactFrom : CEditScratch::Data::kNoWord;
        // A long run measures the word once; a space is no tail glyph, so
        // each one after that adds its advance. A short run leaves it to the
        // next letter to measure the letters before it.
        constexpr std::size_t kRunWorthMeasuring = 32;
        if (exactFrom != CEditScratch::Data::kNoWord) {
            const IGlyphMetrics& metrics = m_context.Metrics();
            const CCalligraphyWord& grown = words[w];
            if (last.exactWidth)
                exactWidth = Wrap32(std::int64_t{*last.exactWidth} +
                                    metrics.GetReferenceAbc(grown.m_characters.back().GetGlyph()).Advance());
            else if (grown.m_characters.size() - exactFrom >= kRunWorthMeasuring)
                exactWidth = grown.GetWidth(metrics);
        }
        // When the last edit left this word split and merged, and the space
        // changed no other letter, splitting and merging again would only
        // put the new space back where it is: a run of spaces costs the same
        // for every space typed.
        const CCalligraphyWord& edited = words[w];
        settled = last.settledWord == w && onlyItself &&
                  CCalligraphyWord::IsAttachableGlyph(edited.m_characters.back().GetGlyph()) &&
                  (w == 0 || (!StartsAttachable(edited) && !words[w - 1].m_characters.empty() &&
                              (w == 1 || !StartsAttachable(words[w - 1])))) &&
                  (w + 1 == words.size() || (!words[w + 1].m_characters.empty() && !StartsAttachable(words[w + 1])));
    } else if (last.settledWord == w && lastExactFrom <= k && k <= oldCount) {
        // The letters before the caret are what feeding them gives: only the
        // new letter and those after it are fed, however long the word.
        CCharacterArray& tail = scratch.word;
        CCharacterArray& characters = words[w].m_characters;
        tail.assign(characters.begin() + static_cast<std::ptrdiff_t>(k), characters.end());
        characters.resize(k);
        // The letters after the caret, spaces typed since the word was fed,
        // hold no tail glyph: without them the word is narrower by their
        // advances.
        std::int64_t prefixWidth = last.exactWidth.value_or(0);
        for (const CCalligraphyCharacter& c : tail)
            prefixWidth -= m_context.Metrics().GetReferenceAbc(c.GetGlyph()).Advance();
        bool ok = false;
        {
            EngineWords feed(engine, words, w, scratch);
            feed.TakeStrokesAsChosen();
            ok = feed.Append(code);
            for (const CCalligraphyCharacter& c : tail)
                feed.Refeed(c);
        }
        if (!ok) {
            characters.resize(k);
            characters.insert(characters.end(), tail.begin(), tail.end());
            if (w > 0 && scratch.previousWritten)
                words[w - 1].m_characters = scratch.previous.m_characters;
            return false;
        }
        if (!scratch.previousWritten)
            exactFrom = characters.size();
        // The letters the feed cannot have reached kept their groups, which
        // the last edit left in one piece.
        std::size_t unchanged = k > static_cast<std::size_t>(scratch.deepestWrite)
                                    ? k - static_cast<std::size_t>(scratch.deepestWrite)
                                    : 0;
        while (unchanged > 0 && !EndsGroup(characters, unchanged - 1))
            --unchanged;
        knownHead.end = unchanged;
        if (unchanged == k && scratch.deepestWrite == 0 && last.exactWidth)
            knownHead.width = Wrap32(prefixWidth);
    } else {
        // The letters are copied out rather than swapped with the scratch
        // buffer: the word keeps its own storage and its spare room, so that
        // typing on in the same word seldom allocates.
        CCharacterArray& old = scratch.word;
        CCharacterArray& rebuilt = words[w].m_characters;
        old.assign(rebuilt.begin(), rebuilt.end());
        rebuilt.clear();
        // Typing on where the last letter went: its letters up to there are
        // shaped as they were then, when they and what the rules read
        // around them are the same.
        std::size_t first = 0;
        const CCharacterArray& shaped = scratch.shaped;
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
            return false;
        }
        // What the rules read in the word before must stay as it was for the
        // next letter typed here.
        scratch.shapedValid = keepShaped && !scratch.previousWritten;
        scratch.shapedStart = wordStart;
        scratch.shapedPreviousSize = previousSize;
        scratch.shapedMode = engine.GetMode();
        if (!scratch.previousWritten)
            exactFrom = rebuilt.size();
    }
    bool intact = true;
    if (settled) {
        // The outline cache is rebuilt as after any re-split; the word grew by
        // one space's advance at its end, past any tail overhang.
        CCalligraphyWord& edited = words[w];
        edited.m_outline.clear();
        edited.m_bounds = Rect();
        ShiftAfterEdit(edit, w, before);
        scratch.settledWord = w;
    } else {
        intact = CompleteInsertion(edit, w, before, knownHead);
    }
    scratch.exactFrom = intact ? exactFrom : CEditScratch::Data::kNoWord;
    // Copied by its parts: the optional was written part by part, and
    // reading it back whole at once would stall the processor's store
    // forwarding on every typed letter.
    if (exactWidth)
        scratch.exactWidth = *exactWidth;
    else
        scratch.exactWidth.reset();
    scratch.exactMode = engine.GetMode();
    return true;
}

bool CCalligraphyParagraph::CompleteInsertion(CWordArray::Edit& edit, std::size_t word, const WidthsBefore& before,
                                              const KnownHead& knownHead) {
    ShiftAfterEdit(edit, word, before);
    CWordList& words = edit.Words();
    const std::size_t size = words[word].m_characters.size();
    const bool headKept = ResplitAndMergeAround(edit, word, knownHead);
    m_scratch.Get().settledWord = headKept ? word : CEditScratch::Data::kNoWord;
    // Splitting only takes letters away and merging only adds them.
    return headKept && edit.Words()[word].m_characters.size() == size;
}

std::int32_t CCalligraphyParagraph::AppendAtEnd(std::int32_t& caret, std::uint16_t code) {
    const std::size_t last = m_words.size() - 1;
    {
        CWordArray::Edit edit = m_words.EditFrom(FirstWordReachedFrom(last));
        const WidthsBefore before = MeasureAround(last);
        CEditScratch::Data& scratch = m_scratch.Get();
        const bool fromNothing = std::as_const(m_words)[last].m_characters.empty();
        bool ok = false;
        {
            EngineWords feed(m_context.Engine(), edit.Words(), last, scratch);
            ok = feed.Append(code);
        }
        if (!ok)
            return 0;  // the engine leaves a refused code without trace
        // A word fed from nothing is exactly what feeding gives.
        const std::size_t size = std::as_const(m_words)[last].m_characters.size();
        const bool intact = CompleteInsertion(edit, last, before, KnownHead{});
        scratch.exactFrom = fromNothing && !scratch.previousWritten && intact ? size : CEditScratch::Data::kNoWord;
        scratch.exactWidth.reset();
        scratch.exactMode = m_context.Engine().GetMode();
    }
    SetCaret(caret, 1, true);
    return 1;
}

void CCalligraphyParagraph::DeleteCharacter(std::int32_t& caret) {
    if (m_words.empty())
        return;
    CheckCaret(caret);
    if (caret == 0)
        return;
    DeleteBeforeCaret(LocateCaret(caret), caret);
    SetCaret(caret, -1, true);
}

void CCalligraphyParagraph::DeleteBeforeCaret(WordPosition pos, std::int32_t caret) {
    // At the start of a word the character to delete ends a word before it
    // (past any empty ones), whose letters the edit re-shapes.
    std::size_t ending = static_cast<std::size_t>(pos.word);
    if (pos.offset == 0) {
        while (ending > 0 && std::as_const(m_words)[--ending].m_characters.empty()) {
        }
    }
    // Joining goes back from pos.word, and merging takes letters of the word
    // after it at most.
    CWordArray::Edit edit = m_words.EditFrom(FirstWordReachedFrom(ending), static_cast<std::size_t>(pos.word) + 2);
    CWordList& words = edit.Words();
    // At the start of a word: the character to delete ends the word before,
    // so the two are joined and rebuilt as one.
    while (pos.offset == 0 && pos.word > 0) {
        const auto w = static_cast<std::size_t>(pos.word);
        const std::size_t joinedStart = static_cast<std::size_t>(caret) - words[w - 1].m_characters.size();
        words[w - 1].AppendCharacters(words[w]);
        words.erase(words.begin() + static_cast<std::ptrdiff_t>(w));
        pos = LocateFrom(words, caret, w - 1, static_cast<std::int64_t>(joinedStart));
    }
    const auto w = static_cast<std::size_t>(pos.word);
    const auto k = static_cast<std::size_t>(pos.offset);  // at least 1: caret > 0
    CCharacterArray& characters = words[w].m_characters;
    const std::size_t n = characters.size();
    const WidthsBefore before = MeasureAround(w);

    if (k >= 2 && k < n && IsSpace(characters[k - 1]) && IsSpace(characters[k])) {
        characters.erase(characters.begin() + static_cast<std::ptrdiff_t>(k));
    } else {
        CCharacterArray& old = m_scratch.Get().word;
        old.assign(characters.begin(), characters.end());  // the word keeps its storage
        characters.clear();
        EngineWords feed(m_context.Engine(), words, w, m_scratch.Get());
        for (std::size_t j = 0; j < n; ++j) {
            if (j != k - 1)
                feed.Refeed(old[j]);
        }
    }
    ShiftAfterEdit(edit, w, before);
    ResplitAndMergeAround(edit, w, KnownHead{});
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
    CCalligraphyWord old = std::as_const(m_words)[w];
    if (offset < 1 || static_cast<std::size_t>(offset) > old.m_characters.size())
        ThrowBadIndex("letter index outside the word");
    const auto k = static_cast<std::size_t>(offset);
    old.m_characters[k - 1].m_flags ^= CCalligraphyCharacter::kAlternate;
    CWordArray::Edit edit = m_words.EditFrom(FirstWordReachedFrom(w), w + 1);
    const WidthsBefore before = MeasureAround(w);
    {
        EngineWords feed(m_context.Engine(), edit.Words(), w, m_scratch.Get());
        edit.Words()[w].m_characters.clear();
        for (std::size_t j = 0; j < old.m_characters.size(); ++j) {
            // The toggled letter is now the newest one: its alternate form
            // is settled before the letter after it arrives.
            if (j == k)
                feed.ApplyAlternateForm();
            feed.Refeed(old.m_characters[j]);
        }
    }
    ShiftAfterEdit(edit, w, before);
}

void CCalligraphyParagraph::ApplyGlyphCommand(std::int32_t word, std::int32_t offset, std::uint16_t code) {
    // The glyph-variant (kGlyphVariantCode) and glyph-swap (kGlyphSwapCode)
    // commands act on the live word at the letter before offset, without a
    // re-feed, and the words after it follow the width change.
    const auto w = static_cast<std::size_t>(word);
    CWordArray::Edit edit = m_words.EditFrom(FirstWordReachedFrom(w), w + 1);
    const WidthsBefore before = MeasureAround(w);
    {
        EngineWords feed(m_context.Engine(), edit.Words(), w, m_scratch.Get());
        if (code == kGlyphVariantCode)
            feed.Engine().ApplyGlyphVariant(offset);
        else
            feed.Engine().ApplyGlyphSwap(offset);
    }
    ShiftAfterEdit(edit, w, before);
}

// --- Splitting and merging -----------------------------------------------------------

void CCalligraphyParagraph::ResplitWord(std::int32_t word) {
    CheckWordIndex(word);
    CWordArray::Edit edit = m_words.EditFrom(static_cast<std::size_t>(word), static_cast<std::size_t>(word) + 1);
    SplitWord(edit, static_cast<std::size_t>(word), false, KnownHead{});
}

std::size_t CCalligraphyParagraph::SplitWord(CWordArray::Edit& edit, std::size_t w, bool keepAttachable,
                                             const KnownHead& knownHead) {
    CWordList& words = edit.Words();
    // Inserting the pieces moves the word: its letters are reached afresh.
    const CCharacterArray* letters = &words[w].m_characters;
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
    // The letters before knownHeadEnd are one piece of one or more groups.
    const std::size_t knownHeadEnd = std::min(knownHead.end, n);
    std::size_t groups = knownHeadEnd > 0 ? 1 : 0;
    std::size_t pieces = groups;
    for (std::size_t start = knownHeadEnd; start < n;) {
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
    // Mostly one piece is cut off (a letter typed after a space or after a
    // letter that joins nothing): it is made in place, not copied from a
    // blank word.
    if (pieces == 2)
        words.emplace(words.begin() + static_cast<std::ptrdiff_t>(w) + 1);
    else if (pieces > 2)
        words.insert(words.begin() + static_cast<std::ptrdiff_t>(w) + 1, pieces - 1, CCalligraphyWord());
    CCalligraphyWord& head = words[w];
    letters = &head.m_characters;
    head.m_outline.clear();
    head.m_bounds = Rect();
    if (pieces == 1) {
        // A single group that is not closed starts where the word before ends.
        if (groups == 1 && !lastCloses) {
            const CCalligraphyWord* predecessor = w > 0 ? &words[w - 1] : nullptr;
            head.m_x = predecessor ? Wrap32(std::int64_t{predecessor->m_x} + predecessor->GetWidth(m_context.Metrics())) : 0;
            head.m_y = predecessor ? predecessor->m_y : 0;
        }
        return 1;
    }
    CCharacterArray& all = head.m_characters;
    std::size_t headEnd = 0;
    std::size_t piece = 0;
    std::size_t pieceStart = 0;
    // Typing goes on in the last piece, where the caret mostly stands: it
    // gets room for a few more letters at once, instead of growing letter
    // by letter.
    constexpr std::size_t kTypingRoom = 6;
    const auto closePiece = [&](std::size_t end) {
        if (piece == 0) {
            headEnd = end;
        } else {
            CCharacterArray& letters = words[w + piece].m_characters;
            if (piece + 1 == pieces)
                letters.reserve(end - pieceStart + kTypingRoom);
            letters.assign(all.begin() + static_cast<std::ptrdiff_t>(pieceStart),
                           all.begin() + static_cast<std::ptrdiff_t>(end));
        }
        ++piece;
    };
    for (std::size_t start = knownHeadEnd; start < n;) {
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
        // A long head is not measured again when the edit knows its width.
        const bool known = j == w + 1 && headEnd == knownHeadEnd && knownHead.width;
        const std::int64_t width = known ? *knownHead.width : predecessor.GetWidth(m_context.Metrics());
        words[j].m_x = Wrap32(std::int64_t{predecessor.m_x} + width);
        words[j].m_y = predecessor.m_y;
    }
    return pieces;
}

void CCalligraphyParagraph::MergeWords() {
    CWordArray::Edit edit = m_words.EditFrom(0);
    CWordList& words = edit.Words();
    if (!words.empty())
        MergeRange(words, 0, words.size() - 1);
}

bool CCalligraphyParagraph::ResplitAndMergeAround(CWordArray::Edit& edit, std::size_t word,
                                                  const KnownHead& knownHead) {
    // Groups that merging would join to the piece before them stay there.
    const std::size_t pieces = SplitWord(edit, word, true, knownHead);
    // In a text merged before, only the pieces, the word before them (the
    // edit may have re-shaped its letters) and the word after them can have
    // become empty or attachable. Further away, a pasted or loaded text that
    // was never merged stays as it is.
    CWordList& words = edit.Words();
    const bool headKept = MergeRange(words, word > 0 ? word - 1 : 0, word + pieces, word);
    return pieces > 0 && headKept;
}

// --- Words as a whole --------------------------------------------------------------------

void CCalligraphyParagraph::InsertWords(const CCalligraphyParagraph& source, std::int32_t caret) {
    CheckCaret(caret);
    if (source.m_words.empty())
        return;
    CWordList pasted = source.m_words;  // the source may be this paragraph

    std::size_t t = 0;
    std::int64_t s = 0;
    if (!m_words.empty()) {
        const WordPosition pos = LocateCaret(caret);
        // A caret inside a word pastes after that word.
        t = static_cast<std::size_t>(pos.word) + (pos.offset == 0 ? 0 : 1);
        const CWordArray& placed = m_words;
        if (t > 0)
            s = std::int64_t{placed[t - 1].m_x} - placed[0].m_x + placed[t - 1].GetWidth(m_context.Metrics());
    }
    for (CCalligraphyWord& word : pasted)
        word.m_x = Wrap32(word.m_x + s);
    const std::size_t e = t + pasted.size();
    // The words after the caret keep their letters and only move.
    CWordArray::Edit edit = m_words.EditFrom(t, t);
    CWordList& words = edit.Words();
    words.insert(words.begin() + static_cast<std::ptrdiff_t>(t), std::make_move_iterator(pasted.begin()),
                 std::make_move_iterator(pasted.end()));
    if (e < words.size()) {
        // The last pasted word's end as it stood in the source.
        const std::int64_t d = std::int64_t{words[e - 1].m_x} - s + words[e - 1].GetWidth(m_context.Metrics());
        edit.MoveFrom(e, d);
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

    if (selection.IsMark()) {
        CheckWordIndex(lo);
        if (selection.m_letter >= std::as_const(m_words)[static_cast<std::size_t>(lo)].m_characters.size())
            ThrowBadIndex("letter index outside the word");
        CWordArray::Edit edit = m_words.EditFrom(static_cast<std::size_t>(lo), static_cast<std::size_t>(lo) + 1);
        edit.Words()[static_cast<std::size_t>(lo)].m_characters[selection.m_letter].m_mark = 0;
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
    CWordArray::Edit edit = m_words.EditFrom(first);
    CWordList& words = edit.Words();
    const std::int64_t gap = next < words.size() ? std::int64_t{words[next].m_x} - words[first].m_x : 0;
    words.erase(words.begin() + lo, words.begin() + hi + 1);
    edit.MoveFrom(first, -gap);
    return lo > 0 ? lo - 1 : 0;
}

}  // namespace kavitro
