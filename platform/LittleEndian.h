#pragma once

// Little-endian byte writing and bounds-checked reading for the fixed byte
// formats we write and read by hand (metafiles).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace kavitro {

// Appends little-endian values to a byte vector; Patch* overwrite values
// already written (sizes and counts known only at the end).
class LeWriter {
public:
    explicit LeWriter(std::vector<std::uint8_t>& out) : m_out(out) {}

    std::size_t Position() const { return m_out.size(); }

    void U8(std::uint8_t v) { m_out.push_back(v); }
    void U16(std::uint16_t v) {
        m_out.push_back(static_cast<std::uint8_t>(v));
        m_out.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void F32(float v) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        U32(bits);
    }
    void Bytes(std::span<const std::uint8_t> bytes) { m_out.insert(m_out.end(), bytes.begin(), bytes.end()); }
    void Zeros(std::size_t n) { m_out.insert(m_out.end(), n, 0); }
    // Pads with zeros up to a multiple of `alignment` counted from `start`.
    void PadFrom(std::size_t start, std::size_t alignment) {
        while ((m_out.size() - start) % alignment != 0) m_out.push_back(0);
    }

    void PatchU16(std::size_t at, std::uint16_t v) {
        m_out[at] = static_cast<std::uint8_t>(v);
        m_out[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    void PatchU32(std::size_t at, std::uint32_t v) {
        PatchU16(at, static_cast<std::uint16_t>(v));
        PatchU16(at + 2, static_cast<std::uint16_t>(v >> 16));
    }

private:
    std::vector<std::uint8_t>& m_out;
};

// Reads little-endian values from a fixed span. Reading past the end never
// touches memory outside the span: it yields 0 and clears Ok() for good, so
// that a parser can read a whole structure and check once.
class LeReader {
public:
    explicit LeReader(std::span<const std::uint8_t> bytes, std::size_t pos = 0)
        : m_bytes(bytes), m_pos(pos), m_ok(pos <= bytes.size()) {}

    bool Ok() const { return m_ok; }
    std::size_t Position() const { return m_pos; }
    std::size_t Remaining() const { return m_ok ? m_bytes.size() - m_pos : 0; }
    bool Has(std::size_t n) const { return m_ok && n <= m_bytes.size() - m_pos; }

    void Skip(std::size_t n) {
        if (Has(n)) m_pos += n;
        else m_ok = false;
    }
    void Seek(std::size_t pos) {
        if (m_ok && pos <= m_bytes.size()) m_pos = pos;
        else m_ok = false;
    }

    std::uint8_t U8() {
        if (!Has(1)) return Fail<std::uint8_t>();
        return m_bytes[m_pos++];
    }
    std::uint16_t U16() {
        if (!Has(2)) return Fail<std::uint16_t>();
        const auto v = static_cast<std::uint16_t>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
        m_pos += 2;
        return v;
    }
    std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
    std::uint32_t U32() {
        if (!Has(4)) return Fail<std::uint32_t>();
        const std::uint32_t lo = U16();
        const std::uint32_t hi = U16();
        return lo | (hi << 16);
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    float F32() {
        const std::uint32_t bits = U32();
        float v = 0;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    // n bytes, or an empty span (and !Ok()) when fewer remain.
    std::span<const std::uint8_t> Bytes(std::size_t n) {
        if (!Has(n)) {
            m_ok = false;
            return {};
        }
        auto s = m_bytes.subspan(m_pos, n);
        m_pos += n;
        return s;
    }

private:
    template <class T>
    T Fail() {
        m_ok = false;
        return T{};
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos;
    bool m_ok;
};

}  // namespace kavitro
