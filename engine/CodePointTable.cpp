#include "engine/CodePointTable.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace kavitro {

namespace {

using G = LetterGroup;

// Sorted by code for the binary search.
constexpr LetterCode kLetters[] = {
    {0x0621, G::Yeh, 67},  // hamza
    {0x0622, G::Alef, 42}, // alef with madda above
    {0x0627, G::Alef, 0},  {0x0628, G::Beh, 35},  {0x062A, G::Beh, 36},  {0x062B, G::Beh, 37},
    {0x062C, G::Jeem, 35}, {0x062D, G::Jeem, 0},  {0x062E, G::Jeem, 35}, {0x062F, G::Dal, 0},
    {0x0630, G::Dal, 35},  {0x0631, G::Reh, 0},   {0x0632, G::Reh, 35},  {0x0633, G::Seen, 0},
    {0x0634, G::Seen, 37}, {0x0635, G::Sad, 0},   {0x0636, G::Sad, 35},  {0x0637, G::Tah, 0},
    {0x0638, G::Tah, 35},  {0x0639, G::Ain, 0},   {0x063A, G::Ain, 35},  {0x0641, G::Feh, 35},
    {0x0642, G::Qaf, 36},  {0x0644, G::Lam, 0},   {0x0645, G::Meem, 0},  {0x0646, G::Noon, 35},
    {0x0647, G::Heh, 41},  {0x0648, G::Waw, 0},   {0x067E, G::Beh, 38},  {0x0686, G::Jeem, 38},
    {0x0698, G::Reh, 37},  {0x06A9, G::Kaf, 39},  {0x06AF, G::Kaf, 40},  {0x06CC, G::Yeh, 36},
};
static_assert(std::size(kLetters) == 34);

constexpr WordEndCode kWordEnds[] = {
    {0x0020, kSpaceGlyph},     {0x0021, MakeGlyph(4, 73)}, {0x0022, MakeGlyph(4, 74)},
    {0x0028, MakeGlyph(4, 80)}, {0x0029, MakeGlyph(4, 81)}, {0x002A, MakeGlyph(4, 78)},
    {0x002B, MakeGlyph(4, 83)}, {0x002D, MakeGlyph(4, 85)}, {0x002E, MakeGlyph(4, 86)},
    {0x002F, MakeGlyph(4, 79)}, {0x003A, MakeGlyph(5, 37)}, {0x003D, MakeGlyph(5, 41)},
    {0x005B, MakeGlyph(5, 40)}, {0x005C, MakeGlyph(4, 87)}, {0x005D, MakeGlyph(5, 42)},
    {0x007B, MakeGlyph(4, 75)}, {0x007D, MakeGlyph(4, 76)}, {0x060C, MakeGlyph(4, 84)},
    {0x061B, MakeGlyph(5, 38)}, {0x061F, MakeGlyph(5, 39)}, {0x066A, MakeGlyph(4, 77)},
    {0x06F0, MakeGlyph(4, 48)}, {0x06F1, MakeGlyph(4, 49)}, {0x06F2, MakeGlyph(4, 50)},
    {0x06F3, MakeGlyph(4, 51)}, {0x06F4, MakeGlyph(4, 52)}, {0x06F5, MakeGlyph(4, 53)},
    {0x06F6, MakeGlyph(4, 54)}, {0x06F7, MakeGlyph(4, 55)}, {0x06F8, MakeGlyph(4, 56)},
    {0x06F9, MakeGlyph(4, 57)}, {0xF02A, MakeGlyph(4, 82)},
};
static_assert(std::size(kWordEnds) == 32);

constexpr std::array<std::string_view, kLetterGroupCount> kTableNames = {
    "ain", "alef", "beh", "dal", "feh", "heh", "jeem", "kaf", "lam",
    "meem", "noon", "qaf", "reh", "sad", "seen", "tah", "waw", "yeh",
};

template <typename Entry, std::size_t N>
constexpr bool SortedByCode(const Entry (&entries)[N]) {
    for (std::size_t i = 1; i < N; ++i)
        if (entries[i - 1].code >= entries[i].code) return false;
    return true;
}
static_assert(SortedByCode(kLetters) && SortedByCode(kWordEnds));

// Every letter and nearly every word-end character lies in the Latin or the
// Arabic block: there a code finds its entry by direct index (entry index +
// 1, 0 for none), since every typed and re-fed character asks.
struct BlockIndex {
    std::array<std::uint8_t, 256> latin{};   // U+0000..U+00FF
    std::array<std::uint8_t, 256> arabic{};  // U+0600..U+06FF
};

// The code's slot, or nullptr outside both blocks.
template <typename Index>
constexpr auto Slot(Index& index, std::uint16_t code) -> decltype(&index.latin[0]) {
    switch (code & 0xFF00) {
    case 0x0000: return &index.latin[code & 0xFF];
    case 0x0600: return &index.arabic[code & 0xFF];
    default: return nullptr;
    }
}

template <typename Entry, std::size_t N>
constexpr BlockIndex IndexBlocks(const Entry (&entries)[N]) {
    static_assert(N < 255);
    BlockIndex index;
    for (std::size_t i = 0; i < N; ++i) {
        if (std::uint8_t* slot = Slot(index, entries[i].code))
            *slot = static_cast<std::uint8_t>(i + 1);
    }
    return index;
}

constexpr BlockIndex kLetterIndex = IndexBlocks(kLetters);
constexpr BlockIndex kWordEndIndex = IndexBlocks(kWordEnds);

template <typename Entry, std::size_t N>
constexpr const Entry* FindByCode(const Entry (&entries)[N], const BlockIndex& index, std::uint16_t code) {
    if (const std::uint8_t* slot = Slot(index, code))
        return *slot != 0 ? &entries[*slot - 1] : nullptr;
    const Entry* end = entries + N;
    const Entry* it = std::lower_bound(entries, end, code,
                                       [](const Entry& e, std::uint16_t c) { return e.code < c; });
    return it != end && it->code == code ? it : nullptr;
}

constexpr bool IsRehZainOrJeh(std::uint16_t code) { return code == 0x0631 || code == 0x0632 || code == 0x0698; }

enum class Joining : std::uint8_t {
    Joins,
    Never,            // ends its group whatever follows
    RehZainJehOnly,  // dal and thal join a following reh, zain or jeh only
};

constexpr Joining JoiningOf(std::uint16_t code) {
    switch (code) {
    case 0x0622:  // alef with madda above
    case 0x0627:  // alef
    case 0x0631:  // reh
    case 0x0632:  // zain
    case 0x0648:  // waw
    case 0x0698:  // jeh
        return Joining::Never;
    case 0x062F:  // dal
    case 0x0630:  // thal
        return Joining::RehZainJehOnly;
    default:  // every word-end character ends the group
        return FindByCode(kWordEnds, kWordEndIndex, code) != nullptr ? Joining::Never : Joining::Joins;
    }
}

// The joining of the Arabic block and of the first 256 codes (the space and
// the punctuation), looked up for every letter that is cut into groups or
// walked in a chain.
constexpr std::array<Joining, 256> JoiningOfBlock(std::uint16_t first) {
    std::array<Joining, 256> joining{};
    for (std::size_t i = 0; i < joining.size(); ++i) joining[i] = JoiningOf(static_cast<std::uint16_t>(first + i));
    return joining;
}
constexpr std::array<Joining, 256> kArabicJoining = JoiningOfBlock(0x0600);
constexpr std::array<Joining, 256> kBasicJoining = JoiningOfBlock(0x0000);

static_assert(FindByCode(kLetters, kLetterIndex, 0x06CC) == &kLetters[33] &&
              FindByCode(kWordEnds, kWordEndIndex, 0x0020) == &kWordEnds[0] &&
              FindByCode(kWordEnds, kWordEndIndex, 0xF02A) == &kWordEnds[31] &&
              FindByCode(kLetters, kLetterIndex, 0x0643) == nullptr);
static_assert(kArabicJoining[0x27] == Joining::Never && kArabicJoining[0x2F] == Joining::RehZainJehOnly &&
              kArabicJoining[0x6A] == Joining::Never && kArabicJoining[0xF1] == Joining::Never &&
              kArabicJoining[0x28] == Joining::Joins);

}  // namespace

std::string_view LetterGroupTableName(LetterGroup group) {
    return kTableNames[static_cast<std::size_t>(group)];
}

const LetterCode* FindLetter(std::uint16_t code) { return FindByCode(kLetters, kLetterIndex, code); }

const WordEndCode* FindWordEnd(std::uint16_t code) { return FindByCode(kWordEnds, kWordEndIndex, code); }

bool IsNonJoiningCode(std::uint16_t code, std::uint16_t next) {
    const Joining joining = (code & 0xFF00) == 0x0600 ? kArabicJoining[code & 0xFF]
                            : code < 0x0100         ? kBasicJoining[code]
                                                    : JoiningOf(code);
    switch (joining) {
    case Joining::Never: return true;
    case Joining::RehZainJehOnly: return !IsRehZainOrJeh(next);
    case Joining::Joins: break;
    }
    return false;
}

}  // namespace kavitro
