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

constexpr const char* kPrologLines[] = {
    "%%DocumentProcessColors: Cyan Magenta Yellow Black",
    "%%DocumentNeededResources: procset Adobe_packedarray 2.0 0",
    "%%+ procset Adobe_cmykcolor 1.1 0",
    "%%+ procset Adobe_cshow 1.1 0",
    "%%+ procset Adobe_customcolor 1.0 0",
    "%%+ procset Adobe_typography_AI3 1.0 1",
    "%%+ procset Adobe_pattern_AI3 1.0 1",
    "%%+ procset Adobe_IllustratorA_AI3 1.0 1",
    "%AI3_ColorUsage: Color",
    "%AI3_DocumentPreview: None",
    "%%EndComments",
    "%%BeginProlog",
    "%%IncludeResource: procset Adobe_Packedarray 2.0 0",
    "%%IncludeResource: procset Adobe_cmykcolor 1.1 0",
    "%%IncludeResource: procset Adobe_cshow 1.1 0",
    "%%IncludeResource: procset Adobe_customcolor 1.0 0",
    "%%IncludeResource: procset Adobe_typography_AI3 1.0 1",
    "%%IncludeResource: procset Adobe_pattern_AI3 1.0 1",
    "%%IncludeResource: procset Adobe_IllustratorA_AI3 1.0 0",
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
    WriteLine(m_prolog, "%!PS-Adobe-3.0");
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

bool CVector::SaveFile(const std::filesystem::path& path) const {
    const std::string contents = GetContents();
    return WriteFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size()));
}

std::string_view CVector::GetClipboardFormat() const {
    switch (m_clipboardMode) {
        case kAdobeAI3: return "ADOBE AI3";
        case kEncapsulatedPostScript: return "Encapsulated PostScript";
        default: return {};
    }
}

}  // namespace kavitro
