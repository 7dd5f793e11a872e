#include "input/TextImport.h"

#include <QStringDecoder>

#include "platform/AtomicFile.h"

namespace kavitro {

TextByteOrderMark DetectByteOrderMark(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        return TextByteOrderMark::Utf8;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
        return TextByteOrderMark::Utf16LE;
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF)
        return TextByteOrderMark::Utf16BE;
    return TextByteOrderMark::None;
}

std::optional<std::vector<std::uint8_t>> ReadImportSource(const std::filesystem::path& path) {
    return ReadWholeFile(path, static_cast<std::size_t>(kMaxImportFileSize));
}

namespace {

std::u16string DecodeUtf16(std::span<const std::uint8_t> bytes, bool bigEndian) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned high = bigEndian ? bytes[i] : bytes[i + 1];
        const unsigned low = bigEndian ? bytes[i + 1] : bytes[i];
        text.push_back(static_cast<char16_t>(high << 8 | low));
    }
    return text;
}

std::u16string DecodeUtf8Strict(std::span<const std::uint8_t> bytes) {
    // Without the initial-mark flag the decoder drops the mark itself.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(
        QByteArrayView(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    if (decoder.hasError())
        return {};
    return text.toStdU16String();
}

}  // namespace

std::u16string ConvertToUnicode(std::span<const std::uint8_t> source, std::span<const CCodePageTranslator> filters,
                                std::size_t filterIndex) {
    switch (DetectByteOrderMark(source)) {
    case TextByteOrderMark::Utf16LE:
        return DecodeUtf16(source.subspan(2), false);
    case TextByteOrderMark::Utf16BE:
        return DecodeUtf16(source.subspan(2), true);
    case TextByteOrderMark::Utf8:
        return DecodeUtf8Strict(source);
    case TextByteOrderMark::None:
        break;
    }
    return TranslateWithFilter(filters, filterIndex, source);
}

std::vector<std::uint8_t> EncodeUtf16TextFile(std::u16string_view text) {
    if (!text.empty() && text.front() == u'\uFEFF')
        text.remove_prefix(1);
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    bytes.reserve(2 + text.size() * 2);
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

bool SaveUtf16TextFile(const std::filesystem::path& path, std::u16string_view text) {
    return WriteFileAtomically(path, EncodeUtf16TextFile(text));
}

}  // namespace kavitro
