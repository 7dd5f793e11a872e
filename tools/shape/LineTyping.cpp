#include "tools/shape/LineTyping.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <system_error>

#include "engine/CalligraphyFont.h"
#include "platform/ErrorReport.h"

namespace kavitro::tool {

namespace {

// The text-modification keys: alternate form, glyph variant, glyph swap.
constexpr char32_t kFirstModifyCode = 0xFF96;
constexpr char32_t kLastModifyCode = 0xFF98;

// Records what the glyph fonts report instead of showing it: the tool names
// the missing files itself.
class QuietReport : public ErrorReport {
public:
    bool Any() const { return m_any; }

protected:
    DialogResult Show(const ErrorMessage&) override {
        m_any = true;
        return DialogResult::Ok;
    }

private:
    bool m_any = false;
};

void Complain(std::string_view toolName, const std::string& message) {
    std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(toolName.size()), toolName.data(), message.c_str());
}

}  // namespace

std::vector<std::size_t> TypeLine(CCalligraphyParagraph& paragraph, const std::vector<char32_t>& text) {
    std::int32_t caret = 0;
    paragraph.InsertCharacter(caret, 0x0020);
    std::vector<std::size_t> refused;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= kFirstModifyCode && text[i] <= kLastModifyCode) {
            const WordPosition at = paragraph.CaretToWord(caret, true);
            if (at.offset > 0)
                paragraph.ModifyCharacter(at.word, at.offset, static_cast<std::uint16_t>(text[i]));
            else
                refused.push_back(i);
            continue;
        }
        // A code point beyond the 16-bit range has no UTF-16 code of its own.
        const bool accepted =
            text[i] <= 0xFFFF && paragraph.InsertCharacter(caret, static_cast<std::uint16_t>(text[i])) == 1;
        if (!accepted)
            refused.push_back(i);
    }
    return refused;
}

bool LoadGlyphData(const std::filesystem::path& dataDir, std::string_view toolName) {
    QuietReport report;
    CCalligraphyFont& font = CCalligraphyFont::GetInstance();
    font.SetErrorReport(&report);
    font.Init(dataDir, 0);
    font.SetErrorReport(nullptr);
    if (!report.Any())
        return true;

    bool named = false;
    for (int f = 1; f <= CCalligraphyFont::kFontCount; ++f) {
        if (font.GetFace(f) == nullptr) {
            const std::filesystem::path file =
                dataDir / CCalligraphyFont::kFontsFolderName / (font.GetFontDescription(f).faceName + ".ttf");
            Complain(toolName, "missing glyph font " + file.string());
            named = true;
        }
    }
    const std::filesystem::path anchors = dataDir / CCalligraphyFont::kAnchorFileName;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(anchors, ec) ||
        std::filesystem::file_size(anchors, ec) != CCalligraphyFont::kAnchorTableBytes || ec) {
        Complain(toolName, "missing or damaged mark-anchor table " + anchors.string());
        named = true;
    }
    if (!named)
        Complain(toolName, "cannot load the glyph data of " + dataDir.string());
    return false;
}

}  // namespace kavitro::tool
