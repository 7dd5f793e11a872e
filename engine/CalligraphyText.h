#pragma once

// The text model of a calligraphic text object: shaped characters grouped in
// connected words, and the paragraph of words and free vowel signs.
// The model stores the result of shaping (glyph, offset, mark) so that a loaded
// text draws as it was saved without being shaped again.

#include <compare>
#include <initializer_list>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define KAVITRO_POISON_FREE_WORDS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KAVITRO_POISON_FREE_WORDS 1
#endif
#endif
#if defined(KAVITRO_POISON_FREE_WORDS)
#include <sanitizer/asan_interface.h>
#endif

#include "engine/GapArray.h"
#include "engine/GlyphMetrics.h"
#include "engine/SmartSpacingSettings.h"
#include "engine/TrivialArray.h"
#include "engine/TextComponentSelection.h"
#include "engine/WordMeasureCache.h"
#include "platform/Archive.h"
#include "platform/Geometry.h"

namespace kavitro {

class IVectorPathSource;

// Codes a text object passes in place of a typed character to change the
// letter before the caret.
inline constexpr std::uint16_t kToggleAlternateCode = 0xFF96;  // 65430
inline constexpr std::uint16_t kGlyphVariantCode = 0xFF97;     // 65431
inline constexpr std::uint16_t kGlyphSwapCode = 0xFF98;        // 65432

// A shaped character: a plain value, copied freely and held by the thousand,
// so it carries no virtual table (the stored form is kStoredSize bytes).
class CCalligraphyCharacter {
public:
    enum Flags : std::uint8_t {
        kAlternate = 0x01,  // the user's alternate-form choice
        kModified = 0x02,   // glyph chosen by a text-modification command
    };
    static constexpr std::size_t kStoredSize = 18;

    bool HasGlyph(GlyphId id) const { return GetGlyph() == id; }
    GlyphId GetGlyph() const { return MakeGlyph(m_font, m_glyph); }
    void SetGlyph(GlyphId id) {
        m_font = static_cast<std::uint8_t>(GlyphFont(id));
        m_glyph = static_cast<std::uint8_t>(GlyphIndex(id));
    }
    std::uint16_t& GetCode() { return m_code; }
    std::uint16_t GetCode() const { return m_code; }
    bool IsAlternate() const { return (m_flags & kAlternate) != 0; }
    // Its dots hang below the letter (beh, jeem, peh, tcheh, farsi yeh).
    bool HasMarkBelow() const;
    // Sets the code from a version-1.x character byte; a byte without a
    // counterpart leaves the code as it is.
    void SetLegacyCode(std::uint8_t legacyCode);

    // The 18-byte record. Loading replaces the codes that the engine does not
    // take (Arabic kaf and yeh, zero-width non-joiner) by their Persian
    // counterparts, and rejects a record that is not shaped (font outside
    // 1..5 or glyph index 0) as a bad archive.
    void Serialize(CArchive& ar);

    std::uint16_t m_code = 0;
    std::uint8_t m_glyph = 0;  // glyph index in its font; 0 = not shaped
    std::uint8_t m_font = 0;   // 1..5 once shaped
    std::int32_t m_yOffset = 0;  // y units (1/750 of the text size), grows downward
    std::uint8_t m_flags = 0;
    std::uint8_t m_mark = 0;     // font-4 glyph index of the dot or stroke; 0 = none
    std::int32_t m_markDx = 0;   // glyph units
    std::int32_t m_markDy = 0;   // glyph units, grows upward
};
static_assert(sizeof(CCalligraphyCharacter) <= 20, "a character stays a small value");

// A word's characters. Most words are a few letters and hold them inline;
// a longer one keeps one block that grows in place where it can.
inline constexpr std::size_t kInlineCharacters = 8;
using CCharacterArray = CTrivialArray<CCalligraphyCharacter, kInlineCharacters>;

// A free vowel sign; a plain value like the character.
struct CCalligraphyPoint {
    static constexpr std::size_t kStoredSize = 9;

    std::uint8_t m_sign = 0;  // font-4 glyph index of the vowel sign
    std::int32_t m_x = 0;     // glyph units, relative to the text object
    std::int32_t m_y = 0;
};

// One connected letter group and its position. Measures read the metrics
// they are given: a paragraph hands in its context's, and a caller without
// one gets the process-wide metrics (GetGlyphMetrics). Nothing derives from
// a word, and saying so lets the word array move and destroy words without a
// virtual call: growing the array of a long text is that much shorter.
class CCalligraphyWord final : public CObject {
public:
    // x, y and the character count in its shortest form.
    static constexpr std::size_t kMinStoredSize = 10;

    CCalligraphyWord() = default;
    // Copies characters and position; the outline cache is never copied.
    CCalligraphyWord(const CCalligraphyWord& other);
    CCalligraphyWord& operator=(const CCalligraphyWord& other);
    CCalligraphyWord(CCalligraphyWord&&) noexcept = default;
    CCalligraphyWord& operator=(CCalligraphyWord&&) noexcept = default;
    ~CCalligraphyWord() override = default;

    // x, y, the character count and the 18-byte characters.
    void Serialize(CArchive& ar) override;

    // Sum of the advances plus the tail overhang, glyph units.
    std::int32_t GetWidth(const IGlyphMetrics& metrics = GetGlyphMetrics()) const;
    // How far the black box of the first tail glyph reaches back beyond the
    // start of the word, 0 or more.
    std::int32_t GetTailOverhang(const IGlyphMetrics& metrics = GetGlyphMetrics()) const;
    // Sum of the advances of the first n characters.
    std::int32_t GetWidthOfFirst(std::int32_t n, const IGlyphMetrics& metrics = GetGlyphMetrics()) const;
    // Largest height above / depth below the word's baseline, y units.
    std::int32_t GetTop(bool withMarks, const IGlyphMetrics& metrics = GetGlyphMetrics()) const;
    std::int32_t GetBottom(bool withMarks, const IGlyphMetrics& metrics = GetGlyphMetrics()) const;
    // Ink and mark extent: x leftward from the word's start, y upward, glyph
    // units; right is how far ink reaches beyond the summed advances.
    Rect GetExtent(const IGlyphMetrics& metrics = GetGlyphMetrics()) const;
    // Every character is a space glyph or one of the forms that travel with
    // the word before them (true for an empty word).
    bool IsAttachable() const;
    // A glyph that travels with the word before it (spaces among them).
    static constexpr bool IsAttachableGlyph(GlyphId id) {
        if (GlyphIndex(id) == kSpaceGlyphIndex)  // a space, in any font
            return true;
        switch (id) {
        case MakeGlyph(3, 112):
        case MakeGlyph(4, 33):
        case MakeGlyph(4, 34):
        case MakeGlyph(4, 88):
        case MakeGlyph(5, 33):
        case MakeGlyph(5, 34):
        case MakeGlyph(5, 35):
            return true;
        default:
            return id >= MakeGlyph(5, 43) && id <= MakeGlyph(5, 49);
        }
    }
    void AppendCharacters(const CCalligraphyWord& word);
    // The same glyphs in the same order (codes and offsets aside).
    bool HasSameGlyphs(const CCalligraphyWord& other) const;

    // --- Smart spacing ------------------------------------------------------
    // Rebuilds the outline cache from the glyphs' polygon outlines: the word
    // starts at x = 0 and extends to negative x, y grows upward from its
    // baseline; its own x and y are not applied. Raises NotSupportedException
    // for a curve in an outline. Without arguments: the process-wide metrics
    // and outlines.
    void BuildGeometry();
    void BuildGeometry(const IGlyphMetrics& metrics, const IVectorPathSource& outlines);
    // Width of the cached outline; 0 for a word without outline points.
    std::int32_t GetOutlineWidth() const;
    // Sets the mark dy of every letter with a dot mark: pointsAbove over the
    // letter's top (and its neighbours' tops when it is narrower than
    // minWidth), or pointsBelow under the text baseline for the letters whose
    // dots hang below. Other marks keep their dy.
    void PlaceMarks(std::int32_t pointsAbove, std::int32_t pointsBelow, std::int32_t minWidth,
                    const IGlyphMetrics& metrics = GetGlyphMetrics());
    // Free height above letter i, glyph units; 0 outside the word.
    std::int32_t GetClearance(std::int32_t i, const IGlyphMetrics& metrics = GetGlyphMetrics()) const;

    CCharacterArray m_characters;  // logical (typing) order
    // Outline cache of smart spacing, glyph units; empty until it is built.
    std::vector<Point> m_outline;
    Rect m_bounds;
    std::int32_t m_x = 0;  // glyph units, grows leftward from the start of the text
    std::int32_t m_y = 0;  // y units
};

// Room for the words of one list: blocks of word-sized slots, each block
// twice the size of the one before up to kLargestBlock, and a chain of the
// slots that destroyed words left, which are taken first. A word stays in
// its slot while it lives, so its address holds; and a typed word costs no
// allocation of its own, only a share of a block. While a slot is free,
// AddressSanitizer builds mark it unaddressable, as they would freed memory.
class CWordPool {
public:
    static constexpr std::size_t kFirstBlock = 4;
    static constexpr std::size_t kLargestBlock = 256;

    CWordPool() = default;
    CWordPool(const CWordPool&) = delete;
    CWordPool& operator=(const CWordPool&) = delete;
    CWordPool(CWordPool&& other) noexcept { swap(other); }
    // Every slot of this pool must be free (its words destroyed).
    CWordPool& operator=(CWordPool&& other) noexcept {
        if (this != &other) {
            CWordPool old(std::move(*this));
            swap(other);
        }
        return *this;
    }
    ~CWordPool() { Release(); }

    // Uninitialised room for one word.
    void* Take() {
        Slot* slot = m_free;
        if (slot != nullptr) {
            MarkInUse(slot);
            m_free = std::launder(reinterpret_cast<FreeSlot*>(slot))->next;
            return slot;
        }
        if (m_unused == m_end) AddBlock();
        MarkInUse(m_unused);
        return m_unused++;
    }
    // Gives back the room of a destroyed word.
    void Give(void* room) noexcept {
        Slot* slot = static_cast<Slot*>(room);
        ::new (static_cast<void*>(slot)) FreeSlot{m_free};
        m_free = slot;
        MarkFree(slot, 1);
    }
    // Slots in all blocks, in use or not.
    std::size_t GetCapacity() const;

    void swap(CWordPool& other) noexcept {
        std::swap(m_blocks, other.m_blocks);
        std::swap(m_free, other.m_free);
        std::swap(m_unused, other.m_unused);
        std::swap(m_end, other.m_end);
    }

private:
    struct alignas(CCalligraphyWord) Slot {
        unsigned char bytes[sizeof(CCalligraphyWord)];
    };
    struct FreeSlot {
        Slot* next;
    };
    static_assert(sizeof(FreeSlot) <= sizeof(Slot) && alignof(FreeSlot) <= alignof(Slot));
    static_assert(alignof(Slot) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "blocks come from operator new");
    // Heads a block; its slots follow.
    struct alignas(Slot) Block {
        Block* previous;
        std::size_t count;
    };

    void AddBlock();
    void Release() noexcept;
#if defined(KAVITRO_POISON_FREE_WORDS)
    static void MarkInUse(Slot* first, std::size_t count = 1) noexcept {
        ASAN_UNPOISON_MEMORY_REGION(first, count * sizeof(Slot));
    }
    static void MarkFree(Slot* first, std::size_t count) noexcept {
        ASAN_POISON_MEMORY_REGION(first, count * sizeof(Slot));
    }
#else
    static void MarkInUse(Slot*, std::size_t = 1) noexcept {}
    static void MarkFree(Slot*, std::size_t) noexcept {}
#endif

    Block* m_blocks = nullptr;  // the newest, which links to the ones before
    Slot* m_free = nullptr;     // chain of given-back slots
    Slot* m_unused = nullptr;   // never taken yet, up to m_end, in the newest block
    Slot* m_end = nullptr;
};

// The words of a paragraph in order. Each word lives in a slot of the list's
// pool and the list holds pointers to them, so that growing the list or
// opening a gap in it moves pointers, never words: a paragraph of thousands
// of words grows without stalling the keystroke that crosses its capacity.
// The pointers keep a gap where words were last inserted or removed, so that
// typing in the middle of a long paragraph moves only the pointers between
// two edits. It reads like a std::vector of words; its iterators (a place in
// the list) reach the words themselves.
class CWordList {
    template <bool Const>
    class Iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = CCalligraphyWord;
        using difference_type = std::ptrdiff_t;
        using reference = std::conditional_t<Const, const CCalligraphyWord&, CCalligraphyWord&>;
        using pointer = std::conditional_t<Const, const CCalligraphyWord*, CCalligraphyWord*>;

        Iterator() = default;
        Iterator(const CWordList* list, difference_type index) : m_list(list), m_index(index) {}
        template <bool C = Const, typename = std::enable_if_t<C>>
        Iterator(const Iterator<false>& other) : m_list(other.List()), m_index(other.Index()) {}  // NOLINT: mutable to const

        reference operator*() const { return *m_list->m_slots[static_cast<std::size_t>(m_index)]; }
        pointer operator->() const { return m_list->m_slots[static_cast<std::size_t>(m_index)]; }
        reference operator[](difference_type n) const { return *m_list->m_slots[static_cast<std::size_t>(m_index + n)]; }
        Iterator& operator++() { ++m_index; return *this; }
        Iterator operator++(int) { Iterator old = *this; ++m_index; return old; }
        Iterator& operator--() { --m_index; return *this; }
        Iterator operator--(int) { Iterator old = *this; --m_index; return old; }
        Iterator& operator+=(difference_type n) { m_index += n; return *this; }
        Iterator& operator-=(difference_type n) { m_index -= n; return *this; }
        friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
        friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
        friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const Iterator& a, const Iterator& b) { return a.m_index - b.m_index; }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a.m_index == b.m_index; }
        friend auto operator<=>(const Iterator& a, const Iterator& b) { return a.m_index <=> b.m_index; }

        const CWordList* List() const { return m_list; }
        difference_type Index() const { return m_index; }

    private:
        const CWordList* m_list = nullptr;
        difference_type m_index = 0;
    };

public:
    using value_type = CCalligraphyWord;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = CCalligraphyWord&;
    using const_reference = const CCalligraphyWord&;
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;

    CWordList() = default;
    CWordList(const CWordList& other) { assign(other.begin(), other.end()); }
    CWordList(CWordList&& other) noexcept : m_slots(std::move(other.m_slots)), m_pool(std::move(other.m_pool)) {}
    template <std::input_iterator It>
    CWordList(It first, It last) {
        assign(first, last);
    }
    CWordList(const std::vector<CCalligraphyWord>& words) { assign(words.begin(), words.end()); }  // NOLINT
    CWordList(std::initializer_list<CCalligraphyWord> words) { assign(words.begin(), words.end()); }
    CWordList& operator=(const CWordList& other) {
        if (this != &other) {
            CWordList copy(other);
            swap(copy);
        }
        return *this;
    }
    CWordList& operator=(CWordList&& other) noexcept {
        if (this != &other) {
            clear();
            m_slots = std::move(other.m_slots);
            m_pool = std::move(other.m_pool);
        }
        return *this;
    }
    ~CWordList() { clear(); }
    operator std::vector<CCalligraphyWord>() const { return std::vector<CCalligraphyWord>(begin(), end()); }  // NOLINT

    std::size_t size() const { return m_slots.size(); }
    bool empty() const { return m_slots.empty(); }
    CCalligraphyWord& operator[](std::size_t i) { return *m_slots[i]; }
    const CCalligraphyWord& operator[](std::size_t i) const { return *m_slots[i]; }
    CCalligraphyWord& at(std::size_t i) { return *m_slots.at(i); }
    const CCalligraphyWord& at(std::size_t i) const { return *m_slots.at(i); }
    CCalligraphyWord& front() { return *m_slots[0]; }
    const CCalligraphyWord& front() const { return *m_slots[0]; }
    CCalligraphyWord& back() { return *m_slots[size() - 1]; }
    const CCalligraphyWord& back() const { return *m_slots[size() - 1]; }
    iterator begin() { return iterator(this, 0); }
    iterator end() { return iterator(this, static_cast<std::ptrdiff_t>(size())); }
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, static_cast<std::ptrdiff_t>(size())); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    // The words' places, in order.
    CCalligraphyWord* const* data() const { return m_slots.data(); }
    // Word slots held, in use or not (the memory the list keeps).
    std::size_t GetPoolCapacity() const { return m_pool.GetCapacity(); }

    void reserve(std::size_t count) { m_slots.reserve(count); }
    // Keeps the pool's blocks for the words that come next.
    void clear() {
        for (std::size_t i = 0; i < m_slots.size(); ++i) Destroy(m_slots[i]);
        m_slots.clear();
    }
    void resize(std::size_t count) {
        if (count < size()) {
            erase(begin() + static_cast<std::ptrdiff_t>(count), end());
            return;
        }
        m_slots.reserve(count);
        while (size() < count) emplace_back();
    }
    void push_back(const CCalligraphyWord& word) { emplace_back(word); }
    void push_back(CCalligraphyWord&& word) { emplace_back(std::move(word)); }
    template <typename... Args>
    CCalligraphyWord& emplace_back(Args&&... args) {
        return *Place(size(), Make(std::forward<Args>(args)...));
    }
    iterator insert(const_iterator pos, const CCalligraphyWord& word) { return emplace(pos, word); }
    iterator insert(const_iterator pos, CCalligraphyWord&& word) { return emplace(pos, std::move(word)); }
    template <typename... Args>
    iterator emplace(const_iterator pos, Args&&... args) {
        const std::size_t index = Index(pos);
        Place(index, Make(std::forward<Args>(args)...));
        return begin() + static_cast<std::ptrdiff_t>(index);
    }
    iterator insert(const_iterator pos, std::size_t count, const CCalligraphyWord& word) {
        const std::size_t index = Index(pos);
        // The room holds no word until each is made; a failure closes it again.
        m_slots.insert(index, count, nullptr);
        std::size_t made = 0;
        try {
            for (; made < count; ++made) m_slots[index + made] = Make(word);
        } catch (...) {
            for (std::size_t i = 0; i < made; ++i) Destroy(m_slots[index + i]);
            m_slots.erase(index, index + count);
            throw;
        }
        return begin() + static_cast<std::ptrdiff_t>(index);
    }
    template <std::input_iterator It>
    iterator insert(const_iterator pos, It first, It last) {
        const std::size_t index = Index(pos);
        // The source may be this list's own words, reached through its slots:
        // the new words are made before the slots move.
        CTrivialArray<CCalligraphyWord*> made;
        try {
            for (; first != last; ++first) {
                CCalligraphyWord* word = Make(*first);
                try {
                    made.push_back(word);
                } catch (...) {
                    Destroy(word);
                    throw;
                }
            }
            m_slots.insert(index, made.data(), made.size());
        } catch (...) {
            for (CCalligraphyWord* word : made) Destroy(word);
            throw;
        }
        return begin() + static_cast<std::ptrdiff_t>(index);
    }
    iterator erase(const_iterator pos) { return erase(pos, pos + 1); }
    iterator erase(const_iterator first, const_iterator last) {
        const std::size_t from = Index(first);
        const std::size_t to = Index(last);
        for (std::size_t i = from; i < to; ++i) Destroy(m_slots[i]);
        m_slots.erase(from, to);
        return begin() + static_cast<std::ptrdiff_t>(from);
    }
    void swap(CWordList& other) noexcept {
        m_slots.swap(other.m_slots);
        m_pool.swap(other.m_pool);
    }

private:
    static std::size_t Index(const_iterator pos) { return static_cast<std::size_t>(pos.Index()); }
    template <typename It>
    void assign(It first, It last) {
        CWordList words;
        if constexpr (std::is_base_of_v<std::random_access_iterator_tag,
                                        typename std::iterator_traits<It>::iterator_category>)
            words.reserve(static_cast<std::size_t>(last - first));
        for (; first != last; ++first) words.emplace_back(*first);
        swap(words);
    }
    // A new word in a slot of the pool.
    template <typename... Args>
    CCalligraphyWord* Make(Args&&... args) {
        void* room = m_pool.Take();
        try {
            // A blank word is default-initialised: value-initialising it
            // would first zero the inline room of its characters.
            if constexpr (sizeof...(Args) == 0)
                return ::new (room) CCalligraphyWord;
            else
                return ::new (room) CCalligraphyWord(std::forward<Args>(args)...);
        } catch (...) {
            m_pool.Give(room);
            throw;
        }
    }
    void Destroy(CCalligraphyWord* word) noexcept {
        word->~CCalligraphyWord();
        m_pool.Give(word);
    }
    // Puts a made word in before index (and destroys it when that fails).
    CCalligraphyWord* Place(std::size_t index, CCalligraphyWord* word) {
        try {
            m_slots.insert(index, word);
        } catch (...) {
            Destroy(word);
            throw;
        }
        return word;
    }

    // The pointers are plain values, so growth is a block copy.
    CGapArray<CCalligraphyWord*> m_slots;
    CWordPool m_pool;  // owns the words
};

// A caret resolved to a word: offset k means before character k of the word.
struct WordPosition {
    std::int32_t word = 0;
    std::int32_t offset = 0;
    friend bool operator==(const WordPosition&, const WordPosition&) = default;
};

// The words of a paragraph, read like a std::vector of words. Beside the
// words it keeps the paragraph's character count and where one word near the
// last edit starts, so that typing finds the caret's word without counting
// every word of a long text. Any access that can change a word (a non-const
// element or iterator, or a modifier) drops those counts and the next look
// counts the words again; an edit that says which words it may change
// (EditFrom) keeps them, counting only those words again when it ends, and
// debug builds check the result against a count from the first word. A word
// reference taken through such an access is good until the next editing
// operation or measure of the paragraph.
// An edit near the start of a long text moves every later word along the
// line. Those words are not touched then: the array keeps the move pending
// for a range of them, counted from the end so that words inserted or removed
// before the range keep it, and applies it to a word when the word is looked
// at (to all of them when an iterator or the whole list is taken). So a key
// costs the same wherever it is typed, and every look sees the words at their
// places.
class CWordArray {
public:
    using value_type = CCalligraphyWord;
    using size_type = std::size_t;
    using reference = CCalligraphyWord&;
    using const_reference = const CCalligraphyWord&;
    using iterator = CWordList::iterator;
    using const_iterator = CWordList::const_iterator;

    // A word whose start is known: `before` characters precede it.
    // (No member initializers: the array's optional counts need the type
    // complete inside the class.)
    struct WordStart {
        std::size_t word;  // at most the word count
        std::size_t before;
    };

    // An edit that changes no word before `first` and none from
    // `unchangedFrom` on (it may change, insert and remove the words between
    // them); while it lasts the words are reached through Words(), and when
    // it ends the counts are taken again from the changed words alone. The
    // unchanged words after them are not even looked at: moving them waits
    // until they are (MoveFrom).
    class Edit {
    public:
        Edit(const Edit&) = delete;
        Edit& operator=(const Edit&) = delete;
        ~Edit();
        CWordList& Words() { return m_array.ChangeInEdit(); }
        // Moves the words from `first` on (as the list stands now) by dx
        // along the line; the unchanged words at the end only when looked at.
        void MoveFrom(std::size_t first, std::int64_t dx);

    private:
        friend class CWordArray;
        Edit(CWordArray& array, std::size_t first, std::size_t unchangedFrom);

        CWordArray& m_array;
        WordStart m_start;
        std::size_t m_unchangedWords;       // at the end of the list
        std::size_t m_unchangedCharacters;  // in those words
    };

    CWordArray() = default;
    CWordArray(const CWordArray&) = default;
    // Assigned words are a change of this array: its change count moves on
    // (it never takes the other array's count, which may name other words).
    // The words are copied as stored, with the move pending on them.
    CWordArray& operator=(const CWordArray& other) {
        if (this != &other) {
            m_items = other.m_items;
            m_counts = other.m_counts;
            m_pending = other.m_pending;
            ++m_changes;
        }
        return *this;
    }
    // The moved-from array keeps no counts.
    CWordArray(CWordArray&& other) noexcept
        : m_items(std::move(other.m_items)),
          m_counts(std::exchange(other.m_counts, std::nullopt)),
          m_pending(std::exchange(other.m_pending, PendingMove{})) {
        ++other.m_changes;
    }
    CWordArray& operator=(CWordArray&& other) noexcept {
        if (this != &other) {
            m_items = std::move(other.m_items);
            m_counts = std::exchange(other.m_counts, std::nullopt);
            m_pending = std::exchange(other.m_pending, PendingMove{});
            ++m_changes;
            ++other.m_changes;
        }
        return *this;
    }
    CWordArray& operator=(CWordList words) {
        Change() = std::move(words);
        return *this;
    }
    ~CWordArray() = default;

    std::size_t size() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }
    const CCalligraphyWord& operator[](std::size_t i) const { return Placed(i); }
    const CCalligraphyWord& at(std::size_t i) const {
        m_items.at(i);  // throws out_of_range before any word moves
        return Placed(i);
    }
    const CCalligraphyWord& front() const { return Placed(0); }
    const CCalligraphyWord& back() const { return Placed(m_items.size() - 1); }
    const_iterator begin() const { return AllPlaced().begin(); }
    const_iterator end() const { return AllPlaced().end(); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    CCalligraphyWord* const* data() const { return AllPlaced().data(); }
    operator const CWordList&() const { return AllPlaced(); }
    // The words as stored, some perhaps short of their places along the line:
    // for reading letters, never positions.
    const CWordList& GetLetters() const { return m_items; }

    // Characters in all words.
    std::size_t GetCharacterCount() const { return Counts().total; }
    // A word near the last edit and the characters before it.
    WordStart GetKnownStart() const { return Counts().start; }

    // Counts every access that could change a word, and every assignment,
    // so that an edit or a measure can tell whether the words are still as
    // it left them.
    std::uint64_t GetChangeCount() const { return m_changes; }

    // Starts an edit of the words from `first` up to `unchangedFrom` (by
    // default up to the end; see Edit).
    [[nodiscard]] Edit EditFrom(std::size_t first, std::size_t unchangedFrom = ~std::size_t{0}) {
        return Edit(*this, first, unchangedFrom);
    }

    // --- Access that can change words (drops the counts) ---------------------
    CCalligraphyWord& operator[](std::size_t i) { return Change()[i]; }
    CCalligraphyWord& at(std::size_t i) { return Change().at(i); }
    CCalligraphyWord& front() { return Change().front(); }
    CCalligraphyWord& back() { return Change().back(); }
    iterator begin() { return Change().begin(); }
    iterator end() { return Change().end(); }
    CCalligraphyWord* const* data() { return Change().data(); }
    void push_back(const CCalligraphyWord& word) { Change().push_back(word); }
    void push_back(CCalligraphyWord&& word) { Change().push_back(std::move(word)); }
    template <typename... Args>
    CCalligraphyWord& emplace_back(Args&&... args) {
        return Change().emplace_back(std::forward<Args>(args)...);
    }
    iterator insert(const_iterator pos, const CCalligraphyWord& word) { return Change().insert(pos, word); }
    iterator insert(const_iterator pos, CCalligraphyWord&& word) { return Change().insert(pos, std::move(word)); }
    template <typename It>
    iterator insert(const_iterator pos, It first, It last) {
        return Change().insert(pos, first, last);
    }
    iterator erase(const_iterator pos) { return Change().erase(pos); }
    iterator erase(const_iterator first, const_iterator last) { return Change().erase(first, last); }
    void clear() { Change().clear(); }
    void resize(std::size_t count) { Change().resize(count); }
    void reserve(std::size_t count) { m_items.reserve(count); }  // changes no word

private:
    struct CharacterCounts {
        std::size_t total;
        WordStart start;
    };
    // The words size() - from up to size() - to (counted from the end) are
    // stored dx short of their places (modulo 2^32, as positions wrap).
    struct PendingMove {
        std::size_t from = 0;
        std::size_t to = 0;
        std::uint32_t dx = 0;
        bool IsEmpty() const { return from == to; }
    };

    CWordList& Change() {
        AllPlaced();
        return ChangeInEdit();
    }
    CWordList& ChangeInEdit() {
        m_counts.reset();
        ++m_changes;
        return m_items;
    }
    // Word i (or every word) moved to its place first.
    const CCalligraphyWord& Placed(std::size_t i) const {
        if (!m_pending.IsEmpty())
            PlaceWord(i);
        return m_items[i];
    }
    const CWordList& AllPlaced() const {
        if (!m_pending.IsEmpty())
            PlaceRange(m_items.size() - m_pending.from, m_items.size() - m_pending.to);
        return m_items;
    }
    void PlaceWord(std::size_t i) const;
    // Applies the pending move to words first..last-1 of the pending range,
    // which must start or end there.
    void PlaceRange(std::size_t first, std::size_t last) const;
    // Moves words first..size()-1 by dx, without touching them where it can.
    void MoveLazily(std::size_t first, std::int64_t dx);
    // The counts, counted afresh when an access has dropped them.
    const CharacterCounts& Counts() const { return m_counts ? *m_counts : CountAgain(); }
    const CharacterCounts& CountAgain() const;
    // The start of word `word`, walked to from the known one.
    WordStart StartOf(std::size_t word) const;

    // Mutable: a look at a const array moves words to their places.
    mutable CWordList m_items;
    mutable std::optional<CharacterCounts> m_counts;  // none: count again
    mutable PendingMove m_pending;
    std::uint64_t m_changes = 0;
};

struct CLegacyTextBlock;
class CCalligraphyEngine;

// The engine, glyph metrics and outlines that a paragraph's edits and
// measures use. Each left null stands for the process-wide one that the
// application sets up; a test or a second document can hand in its own.
struct CEngineContext {
    CCalligraphyEngine* engine = nullptr;
    const IGlyphMetrics* metrics = nullptr;
    const IVectorPathSource* outlines = nullptr;

    CCalligraphyEngine& Engine() const;
    const IGlyphMetrics& Metrics() const;
    const IVectorPathSource& Outlines() const;
};

// What one edit of a paragraph keeps for the next, so that typing neither
// allocates nor shapes a word again. It belongs to one paragraph: a copy
// starts empty.
class CEditScratch {
public:
    struct Data;

    CEditScratch();
    CEditScratch(const CEditScratch&);
    CEditScratch& operator=(const CEditScratch&);
    CEditScratch(CEditScratch&&) noexcept;
    CEditScratch& operator=(CEditScratch&&) noexcept;
    ~CEditScratch();

    Data& Get();

private:
    std::unique_ptr<Data> m_data;  // made by the first edit
};

// The text of one text object. Editing re-shapes only the word it touches and
// moves the later words by the change of its width. Bad indexes raise
// InvalidArgumentException before anything changes.
class CCalligraphyParagraph : public CObject {
    KAVITRO_DECLARE_SERIAL(CCalligraphyParagraph)

public:
    CCalligraphyParagraph() = default;
    CCalligraphyParagraph(const CCalligraphyParagraph&) = default;
    CCalligraphyParagraph& operator=(const CCalligraphyParagraph&) = default;
    CCalligraphyParagraph(CCalligraphyParagraph&&) noexcept = default;
    CCalligraphyParagraph& operator=(CCalligraphyParagraph&&) noexcept = default;
    ~CCalligraphyParagraph() override = default;

    // The engine, metrics and outlines this paragraph works with.
    const CEngineContext& GetContext() const { return m_context; }
    void SetContext(const CEngineContext& context) { m_context = context; }

    // The paragraph block. Vowel points are read only while the object schema
    // in effect is not 0; they are always written.
    void Serialize(CArchive& ar) override;
    void RemoveAll();

    // --- Editing (the caret counts characters over all words) -------------
    // Types code at the caret: 1 accepted (the caret moves on), 0 refused
    // (the paragraph is left exactly as it was).
    std::int32_t InsertCharacter(std::int32_t& caret, std::uint16_t code);
    // Backspace: removes the character before the caret.
    void DeleteCharacter(std::int32_t& caret);
    // A text-modification code on the letter before offset of word.
    void ModifyCharacter(std::int32_t word, std::int32_t offset, std::uint16_t code);
    // Cuts a word into its connected groups, laid end to end.
    void ResplitWord(std::int32_t word);
    // Removes empty words and joins attachable words to the word before them.
    void MergeWords();
    void SetCaret(std::int32_t& caret, std::int32_t value, bool relative) const;
    WordPosition CaretToWord(std::int32_t caret, bool preferPreviousEnd) const;
    // Pastes the source's words at the caret as they are (not re-shaped).
    void InsertWords(const CCalligraphyParagraph& source, std::int32_t caret);
    void AppendEmptyWord();
    void Copy(const CCalligraphyParagraph& source);
    // Deletes the selected mark, vowel point or words; returns the word index
    // the caller lays out again from.
    std::int32_t DeleteSelection(const CTextComponentSelection& selection);

    std::int32_t GetCharacterCount() const;

    // --- Measures -----------------------------------------------------------
    // The words' baseline box (only words that hold characters).
    Rect GetBoundingRect() const;
    // How far ink, marks and vowel points reach beyond the words' advance box.
    Rect GetExtent() const;

    // --- Smart spacing ------------------------------------------------------
    // Lays the words out again from the first: each moves along x until its
    // outline keeps the target distance to the words before it, and the dot
    // marks are placed. With resetY every word's y becomes 0 first.
    void SmartSpace(bool resetY, const SmartSpacingSettings& settings = {});
    // Distance of word to words 0..n-1 (1000 when nothing is near or n < 1).
    // A word that overlaps an earlier one by more than allowed is moved to
    // exactly that overlap, and the target distance is returned.
    std::int32_t MeasureWordGap(std::int32_t n, CCalligraphyWord* word, const SmartSpacingSettings& settings);

    // --- Stylistic variants ---------------------------------------------------
    // Replaces the content by the distinct shapings of source that the
    // alternate forms, glyph variants and glyph swaps give; word 0 is source.
    void BuildStylisticVariants(const CCalligraphyWord& source);
    // The word has word 0's length and a glyph sequence no word here has.
    bool IsNewVariant(const CCalligraphyWord& word) const;

    // --- Version-1.x texts ----------------------------------------------------
    // Replaces the content by the text of a version-1.x text block, glyphs
    // taken over as stored; mark offsets are multiplied by markFactor. A
    // damaged block raises ArchiveException and leaves the paragraph as it was.
    void LoadLegacyText(const CLegacyTextBlock& block, double markFactor);

    CWordArray m_words;
    std::vector<CCalligraphyPoint> m_points;

private:
    struct WidthsBefore;
    WidthsBefore MeasureAround(std::size_t word);
    void ShiftAfterEdit(CWordArray::Edit& edit, std::size_t word, const WidthsBefore& before);
    // After a letter went into a word: moves the later words, re-splits the
    // word and steps the caret past the letter.
    // What an edit knows of the word it re-splits: its letters before `end`
    // end a group and stay in its first piece; when that piece ends exactly
    // there, `width` (when set) is its width.
    struct KnownHead {
        std::size_t end;
        std::optional<std::int32_t> width;
    };
    // Returns whether the word kept exactly its letters.
    bool CompleteInsertion(CWordArray::Edit& edit, std::size_t word, const WidthsBefore& before,
                           const KnownHead& knownHead);
    WordPosition LocateCaret(std::int32_t caret) const;
    struct LastEdit;
    // Types code at pos, inside the text (wordStart characters precede the
    // word); false when the rules refuse it, leaving the words as they were.
    bool InsertInsideText(WordPosition pos, std::size_t wordStart, std::uint16_t code, const LastEdit& last);
    // Backspace at pos (not at the start of the text): joins the words
    // around a word boundary and rebuilds the word that lost a character.
    void DeleteBeforeCaret(WordPosition pos, std::int32_t caret);
    // Re-splits an edited word, then merges only around its pieces.
    // Returns whether the first piece keeps its place at word.
    bool ResplitAndMergeAround(CWordArray::Edit& edit, std::size_t word, const KnownHead& knownHead);
    // Cuts word w into its groups (keepAttachable: leaving each group that
    // travels with the one before it there); returns the number of pieces.
    // The cutting starts at knownHead.end.
    std::size_t SplitWord(CWordArray::Edit& edit, std::size_t w, bool keepAttachable, const KnownHead& knownHead);
    // Throws unless 0 <= caret <= the character count; returns the count.
    std::int32_t CheckCaret(std::int32_t caret) const;
    void CheckWordIndex(std::int32_t word) const;
    std::int32_t AppendAtEnd(std::int32_t& caret, std::uint16_t code);
    void ToggleAlternate(std::int32_t word, std::int32_t offset);
    void ApplyGlyphCommand(std::int32_t word, std::int32_t offset, std::uint16_t code);

    CEngineContext m_context;
    CEditScratch m_scratch;
    // Measures depend on the characters only; the word array's change count
    // says when to look at them again.
    mutable CWordMeasureCache m_measures;
};

}  // namespace kavitro
