#pragma once

// The document layer's string table, answered by the language pack in use.
// The pack object stays the same across language switches, so the table
// follows a switch.

#include "app/LanguagePack.h"
#include "document/DocumentServices.h"

namespace kavitro {

class PackStringTable final : public StringTable {
public:
    explicit PackStringTable(const LanguagePack& pack) : m_pack(pack) {}
    std::u16string GetString(std::uint32_t id) const override { return m_pack.Text(id).toStdU16String(); }

private:
    const LanguagePack& m_pack;
};

}  // namespace kavitro
