#include "view/ClipboardFormat.h"

#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "document/SimpleObjects.h"
#include "platform/Archive.h"

namespace kavitro {

namespace {

// The classes a clipboard list may hold; a guide line or any other class
// name in the stream is refused as an unknown class.
const ClassRegistry& ClipboardClasses() {
    static const ClassRegistry registry = [] {
        ClassRegistry r;
        r.Register(CDrawLine::GetThisClass());
        r.Register(CDrawRect::GetThisClass());
        r.Register(CDrawPicture::GetThisClass());
        r.Register(CDrawText::GetThisClass());
        r.Register(CDrawObj::GetThisClass());
        return r;
    }();
    return registry;
}

}  // namespace

ClipboardSettings ClipboardSettings::From(const CApplicationProperties& s) {
    using P = CApplicationProperties;
    ClipboardSettings c;
    c.kavitro = s[P::ClipboardKavitro] != 0;
    c.text = s[P::ClipboardUTF8Text] != 0;
    c.eps = s[P::ClipboardEPS] != 0;
    c.bmp = s[P::ClipboardBMP] != 0;
    c.bmpSize = s[P::ClipboardBMPSize];
    c.wmf = s[P::ClipboardWMF] != 0;
    c.emf = s[P::ClipboardEMF] != 0;
    return c;
}

std::vector<std::uint8_t> StoreObjectList(std::span<CDrawObj* const> objects) {
    CArchive ar = CArchive::ForStoring();
    ar.WriteCount(objects.size());
    for (const CDrawObj* o : objects) ar.WriteObject(o);
    return ar.TakeStoredBytes();
}

std::vector<std::unique_ptr<CDrawObj>> LoadObjectList(std::span<const std::uint8_t> bytes, CKavitroDoc* document,
                                                      std::uint32_t page) {
    CArchive ar = CArchive::ForLoading(bytes);
    ar.SetClassRegistry(ClipboardClasses());
    ar.SetDocument(document);
    ar.SetFileName("clipboard");
    // Every object takes at least its class tag and the base record.
    const std::size_t count = ar.ReadCount(2 + CDrawObj::kStoredSize);
    std::vector<std::unique_ptr<CDrawObj>> objects;
    objects.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::unique_ptr<CDrawObj> o = ar.ReadObjectAs<CDrawObj>();
        if (!o) throw ArchiveException(ArchiveException::Cause::BadIndex, "null object in the clipboard list", "clipboard");
        o->m_nPage = page;
        objects.push_back(std::move(o));
    }
    return objects;
}

}  // namespace kavitro
