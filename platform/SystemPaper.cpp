#include "platform/SystemPaper.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace kavitro {

namespace {

struct NamedPaper {
    std::string_view name;
    Size size;  // 0.01 mm
};

// libpaper's common names; the rest are rare enough to leave to a printer.
constexpr std::array kPapers = {
    NamedPaper{"a3", {29700, 42000}},   NamedPaper{"a4", {21000, 29700}},     NamedPaper{"a5", {14800, 21000}},
    NamedPaper{"a6", {10500, 14800}},   NamedPaper{"b4", {25000, 35300}},     NamedPaper{"b5", {17600, 25000}},
    NamedPaper{"letter", {21590, 27940}}, NamedPaper{"legal", {21590, 35560}}, NamedPaper{"executive", {18415, 26670}},
    NamedPaper{"ledger", {43180, 27940}}, NamedPaper{"tabloid", {27940, 43180}},
};

std::string Trimmed(std::string_view text) {
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    // The file holds one short name; a huge file is not a papersize file.
    constexpr std::streamsize kMaxBytes = 4096;
    std::string buffer(kMaxBytes, '\0');
    in.read(buffer.data(), kMaxBytes);
    buffer.resize(static_cast<std::size_t>(in.gcount()));
    return buffer;
}

// nl_langinfo hands a number item back in the bytes of its pointer.
std::uint32_t LocaleWord(nl_item item, locale_t locale) {
    const char* value = nl_langinfo_l(item, locale);
    std::uint32_t word = 0;
    std::memcpy(&word, &value, sizeof word);
    return word;
}

bool IsPlainCLocale(const std::string& name) {
    return name.empty() || name == "C" || name == "POSIX" || name.starts_with("C.");
}

}  // namespace

std::optional<Size> PaperOfName(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    for (const NamedPaper& paper : kPapers)
        if (paper.name == lower) return paper.size;
    return std::nullopt;
}

std::string PaperNameOfFile(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        line = line.substr(0, std::min(line.find('#'), line.size()));
        if (std::string name = Trimmed(line); !name.empty()) return name;
    }
    return {};
}

std::optional<Size> PaperOfLocale(const std::string& localeName) {
    locale_t locale = newlocale(LC_PAPER_MASK, localeName.c_str(), static_cast<locale_t>(nullptr));
    if (!locale) return std::nullopt;
    // Millimetres in the locale.
    const std::uint32_t width = LocaleWord(_NL_PAPER_WIDTH, locale);
    const std::uint32_t height = LocaleWord(_NL_PAPER_HEIGHT, locale);
    freelocale(locale);
    constexpr std::uint32_t kMaxMillimetres = 10000;
    if (width == 0 || height == 0 || width > kMaxMillimetres || height > kMaxMillimetres) return std::nullopt;
    return Size{static_cast<std::int32_t>(width * 100), static_cast<std::int32_t>(height * 100)};
}

SystemPaperSources ReadSystemPaperSources() {
    SystemPaperSources sources;
    sources.paperSizeVariable = Environment("PAPERSIZE");
    for (const char* name : {"LC_ALL", "LC_PAPER", "LANG"}) {
        sources.paperLocaleName = Environment(name);
        if (!sources.paperLocaleName.empty()) break;
    }
    const std::string file = Environment("PAPERCONF");
    sources.paperSizeFile = FileText(file.empty() ? std::string("/etc/papersize") : file);
    return sources;
}

std::optional<Size> SystemPaper(const SystemPaperSources& sources) {
    if (auto paper = PaperOfName(Trimmed(sources.paperSizeVariable))) return paper;
    if (!IsPlainCLocale(sources.paperLocaleName))
        if (auto paper = PaperOfLocale(sources.paperLocaleName)) return paper;
    if (auto paper = PaperOfName(PaperNameOfFile(sources.paperSizeFile))) return paper;
    return PaperOfLocale("C");
}

}  // namespace kavitro
