#include "engine/CalligraphyFont.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <limits>
#include <system_error>

#include "engine/CalligraphyEngine.h"
#include "engine/VectorPathFile.h"
#include "platform/Exceptions.h"
#include "platform/Geometry.h"
#include "platform/Saturating.h"

namespace kavitro {

namespace {

constexpr std::size_t kGlyphTableSize = CCalligraphyFont::kFontCount * CCalligraphyFont::kGlyphsPerFont;
constexpr int kFirstCapturedGlyph = 32;

const CPathData& EmptyPath() {
    static const CPathData empty = [] {
        CPathData p;
        p.MakeEmpty();
        return p;
    }();
    return empty;
}

}  // namespace

CCalligraphyFont& CCalligraphyFont::GetInstance() {
    static CCalligraphyFont instance;
    return instance;
}

std::int32_t CCalligraphyFont::GlyphEscapement(std::int32_t angle) {
    const std::int32_t turned = static_cast<std::int32_t>((360 - std::int64_t{angle} % 360) % 360);
    return turned * 10;
}

CCalligraphyFont::CCalligraphyFont(ErrorReport* report) : m_errorReport(report) {}

CCalligraphyFont::~CCalligraphyFont() = default;

bool CCalligraphyFont::IsTableGlyph(GlyphId id) {
    const GlyphId font = id >> 16;
    return font >= 1 && font <= kFontCount && (id & 0xFFFF) < static_cast<GlyphId>(kGlyphsPerFont);
}

std::size_t CCalligraphyFont::TableIndex(GlyphId id) {
    return static_cast<std::size_t>((id >> 16) - 1) * kGlyphsPerFont + (id & 0xFFFF);
}

void CCalligraphyFont::Report(const char16_t* message) {
    if (m_errorReport != nullptr) {
        m_errorReport->ReportError(message, MessageButtons::Ok, MessageIcon::Error);
        return;
    }
    std::string text;
    for (const char16_t* c = message; *c != 0; ++c) {
        text.push_back(static_cast<char>(*c < 0x80 ? *c : '?'));
    }
    std::cerr << "Kavitro - Error: " << text << '\n';
}

void CCalligraphyFont::Init(const std::filesystem::path& folder, int mode) {
    m_mode = mode;
    CCalligraphyEngine::GetInstance().SetMode(mode);
    m_fontCount = kFontCount;
    if (IsInitialized()) {
        throw UserException("the glyph fonts are initialised already");
    }
    // Measures kept from the empty tables are stale however Init ends.
    struct MetricsChanged {
        ~MetricsChanged() { NoteGlyphMetricsChanged(); }
    } metricsChanged;
    m_descriptions.resize(kFontCount);
    m_referenceWidths.assign(kGlyphTableSize, GlyphAbc{});
    m_currentWidths.assign(kGlyphTableSize, GlyphAbc{});
    m_fontPaths.assign(kGlyphTableSize, CPathData{});
    m_vectorPaths.assign(kGlyphTableSize, CPathData{});

    LoadAnchors(folder);
    for (int f = 1; f <= kFontCount; ++f) {
        m_descriptions[static_cast<std::size_t>(f - 1)].faceName = "Vorl2" + std::to_string(f);
    }
    LoadFaces(folder / kFontsFolderName);
    CreateMetrics();
    LoadVectorPaths(folder);
}

void CCalligraphyFont::LoadAnchors(const std::filesystem::path& folder) {
    m_anchorY.assign(2 * kGlyphTableSize, -1);
    m_anchorX.assign(2 * kGlyphTableSize, -1);

    const std::filesystem::path file = folder / kAnchorFileName;
    std::error_code ec;
    std::vector<unsigned char> bytes(kAnchorTableBytes);
    // Type and size first: opening a FIFO or a device for reading would wait
    // for a writer that never comes and hang start-up.
    bool ok = std::filesystem::is_regular_file(file, ec) && !ec &&
              std::filesystem::file_size(file, ec) == kAnchorTableBytes && !ec;
    if (ok) {
        std::ifstream in(file, std::ios::binary);
        ok = in && in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    if (!ok) {
        Report(kFontInitializationError);
        return;
    }
    const auto valueAt = [&](std::size_t i) {
        const unsigned char* b = &bytes[4 * i];
        return static_cast<std::int32_t>(std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 |
                                         std::uint32_t{b[3]} << 24);
    };
    for (std::size_t i = 0; i < 2 * kGlyphTableSize; ++i) {
        m_anchorY[i] = valueAt(i);
        m_anchorX[i] = valueAt(2 * kGlyphTableSize + i);
    }
}

void CCalligraphyFont::LoadFaces(const std::filesystem::path& fontsFolder) {
    bool missing = false;
    try {
        m_library = std::make_unique<CFreeTypeLibrary>();
        for (int f = 1; f <= kFontCount; ++f) {
            const std::size_t i = static_cast<std::size_t>(f - 1);
            try {
                m_faces[i] = CGlyphFace::Open(m_library->Get(), fontsFolder, m_descriptions[i].faceName);
            } catch (const UserException&) {
                missing = true;
            }
        }
    } catch (const std::exception&) {
        missing = true;
    }
    if (missing) {
        // Another font in its place would draw wrong glyphs: the missing one
        // stays missing, and the user hears of it once.
        Report(kFontInitializationError);
    }
}

void CCalligraphyFont::CreateMetrics() {
    m_logPixelsY = kLogPixelsY;
    SelectSize(&m_metricsSurface, kReferenceSize, 0, 100);

    std::int32_t largestAscent = 0;
    std::int32_t largestDescent = 0;
    for (int f = 1; f <= kFontCount; ++f) {
        const GlyphFontInstance& font = m_fonts[static_cast<std::size_t>(f - 1)];
        const CGlyphFace* face = GetFace(f);
        if (!font.created || face == nullptr) {
            continue;
        }
        const std::size_t first = static_cast<std::size_t>(f - 1) * kGlyphsPerFont;
        std::copy_n(m_currentWidths.begin() + static_cast<std::ptrdiff_t>(first), kGlyphsPerFont,
                    m_referenceWidths.begin() + static_cast<std::ptrdiff_t>(first));
        if (face->HasJoinPoints()) {
            m_joinPoints.resize(kGlyphTableSize);
            for (int g = 0; g < kGlyphsPerFont; ++g) {
                m_joinPoints[first + static_cast<std::size_t>(g)] = face->GetJoinPoints(g, font.pixelsPerEm);
            }
            m_hasJoinPoints = true;
        }
        largestAscent = std::max(largestAscent, face->ScaleToPixels(face->GetWinAscent(), font.pixelsPerEm));
        largestDescent = std::max(largestDescent, face->ScaleToPixels(face->GetWinDescent(), font.pixelsPerEm));
    }
    m_ascent = MulDiv(largestAscent, 70, 100);
    m_descent = MulDiv(largestDescent, 80, 100);
    m_lineHeight = m_ascent + m_descent;

    CaptureGlyphPaths();

    for (int entry = 0; entry < kFontEntries; ++entry) {
        DeleteFont(entry);
    }
    m_cachedDc = nullptr;
    m_cachedSize = m_cachedAngle = m_cachedPercent = -1;
}

void CCalligraphyFont::CaptureGlyphPaths() {
    int f = 1;
    int g = kFirstCapturedGlyph;
    try {
        for (f = 1; f <= kFontCount; ++f) {
            g = kFirstCapturedGlyph;  // where the catch below resumes emptying
            const GlyphFontInstance& font = m_fonts[static_cast<std::size_t>(f - 1)];
            const CGlyphFace* face = GetFace(f);
            if (!font.created || face == nullptr) {
                throw UserException("no glyph font to capture");
            }
            for (g = kFirstCapturedGlyph; g < kGlyphsPerFont; ++g) {
                m_fontPaths[TableIndex(MakeGlyph(static_cast<unsigned>(f), static_cast<unsigned>(g)))].Capture(
                    face->GetGlyphPath(g, font.pixelsPerEm));
            }
        }
    } catch (const std::exception&) {
        // What was not captured measures as nothing rather than as the
        // never-filled extremes, which would overflow every measure.
        for (; f <= kFontCount; ++f, g = kFirstCapturedGlyph) {
            for (; g < kGlyphsPerFont; ++g) {
                m_fontPaths[TableIndex(MakeGlyph(static_cast<unsigned>(f), static_cast<unsigned>(g)))].MakeEmpty();
            }
        }
        Report(kPathInitializationError);
    }
}

void CCalligraphyFont::LoadVectorPaths(const std::filesystem::path& folder) {
    try {
        CVectorPathFile::Load(folder / CVectorPathFile::kFileName, m_vectorPaths);
    } catch (const std::exception&) {
        for (CPathData& record : m_vectorPaths) {
            if (record.IsUnfilled()) {
                record.MakeEmpty();
            }
        }
        Report(kFontInitializationError);
    }
}

void CCalligraphyFont::SelectSize(const void* dc, std::int32_t size, std::int32_t angle, std::int32_t percent) {
    if (!IsInitialized()) {
        return;
    }
    const bool surfaceChanged = dc != m_cachedDc || size != m_cachedSize || angle != m_cachedAngle;
    if (surfaceChanged) {
        for (int entry = 0; entry < kFontEntries; ++entry) {
            DeleteFont(entry);
        }
        for (int f = 1; f <= kFontCount; ++f) {
            FontDescription& description = m_descriptions[static_cast<std::size_t>(f - 1)];
            description.height = Clamp32(-std::int64_t{MulDiv(size, m_logPixelsY, 72)});
            description.escapement = description.orientation = GlyphEscapement(angle);
            MakeFont(f - 1, f, description);
        }
    }
    if (surfaceChanged || percent != m_cachedPercent) {
        DeleteFont(kFontEntries - 1);
        if (percent != 100) {
            FontDescription& markFont = m_descriptions[kCopiedFont];
            const std::int32_t pixels = MulDiv(size, Clamp32(std::int64_t{percent} * m_logPixelsY), 7200);
            markFont.height = Clamp32(-std::int64_t{pixels});
            MakeFont(kFontEntries - 1, kCopiedFont + 1, markFont);
        }
    }
    m_cachedSize = size;
    m_cachedAngle = angle;
    m_cachedPercent = percent;
    m_cachedDc = dc;
}

void CCalligraphyFont::MakeFont(int entry, int fontNumber, const FontDescription& description) {
    GlyphFontInstance& font = m_fonts[static_cast<std::size_t>(entry)];
    font = GlyphFontInstance{};
    font.fontNumber = fontNumber;
    font.description = description;
    const CGlyphFace* face = GetFace(fontNumber);
    if (face == nullptr) {
        return;  // a font that cannot be made stays empty; its widths keep their values
    }
    // A negative height is the em; a positive one the whole cell.
    const std::int64_t height = description.height;
    const std::int64_t cell = std::int64_t{face->GetWinAscent()} + face->GetWinDescent();
    const std::int64_t pixelsPerEm = height < 0 ? -height : cell > 0 ? height * face->GetUnitsPerEm() / cell : 0;
    if (pixelsPerEm <= 0 || pixelsPerEm > std::numeric_limits<std::int32_t>::max()) {
        return;
    }
    font.pixelsPerEm = static_cast<std::int32_t>(pixelsPerEm);
    font.created = true;
    font.serial = ++m_lastSerial;
    if (entry < kFontCount) {
        const std::size_t first = static_cast<std::size_t>(fontNumber - 1) * kGlyphsPerFont;
        for (int g = 0; g < kGlyphsPerFont; ++g) {
            m_currentWidths[first + static_cast<std::size_t>(g)] = face->GetABCWidths(g, font.pixelsPerEm);
        }
    }
}

void CCalligraphyFont::DeleteFont(int entry) {
    GlyphFontInstance& font = m_fonts[static_cast<std::size_t>(entry)];
    font.created = false;
    font.pixelsPerEm = 0;
}

Point CCalligraphyFont::GetMarkAnchor(GlyphId glyph, std::uint8_t mark, bool below) const {
    return kavitro::GetMarkAnchor(*this, glyph, mark, below);
}

GlyphAbc CCalligraphyFont::GetReferenceAbc(GlyphId id) const {
    return IsTableGlyph(id) && !m_referenceWidths.empty() ? m_referenceWidths[TableIndex(id)] : GlyphAbc{};
}

GlyphAbc CCalligraphyFont::GetCurrentAbc(GlyphId id) const {
    return IsTableGlyph(id) && !m_currentWidths.empty() ? m_currentWidths[TableIndex(id)] : GlyphAbc{};
}

const CPathData& CCalligraphyFont::GetFontPath(GlyphId id) const {
    return IsTableGlyph(id) && !m_fontPaths.empty() ? m_fontPaths[TableIndex(id)] : EmptyPath();
}

const CPathData& CCalligraphyFont::GetVectorPath(GlyphId id) const {
    return IsTableGlyph(id) && !m_vectorPaths.empty() ? m_vectorPaths[TableIndex(id)] : EmptyPath();
}

std::int32_t CCalligraphyFont::GetOutlineHeight(GlyphId id) const {
    return GetFontPath(id).GetHeight();
}

std::int32_t CCalligraphyFont::GetOutlineDepth(GlyphId id) const {
    return GetFontPath(id).GetDepth();
}

std::int32_t CCalligraphyFont::GetAnchorY(GlyphId id, bool below) const {
    if (!IsTableGlyph(id) || m_anchorY.empty()) {
        return -1;
    }
    return m_anchorY[(below ? kGlyphTableSize : 0) + TableIndex(id)];
}

std::int32_t CCalligraphyFont::GetAnchorX(GlyphId id, bool below) const {
    if (!IsTableGlyph(id) || m_anchorX.empty()) {
        return -1;
    }
    return m_anchorX[(below ? kGlyphTableSize : 0) + TableIndex(id)];
}

GlyphJoinPoints CCalligraphyFont::GetJoinPoints(GlyphId id) const {
    return IsTableGlyph(id) && !m_joinPoints.empty() ? m_joinPoints[TableIndex(id)] : GlyphJoinPoints{};
}

const GlyphFontInstance& CCalligraphyFont::GetFont(int entry) const {
    if (entry < 0 || entry >= kFontEntries) {
        throw InvalidArgumentException("no such glyph font entry");
    }
    return m_fonts[static_cast<std::size_t>(entry)];
}

const FontDescription& CCalligraphyFont::GetFontDescription(int fontNumber) const {
    if (fontNumber < 1 || fontNumber > kFontCount || !IsInitialized()) {
        throw InvalidArgumentException("no such glyph font");
    }
    return m_descriptions[static_cast<std::size_t>(fontNumber - 1)];
}

const CGlyphFace* CCalligraphyFont::GetFace(int fontNumber) const {
    if (fontNumber < 1 || fontNumber > kFontCount) {
        return nullptr;
    }
    return m_faces[static_cast<std::size_t>(fontNumber - 1)].get();
}

std::filesystem::path CCalligraphyFont::GetFontFile(int fontNumber) const {
    const CGlyphFace* face = GetFace(fontNumber);
    return face != nullptr ? face->GetFile() : std::filesystem::path{};
}

}  // namespace kavitro
