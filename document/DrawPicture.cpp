#include "document/DrawPicture.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

#include "document/DocumentServices.h"
#include "document/FailureReasons.h"
#include "document/KavitroDoc.h"
#include "document/PictureBudget.h"
#include "platform/DC.h"
#include "platform/Exceptions.h"

namespace kavitro {

KAVITRO_IMPLEMENT_SERIAL(CDrawPicture, CDrawObj, 0)

namespace {

PictureFilePrompt* g_prompt = nullptr;
bool (*g_controlKeyQuery)() = nullptr;

std::u16string BuildFilter() {
    static constexpr const char16_t* kPairs[][2] = {
        {u"all Dodavo and Image Files (ekvt,kvt,emf,wmf,png,jpeg,jpg,gif,tiff,bmp)",
         u"*.ekvt;*.kvt;*.emf;*.wmf;*.png;*.jpeg;*.jpg;*.gif;*.tiff;*.bmp"},
        {u"Kavitro Enhanced Dodavo Files (*.ekvt)", u"*.ekvt"},
        {u"Kavitro Dodavo Files (*.kvt)", u"*.kvt"},
        {u"Enhanced Meta Files (*.emf)", u"*.emf"},
        {u"Windows Meta Files (*.wmf)", u"*.wmf"},
        {u"Portable Network Graphics (PNG) file (*.png)", u"*.png"},
        {u"Joint Photographic Experts Group (JPEG) file (*.jpeg)", u"*.jpeg;*.jpg"},
        {u"Graphics Interchange Format (GIF) file (*.gif)", u"*.gif"},
        {u"Tagged Image File Format (TIFF) file (*.tiff)", u"*.tiff"},
        {u"Windows Bitmap file (*.bmp)", u"*.bmp"},
        {u"all files (*.*)", u"*.*"},
    };
    std::u16string filter;
    for (const auto& pair : kPairs) {
        filter += pair[0];
        filter += u'|';
        filter += pair[1];
        filter += u'|';
    }
    filter += u'|';
    return filter;
}

std::string LowerExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

bool IsOneOf(const std::string& ext, std::initializer_list<const char*> list) {
    return std::any_of(list.begin(), list.end(), [&](const char* e) { return ext == e; });
}

bool IsCornerHandle(int handle) { return handle == 1 || handle == 3 || handle == 5 || handle == 7; }

}  // namespace

void SetPictureFilePrompt(PictureFilePrompt* prompt) { g_prompt = prompt; }
PictureFilePrompt* GetPictureFilePrompt() { return g_prompt; }
void SetControlKeyQuery(bool (*query)()) { g_controlKeyQuery = query; }
bool IsControlKeyDown() { return g_controlKeyQuery != nullptr && g_controlKeyQuery(); }

const PictureFileRequest& CDrawPicture::GetFileRequestTemplate() {
    static const PictureFileRequest request{BuildFilter(), u"ekvt;kvt;emf;wmf;png;jpeg;jpg;gif;tiff;bmp",
                                            u"Kavitro - Open Dodavo", {}, {}};
    return request;
}

CDrawPicture::CDrawPicture(const CPolygonRect& zoomedPosition, std::uint32_t page, CKavitroDoc* document)
    : CDrawObj(zoomedPosition, page, document) {
    m_bPen = 0;
    m_logpen.width = Point{0, 0};
    m_bBrush = 0;
    if (document) document->SetModifiedFlag();
}

std::uint16_t CDrawPicture::StoredType() const {
    if (m_nPictureType == RasterPicture && m_pDib && !m_pDib->IsEmpty()) return RasterPicture;
    if (m_nPictureType == VectorPicture && m_pMetafile) return VectorPicture;
    return NoPicture;
}

void CDrawPicture::Serialize(CArchive& ar) {
    CDrawObj::Serialize(ar);
    if (ar.IsStoring()) {
        const std::uint16_t type = StoredType();
        ar.WriteU16(type);
        if (type == RasterPicture) m_pDib->WriteUnpacked(ar);
        else if (type == VectorPicture) m_pMetafile->Store(ar);
        return;
    }
    const std::uint16_t type = ar.ReadU16();
    if (type > VectorPicture)
        throw DocumentDamageException(DocumentDamage::Picture, ArchiveException::Cause::Generic, "unknown picture type",
                                      ar.GetFileName());
    m_pDib.reset();
    m_pMetafile.reset();
    m_nPictureType = type;
    try {
        if (type == RasterPicture) {
            m_pDib = std::make_unique<CDib>();
            // Written unpacked; documents written packed, or with the unpacked
            // marker first, are read as well.
            m_pDib->LoadAnyForm(ar);
            m_bLoaded = 1;
        } else if (type == VectorPicture) {
            m_pMetafile = std::make_unique<CMetafilePicture>();
            m_pMetafile->Load(ar);
            m_bLoaded = 1;
        }
    } catch (const ArchiveException& e) {
        // Bytes that end early say more as a cut-off file.
        if (e.GetCause() == ArchiveException::Cause::EndOfFile) throw;
        throw DocumentDamageException(DocumentDamage::Picture, e.GetCause(), e.what(), e.GetFileName());
    }
}

void CDrawPicture::Draw(CDC& dc) {
    CDrawObj::Draw(dc);
    const BrushSelection oldBrush = dc.SelectBrush(StockBrush(StockObject::NULL_BRUSH));
    const PenSelection oldPen = dc.SelectPen(StockPen(StockObject::BLACK_PEN));
    const Rect zoomed = BuildZoomedPosition().m_rect;
    // The stored rectangle is mirrored: the picture runs from right to left.
    // Pages run y up, so the picture's top row belongs on the larger y; the
    // context draws a bitmap's first row at the target's top and would show
    // it upside down from the stored (lower) top.
    const Rect target{zoomed.right, std::max(zoomed.top, zoomed.bottom), zoomed.left,
                      std::min(zoomed.top, zoomed.bottom)};
    const bool placeholdersOnly = m_pDocument && m_pDocument->GetDrawingMode() == 2;
    bool drawn = false;
    if (!placeholdersOnly) {
        if (m_nPictureType == RasterPicture && m_pDib && !m_pDib->IsEmpty()) {
            m_pDib->Draw(dc, target);
            drawn = true;
        } else if (m_nPictureType == VectorPicture && m_pMetafile && m_pMetafile->HasMetafile()) {
            m_pMetafile->Draw(dc, target);
            drawn = true;
        }
    }
    if (!drawn) {
        dc.Rectangle(zoomed);
        dc.MoveTo(Point{zoomed.left, zoomed.top});
        dc.LineTo(Point{zoomed.right, zoomed.bottom});
        dc.MoveTo(Point{zoomed.right, zoomed.top});
        dc.LineTo(Point{zoomed.left, zoomed.bottom});
    }
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
}

double CDrawPicture::GetAspect() const {
    std::int32_t w = 0, h = 0;
    if (m_pMetafile) {
        w = m_pMetafile->GetWidth();
        h = m_pMetafile->GetHeight();
    } else if (m_pDib) {
        w = m_pDib->GetWidth();
        h = m_pDib->GetHeight();
    } else {
        return 1.0;
    }
    if (w == 0 || h == 0) return 1.0;
    return static_cast<double>(w) / h;
}

Size CDrawPicture::PictureSizeOr100() const {
    std::int32_t w = 0, h = 0;
    if (m_pMetafile) {
        w = m_pMetafile->GetWidth();
        h = m_pMetafile->GetHeight();
    } else if (m_pDib) {
        w = m_pDib->GetWidth();
        h = m_pDib->GetHeight();
    }
    return Size{w == 0 ? 100 : w, h == 0 ? 100 : h};
}

void CDrawPicture::MoveHandleTo(int handle, Point point, DocumentViewObserver* view) {
    if (IsControlKeyDown() || !IsCornerHandle(handle)) {
        CDrawObj::MoveHandleTo(handle, point, view);
        return;
    }
    const double aspect = GetAspect();
    const Rect zoomed = BuildZoomedPosition().m_rect;
    const std::int64_t width = (handle == 3 || handle == 5) ? std::int64_t{zoomed.left} - point.x
                                                            : std::int64_t{point.x} - zoomed.right;
    const std::int32_t zoom = GetZoom();
    const double height = std::trunc(static_cast<double>(width) / aspect);
    const std::int32_t heightClamped =
        std::isfinite(height) ? Clamp32(static_cast<std::int64_t>(std::clamp(height, -4e18, 4e18))) : 0;
    const Size size{MulDiv(Clamp32(width), 100, zoom), MulDiv(heightClamped, 100, zoom)};
    RestoreSizeAtHandle(size, view, handle);
}

void CDrawPicture::OnEditProperties(DocumentViewObserver* view) {
    if (!IsControlKeyDown()) {
        CDrawObj::OnEditProperties(view);
        return;
    }
    CPolygonRect position = BuildZoomedPosition();
    const Rect old = position.m_rect;
    Rect& r = position.m_rect;
    const Size picture = PictureSizeOr100();
    std::int32_t height = MulDiv(r.Width(), picture.cy, picture.cx);
    if (height < 0) height = -height;
    r.bottom = r.bottom >= r.top ? Clamp32(std::int64_t{r.top} + height)
                                 : Clamp32(std::int64_t{r.top} - height);
    if (r == old) return;
    if (m_pDocument) m_pDocument->UpdateAllViews(nullptr, kHintObject, this);
    SetPosition(position, true);
    if (m_pDocument) m_pDocument->UpdateAllViews(nullptr, kHintObject, this);
}

CDrawObj* CDrawPicture::Clone(CKavitroDoc* document) {
    auto* clone = new CDrawPicture(BuildZoomedPosition(), m_nPage, document ? document : m_pDocument);
    CopyStyleTo(*clone);
    clone->m_nPictureType = m_nPictureType;
    clone->m_bLoaded = m_bLoaded;
    if (m_pDib) {
        clone->m_pDib = std::make_unique<CDib>();
        clone->m_pDib->Copy(*m_pDib);
    }
    if (m_pMetafile) {
        clone->m_pMetafile = std::make_unique<CMetafilePicture>();
        clone->m_pMetafile->Copy(*m_pMetafile);
    }
    if (document) document->Add(clone, true);
    return clone;
}

bool CDrawPicture::EnsureContent() {
    if (!m_bLoaded) m_bLoaded = OpenPictureFile(m_pMetafile, m_pDib) ? 1 : 0;
    if (m_pMetafile && !m_pDib) m_nPictureType = VectorPicture;
    else if (m_pDib && !m_pMetafile) m_nPictureType = RasterPicture;
    return m_bLoaded != 0;
}

bool CDrawPicture::LoadPictureFile(const std::filesystem::path& path, std::unique_ptr<CMetafilePicture>& vector,
                                   std::unique_ptr<CDib>& raster) {
    const std::string ext = LowerExtension(path);
    if (IsOneOf(ext, {".emf", ".wmf", ".kvt", ".ekvt"})) {
        auto picture = std::make_unique<CMetafilePicture>();
        picture->LoadFile(path);
        vector = std::move(picture);
        return true;
    }
    if (IsOneOf(ext, {".bmp", ".png", ".jpeg", ".jpg", ".gif", ".tiff"})) {
        FileProblem problem = FileProblem::None;
        const auto bytes = ReadWholeFile(path, CDib::kMaxUnpackedLength, nullptr, &problem);
        if (!bytes) throw PictureFileException(problem);
        auto picture = std::make_unique<CDib>();
        if (!picture->LoadImageBytes(*bytes)) throw UserException("the picture file does not decode");
        raster = std::move(picture);
        return true;
    }
    return false;
}

bool CDrawPicture::OpenPictureFile(std::unique_ptr<CMetafilePicture>& vector, std::unique_ptr<CDib>& raster) {
    const DocumentServices* services = m_pDocument ? &m_pDocument->GetServices() : &DocumentServices::Current();
    PictureFileRequest request = GetFileRequestTemplate();
    const char* section = CApplicationProperties::kSettingsSection;
    const char* name = CApplicationProperties::kLastDodavoDirName;
    if (services->profile) request.lastFolder = std::filesystem::path(services->profile->GetProfileString(section, name, u""));
    request.defaultFolder = services->programFolder / "Cliparts";

    std::optional<std::filesystem::path> path;
    if (g_prompt) path = g_prompt->AskPictureFile(request);
    else if (services->fileDialogs) path = services->fileDialogs->AskOpenFile(0, request.filter);
    if (!path) return false;
    if (services->profile) services->profile->WriteProfileString(section, name, path->parent_path().u16string());

    // The new picture shares the per-document budget with the others.
    std::optional<PictureBudget> budget;
    if (m_pDocument) budget.emplace(RemainingPictureBytes(*m_pDocument));
    try {
        return LoadPictureFile(*path, vector, raster);
    } catch (const UserException& e) {
        if (services->errors)
            services->errors->ReportFileError(kUnreadablePictureMessage, path->u16string(), UnreadablePictureReason(e));
        return false;
    }
}

void CDrawPicture::ChangeDodavo(std::unique_ptr<CMetafilePicture> vector, std::unique_ptr<CDib> raster) {
    if (!vector && !raster) return;
    auto previous = std::make_unique<CPictureState>();
    previous->m_pMetafile = std::move(m_pMetafile);
    previous->m_pDib = std::move(m_pDib);
    previous->m_nPictureType = m_nPictureType;
    // Without a document (or with recording off) the old pictures are freed here.
    if (m_pDocument) m_pDocument->RecordDodavoChange(this, std::move(previous));
    m_pMetafile = std::move(vector);
    m_pDib = std::move(raster);
    if (!m_pMetafile) m_nPictureType = RasterPicture;
    else if (!m_pDib) m_nPictureType = VectorPicture;
}

void CDrawPicture::ExchangePictureState(std::unique_ptr<PictureState>& state) {
    auto* pictures = dynamic_cast<CPictureState*>(state.get());
    if (!pictures) return;
    std::swap(m_pMetafile, pictures->m_pMetafile);
    std::swap(m_pDib, pictures->m_pDib);
    std::swap(m_nPictureType, pictures->m_nPictureType);
}

}  // namespace kavitro
