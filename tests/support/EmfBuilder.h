#pragma once

// A hand-made enhanced metafile, for records and headers our recorder never
// writes: the header (no description), the given records, then the end
// record; sizes and counts filled in.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/LittleEndian.h"
#include "platform/MetafileFormat.h"

namespace kavitro::test {

class EmfBuilder {
public:
    EmfBuilder& Record(std::uint32_t type, std::initializer_list<std::uint32_t> values) {
        LeWriter w(m_body);
        w.U32(type);
        w.U32(static_cast<std::uint32_t>(8 + 4 * values.size()));
        for (std::uint32_t v : values) w.U32(v);
        ++m_records;
        return *this;
    }
    EmfBuilder& Raw(std::initializer_list<std::uint8_t> bytes) {
        m_body.insert(m_body.end(), bytes);
        return *this;
    }
    // `headerSize`: the full header, or the base header without the
    // description and pixel-format fields that older writers leave out.
    std::vector<std::uint8_t> Build(std::uint16_t handles = 4, bool eof = true,
                                    std::uint32_t headerSize = emr::kHeaderSize) const {
        std::vector<std::uint8_t> out;
        LeWriter w(out);
        w.U32(emr::kHeader);
        w.U32(headerSize);
        for (std::int32_t v : {0, 0, 99, 99, 0, 0, 2645, 2645}) w.I32(v);
        w.U32(emr::kSignature);
        w.U32(emr::kVersion);
        w.U32(0);  // nBytes, patched
        w.U32(m_records + 2);
        w.U16(handles);
        w.U16(0);
        w.Zeros(12);
        for (std::int32_t v : {1920, 1440, 508, 381}) w.I32(v);
        if (out.size() < headerSize) w.Zeros(headerSize - out.size());
        w.Bytes(m_body);
        if (eof)
            for (std::uint32_t v : {emr::kEof, 20u, 0u, 16u, 20u}) w.U32(v);
        w.PatchU32(48, static_cast<std::uint32_t>(out.size()));
        return out;
    }

private:
    std::vector<std::uint8_t> m_body;
    std::uint32_t m_records = 0;
};

}  // namespace kavitro::test
