// Writes one code-page filter file from the system's iconv tables.
//
//     make_code_page_filter <iconv code page> <display name> <output file>
//
// Every byte 0x21..0xFF is converted on its own to UTF-16. A byte that the
// code page leaves undefined, or that it turns into a control code (C0, DEL,
// C1), gets an empty record: the import drops it, so that no byte of the text
// ever becomes a line break or another control. Record 223 stands for no byte
// and stays empty. The display name is taken as UTF-8.

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "input/CodePageTranslator.h"
#include "platform/AtomicFile.h"

namespace {

using kavitro::CCodePageTranslator;

bool IsControl(std::uint16_t unit) { return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F); }

// The UTF-16 units of one byte; empty when iconv does not know the byte.
std::vector<std::uint16_t> ConvertByte(iconv_t cd, std::uint8_t byte) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state for every byte
    char in[1] = {static_cast<char>(byte)};
    char out[16];
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof(out);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
        return {};
    // Flush a stateful converter's pending output.
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        return {};
    std::vector<std::uint16_t> units;
    for (const char* p = out; p + 1 < outPtr; p += 2)
        units.push_back(static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) |
                                                   (static_cast<unsigned char>(p[1]) << 8)));
    return units;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string in(text);
    std::string out(in.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    std::u16string result;
    if (!ok)
        return result;
    for (const char* p = out.data(); p + 1 < outPtr; p += 2)
        result.push_back(static_cast<char16_t>(static_cast<unsigned char>(p[0]) |
                                               (static_cast<unsigned char>(p[1]) << 8)));
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <iconv code page> <display name> <output file>\n", argv[0]);
        return 2;
    }
    iconv_t cd = iconv_open("UTF-16LE", argv[1]);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::fprintf(stderr, "%s: iconv does not know the code page %s\n", argv[0], argv[1]);
        return 1;
    }
    CCodePageTranslator filter;
    filter.m_header.m_id = std::u16string(CCodePageTranslator::kFilterId);
    filter.m_header.m_displayName = Utf8ToUtf16(argv[2]);
    filter.m_header.m_visualOrder = 0;
    filter.m_records.resize(CCodePageTranslator::kRecordCount);
    int kept = 0;
    for (unsigned byte = CCodePageTranslator::kFirstMappedByte; byte <= 0xFF; ++byte) {
        std::vector<std::uint16_t> units = ConvertByte(cd, static_cast<std::uint8_t>(byte));
        bool control = false;
        for (std::uint16_t unit : units)
            control = control || IsControl(unit);
        if (control)
            units.clear();
        kept += units.empty() ? 0 : 1;
        filter.m_records[byte - CCodePageTranslator::kFirstMappedByte].m_units = std::move(units);
    }
    iconv_close(cd);
    if (filter.m_header.m_displayName.empty() || kept == 0) {
        std::fprintf(stderr, "%s: nothing usable for %s\n", argv[0], argv[1]);
        return 1;
    }
    const std::vector<std::uint8_t> bytes = filter.StoreToBytes();
    if (!kavitro::WriteFileAtomically(argv[3], bytes)) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[3]);
        return 1;
    }
    return 0;
}
