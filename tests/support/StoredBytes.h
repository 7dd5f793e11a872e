#pragma once

// The bytes a writer stores into a fresh archive: a writer function of the
// archive, or a member that stores its object, e.g.
//     StoredBytes([&](CArchive& ar) { ar << value; })
//     StoredBytes(&CDib::Store, dib)

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/Archive.h"

namespace kavitro::test {

template <class Write, class... Objects>
std::vector<std::uint8_t> StoredBytes(Write&& write, Objects&... objects) {
    CArchive ar = CArchive::ForStoring();
    std::invoke(std::forward<Write>(write), objects..., ar);
    return ar.TakeStoredBytes();
}

}  // namespace kavitro::test
