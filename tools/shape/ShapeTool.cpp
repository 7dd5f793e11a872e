// kavitro-shape: types each line of standard input into a new text object's
// paragraph, code point by code point at the caret, and prints the shaped
// result as one JSON object per line:
//   {"text": ..., "refused": [indexes of refused code points],
//    "words": [{"x": .., "y": .., "chars": [{"code": "0628", "glyph": "1/66",
//               "y": 0, "mark": 35, "flags": 0}, ...]}, ...]}
// Any bytes are accepted: invalid UTF-8 is typed as U+FFFD, which the engine
// refuses like every code it does not know.

#include <cstdint>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CalligraphyFont.h"
#include "engine/CalligraphyText.h"

namespace {

using kavitro::CCalligraphyParagraph;

constexpr char32_t kReplacement = 0xFFFD;

// Decodes UTF-8; each byte that does not start a well-formed sequence
// (stray continuation, overlong form, surrogate, beyond U+10FFFF, cut short)
// becomes one U+FFFD.
std::vector<char32_t> DecodeUtf8(std::string_view bytes) {
    std::vector<char32_t> out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            length = 1, cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, cp = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, cp = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, cp = lead & 0x07, minimum = 0x10000;
        }
        bool valid = length != 0 && i + length <= bytes.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        valid = valid && cp >= minimum && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        out.push_back(valid ? cp : kReplacement);
        i += valid ? length : 1;
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendJsonString(std::string& out, const std::vector<char32_t>& text) {
    out += '"';
    for (const char32_t cp : text) {
        if (cp == '"' || cp == '\\') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp < 0x20 || cp == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(cp));
            out += escaped;
        } else {
            AppendUtf8(out, cp);
        }
    }
    out += '"';
}

void AppendParagraph(std::string& out, const CCalligraphyParagraph& paragraph) {
    out += "\"words\": [";
    bool firstWord = true;
    for (const kavitro::CCalligraphyWord& word : paragraph.m_words) {
        out += firstWord ? "" : ", ";
        firstWord = false;
        out += "{\"x\": " + std::to_string(word.m_x) + ", \"y\": " + std::to_string(word.m_y) + ", \"chars\": [";
        bool firstChar = true;
        for (const kavitro::CCalligraphyCharacter& c : word.m_characters) {
            char buffer[128];
            std::snprintf(buffer, sizeof buffer, "%s{\"code\": \"%04X\", \"glyph\": \"%u/%u\", \"y\": %d, \"mark\": %u, \"flags\": %u}",
                          firstChar ? "" : ", ", unsigned{c.m_code}, unsigned{c.m_font}, unsigned{c.m_glyph},
                          static_cast<int>(c.m_yOffset), unsigned{c.m_mark}, unsigned{c.m_flags});
            out += buffer;
            firstChar = false;
        }
        out += "]}";
    }
    out += ']';
}

// Types the line as a user types into a new text object: the object starts
// with one space and the caret before it, and every code point goes in at
// the caret, which moves as the paragraph moves it.
std::string ShapeLine(std::string_view line) {
    const std::vector<char32_t> text = DecodeUtf8(line);
    CCalligraphyParagraph paragraph;
    std::int32_t caret = 0;
    paragraph.InsertCharacter(caret, 0x0020);
    std::vector<std::size_t> refused;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A code point beyond the 16-bit range has no UTF-16 code of its own.
        const bool accepted = text[i] <= 0xFFFF && paragraph.InsertCharacter(caret, static_cast<std::uint16_t>(text[i])) == 1;
        if (!accepted)
            refused.push_back(i);
    }

    std::string out = "{\"text\": ";
    AppendJsonString(out, text);
    out += ", \"refused\": [";
    for (std::size_t i = 0; i < refused.size(); ++i)
        out += (i == 0 ? "" : ", ") + std::to_string(refused[i]);
    out += "], ";
    AppendParagraph(out, paragraph);
    out += "}\n";
    return out;
}

}  // namespace

int main() {
    try {
        // The widths come from the glyph fonts of the program's data folder,
        // as in the application; a missing font is reported on stderr and
        // measures as zero.
        kavitro::CCalligraphyFont::GetInstance().Init(KAVITRO_SHARE_DIR, 0);
        std::ios::sync_with_stdio(false);
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const std::string json = ShapeLine(line);
            std::fwrite(json.data(), 1, json.size(), stdout);
        }
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kavitro-shape: %s\n", e.what());
        return 1;
    }
}
