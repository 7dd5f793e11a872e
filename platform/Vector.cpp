#include "platform/Vector.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "platform/AtomicFile.h"
#include "platform/DcPath.h"
#include "platform/DegreeTable.h"

namespace kavitro {

namespace {

// The header comments Illustrator 3 readers look at, then a prolog of our
// own: the file names the Illustrator 3 procset dictionaries in its setup and
// trailer and paints with Illustrator's one-letter operators, and no reader
// can be relied on to supply them, so the prolog defines every one of them
// (written from the PostScript language reference, for what the body uses).
// Inside a compound path ("*u" .. "*U") the figures only gather into one
// path, painted at its end with the nonzero rule the glyph outlines are
// drawn with on screen.
constexpr const char* kPrologLines[] = {
    "%%DocumentProcessColors: Cyan Magenta Yellow Black",
    "%%DocumentSuppliedResources: procset Kavitro_AI3 1.0 0",
    "%AI3_ColorUsage: Color",
    "%AI3_DocumentPreview: None",
    "%%EndComments",
    "%%BeginProlog",
    "%%BeginResource: procset Kavitro_AI3 1.0 0",
    "/Kavitro_AI3 24 dict def",
    "Kavitro_AI3 begin",
    "/_compound false def",
    "/_painted false def",
    "/_fill [0 0 0 1] def",
    "/_fillcolor {_fill aload pop setcmykcolor} bind def",
    "/O {0 ne /setoverprint where {pop setoverprint} {pop} ifelse} bind def",
    "/k {4 array astore Kavitro_AI3 exch /_fill exch put} bind def",
    "/J {setlinecap} bind def",
    "/j {setlinejoin} bind def",
    "/w {setlinewidth} bind def",
    "/m {moveto} bind def",
    "/l {lineto} bind def",
    "/c {curveto} bind def",
    "/f {closepath _compound {Kavitro_AI3 /_painted true put} {_fillcolor fill} ifelse} bind def",
    "/n {closepath _compound not {newpath} if} bind def",
    "/*u {newpath Kavitro_AI3 /_compound true put Kavitro_AI3 /_painted false put} bind def",
    "/*U {Kavitro_AI3 /_compound false put _painted {_fillcolor fill} {newpath} ifelse} bind def",
    "/annotatepage {} bind def",
    "end",
    "/Adobe_packedarray 2 dict dup begin /initialize {} def /terminate {} def end def",
    "/Adobe_cmykcolor 2 dict dup begin /initialize {} def /terminate {} def end def",
    "/Adobe_cshow 2 dict dup begin /initialize {} def /terminate {} def end def",
    "/Adobe_customcolor 2 dict dup begin /initialize {} def /terminate {} def end def",
    "/Adobe_typography_AI3 2 dict dup begin /initialize {} def /terminate {} def end def",
    "/Adobe_pattern_AI3 2 dict dup begin /initialize {} def /terminate {} def end def",
    "/Adobe_IllustratorA_AI3 2 dict dup begin",
    "/initialize {Kavitro_AI3 begin} bind def",
    "/terminate {end} bind def",
    "end def",
    "%%EndResource",
    "%%EndProlog",
    "%%BeginSetup",
    "Adobe_packedarray /initialize get exec",
    "Adobe_cmykcolor /initialize get exec",
    "Adobe_cshow /initialize get exec",
    "Adobe_customcolor /initialize get exec",
    "Adobe_typography_AI3 /initialize get exec",
    "Adobe_pattern_AI3 /initialize get exec",
    "Adobe_IllustratorA_AI3 /initialize get exec",
    "%%EndSetup",
    "0 O",
    "0 0 0 1 k",
    "0 J",
    "0 j",
    "0.2160 w",
};

constexpr const char* kTrailerLines[] = {
    "%%PageTrailer",
    "gsave annotatepage grestore showpage",
    "%%Trailer",
    "Adobe_IllustratorA_AI3 /terminate get exec",
    "Adobe_pattern_AI3 /terminate get exec",
    "Adobe_typography_AI3 /terminate get exec",
    "Adobe_customcolor /terminate get exec",
    "Adobe_cshow /terminate get exec",
    "Adobe_cmykcolor /terminate get exec",
    "Adobe_packedarray /terminate get exec",
    "%%EOF",
};

}  // namespace

CVector::CVector(const double* trigTable) : m_trigTable(trigTable ? trigTable : GetTrigTable()) {}

CVector::~CVector() = default;

void CVector::SetTransform(double scale, std::int32_t angle, Point centre) {
    m_scale = scale;
    m_angle = angle;
    m_centre = centre;
}

void CVector::WriteLine(std::string& part, std::string_view text) {
    part.append(text);
    part.append("\r\n");
}

std::string CVector::Number(double value) const {
    // to_chars ignores the locale: a decimal comma would break the file. A
    // value that is not finite (a zero or broken scale) is written as 0.
    if (!std::isfinite(value)) value = 0.0;
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 8);
    if (result.ec != std::errc{}) return "0.00000000";
    return std::string(buffer, result.ptr);
}

void CVector::Rotate(double& x, double& y) const { RotatePointF(m_trigTable, x, y, m_angle, m_centre); }

void CVector::AddPath(double x, double y, std::span<const std::uint8_t> types, std::span<const Point> points,
                      bool measure) {
    const std::size_t n = std::min(types.size(), points.size());
    if (m_pointBuffer.size() < 2 * n) m_pointBuffer.assign(2 * n, 0.0);
    const double divisor = 2160.0 / m_scale;
    for (std::size_t i = 0; i < n; ++i) {
        double px = points[i].x / divisor + x;
        double py = points[i].y / divisor + y;
        if (m_angle != 0) Rotate(px, py);
        m_pointBuffer[2 * i] = px;
        m_pointBuffer[2 * i + 1] = py;
        if (px <= m_minX) m_minX = px;
        if (px >= m_maxX) m_maxX = px;
        if (py <= m_minY) m_minY = py;
        if (py >= m_maxY) m_maxY = py;
    }
    if (measure) return;

    auto px = [&](std::size_t i) { return Number(m_pointBuffer[2 * i] - m_minX); };
    auto py = [&](std::size_t i) { return Number(m_pointBuffer[2 * i + 1] - m_minY); };
    if (n >= 2) WriteLine(m_body, "*u");
    bool inner = false;
    // Box of the points before the current one, for the counter test.
    double boxMinX = 1000000.0, boxMaxX = -1000000.0, boxMinY = 1000000.0, boxMaxY = -1000000.0;
    std::size_t boxed = 0;
    auto boxUpTo = [&](std::size_t end) {
        for (; boxed < end; ++boxed) {
            const double bx = m_pointBuffer[2 * boxed], by = m_pointBuffer[2 * boxed + 1];
            boxMinX = std::min(boxMinX, bx);
            boxMaxX = std::max(boxMaxX, bx);
            boxMinY = std::min(boxMinY, by);
            boxMaxY = std::max(boxMaxY, by);
        }
    };
    for (std::size_t i = 0; i < n;) {
        const std::uint8_t type = static_cast<std::uint8_t>(types[i] & ~PT_CLOSEFIGURE);
        if (type == PT_LINETO) {
            WriteLine(m_body, px(i) + " " + py(i) + " l");
            ++i;
        } else if (type == PT_BEZIERTO) {
            if (i + 2 >= n) break;  // cut short: the figure ends here
            WriteLine(m_body, px(i) + " " + py(i) + " " + px(i + 1) + " " + py(i + 1) + " " + px(i + 2) + " " +
                                  py(i + 2) + " c");
            i += 3;
        } else if (type == PT_MOVETO && (types[i] & PT_CLOSEFIGURE) == 0) {
            if (i != 0) WriteLine(m_body, inner ? "n" : "f");
            boxUpTo(i);
            const double mx = m_pointBuffer[2 * i], my = m_pointBuffer[2 * i + 1];
            inner = boxMinX < mx && mx < boxMaxX && boxMinY < my && my < boxMaxY;
            WriteLine(m_body, px(i) + " " + py(i) + " m");
            ++i;
        } else {
            ++i;  // a type the path format does not have writes nothing
        }
    }
    if (n >= 2) {
        WriteLine(m_body, inner ? "n" : "f");
        WriteLine(m_body, "*U");
    }
}

void CVector::BuildHeaderAndTrailer() {
    m_prolog.clear();
    m_trailer.clear();
    // "EPSF-3.0" tells readers the file is one picture with a bounding box,
    // to be placed in other documents, not a page to print.
    WriteLine(m_prolog, "%!PS-Adobe-3.0 EPSF-3.0");
    WriteLine(m_prolog, "%%Creator: Kavitro 2");
    WriteLine(m_prolog, "%%CreationDate:(Unknown)");
    auto truncated = [](double v) {
        if (!std::isfinite(v)) return std::string("0");
        return std::to_string(static_cast<long long>(std::clamp(v, -2147483648.0, 2147483647.0)));
    };
    WriteLine(m_prolog, "%%BoundingBox: -5 -5 " + truncated(m_maxX - m_minX + 5) + " " +
                            truncated(m_maxY - m_minY + 5));
    WriteLine(m_prolog, "%%HiResBoundingBox: " + Number((m_minX - 5) - m_minX) + " " + Number((m_minY - 5) - m_minY) +
                            " " + Number((m_maxX + 5) - m_minX) + " " + Number((m_maxY + 5) - m_minY));
    for (const char* line : kPrologLines) WriteLine(m_prolog, line);
    for (const char* line : kTrailerLines) WriteLine(m_trailer, line);
}

std::string CVector::GetContents() const { return m_prolog + m_body + m_trailer; }

bool CVector::SaveFile(const std::filesystem::path& path, FileProblem* problem) const {
    const std::string contents = GetContents();
    return WriteFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size()),
                               nullptr, problem);
}

std::string_view CVector::GetClipboardFormat() const {
    switch (m_clipboardMode) {
        case kAdobeAI3: return "ADOBE AI3";
        case kEncapsulatedPostScript: return "Encapsulated PostScript";
        default: return {};
    }
}

}  // namespace kavitro
