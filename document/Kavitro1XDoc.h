#pragma once

// Documents of version 1.x (".kvl"), read into ordinary picture and text
// objects and converted into a version-2 document in memory. The old format
// is never written: the converted document is saved as ".kv2".
//
// The old file keeps its vowel signs apart from its texts. They are attached
// to the texts right after loading, once every text is laid out: the
// conversion runs once, at the document's zoom, before anything is drawn.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <QString>

#include "document/KavitroDoc.h"

namespace kavitro {

class CArchive;

class CKavitro1XDoc : public CKavitroDoc {
public:
    static constexpr char kMagic[] = "Kavitro Document File";  // 21 bytes, no terminator in the file
    static constexpr std::size_t kHeaderSize = 118;
    static constexpr std::size_t kBlockHeadSize = 56;
    static constexpr std::size_t kPageRecordSize = 1286;
    static constexpr std::size_t kExtraPointSize = 21;
    static constexpr std::size_t kExtraPointCount = 50;
    static constexpr std::size_t kTextRecordSize = 4436;
    static constexpr std::size_t kCharacterItemSize = 22;
    // The page index of a vowel sign that went onto a text.
    static constexpr std::int32_t kAttached = 0x7FFFFFFE;
    // Positions and sizes beyond this (0.01 mm, about 400 m) refuse the file:
    // every zoom up to the largest keeps them inside 32 bits.
    static constexpr std::int32_t kMaxCoordinate = 40'000'000;

    // One vowel sign of the old file, its values converted to document
    // units and whole degrees, waiting for the text it belongs to.
    struct OldDocExtraPoints {
        std::uint8_t sign = 0;  // font-4 glyph index
        float x = 0;
        float y = 0;
        float third = 0;          // carried, not interpreted
        std::int32_t angle = 0;   // degrees, 0..359
        std::array<std::uint8_t, 4> kept{};  // carried, not interpreted
        std::int32_t page = 0;    // 0-based; kAttached once on a text
    };

    // screenWidth: the width in pixels of the screen the document is shown
    // on; positions scale by it over the width the file was written on.
    // None takes the file's own width (the document as its author saw it).
    explicit CKavitro1XDoc(const DocumentServices& services = DocumentServices::Current(),
                           std::optional<std::int32_t> screenWidth = std::nullopt);

    // Reads a version-1.x file and converts it; a refused file leaves the
    // document as it was. Saving stores the version-2 form.
    bool LoadFromBytes(std::span<const std::uint8_t> bytes, const std::string& fileName, std::string* error,
                       DocumentDamage* damage = nullptr) override;
    void Serialize(CArchive& ar) override;

    // The reader: header, pages with their pictures, vowel signs and texts.
    // ArchiveException for anything short, damaged or out of range.
    void ReadVersion1(CArchive& ar);
    // Lays every text out, moves the objects to the page's margin corner and
    // attaches the vowel signs; runs once, with undo recording off. view
    // may be null.
    void ConvertToVersion2(DocumentViewObserver* view);
    bool IsConversionPending() const { return m_bPendingConversion; }

    // Where saving goes: the ".kv2" beside the old file, or a prompt (from
    // the name without extension) when such a file exists already.
    struct SaveTarget {
        QString path;
        bool prompt = false;
    };
    SaveTarget GetVersion2SaveTarget() const;
    static QString Version2PathFor(const QString& path);

    // Whole degrees of an angle in tenths: rounded half down, negated,
    // brought into 0..359.
    static std::int32_t ExtraPointAngle(std::int32_t tenths);

    bool m_bSavedAsVersion2 = false;
    std::vector<OldDocExtraPoints> m_oldExtraPoints;

private:
    void ReadPage(CArchive& ar, std::uint32_t page, std::uint32_t pageCount, float factor);
    void ReadPicture(CArchive& ar, std::span<const std::uint8_t> head, std::uint32_t page, float factor);
    void AttachExtraPoints(DocumentViewObserver* view, std::int32_t dx, std::int32_t dy, bool abovePass);

    std::optional<std::int32_t> m_screenWidth;
    bool m_bPendingConversion = false;
};

}  // namespace kavitro
