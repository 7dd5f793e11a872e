#include "FuzzSupport.h"

#include <algorithm>
#include <array>

namespace kavitro::fuzz {

namespace {

std::size_t Position(Random& random, std::size_t end) {
    // A quarter of the changes fall into the first 32 bytes.
    if (random.OneIn(4))
        return random.Below(std::min<std::size_t>(end, 32));
    return random.Below(end);
}

std::uint64_t Load(const Bytes& bytes, std::size_t at, std::size_t width) {
    std::uint64_t v = 0;
    for (std::size_t i = width; i-- > 0;)
        v = v << 8 | bytes[at + i];
    return v;
}

void Store(Bytes& bytes, std::size_t at, std::size_t width, std::uint64_t v) {
    for (std::size_t i = 0; i < width; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A little-endian field of 2, 4 or 8 bytes moved to a neighbouring or an
// extreme value.
void BumpField(Bytes& bytes, Random& random) {
    static constexpr std::array<std::size_t, 3> kWidths = {2, 4, 8};
    const std::size_t width = kWidths[random.Below(kWidths.size())];
    if (bytes.size() < width)
        return;
    const std::size_t at = Position(random, bytes.size() - width + 1);
    const std::uint64_t all = width == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * width)) - 1;
    const std::uint64_t v = Load(bytes, at, width);
    std::uint64_t bumped = v;
    switch (random.Below(10)) {
    case 0: bumped = v + 1; break;
    case 1: bumped = v - 1; break;
    case 2: bumped = v + 1 + random.Below(16); break;
    case 3: bumped = v - 1 - random.Below(16); break;
    case 4: bumped = v * 2 + 1; break;
    case 5: bumped = 0; break;
    case 6: bumped = all; break;
    case 7: bumped = all - 1; break;
    case 8: bumped = all >> 1; break;  // largest positive
    default: bumped = v + bytes.size(); break;
    }
    Store(bytes, at, width, bumped & all);
}

void MutateOnce(Bytes& bytes, Random& random, std::span<const Bytes> others) {
    static constexpr std::array<std::uint8_t, 8> kInteresting = {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF, 0x09, 0x40};
    switch (random.Below(9)) {
    case 0:  // flip one to four bits
        if (!bytes.empty()) {
            const std::size_t flips = 1 + random.Below(4);
            for (std::size_t i = 0; i < flips; ++i)
                bytes[Position(random, bytes.size())] ^= static_cast<std::uint8_t>(1u << random.Below(8));
        }
        break;
    case 1:  // truncate
        bytes.resize(random.Below(bytes.size() + 1));
        break;
    case 2: {  // insert one to eight bytes, random or repeated
        const std::size_t at = Position(random, bytes.size() + 1);
        const std::size_t n = 1 + random.Below(8);
        Bytes inserted(n);
        const bool repeated = random.OneIn(2);
        const auto fill = static_cast<std::uint8_t>(random.Next());
        for (auto& b : inserted)
            b = repeated ? fill : static_cast<std::uint8_t>(random.Next());
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), inserted.begin(), inserted.end());
        break;
    }
    case 3:  // delete up to sixteen bytes
        if (!bytes.empty()) {
            const std::size_t at = Position(random, bytes.size());
            const std::size_t n = std::min(bytes.size() - at, 1 + random.Below(16));
            bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
        break;
    case 4:  // an interesting byte
        if (!bytes.empty())
            bytes[Position(random, bytes.size())] = kInteresting[random.Below(kInteresting.size())];
        break;
    case 5:
    case 6:  // counts and lengths are what readers must not trust
        BumpField(bytes, random);
        break;
    case 7:  // duplicate a range elsewhere
        if (!bytes.empty()) {
            const std::size_t from = random.Below(bytes.size());
            const std::size_t n = std::min(bytes.size() - from, 1 + random.Below(64));
            const Bytes chunk(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                              bytes.begin() + static_cast<std::ptrdiff_t>(from + n));
            const std::size_t at = random.Below(bytes.size() + 1);
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), chunk.begin(), chunk.end());
        }
        break;
    default:  // splice: our head, another input's tail
        if (!others.empty()) {
            const Bytes& other = others[random.Below(others.size())];
            const std::size_t keep = random.Below(bytes.size() + 1);
            const std::size_t from = random.Below(other.size() + 1);
            bytes.resize(keep);
            bytes.insert(bytes.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
        } else {
            BumpField(bytes, random);
        }
        break;
    }
}

}  // namespace

void Mutate(Bytes& bytes, Random& random, std::span<const Bytes> others) {
    const std::size_t rounds = 1 + random.Below(3);
    for (std::size_t i = 0; i < rounds; ++i)
        MutateOnce(bytes, random, others);
}

std::string ToHex(std::span<const std::uint8_t> bytes, std::size_t limit) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    const std::size_t n = std::min(bytes.size(), limit);
    out.reserve(3 * n + 16);
    for (std::size_t i = 0; i < n; ++i) {
        if (i != 0)
            out.push_back(' ');
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 0xF]);
    }
    if (n < bytes.size())
        out += " ...";
    return out;
}

Bytes WithEightBitString(const Bytes& seed, std::string_view text) {
    const std::size_t wide = 4 + 2 * text.size();
    if (text.size() > 0xFF || seed.size() < wide) throw std::invalid_argument("seed without the string");
    Bytes narrow;
    narrow.reserve(1 + text.size() + seed.size() - wide);
    narrow.push_back(static_cast<std::uint8_t>(text.size()));
    for (const char c : text) narrow.push_back(static_cast<std::uint8_t>(c));
    narrow.insert(narrow.end(), seed.begin() + static_cast<std::ptrdiff_t>(wide), seed.end());
    return narrow;
}

}  // namespace kavitro::fuzz
