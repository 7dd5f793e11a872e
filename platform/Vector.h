#pragma once

// The EPS writer: glyph outlines become an Encapsulated PostScript file in
// the Illustrator 3 dialect, whose prolog defines everything the file uses,
// so that any PostScript reader renders it alone. The body is written while
// the bounding box grows; the header, which needs the final box, is built
// afterwards. Use:
//   measure pass: AddPath(..., true) for every path (the box becomes final);
//   write pass:   AddPath(..., false) for the same paths with the same
//                 transforms (coordinates relative to the final box);
//   BuildHeaderAndTrailer(); SaveFile() or GetContents().
// Lines end with CR LF; numbers are written with eight decimals in the C
// locale whatever the user's locale is.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Geometry.h"

namespace kavitro {

enum class FileProblem : std::uint8_t;

class CVector {
public:
    enum ClipboardMode : std::int32_t { kNoClipboard = 0, kAdobeAI3 = 1, kEncapsulatedPostScript = 2 };

    // `trigTable`: the process's degree table (720 doubles: cos then tan of
    // -d degrees); null uses GetTrigTable() of platform/DegreeTable.h.
    explicit CVector(const double* trigTable = nullptr);
    virtual ~CVector();
    CVector(const CVector&) = delete;
    CVector& operator=(const CVector&) = delete;

    // Scale (font size in glyph units per 2160), rotation in whole degrees
    // and its centre, for the following AddPath calls.
    virtual void SetTransform(double scale, std::int32_t angle, Point centre);

    // Transforms the path (GDI point types, glyph units), grows the bounding
    // box and, unless `measure`, writes the path to the body. Only the points
    // both arrays hold are used; a Bézier run cut short ends the figure.
    void AddPath(double x, double y, std::span<const std::uint8_t> types, std::span<const Point> points, bool measure);

    // Empties the prolog and trailer and fills them from the current box.
    void BuildHeaderAndTrailer();

    // Prolog, body and trailer, in that order, written atomically; false
    // when the file cannot be written. The writer keeps its content.
    bool SaveFile(const std::filesystem::path& path, FileProblem* problem = nullptr) const;

    // Prolog, body and trailer as one block, and the clipboard format the
    // mode names ("ADOBE AI3", "Encapsulated PostScript"; empty for mode 0,
    // with which nothing is offered).
    std::string GetContents() const;
    void SetClipboardMode(std::int32_t mode) { m_clipboardMode = mode; }
    std::int32_t GetClipboardMode() const { return m_clipboardMode; }
    std::string_view GetClipboardFormat() const;

    const std::string& GetProlog() const { return m_prolog; }
    const std::string& GetBody() const { return m_body; }
    const std::string& GetTrailer() const { return m_trailer; }
    double GetMinX() const { return m_minX; }
    double GetMaxX() const { return m_maxX; }
    double GetMinY() const { return m_minY; }
    double GetMaxY() const { return m_maxY; }

    // Appends the text and CR LF.
    static void WriteLine(std::string& part, std::string_view text);

private:
    std::string Number(double value) const;
    void Rotate(double& x, double& y) const;

    std::int32_t m_clipboardMode = kNoClipboard;
    std::vector<double> m_pointBuffer;  // x, y pairs, reused between calls
    double m_minX = 10000000.0;
    double m_maxX = -10000000.0;
    double m_minY = 10000000.0;
    double m_maxY = -10000000.0;
    std::string m_body;
    std::string m_prolog;
    std::string m_trailer;
    double m_scale = -1.0;
    std::int32_t m_angle = 0;
    Point m_centre{-1, -1};
    const double* m_trigTable;
};

}  // namespace kavitro
