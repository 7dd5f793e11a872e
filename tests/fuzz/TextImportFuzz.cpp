// The text-import conversion over a whole text file: the byte-order mark, the
// UTF-8 and UTF-16 decoders and the code-page branch through one filter.
//
// Beyond "no crash": only a complete mark counts; UTF-16 sources give one
// unit per whole byte pair after the mark (a trailing odd byte dropped);
// UTF-8 gives at most one unit per byte; the filter branch gives what the
// filter itself gives for the bytes; and the UTF-16 text file the wizard
// writes converts back to the same text.

#include <algorithm>
#include <initializer_list>

#include "FuzzSupport.h"
#include "SampleCodePageFilter.h"
#include "input/TextImport.h"

namespace kavitro::fuzz {
namespace {

void FuzzImport(std::span<const std::uint8_t> input) {
    static const CCodePageTranslator filter = SampleCodePageFilter();
    const std::span<const CCodePageTranslator> filters(&filter, 1);
    const TextByteOrderMark mark = DetectByteOrderMark(input);
    const auto starts = [&](std::initializer_list<std::uint8_t> prefix) {
        return input.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), input.begin());
    };
    KAVITRO_FUZZ_CHECK((mark == TextByteOrderMark::Utf8) == starts({0xEF, 0xBB, 0xBF}));
    KAVITRO_FUZZ_CHECK((mark == TextByteOrderMark::Utf16LE) == starts({0xFF, 0xFE}));
    KAVITRO_FUZZ_CHECK((mark == TextByteOrderMark::Utf16BE) == starts({0xFE, 0xFF}));

    const std::u16string text = ConvertToUnicode(input, filters, 0);
    switch (mark) {
    case TextByteOrderMark::Utf16LE:
    case TextByteOrderMark::Utf16BE: KAVITRO_FUZZ_CHECK(text.size() == (input.size() - 2) / 2); break;
    case TextByteOrderMark::Utf8: KAVITRO_FUZZ_CHECK(text.size() <= input.size() - 3); break;
    case TextByteOrderMark::None: KAVITRO_FUZZ_CHECK(text == filter.Translate(input)); break;
    }

    const std::vector<std::uint8_t> file = EncodeUtf16TextFile(text);
    KAVITRO_FUZZ_CHECK(DetectByteOrderMark(file) == TextByteOrderMark::Utf16LE);
    const std::u16string_view kept = text.starts_with(u'\uFEFF') ? std::u16string_view(text).substr(1) : text;
    KAVITRO_FUZZ_CHECK(ConvertToUnicode(file, {}, 0) == kept);
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using kavitro::fuzz::Bytes;
    return {
        Bytes{0xEF, 0xBB, 0xBF, 0xD8, 0xB3, 0xD9, 0x84, 0x0D, 0x0A, 0x41},  // UTF-8 "سل\r\nA"
        Bytes{0xFF, 0xFE, 0x33, 0x06, 0x20, 0x00, 0x27},                    // UTF-16LE, odd length
        Bytes{0xFE, 0xFF, 0x06, 0x27, 0xFE, 0xFF},                          // UTF-16BE with a second mark
        Bytes{0xD3, 0xE1, 0xC7, 0xE3, 0x0D, 0x0A, 0x31, 0x32},              // 8-bit, no mark
        Bytes{0xEF, 0xBB, 0x41},                                            // an incomplete mark
    };
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzImport)
