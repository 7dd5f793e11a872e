#include "engine/GlyphFace.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <utility>

#include <fontconfig/fontconfig.h>
#include FT_BBOX_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include "engine/JoinPointTable.h"
#include "platform/Exceptions.h"
#include "platform/Geometry.h"

// GCC says it builds with AddressSanitizer through __SANITIZE_ADDRESS__,
// Clang through __has_feature; the leak checker comes with it.
#if defined(__SANITIZE_ADDRESS__)
#define KAVITRO_LEAK_CHECKER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define KAVITRO_LEAK_CHECKER 1
#endif
#endif

#if defined(KAVITRO_LEAK_CHECKER)
#include <sanitizer/lsan_interface.h>
#endif

namespace kavitro {

namespace {

bool SameFamily(const char* found, const std::string& wanted) {
    if (found == nullptr) {
        return false;
    }
    const std::string name(found);
    return std::equal(name.begin(), name.end(), wanted.begin(), wanted.end(), [](char a, char b) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(a) == lower(b);
    });
}

bool IsFontFile(const std::filesystem::path& p) {
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return ext == ".ttf" || ext == ".otf" || ext == ".ttc";
}

// Far beyond any glyph font, and beyond the large installed fonts that
// fontconfig may offer; a bound on what one bad file can make us read.
constexpr std::uintmax_t kLargestFontFile = std::uintmax_t{256} << 20;

// num / den rounded half away from zero; den > 0.
std::int32_t RoundDiv(std::int64_t num, std::int64_t den) {
    const std::int64_t magnitude = (std::llabs(num) * 2 + den) / (2 * den);
    return static_cast<std::int32_t>(num < 0 ? -magnitude : magnitude);
}

// Fontconfig loses a few blocks while it parses its configuration on first
// use; they are the library's, made once per process, and not ours to report.
class FontconfigLeakGuard {
public:
#if defined(KAVITRO_LEAK_CHECKER)
    FontconfigLeakGuard() { __lsan_disable(); }
    ~FontconfigLeakGuard() { __lsan_enable(); }
#endif
};

std::filesystem::path FindThroughFontconfig(const std::string& family) {
    [[maybe_unused]] const FontconfigLeakGuard guard;
    std::filesystem::path result;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) {
        return result;
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult fcResult = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &fcResult);
    if (match != nullptr) {
        // Fontconfig always answers with some font: take it only when one of
        // its family names is the one asked for.
        bool familyMatches = false;
        FcChar8* name = nullptr;
        for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
            familyMatches = familyMatches || SameFamily(reinterpret_cast<const char*>(name), family);
        }
        FcChar8* file = nullptr;
        if (familyMatches && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
            result = reinterpret_cast<const char*>(file);
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return result;
}

}  // namespace

CFreeTypeLibrary::CFreeTypeLibrary() {
    if (FT_Init_FreeType(&m_library) != 0) {
        m_library = nullptr;
        throw UserException("FreeType cannot start");
    }
}

CFreeTypeLibrary::~CFreeTypeLibrary() {
    if (m_library != nullptr) {
        FT_Done_FreeType(m_library);
    }
}

std::unique_ptr<CGlyphFace> CGlyphFace::Open(FT_Library library, const std::filesystem::path& fontsFolder,
                                             const std::string& family) {
    std::error_code ec;
    const std::filesystem::path named = fontsFolder / (family + ".ttf");
    if (std::filesystem::is_regular_file(named, ec)) {
        try {
            return OpenFile(library, named, family);
        } catch (const UserException&) {
            // Not the family its name says: look further.
        }
    }
    std::vector<std::filesystem::path> others;
    for (std::filesystem::directory_iterator it(fontsFolder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path() != named && IsFontFile(it->path()) && it->is_regular_file(ec)) {
            others.push_back(it->path());
        }
    }
    std::sort(others.begin(), others.end());
    for (const auto& file : others) {
        try {
            return OpenFile(library, file, family);
        } catch (const UserException&) {
        }
    }
    const std::filesystem::path installed = FindThroughFontconfig(family);
    if (!installed.empty()) {
        return OpenFile(library, installed, family);
    }
    throw UserException("the glyph font " + family + " is not installed");
}

std::unique_ptr<CGlyphFace> CGlyphFace::OpenFile(FT_Library library, const std::filesystem::path& file,
                                                 const std::string& family) {
    // Type and size before FreeType opens it: a FIFO or a device would block
    // the open, or be read without end.
    std::error_code ec;
    const bool regular = std::filesystem::is_regular_file(file, ec) && !ec;
    const std::uintmax_t size = regular ? std::filesystem::file_size(file, ec) : 0;
    if (!regular || ec || size == 0 || size > kLargestFontFile) {
        throw UserException("not a font file: " + file.string());
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.c_str(), 0, &face) != 0) {
        throw UserException("cannot read the font file " + file.string());
    }
    std::unique_ptr<CGlyphFace> result(new CGlyphFace(face, file));
    if (!SameFamily(face->family_name, family) || !FT_IS_SCALABLE(face)) {
        throw UserException(file.string() + " does not hold the glyph font " + family);
    }
    result->ReadDesign();
    return result;
}

CGlyphFace::CGlyphFace(FT_Face face, std::filesystem::path file) : m_face(face), m_file(std::move(file)) {}

CGlyphFace::~CGlyphFace() {
    FT_Done_Face(m_face);
}

void CGlyphFace::ReadDesign() {
    if (FT_Select_Charmap(m_face, FT_ENCODING_UNICODE) != 0 && FT_Select_Charmap(m_face, FT_ENCODING_MS_SYMBOL) != 0) {
        throw UserException("the glyph font has no usable character map");
    }
    m_unitsPerEm = m_face->units_per_EM;
    if (m_unitsPerEm <= 0) {
        throw UserException("the glyph font has no em size");
    }
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF) {
        m_winAscent = os2->usWinAscent;
        m_winDescent = os2->usWinDescent;
    } else {
        m_winAscent = m_face->ascender;
        m_winDescent = -m_face->descender;
    }

    for (int i = 0; i < kGlyphCount; ++i) {
        const FT_UInt glyphIndex = FT_Get_Char_Index(m_face, kFirstCode + static_cast<FT_ULong>(i));
        if (FT_Load_Glyph(m_face, glyphIndex, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) {
            throw UserException("cannot load a glyph of the glyph font");
        }
        const FT_GlyphSlot slot = m_face->glyph;
        GlyphDesign& design = m_glyphs[static_cast<std::size_t>(i)];
        design.advance = static_cast<std::int32_t>(slot->metrics.horiAdvance);
        if (slot->format != FT_GLYPH_FORMAT_OUTLINE || slot->outline.n_points <= 0) {
            continue;
        }
        const FT_Outline& outline = slot->outline;
        FT_BBox box{};
        FT_Outline_Get_BBox(const_cast<FT_Outline*>(&outline), &box);
        design.inked = true;
        design.xMin = static_cast<std::int32_t>(box.xMin);
        design.xMax = static_cast<std::int32_t>(box.xMax);
        design.points.assign(outline.points, outline.points + outline.n_points);
        design.tags.assign(outline.tags, outline.tags + outline.n_points);
        design.contourEnds.assign(outline.contours, outline.contours + outline.n_contours);
    }
    ReadJoinPoints();
}

// The table is outside bytes like the rest of the file: its length is
// checked before it is read, and a table that is not sound counts as none.
void CGlyphFace::ReadJoinPoints() {
    m_joinPoints.clear();
    FT_ULong length = 0;
    if (FT_Load_Sfnt_Table(m_face, kJoinPointTableTag, 0, nullptr, &length) != 0 || length == 0 ||
        length > kLargestJoinPointTable) {
        return;
    }
    std::vector<std::uint8_t> bytes(length);
    if (FT_Load_Sfnt_Table(m_face, kJoinPointTableTag, 0, bytes.data(), &length) != 0 || length != bytes.size()) {
        return;
    }
    m_joinPoints = ParseJoinPointTable(bytes);
}

const CGlyphFace::GlyphDesign& CGlyphFace::Glyph(int index) const {
    if (index < 0 || index >= kGlyphCount) {
        throw InvalidArgumentException("glyph index outside the font");
    }
    return m_glyphs[static_cast<std::size_t>(index)];
}

std::int32_t CGlyphFace::ScaleToPixels(std::int32_t fontUnits, std::int32_t pixelsPerEm) const {
    return MulDiv(fontUnits, pixelsPerEm, m_unitsPerEm);
}

GlyphAbc CGlyphFace::GetABCWidths(int index, std::int32_t pixelsPerEm) const {
    const GlyphDesign& design = Glyph(index);
    const std::int32_t advance = ScaleToPixels(design.advance, pixelsPerEm);
    GlyphAbc abc;
    if (design.inked) {
        abc.a = ScaleToPixels(design.xMin, pixelsPerEm);
        abc.b = static_cast<std::uint32_t>(std::max(0, ScaleToPixels(design.xMax, pixelsPerEm) - abc.a));
    }
    abc.c = advance - abc.a - static_cast<std::int32_t>(abc.b);
    return abc;
}

GlyphJoinPoints CGlyphFace::GetJoinPoints(int index, std::int32_t pixelsPerEm) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_joinPoints.size()) {
        return {};
    }
    GlyphJoinPoints points = m_joinPoints[static_cast<std::size_t>(index)];
    const auto scale = [&](Point p) { return Point{ScaleToPixels(p.x, pixelsPerEm), ScaleToPixels(p.y, pixelsPerEm)}; };
    points.entry = scale(points.entry);
    points.exit = scale(points.exit);
    return points;
}

PathBuffer CGlyphFace::GetGlyphPath(int index, std::int32_t pixelsPerEm) const {
    const GlyphDesign& design = Glyph(index);
    PathBuffer path;
    if (!design.inked) {
        return path;
    }

    // Points are kept in doubled font units, so that the point implied
    // between two quadratic controls stays an integer.
    enum class Kind { On, Conic, Cubic };
    struct Node {
        std::int64_t x;
        std::int64_t y;
        Kind kind;
    };
    const std::int64_t upem = m_unitsPerEm;
    const std::int32_t advance = ScaleToPixels(design.advance, pixelsPerEm);
    // A point given as (numerator / denominator) doubled font units.
    const auto toDevice = [&](std::int64_t x, std::int64_t y, std::int64_t denominator) {
        const std::int64_t den = denominator * upem;
        return Point{RoundDiv(x * pixelsPerEm, den) - advance, -RoundDiv(y * pixelsPerEm, den)};
    };
    const auto add = [&](Point p, std::uint8_t type) {
        path.points.push_back(p);
        path.types.push_back(type);
    };

    std::size_t first = 0;
    for (const short end : design.contourEnds) {
        const std::size_t last = static_cast<std::size_t>(end);
        std::vector<Node> given;
        for (std::size_t k = first; k <= last && k < design.points.size(); ++k) {
            const int tag = FT_CURVE_TAG(design.tags[k]);
            const Kind kind = tag == FT_CURVE_TAG_ON ? Kind::On : tag == FT_CURVE_TAG_CUBIC ? Kind::Cubic : Kind::Conic;
            given.push_back({2 * design.points[k].x, 2 * design.points[k].y, kind});
        }
        first = last + 1;

        std::vector<Node> nodes;
        for (std::size_t i = 0; i < given.size(); ++i) {
            const Node& a = given[i];
            const Node& b = given[(i + 1) % given.size()];
            nodes.push_back(a);
            if (a.kind == Kind::Conic && b.kind == Kind::Conic) {
                nodes.push_back({(a.x + b.x) / 2, (a.y + b.y) / 2, Kind::On});
            }
        }
        const auto start = std::find_if(nodes.begin(), nodes.end(), [](const Node& n) { return n.kind == Kind::On; });
        if (nodes.size() < 2 || start == nodes.end()) {
            continue;
        }
        std::rotate(nodes.begin(), start, nodes.end());

        const std::size_t count = nodes.size();
        const auto at = [&](std::size_t i) -> const Node& { return nodes[i % count]; };
        add(toDevice(nodes[0].x, nodes[0].y, 2), PathPoint::MoveTo);
        std::size_t i = 0;
        while (i < count) {
            const Node& from = at(i);
            const Node& next = at(i + 1);
            if (next.kind == Kind::On) {
                if (i + 1 < count) {
                    add(toDevice(next.x, next.y, 2), PathPoint::LineTo);
                }  // the straight line back to the start is the figure's close
                i += 1;
            } else if (next.kind == Kind::Conic) {
                const Node& to = at(i + 2);
                add(toDevice(from.x + 2 * next.x, from.y + 2 * next.y, 6), PathPoint::BezierTo);
                add(toDevice(to.x + 2 * next.x, to.y + 2 * next.y, 6), PathPoint::BezierTo);
                add(toDevice(to.x, to.y, 2), PathPoint::BezierTo);
                i += 2;
            } else {
                const Node& control2 = at(i + 2);
                const Node& to = at(i + 3);
                add(toDevice(next.x, next.y, 2), PathPoint::BezierTo);
                add(toDevice(control2.x, control2.y, 2), PathPoint::BezierTo);
                add(toDevice(to.x, to.y, 2), PathPoint::BezierTo);
                i += 3;
            }
        }
        if (path.types.back() == PathPoint::MoveTo) {
            // A figure of one point has nothing to close.
            path.types.pop_back();
            path.points.pop_back();
        } else {
            path.types.back() |= PathPoint::CloseFigure;
        }
    }
    return path;
}

}  // namespace kavitro
