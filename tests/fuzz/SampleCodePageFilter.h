#pragma once

// The code-page filter of the fuzz targets that read filters or convert text
// through one: bytes from 0x21 on map to ASCII and then to units of the
// Arabic block, with records of two units and empty records among them, and
// a display name outside ASCII.

#include <cstddef>
#include <cstdint>
#include <string>

#include "input/CodePageTranslator.h"

namespace kavitro::fuzz {

inline CCodePageTranslator SampleCodePageFilter(std::int32_t visualOrder = 0) {
    using Filter = CCodePageTranslator;
    Filter filter;
    filter.m_header.m_id = std::u16string(Filter::kFilterId);
    filter.m_header.m_displayName = u"Sample \u0641";
    filter.m_header.m_visualOrder = visualOrder;
    filter.m_records.resize(Filter::kRecordCount);
    for (std::size_t i = 0; i + 1 < Filter::kRecordCount; ++i) {
        const auto unit = static_cast<std::uint16_t>(i < 0x5E ? 0x21 + i : 0x0600 + i);
        if (i % 7 == 3)
            filter.m_records[i].m_units = {unit, 0x06F1};
        else if (i % 11 != 5)
            filter.m_records[i].m_units = {unit};
    }
    filter.m_loaded = 1;
    return filter;
}

}  // namespace kavitro::fuzz
