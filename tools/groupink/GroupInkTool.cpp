// kavitro-group-ink: types each line of its input as kavitro-shape does and
// says, for every joined letter group of two or more letters, whether the
// program writes it as one piece of ink.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CalligraphyText.h"
#include "engine/JoinCorrection.h"
#include "tools/Utf8Decode.h"
#include "tools/groupink/GroupInk.h"
#include "tools/shape/LineTyping.h"

namespace {

constexpr const char* kUsage = R"(Usage: kavitro-group-ink [--data-dir DIR] [--without-correction] [--broken-only]
                          [--dots] [FILE...]

Types each line of the FILEs (standard input when none is given, or for "-")
into a new text object as kavitro-shape does, and rasterises every joined
letter group of two or more letters (its letter glyphs, marks left out) where
the program places them: pen, lift and join correction, at 12 glyph units a
pixel, a pixel being ink where the glyphs cover at least half of it. A group
is whole when its ink falls into no more 8-connected pieces than its glyphs
bring: 1 + the sum over its glyphs of (pieces alone - 1). Prints a line per
group:

  GROUP<TAB>whole|broken<TAB>EXTRA

and at the end

  joined groups: N, one piece: M (P%)

With --dots it measures instead whether the dots of the letters of each line
keep clear of each other: each letter's dot mark where the program draws it
(its anchor, the stored mark offset, and the placement that closes joins and
staggers neighbouring dots), rasterised as above. Prints a line per line of
input whose dots touch (the ink of two letters' dots 8-connected):

  LINE<TAB>dots touching<TAB>PAIRS

and at the end

  lines: N, with touching dots: M (P%)

Options:
  --data-dir DIR          the data folder with the glyph fonts and the
                          mark-anchor table (default: the build's share/kavitro)
  --without-correction    place the letters without the join correction
  --broken-only           print only the broken groups (and the summary)
  --dots                  measure the dots of neighbouring letters instead
  -h, --help              print this text and exit

Exit status: 0 on success; 1 when the data folder is incomplete or an input
cannot be read; 2 on a bad command line.
)";

struct Options {
    std::filesystem::path dataDir = KAVITRO_SHARE_DIR;
    bool withCorrection = true;
    bool brokenOnly = false;
    bool dots = false;
    std::vector<std::string> inputs;
};

struct Tally {
    std::uint64_t groups = 0;
    std::uint64_t whole = 0;

    double Percent() const { return groups == 0 ? 100.0 : 100.0 * static_cast<double>(whole) / groups; }
};

void PutUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

struct Measures {
    kavitro::tool::CGroupInkMeasure groups;
    kavitro::tool::CNeighbourDotMeasure dots;
};

void MeasureDots(std::string_view line, const kavitro::CCalligraphyParagraph& paragraph, const Options& options,
                 kavitro::tool::CNeighbourDotMeasure& measure, Tally& tally, std::string& out) {
    std::size_t pairs = 0;
    for (const kavitro::CCalligraphyWord& word : paragraph.m_words)
        pairs += measure.CountTouchingPairs(
            word, options.withCorrection ? kavitro::GetJoinCorrections(word) : std::vector<kavitro::JoinCorrection>{});
    ++tally.groups;
    tally.whole += pairs == 0;
    if (pairs == 0) return;
    out.append(line);
    out += "\tdots touching\t";
    out += std::to_string(pairs);
    out += '\n';
}

void MeasureLine(std::string_view line, const Options& options, Measures& measures, Tally& tally, std::string& out) {
    kavitro::CCalligraphyParagraph paragraph;
    kavitro::tool::TypeLine(paragraph, kavitro::tool::DecodeUtf8(line));
    if (options.dots) return MeasureDots(line, paragraph, options, measures.dots, tally, out);
    kavitro::tool::CGroupInkMeasure& measure = measures.groups;
    for (const kavitro::CCalligraphyWord& word : paragraph.m_words) {
        const std::vector<kavitro::tool::JoinedGroup> groups = kavitro::tool::FindJoinedGroups(word);
        if (groups.empty()) continue;
        const std::vector<kavitro::JoinCorrection> corrections =
            options.withCorrection ? kavitro::GetJoinCorrections(word) : std::vector<kavitro::JoinCorrection>{};
        for (const kavitro::tool::JoinedGroup& group : groups) {
            const std::size_t extra = measure.Measure(word, group, corrections).Extra();
            ++tally.groups;
            tally.whole += extra == 0;
            if (options.brokenOnly && extra == 0) continue;
            for (std::size_t k = group.first; k < group.first + group.count; ++k)
                PutUtf8(out, word.m_characters[k].m_code);
            out += extra == 0 ? "\twhole\t" : "\tbroken\t";
            out += std::to_string(extra);
            out += '\n';
        }
    }
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "kavitro-group-ink: %s\n", message.c_str());
    return 1;
}

// Measures every line of one input; false when it cannot be read.
bool MeasureInput(std::FILE* in, const std::string& name, const Options& options, Measures& measure,
                  Tally& tally) {
    char* line = nullptr;
    std::size_t capacity = 0;
    ssize_t length = 0;
    std::string out;
    while ((length = ::getline(&line, &capacity, in)) >= 0) {
        std::string_view text(line, static_cast<std::size_t>(length));
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
        MeasureLine(text, options, measure, tally, out);
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
    }
    const int readError = std::ferror(in) ? errno : 0;
    std::free(line);
    if (readError != 0) {
        Fail("cannot read " + name + ": " + std::strerror(readError));
        return false;
    }
    return true;
}

// 0 with the options read, else the exit status.
int ReadOptions(int argc, char** argv, Options& options) {
    bool onlyFiles = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (onlyFiles || arg == "-" || arg.empty() || arg[0] != '-') {
            options.inputs.emplace_back(arg);
        } else if (arg == "--") {
            onlyFiles = true;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 ? -1 : 1;
        } else if (arg == "--without-correction") {
            options.withCorrection = false;
        } else if (arg == "--broken-only") {
            options.brokenOnly = true;
        } else if (arg == "--dots") {
            options.dots = true;
        } else if (arg == "--data-dir" && i + 1 < argc) {
            options.dataDir = argv[++i];
        } else {
            std::fprintf(stderr, "kavitro-group-ink: %s: %.*s\nTry 'kavitro-group-ink --help'.\n",
                         arg == "--data-dir" ? "option needs a folder" : "unknown option",
                         static_cast<int>(arg.size()), arg.data());
            return 2;
        }
    }
    if (options.inputs.empty()) options.inputs.emplace_back("-");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int status = ReadOptions(argc, argv, options); status != 0) return status < 0 ? 0 : status;
    try {
        if (!kavitro::tool::LoadGlyphData(options.dataDir, "kavitro-group-ink")) return 1;
        Measures measure;
        Tally tally;
        for (const std::string& input : options.inputs) {
            const bool isStdin = input == "-";
            std::FILE* in = isStdin ? stdin : std::fopen(input.c_str(), "rb");
            if (in == nullptr) return Fail("cannot open " + input + ": " + std::strerror(errno));
            const bool ok = MeasureInput(in, isStdin ? "standard input" : input, options, measure, tally);
            if (!isStdin) std::fclose(in);
            if (!ok) return 1;
        }
        if (options.dots)
            std::printf("lines: %llu, with touching dots: %llu (%.2f%%)\n",
                        static_cast<unsigned long long>(tally.groups),
                        static_cast<unsigned long long>(tally.groups - tally.whole), 100.0 - tally.Percent());
        else
            std::printf("joined groups: %llu, one piece: %llu (%.2f%%)\n", static_cast<unsigned long long>(tally.groups),
                        static_cast<unsigned long long>(tally.whole), tally.Percent());
        if (std::fflush(stdout) != 0) return Fail("cannot write the output");
        return 0;
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
