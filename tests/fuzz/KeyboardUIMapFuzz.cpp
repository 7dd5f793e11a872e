// The on-screen keyboard's button-map reader: KeyboardUIModel::ParseKeyMap
// over a whole KBUIMap file, then the keys of what loaded.
//
// Beyond "no crash": the reader never throws (a bad file is a refusal); a
// map that loads is written again to a file that loads to the same map and
// stores to the same bytes; every mapped key shows at most one character and
// a key click changes only the table entry of its key code, below 128.

#include "FuzzSupport.h"
#include "input/KeyboardUIModel.h"

namespace kavitro::fuzz {
namespace {

using Model = KeyboardUIModel;

bool SameMap(const Model::KeyMap& a, const Model::KeyMap& b) {
    if (a.size() != b.size())
        return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
        if (i->first != j->first || i->second.m_firstValue != j->second.m_firstValue ||
            i->second.m_secondValue != j->second.m_secondValue ||
            i->second.m_shiftedKey != j->second.m_shiftedKey || i->second.m_unshiftedKey != j->second.m_unshiftedKey)
            return false;
    }
    return true;
}

void FuzzMap(std::span<const std::uint8_t> input) {
    const std::optional<Model::KeyMap> map = Model::ParseKeyMap(input);
    if (!map)
        return;
    const Bytes stored = Model::SerializeKeyMap(*map);
    const std::optional<Model::KeyMap> again = Model::ParseKeyMap(stored);
    KAVITRO_FUZZ_CHECK(again && SameMap(*again, *map));
    KAVITRO_FUZZ_CHECK(Model::SerializeKeyMap(*again) == stored);

    Model model;
    model.SetKeyMap(*map);
    model.ClickPalette(Model::kFirstPaletteButton);
    for (int shift = 0; shift < 2; ++shift) {
        for (const auto& [id, value] : *map) {
            KAVITRO_FUZZ_CHECK(model.KeyLabel(id).size() <= 1);
            const CKeyboardLayoutModule::KeyTable before = model.GetWorkingTable();
            const bool changed = model.ClickKey(id);
            const std::uint16_t code = model.IsShifted() ? value.m_shiftedKey : value.m_unshiftedKey;
            KAVITRO_FUZZ_CHECK(changed == (code < CKeyboardLayoutModule::kKeyCount));
            CKeyboardLayoutModule::KeyTable expected = before;
            if (changed)
                expected[code] = model.GetPendingCharacter();
            KAVITRO_FUZZ_CHECK(model.GetWorkingTable() == expected);
        }
        model.ClickShift();
    }
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using kavitro::fuzz::Bytes;
    using Model = kavitro::KeyboardUIModel;
    Model::KeyMap map;
    for (std::int32_t id = 1026; id < 1074; ++id) {
        kavitro::CKeyboardUIMapValue value;
        value.m_firstValue = id / 13;
        value.m_secondValue = id % 13;
        value.m_shiftedKey = static_cast<std::uint16_t>(0x41 + id % 26);
        value.m_unshiftedKey = static_cast<std::uint16_t>(id % 5 == 0 ? 0x8000 : 0x61 + id % 26);
        map[id] = value;
    }
    std::vector<Bytes> seeds = {Model::SerializeKeyMap(map), Model::SerializeKeyMap({})};
    // The tag in the 8-bit string form.
    seeds.push_back(kavitro::fuzz::WithEightBitString(seeds.front(), "KBUIMap_Kavitro"));
    return seeds;
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzMap)
