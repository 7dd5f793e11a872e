// The keyboard-layout file reader: CKeyboardLayoutModule::ParseLayout over a
// whole file, with the default and the user tag.
//
// Beyond "no crash": the reader never throws (a bad file is a refusal), a
// table that loads is written again to a file of the fixed size that loads to
// the same table, and the translation of every key of it stays inside the
// table's answers.

#include "FuzzSupport.h"
#include "input/KeyboardLayoutModule.h"

namespace kavitro::fuzz {
namespace {

using Module = CKeyboardLayoutModule;

void FuzzLayout(std::span<const std::uint8_t> input) {
    for (const std::u16string_view tag : {Module::kDefaultTag, Module::kUserTag}) {
        const std::optional<Module::KeyTable> table = Module::ParseLayout(input, tag);
        if (!table)
            continue;
        const Bytes again = Module::SerializeLayout(tag, *table);
        KAVITRO_FUZZ_CHECK(again.size() == 4 + 2 * tag.size() + 256);
        KAVITRO_FUZZ_CHECK(Module::ParseLayout(again, tag) == table);
        Module module;
        module.SetTable(*table);
        for (std::uint32_t key = 0; key < Module::kKeyCount; ++key) {
            const std::uint16_t unit = module.TranslateChar(key);
            KAVITRO_FUZZ_CHECK(key == 0x20 || unit == (*table)[key] || unit == 0x0020 || unit == 0x0621 ||
                               unit == 0x0648 || unit == 0x06A9 || unit == 0x06CC);
        }
    }
}

Module::KeyTable Sample() {
    Module::KeyTable table;
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = i < 0x21 || i == 0x7F ? 0xFFFF : static_cast<std::uint16_t>(0x0621 + i % 0x30);
    table['B'] = 0x200C;
    return table;
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using kavitro::fuzz::Bytes;
    using Module = kavitro::CKeyboardLayoutModule;
    const Module::KeyTable table = kavitro::fuzz::Sample();
    std::vector<Bytes> seeds = {
        Module::SerializeLayout(Module::kDefaultTag, table),
        Module::SerializeLayout(Module::kUserTag, table),
    };
    // The tag in the 8-bit string form.
    seeds.push_back(kavitro::fuzz::WithEightBitString(seeds.front(), "DefaultKB_Kavitro"));
    return seeds;
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzLayout)
