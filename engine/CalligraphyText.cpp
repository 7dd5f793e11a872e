#include "engine/CalligraphyText.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace kavitro {

namespace {

constexpr unsigned kFontCount = 5;

// Codes that older texts may hold but the engine does not shape.
std::uint16_t ReplaceLoadedCode(std::uint16_t code) {
    switch (code) {
    case 0x0643: return kKehehCode;     // Arabic kaf
    case 0x064A: return kFarsiYehCode;  // Arabic yeh
    case 0x200C: return kSpaceCode;     // zero-width non-joiner
    default: return code;
    }
}

std::size_t CountCharacters(const CWordList& words, std::size_t first, std::size_t last) {
    std::size_t count = 0;
    for (std::size_t i = first; i < last; ++i)
        count += words[i].m_characters.size();
    return count;
}

}  // namespace

// --- Word pool -----------------------------------------------------------------

void CWordPool::AddBlock() {
    const std::size_t count = m_blocks == nullptr ? kFirstBlock : std::min(m_blocks->count * 2, kLargestBlock);
    void* memory = ::operator new(sizeof(Block) + count * sizeof(Slot));
    Block* block = ::new (memory) Block{m_blocks, count};
    m_blocks = block;
    m_unused = reinterpret_cast<Slot*>(block + 1);
    m_end = m_unused + count;
    MarkFree(m_unused, count);
}

void CWordPool::Release() noexcept {
    while (m_blocks != nullptr) {
        Block* block = m_blocks;
        m_blocks = block->previous;
        MarkInUse(reinterpret_cast<Slot*>(block + 1), block->count);  // the allocator's again
        ::operator delete(static_cast<void*>(block));
    }
    m_free = m_unused = m_end = nullptr;
}

std::size_t CWordPool::GetCapacity() const {
    std::size_t count = 0;
    for (const Block* block = m_blocks; block != nullptr; block = block->previous)
        count += block->count;
    return count;
}

// --- Word array ----------------------------------------------------------------

const CWordArray::CharacterCounts& CWordArray::CountAgain() const {
    CharacterCounts counts{};
    counts.total = CountCharacters(m_items, 0, m_items.size());
    // Most edits come at the end of the text: look-ups start there.
    if (!m_items.empty())
        counts.start = {m_items.size() - 1, counts.total - m_items.back().m_characters.size()};
    m_counts = counts;
    return *m_counts;
}

CWordArray::WordStart CWordArray::StartOf(std::size_t word) const {
    WordStart s = Counts().start;
    word = std::min(word, m_items.size());
    while (s.word > word)
        s.before -= m_items[--s.word].m_characters.size();
    while (s.word < word)
        s.before += m_items[s.word++].m_characters.size();
    return s;
}

namespace {

// Moves words first..last-1 by dx, modulo 2^32 as stored positions wrap.
void MoveWords(CWordList& words, std::size_t first, std::size_t last, std::uint32_t dx) {
    for (std::size_t i = first; i < last; ++i)
        words[i].m_x = static_cast<std::int32_t>(static_cast<std::uint32_t>(words[i].m_x) + dx);
}

}  // namespace

void CWordArray::PlaceRange(std::size_t first, std::size_t last) const {
    const std::size_t n = m_items.size();
    assert(m_pending.from <= n && "the words of a pending move went");
    MoveWords(m_items, first, last, m_pending.dx);
    if (first == n - m_pending.from)
        m_pending.from = n - last;
    else
        m_pending.to = n - first;
    if (m_pending.IsEmpty())
        m_pending = PendingMove{};
}

void CWordArray::PlaceWord(std::size_t i) const {
    const std::size_t n = m_items.size();
    const std::size_t first = n - m_pending.from;
    const std::size_t last = n - m_pending.to;
    if (i < first || i >= last)
        return;
    // From whichever end of the range is nearer.
    if (i - first < last - i)
        PlaceRange(first, i + 1);
    else
        PlaceRange(i, last);
}

void CWordArray::MoveLazily(std::size_t first, std::int64_t dx) {
    const std::size_t n = m_items.size();
    first = std::min(first, n);
    const auto move = static_cast<std::uint32_t>(static_cast<std::uint64_t>(dx));
    if (m_pending.IsEmpty()) {
        if (first < n)
            m_pending = PendingMove{n - first, 0, move};
        return;
    }
    // The range grows to the last word: the words after it, at their
    // places, are stored short of them from now on.
    MoveWords(m_items, n - m_pending.to, n, 0u - m_pending.dx);
    m_pending.to = 0;
    const std::size_t start = n - m_pending.from;
    if (first < start)
        MoveWords(m_items, first, start, move);  // at their places: moved at once
    else if (first > start)
        PlaceRange(start, first);  // these words do not move any further
    m_pending.dx += move;
}

CWordArray::Edit::Edit(CWordArray& array, std::size_t first, std::size_t unchangedFrom)
    : m_array(array), m_start(array.StartOf(first)) {
    const CWordList& words = array.m_items;
    const std::size_t n = words.size();
    const std::size_t end = std::clamp(unchangedFrom, m_start.word, n);
    m_unchangedWords = n - end;
    // Whichever is shorter is counted: the edited words, or (typing at the
    // end of the text) the unchanged ones after them.
    m_unchangedCharacters = end - m_start.word <= m_unchangedWords
                                ? array.Counts().total - m_start.before - CountCharacters(words, m_start.word, end)
                                : CountCharacters(words, end, n);
    // The words the edit may change stand at their places while it lasts;
    // a pending move keeps to the unchanged words after them.
    const PendingMove& pending = array.m_pending;
    if (!pending.IsEmpty() && n - pending.from < end)
        array.PlaceRange(n - pending.from, std::min(end, n - pending.to));
}

void CWordArray::Edit::MoveFrom(std::size_t first, std::int64_t dx) {
    if (dx == 0)
        return;
    CWordList& words = m_array.m_items;
    const std::size_t n = words.size();
    assert(m_unchangedWords <= n && "an edit removed words it said it would not change");
    const std::size_t unchanged = n - std::min(m_unchangedWords, n);
    if (first < unchanged)
        MoveWords(words, first, unchanged, static_cast<std::uint32_t>(static_cast<std::uint64_t>(dx)));
    m_array.MoveLazily(std::max(first, unchanged), dx);
}

CWordArray::Edit::~Edit() {
    const CWordList& words = m_array.m_items;
    if (m_start.word > words.size() || m_unchangedWords > words.size() - m_start.word) {
        m_array.m_counts.reset();  // a word outside the edited ones went: count again
        return;
    }
    // The words before and after the edited ones kept their letters: only
    // the edited ones are counted.
    assert(m_start.before == CountCharacters(words, 0, m_start.word) && "an edit changed a word before its first");
    const std::size_t end = words.size() - m_unchangedWords;
    m_array.m_counts =
        CharacterCounts{m_start.before + CountCharacters(words, m_start.word, end) + m_unchangedCharacters, m_start};
    assert(m_array.m_counts->total == CountCharacters(words, 0, words.size()) &&
           "an edit changed a word after the ones it said it would change");
}

// --- Character -------------------------------------------------------------

bool CCalligraphyCharacter::HasMarkBelow() const {
    switch (m_code) {
    case kBehCode:
    case kJeemCode:
    case kPehCode:
    case kTchehCode:
    case kFarsiYehCode:
        return true;
    default:
        return false;
    }
}

void CCalligraphyCharacter::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_code << m_glyph << m_font << m_yOffset << m_flags << m_mark << m_markDx << m_markDy;
        return;
    }
    // The whole record or nothing: a short stream fails before any field changes.
    ar.EnsureAvailable(kStoredSize);
    CCalligraphyCharacter loaded;
    ar >> loaded.m_code >> loaded.m_glyph >> loaded.m_font >> loaded.m_yOffset >> loaded.m_flags >> loaded.m_mark >>
        loaded.m_markDx >> loaded.m_markDy;
    // Every stored character is shaped; the measures index the glyph tables
    // with it, so anything else is a damaged stream.
    if (loaded.m_glyph == 0 || loaded.m_font < 1 || loaded.m_font > kFontCount)
        throw ArchiveException(ArchiveException::Cause::Generic, "bad archive: a character without a valid glyph",
                               ar.GetFileName());
    loaded.m_code = ReplaceLoadedCode(loaded.m_code);
    *this = loaded;
}

// --- Word ------------------------------------------------------------------

CCalligraphyWord::CCalligraphyWord(const CCalligraphyWord& other)
    : CObject(other), m_characters(other.m_characters), m_x(other.m_x), m_y(other.m_y) {}

CCalligraphyWord& CCalligraphyWord::operator=(const CCalligraphyWord& other) {
    if (this != &other) {
        m_characters = other.m_characters;
        m_x = other.m_x;
        m_y = other.m_y;
    }
    return *this;
}

bool CCalligraphyWord::HasSameGlyphs(const CCalligraphyWord& other) const {
    return std::equal(m_characters.begin(), m_characters.end(), other.m_characters.begin(), other.m_characters.end(),
                      [](const CCalligraphyCharacter& x, const CCalligraphyCharacter& y) {
                          return x.GetGlyph() == y.GetGlyph();
                      });
}

void CCalligraphyWord::AppendCharacters(const CCalligraphyWord& word) {
    // A copy first: the source may be this word.
    const CCharacterArray source = word.m_characters;
    m_characters.insert(m_characters.end(), source.begin(), source.end());
}

void CCalligraphyWord::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_x << m_y;
        ar.WriteCount(m_characters.size());
        for (CCalligraphyCharacter& c : m_characters)
            c.Serialize(ar);
        return;
    }
    std::int32_t x = 0;
    std::int32_t y = 0;
    ar >> x >> y;
    const std::size_t count = ar.ReadCount(CCalligraphyCharacter::kStoredSize);
    CCharacterArray characters(count);
    for (CCalligraphyCharacter& c : characters)
        c.Serialize(ar);
    m_characters = std::move(characters);
    m_outline.clear();
    m_bounds = Rect();
    m_x = x;
    m_y = y;
}

// --- Paragraph ---------------------------------------------------------------

KAVITRO_IMPLEMENT_SERIAL(CCalligraphyParagraph, CObject, 0)

void CCalligraphyParagraph::RemoveAll() {
    m_words.clear();
    m_points.clear();
}

void CCalligraphyParagraph::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(m_words.size());
        for (CCalligraphyWord& word : m_words)
            word.Serialize(ar);
        ar.WriteCount(m_points.size());
        for (const CCalligraphyPoint& point : m_points)
            ar << point.m_sign << point.m_x << point.m_y;
        return;
    }
    // The enclosing text object puts its record's schema back for us: 0 marks
    // the older format, whose block ends after the words.
    const std::uint32_t schema = ar.GetObjectSchema();
    RemoveAll();
    // Elements join the paragraph only once read whole, so a stream that ends
    // early leaves the complete words read so far and nothing half-made.
    const std::size_t wordCount = ar.ReadCount(CCalligraphyWord::kMinStoredSize);
    m_words.reserve(wordCount);
    for (std::size_t i = 0; i < wordCount; ++i) {
        CCalligraphyWord word;
        word.Serialize(ar);
        m_words.push_back(std::move(word));
    }
    if (schema == 0)
        return;
    const std::size_t pointCount = ar.ReadCount(CCalligraphyPoint::kStoredSize);
    m_points.reserve(pointCount);
    for (std::size_t i = 0; i < pointCount; ++i) {
        CCalligraphyPoint point;
        ar >> point.m_sign >> point.m_x >> point.m_y;
        m_points.push_back(point);
    }
}

}  // namespace kavitro
