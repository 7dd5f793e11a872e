// kavitro-shape: types each line of its input into a new text object's
// paragraph, code point by code point at the caret, and prints the shaped
// result as one JSON object per line (the format is in kUsage and README.md).
// Any bytes are accepted: invalid UTF-8 is typed as U+FFFD, which the engine
// refuses like every code it does not know.

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CalligraphyFont.h"
#include "engine/CalligraphyText.h"
#include "engine/GlyphPlacement.h"
#include "tools/Utf8Decode.h"
#include "tools/shape/LineTyping.h"

namespace {

using kavitro::CCalligraphyParagraph;

constexpr const char* kUsage = R"(Usage: kavitro-shape [--data-dir DIR] [--variants] [FILE...]

Types each line of the FILEs (standard input when none is given, or for "-")
into a new text object, code point by code point at the caret, as a user
types, and prints the shaped result as one JSON object per line:

  {"text": "...", "refused": [2, 5],
   "words": [{"x": 0, "y": 0, "chars": [{"code": "0628", "glyph": "1/66",
                                          "y": 0, "mark": 35, "flags": 0,
                                          "dx": 0, "dy": 0, "markdx": 0,
                                          "markdy": 0}]}]}

  text     the line as typed; invalid UTF-8 is typed as U+FFFD; the
           text-modification keys U+FF96 (alternate form), U+FF97 (glyph
           variant) and U+FF98 (glyph swap) change the letter before the
           caret, as they do in a text object
  refused  indexes into text of the code points the engine refused
  words    the paragraph's connected letter groups in order, with the text
           object's trailing space; x grows leftward from the start of the
           text (glyph units), y is in y units (1/750 of the text size)
  chars    code   the UTF-16 code, four hex digits
           glyph  the glyph font (1..5) and the glyph index in it
           y      the letter's lift, y units, growing downward
           mark   font 4's glyph index of its dot or stroke, 0 for none
           flags  the character's flags (1: alternate form)
           dx, dy where drawing moves the glyph (with its marks) to close
                  its join, beyond x and y: dx in glyph units growing
                  leftward, dy in y units growing downward (rounded); 0
                  when the artwork carries no join points
           markdx, markdy  where drawing moves the letter's dots further,
                  beyond dx and dy and in their units, so that they keep
                  clear of a neighbouring letter's dots; 0 elsewhere

Options:
  --data-dir DIR  the program's data folder with the glyph fonts and the
                  mark-anchor table (default: the artwork the program
                  draws with: share/kavitro beside the binary once
                  installed, in the build tree the Nastaliq artwork)
  --variants      print, as the words, the shapings the alternatives menu
                  offers for the line's first word (that word first)
  -h, --help      print this text and exit

Exit status: 0 when every line was shaped and written; 1 when the data folder
is incomplete, an input cannot be read or the output cannot be written; 2 on
a bad command line.
)";

using kavitro::tool::DecodeUtf8;

// All output goes through one buffer, handed to the system in large writes;
// the first failed write (a full disk, a closed pipe) is kept and ends the run.
class OutputWriter {
public:
    static constexpr std::size_t kFlushSize = 1 << 16;

    explicit OutputWriter(int fd) : m_fd(fd) { m_buffer.reserve(2 * kFlushSize); }

    void Text(std::string_view s) { m_buffer.append(s); }
    void Char(char c) { m_buffer.push_back(c); }
    void Number(std::int64_t v) {
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits, v);
        m_buffer.append(digits, result.ptr);
    }
    // Four or more upper-case hex digits.
    void Hex4(std::uint32_t v) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        char digits[8];
        int n = 0;
        do {
            digits[n++] = kDigits[v & 0xF];
            v >>= 4;
        } while (v != 0 || n < 4);
        while (n > 0)
            m_buffer.push_back(digits[--n]);
    }
    void Utf8(char32_t cp) {
        if (cp < 0x80) {
            Char(static_cast<char>(cp));
        } else if (cp < 0x800) {
            Char(static_cast<char>(0xC0 | (cp >> 6)));
            Char(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            Char(static_cast<char>(0xE0 | (cp >> 12)));
            Char(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            Char(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            Char(static_cast<char>(0xF0 | (cp >> 18)));
            Char(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            Char(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            Char(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }

    // Writes the buffer out once it is large; true while no write failed.
    bool FlushIfFull() { return m_buffer.size() < kFlushSize ? m_error == 0 : Flush(); }

    // Writes everything buffered; true while no write failed.
    bool Flush() {
        const char* data = m_buffer.data();
        std::size_t left = m_error == 0 ? m_buffer.size() : 0;
        while (left > 0) {
            const ssize_t written = ::write(m_fd, data, left);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                m_error = written < 0 ? errno : EIO;
                break;
            }
            data += written;
            left -= static_cast<std::size_t>(written);
        }
        m_buffer.clear();
        return m_error == 0;
    }

    int Error() const { return m_error; }

private:
    int m_fd;
    int m_error = 0;
    std::string m_buffer;
};

void WriteJsonString(OutputWriter& out, const std::vector<char32_t>& text) {
    out.Char('"');
    for (const char32_t cp : text) {
        if (cp == '"' || cp == '\\') {
            out.Char('\\');
            out.Char(static_cast<char>(cp));
        } else if (cp < 0x20 || cp == 0x7F) {
            out.Text("\\u");
            out.Hex4(cp);
        } else {
            out.Utf8(cp);
        }
    }
    out.Char('"');
}

void WriteParagraph(OutputWriter& out, const CCalligraphyParagraph& paragraph) {
    out.Text("\"words\": [");
    bool firstWord = true;
    for (const kavitro::CCalligraphyWord& word : paragraph.m_words) {
        out.Text(firstWord ? "{\"x\": " : ", {\"x\": ");
        firstWord = false;
        out.Number(word.m_x);
        out.Text(", \"y\": ");
        out.Number(word.m_y);
        out.Text(", \"chars\": [");
        const kavitro::CWordJoins joins(word, kavitro::GetGlyphMetrics());
        for (std::size_t i = 0; i < word.m_characters.size(); ++i) {
            const kavitro::CCalligraphyCharacter& c = word.m_characters[i];
            const bool firstChar = i == 0;
            out.Text(firstChar ? "{\"code\": \"" : ", {\"code\": \"");
            out.Hex4(c.m_code);
            out.Text("\", \"glyph\": \"");
            out.Number(c.m_font);
            out.Char('/');
            out.Number(c.m_glyph);
            out.Text("\", \"y\": ");
            out.Number(c.m_yOffset);
            out.Text(", \"mark\": ");
            out.Number(c.m_mark);
            out.Text(", \"flags\": ");
            out.Number(c.m_flags);
            out.Text(", \"dx\": ");
            out.Number(joins[i].dx);
            out.Text(", \"dy\": ");
            out.Number(kavitro::GetJoinDropInYUnits(joins[i]));
            out.Text(", \"markdx\": ");
            out.Number(joins[i].markDx);
            out.Text(", \"markdy\": ");
            out.Number(kavitro::GetJoinDropInYUnits({0, joins[i].markDy}));
            out.Char('}');
        }
        out.Text("]}");
    }
    out.Char(']');
}

// Types the line as a user types into a new text object (see TypeLine).
void ShapeLine(OutputWriter& out, std::string_view line, bool variants) {
    const std::vector<char32_t> text = DecodeUtf8(line);
    CCalligraphyParagraph paragraph;
    const std::vector<std::size_t> refused = kavitro::tool::TypeLine(paragraph, text);

    if (variants && !paragraph.m_words.empty()) {
        const kavitro::CCalligraphyWord first = paragraph.m_words.front();
        paragraph.BuildStylisticVariants(first);
    }

    out.Text("{\"text\": ");
    WriteJsonString(out, text);
    out.Text(", \"refused\": [");
    for (std::size_t i = 0; i < refused.size(); ++i) {
        if (i > 0)
            out.Text(", ");
        out.Number(static_cast<std::int64_t>(refused[i]));
    }
    out.Text("], ");
    WriteParagraph(out, paragraph);
    out.Text("}\n");
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "kavitro-shape: %s\n", message.c_str());
    return 1;
}

// Shapes every line of one input; false (with a message on stderr) when it
// cannot be read or the output cannot be written.
bool ShapeInput(OutputWriter& out, std::FILE* in, const std::string& name, bool variants) {
    char* line = nullptr;
    std::size_t capacity = 0;
    ssize_t length = 0;
    bool ok = true;
    while (ok && (length = ::getline(&line, &capacity, in)) >= 0) {
        std::string_view text(line, static_cast<std::size_t>(length));
        if (!text.empty() && text.back() == '\n')
            text.remove_suffix(1);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        ShapeLine(out, text, variants);
        ok = out.FlushIfFull();
    }
    const int readError = std::ferror(in) ? errno : 0;
    std::free(line);
    if (ok && readError != 0) {
        Fail("cannot read " + name + ": " + std::strerror(readError));
        return false;
    }
    return ok;
}

// The artwork the program draws with, as it chooses it: installed, the data
// folder beside the binary (<bin>/../share/kavitro); in the build tree, the
// derived Nastaliq artwork beside the build's data folder once its fonts are
// there, else the build's placeholder artwork.
std::filesystem::path DefaultDataDir() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const std::filesystem::path installed = exe.parent_path().parent_path() / "share" / "kavitro";
        if (std::filesystem::is_directory(installed, ec)) return installed;
    }
    const std::filesystem::path build = KAVITRO_SHARE_DIR;
    const std::filesystem::path derived = build.parent_path() / "kavitro-nastaliq";
    if (std::filesystem::is_regular_file(derived / kavitro::CCalligraphyFont::kFontsFolderName / "Vorl21.ttf", ec))
        return derived;
    return build;
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path dataDir = DefaultDataDir();
    std::vector<std::string> inputs;
    bool onlyFiles = false;
    bool variants = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (onlyFiles || arg == "-" || arg.empty() || arg[0] != '-') {
            inputs.emplace_back(arg);
        } else if (arg == "--") {
            onlyFiles = true;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        } else if (arg == "--variants") {
            variants = true;
        } else if (arg == "--data-dir" && i + 1 < argc) {
            dataDir = argv[++i];
        } else {
            std::fprintf(stderr, "kavitro-shape: %s: %.*s\nTry 'kavitro-shape --help'.\n",
                         arg == "--data-dir" ? "option needs a folder" : "unknown option",
                         static_cast<int>(arg.size()), arg.data());
            return 2;
        }
    }
    if (inputs.empty())
        inputs.emplace_back("-");

    try {
        if (!kavitro::tool::LoadGlyphData(dataDir, "kavitro-shape"))
            return 1;
        OutputWriter out(STDOUT_FILENO);
        bool readFailed = false;
        for (const std::string& input : inputs) {
            const bool isStdin = input == "-";
            std::FILE* in = isStdin ? stdin : std::fopen(input.c_str(), "rb");
            if (in == nullptr) {
                const int openError = errno;
                out.Flush();
                return Fail("cannot open " + input + ": " + std::strerror(openError));
            }
            const bool ok = ShapeInput(out, in, isStdin ? "standard input" : input, variants);
            if (!isStdin)
                std::fclose(in);
            if (!ok) {
                readFailed = true;
                break;
            }
        }
        if (!out.Flush())
            return Fail(std::string("cannot write the output: ") + std::strerror(out.Error()));
        return readFailed ? 1 : 0;
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
