#include "input/CodePageTranslator.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <utility>

#include "platform/AtomicFile.h"

namespace kavitro {

KAVITRO_IMPLEMENT_SERIAL(CCodePageMapFileHeader, CObject, 1)
KAVITRO_IMPLEMENT_SERIAL(CTranslatedUnicodeChar, CObject, 1)
KAVITRO_IMPLEMENT_SERIAL(CCodePageTranslator, CObject, 1)

namespace {

constexpr std::uint8_t kCarriageReturn = 13;
constexpr std::uint8_t kLineFeed = 10;

bool IsPersianDigit(char16_t unit) { return unit >= 0x06F0 && unit <= 0x06F9; }

// Each line reversed in place; the terminators stay where they are, so a
// CR LF pair ends one line and an empty one.
std::vector<std::uint8_t> ReverseLines(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> out(bytes.begin(), bytes.end());
    auto lineStart = out.begin();
    for (auto it = out.begin(); it != out.end(); ++it) {
        if (*it == kCarriageReturn || *it == kLineFeed) {
            std::reverse(lineStart, it);
            lineStart = it + 1;
        }
    }
    std::reverse(lineStart, out.end());
    return out;
}

// Runs of two or more Persian digits, reversed by the line reversal, back in
// reading order. A single digit is its own reverse.
void RestoreDigitRuns(std::u16string& text) {
    auto it = text.begin();
    while (it != text.end()) {
        if (!IsPersianDigit(*it)) {
            ++it;
            continue;
        }
        const auto runEnd = std::find_if_not(it, text.end(), IsPersianDigit);
        std::reverse(it, runEnd);
        it = runEnd;
    }
}

}  // namespace

void CCodePageMapFileHeader::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteString(m_id);
        ar.WriteString(m_displayName);
        ar.WriteI32(m_visualOrder);
    } else {
        m_id = ar.ReadString();
        m_displayName = ar.ReadString();
        m_visualOrder = ar.ReadI32();
    }
}

void CTranslatedUnicodeChar::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteI32(static_cast<std::int32_t>(m_units.size()));
        for (std::uint16_t unit : m_units)
            ar.WriteU16(unit);
        return;
    }
    m_units.clear();
    const std::int32_t count = ar.ReadI32();
    if (count < 0)
        throw ArchiveException(ArchiveException::Cause::Generic, "negative unit count in a code-page record",
                               ar.GetFileName());
    m_units.resize(ar.CheckCount(static_cast<std::uint64_t>(count), sizeof(std::uint16_t)));
    for (std::uint16_t& unit : m_units)
        unit = ar.ReadU16();
}

void CCodePageTranslator::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        for (CTranslatedUnicodeChar& record : m_records)
            record.Serialize(ar);
        return;
    }
    m_records.clear();
    m_loaded = 1;
    // Every record takes at least its 4-byte count: a file too short for 224
    // of them fails here, before the array is sized.
    ar.CheckCount(kRecordCount, sizeof(std::int32_t));
    m_records.resize(kRecordCount);
    for (CTranslatedUnicodeChar& record : m_records)
        record.Serialize(ar);
}

void CCodePageTranslator::Copy(const CCodePageTranslator& other) {
    m_header = other.m_header;
    m_loaded = other.m_loaded;
    m_records = other.m_records;
}

int CCodePageTranslator::LoadFromFile(const std::filesystem::path& path) {
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path, kMaxFileSize);
    if (!bytes)
        return kFailed;
    return LoadFromBytes(*bytes);
}

int CCodePageTranslator::LoadFromBytes(std::span<const std::uint8_t> bytes) {
    try {
        CArchive ar = CArchive::ForLoading(bytes);
        CCodePageMapFileHeader header;
        header.Serialize(ar);
        if (header.m_id != kFilterId)
            return kWrongId;
        // Loaded aside and taken only when complete, so that a damaged file
        // never leaves half a filter behind.
        CCodePageTranslator loaded;
        loaded.Serialize(ar);
        loaded.m_header = std::move(header);
        *this = std::move(loaded);
        return kLoaded;
    } catch (const ArchiveException&) {
        return kFailed;
    }
}

std::vector<std::uint8_t> CCodePageTranslator::StoreToBytes() const {
    // Serialize is not const (it loads as well); a filter is a few kilobytes.
    CCodePageTranslator copy = *this;
    CArchive ar = CArchive::ForStoring();
    copy.m_header.Serialize(ar);
    copy.Serialize(ar);
    return ar.TakeStoredBytes();
}

std::u16string CCodePageTranslator::Translate(std::span<const std::uint8_t> bytes) const {
    std::vector<std::uint8_t> reversed;
    if (m_header.m_visualOrder != 0) {
        reversed = ReverseLines(bytes);
        bytes = reversed;
    }
    std::u16string text;
    text.reserve(bytes.size());
    for (std::uint8_t byte : bytes) {
        if (byte < kFirstMappedByte) {
            text.push_back(static_cast<char16_t>(byte));
            continue;
        }
        const std::size_t index = byte - kFirstMappedByte;
        if (index >= m_records.size())  // a translator that was never loaded drops the byte
            continue;
        for (std::uint16_t unit : m_records[index].m_units)
            text.push_back(static_cast<char16_t>(unit));
    }
    if (m_header.m_visualOrder != 0)
        RestoreDigitRuns(text);
    return text;
}

std::vector<CCodePageTranslator> FillCodepageList(const std::filesystem::path& filterFolder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(filterFolder, error), end; !error && it != end; it.increment(error)) {
        const std::filesystem::path& path = it->path();
        std::error_code statusError;
        if (path.extension() == CCodePageTranslator::kFileExtension && it->is_regular_file(statusError))
            files.push_back(path);
    }
    std::sort(files.begin(), files.end(),
              [](const std::filesystem::path& a, const std::filesystem::path& b) { return a.filename() < b.filename(); });

    std::vector<CCodePageTranslator> filters;
    for (const std::filesystem::path& path : files) {
        CCodePageTranslator scratch;
        if (scratch.LoadFromFile(path) == CCodePageTranslator::kLoaded)
            filters.push_back(std::move(scratch));
    }
    return filters;
}

std::u16string TranslateWithFilter(std::span<const CCodePageTranslator> filters, std::size_t index,
                                   std::span<const std::uint8_t> bytes) {
    if (index >= filters.size())
        throw InvalidArgumentException("code-page filter index outside the list");
    return filters[index].Translate(bytes);
}

}  // namespace kavitro
