#pragma once

// What every fuzz target shares. A target defines LLVMFuzzerTestOneInput
// (through KAVITRO_FUZZ_ENTRY), which feeds the bytes to one reader of
// outside bytes and swallows the exceptions the reader documents; anything
// else that escapes (another exception, a FuzzFinding from a broken
// property, a sanitizer report) is a finding. It also defines KavitroFuzzSeeds: valid inputs made by the writers
// themselves, from which the replay driver derives its mutations and which
// seed a libFuzzer corpus.

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exceptions.h"

namespace kavitro::fuzz {

using Bytes = std::vector<std::uint8_t>;

// A property the target checks beyond "no crash" does not hold. Never
// swallowed.
class FuzzFinding : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Runs load and tells whether it completed; the exceptions that readers raise
// on bad input by design end it quietly.
template <class F>
bool CompletesOrRefuses(F&& load) {
    try {
        load();
        return true;
    } catch (const ArchiveException&) {
    } catch (const UserException&) {
    } catch (const MemoryException&) {
    } catch (const InvalidArgumentException&) {
    }
    return false;
}

// A small deterministic generator (SplitMix64), so that the replayed inputs
// are the same on every run and every machine.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n); 0 when n is 0.
    std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }
    bool OneIn(std::size_t n) { return Below(n) == 0; }

private:
    std::uint64_t m_state;
};

// Applies one to three structure-blind changes: bit flips, truncations,
// insertions and deletions of bytes, interesting byte values, bumps of the
// 16-, 32- and 64-bit little-endian fields the readers take as counts and
// lengths, duplicated ranges, and (given other inputs) splices. Positions
// lean towards the start, where the headers are.
void Mutate(Bytes& bytes, Random& random, std::span<const Bytes> others = {});

// A seed that begins with the ASCII string `text` in the archive's 16-bit
// form (the 0xFF 0xFE 0xFF marker, a length byte, the units), with that
// string written again in the 8-bit form (a length byte, the bytes), which
// the writers never make but the readers take.
Bytes WithEightBitString(const Bytes& seed, std::string_view text);

// Hex of the first `limit` bytes, for reports.
std::string ToHex(std::span<const std::uint8_t> bytes, std::size_t limit = 512);

}  // namespace kavitro::fuzz

#define KAVITRO_FUZZ_CHECK(cond)                                                                      \
    do {                                                                                               \
        if (!(cond))                                                                                   \
            throw ::kavitro::fuzz::FuzzFinding(std::string(__FILE__) + ":" + std::to_string(__LINE__) + \
                                               ": check failed: " #cond);                              \
    } while (0)

// Defined by each target, the second through KAVITRO_FUZZ_ENTRY.
std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds();
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// Defines LLVMFuzzerTestOneInput over `run`, the target's function of the
// input's bytes (a std::span<const std::uint8_t>).
#define KAVITRO_FUZZ_ENTRY(run)                                                         \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
        run(std::span<const std::uint8_t>(data, size));                                 \
        return 0;                                                                       \
    }
