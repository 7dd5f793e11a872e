#pragma once

// The drawing object that shows one picture on a page: clip-art and
// metafiles through a vector picture, images through a raster picture. It
// owns its picture, asks for the picture file when first placed, keeps the
// picture's proportions while a corner is dragged, and draws a crossed
// rectangle while it has nothing to show.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "document/Dib.h"
#include "document/DrawObj.h"
#include "document/MetafilePicture.h"
#include "document/ObjectsBuffer.h"
#include "document/StringIds.h"

namespace kavitro {

// What the open-picture dialog shows: the filter ("text|patterns|...|"), the
// accepted extensions, the title, the last folder and the default folder.
struct PictureFileRequest {
    std::u16string filter;
    std::u16string extensions;
    std::u16string title;
    std::filesystem::path lastFolder;
    std::filesystem::path defaultFolder;
};

// The open-picture dialog (the file dialog with preview in the shell); none
// when cancelled.
class PictureFilePrompt {
public:
    virtual ~PictureFilePrompt() = default;
    virtual std::optional<std::filesystem::path> AskPictureFile(const PictureFileRequest& request) = 0;
};
// The process-wide prompt; without one the document services' plain open
// dialog is asked with the filter.
void SetPictureFilePrompt(PictureFilePrompt* prompt);
PictureFilePrompt* GetPictureFilePrompt();

// Whether Ctrl is held (the shell answers from the keyboard state; false
// without a query).
void SetControlKeyQuery(bool (*query)());
bool IsControlKeyDown();

// The pictures a picture object held before a Dodavo change.
class CPictureState final : public PictureState {
public:
    std::unique_ptr<CMetafilePicture> m_pMetafile;
    std::unique_ptr<CDib> m_pDib;
    std::uint32_t m_nPictureType = 0;
};

class CDrawPicture : public CDrawObj, public PictureUndoTarget {
    KAVITRO_DECLARE_SERIAL(CDrawPicture)

public:
    enum PictureType : std::uint32_t { NoPicture = 0, RasterPicture = 1, VectorPicture = 2 };

    static const PictureFileRequest& GetFileRequestTemplate();
    // Shown when a chosen picture file cannot be read: the language pack's
    // "file could not be read" message, so that it follows the interface.
    static constexpr std::uint32_t kUnreadablePictureMessage = StringId::ImportUnreadable;

    // For loading: every field zero.
    CDrawPicture() = default;
    // A new empty picture object: no picture, pen and brush switched off.
    CDrawPicture(const CPolygonRect& zoomedPosition, std::uint32_t page, CKavitroDoc* document);
    ~CDrawPicture() override = default;

    void Serialize(CArchive& ar) override;
    void Draw(CDC& dc) override;
    void MoveHandleTo(int handle, Point point, DocumentViewObserver* view) override;
    void OnEditProperties(DocumentViewObserver* view) override;
    CDrawObj* Clone(CKavitroDoc* document) override;
    bool EnsureContent() override;

    void ExchangePictureState(std::unique_ptr<PictureState>& state) override;

    // Asks for a picture file and loads it into a new picture of its kind.
    // False when cancelled, for an unknown extension, or when the file does
    // not decode (the user is told; nothing is made).
    bool OpenPictureFile(std::unique_ptr<CMetafilePicture>& vector, std::unique_ptr<CDib>& raster);
    // Loads a picture file by its extension into a new picture; false for an
    // unknown extension; a UserException when it does not decode.
    static bool LoadPictureFile(const std::filesystem::path& path, std::unique_ptr<CMetafilePicture>& vector,
                                std::unique_ptr<CDib>& raster);
    // The Dodavo page's OK: the object takes the new pictures; the old ones
    // go to an undo action (a step of its own). Nothing happens without a
    // new picture.
    void ChangeDodavo(std::unique_ptr<CMetafilePicture> vector, std::unique_ptr<CDib> raster);

    // Width / height of the picture; 1.0 without one or with a zero side.
    double GetAspect() const;

    std::uint32_t m_nPictureType = NoPicture;
    std::uint32_t m_bLoaded = 0;
    std::unique_ptr<CMetafilePicture> m_pMetafile;
    std::unique_ptr<CDib> m_pDib;

private:
    // The type a store writes: the one whose picture is there.
    std::uint16_t StoredType() const;
    // The picture's width and height, 100 for a side that is missing.
    Size PictureSizeOr100() const;
};

}  // namespace kavitro
