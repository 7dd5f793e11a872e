#pragma once

// The clipboard formats the program writes and reads, as MIME types, and the
// private format "Kavitro 2.0 Format": an archive stream of a list of drawing
// objects (the object count, then every object as an object reference: its
// class tag and its own stored form, exactly as in a document file).
//
// Clipboard bytes come from other programs: the reader takes only the five
// drawing-object classes, bounds every count by the bytes that remain, and
// loads the whole list or nothing.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "document/ApplicationProperties.h"
#include "document/DrawObj.h"

namespace kavitro {

class CKavitroDoc;

namespace mime {
inline constexpr const char* kKavitro = "application/x-kavitro-2.0";  // "Kavitro 2.0 Format"
inline constexpr const char* kPostScript = "application/postscript";  // "Encapsulated PostScript", "ADOBE AI3"
inline constexpr const char* kWmf = "image/x-wmf";                    // a placeable Windows metafile
inline constexpr const char* kEmf = "image/x-emf";
inline constexpr const char* kPng = "image/png";
inline constexpr const char* kBmp = "image/bmp";
inline constexpr const char* kText = "text/plain;charset=utf-8";
inline constexpr const char* kPlainText = "text/plain";
inline constexpr const char* kUriList = "text/uri-list";
}  // namespace mime

// The formats a copy writes ("Settings/Clipboard"; defaults as the settings
// have them).
struct ClipboardSettings {
    bool kavitro = true;
    bool text = false;
    bool eps = false;
    bool bmp = true;
    std::int32_t bmpSize = 50;  // bitmap pixels per 1000 document units
    bool wmf = false;
    bool emf = true;

    static ClipboardSettings From(const CApplicationProperties& settings);
};

// The private format of a list of objects.
std::vector<std::uint8_t> StoreObjectList(std::span<CDrawObj* const> objects);

// Loads a private-format stream: every object belongs to the document and is
// placed on the page (0xFFFFFFFF: every page). Bytes after the list are
// ignored (the block may be longer than its content). A stream that does not
// load whole raises the archive's exceptions (or a UserException for a bad
// picture) and nothing is returned.
std::vector<std::unique_ptr<CDrawObj>> LoadObjectList(std::span<const std::uint8_t> bytes, CKavitroDoc* document,
                                                      std::uint32_t page);

}  // namespace kavitro
