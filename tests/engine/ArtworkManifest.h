#pragma once

// Reads artwork-manifest.txt, the table of expected glyph metrics that the
// artwork generator writes beside the fonts it makes.

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kavitro::test {

struct ManifestGlyph {
    int font = 0;
    int index = 0;
    std::string kind;  // none, blank, letter, mark, digit, punctuation
    int advance = 0;
    int xMin = 0;
    int xMax = 0;
    int height = 0;
    int depth = 0;
    bool curves = false;
    int aboveY = -1;
    int aboveX = -1;
    int belowY = -1;
    int belowX = -1;
};

struct ManifestPoint {
    int x = 0;
    int y = 0;
    bool on = true;
};

struct ManifestFont {
    std::string family;
    int unitsPerEm = 0;
    int winAscent = 0;
    int winDescent = 0;
};

class ArtworkManifest {
public:
    using Contour = std::vector<ManifestPoint>;

    static const ArtworkManifest& Get() {
        static const ArtworkManifest manifest(std::filesystem::path(KAVITRO_SHARE_DIR) / "artwork-manifest.txt");
        return manifest;
    }

    explicit ArtworkManifest(const std::filesystem::path& file) {
        std::ifstream in(file);
        if (!in) {
            throw std::runtime_error("no artwork manifest at " + file.string());
        }
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream row(line);
            std::string tag;
            row >> tag;
            if (tag == "font") {
                int n = 0;
                ManifestFont f;
                row >> n >> f.family >> f.unitsPerEm >> f.winAscent >> f.winDescent;
                m_fonts[n] = f;
            } else if (tag == "glyph") {
                ManifestGlyph g;
                int curves = 0;
                row >> g.font >> g.index >> g.kind >> g.advance >> g.xMin >> g.xMax >> g.height >> g.depth >> curves >>
                    g.aboveY >> g.aboveX >> g.belowY >> g.belowX;
                g.curves = curves != 0;
                m_glyphs.push_back(g);
            } else if (tag == "outline") {
                int font = 0;
                int index = 0;
                int contour = 0;
                row >> font >> index >> contour;
                Contour points;
                std::string triple;
                while (row >> triple) {
                    ManifestPoint p;
                    int on = 0;
                    char comma = 0;
                    std::istringstream(triple) >> p.x >> comma >> p.y >> comma >> on;
                    p.on = on != 0;
                    points.push_back(p);
                }
                m_outlines[{font, index}].push_back(points);
            }
        }
        if (m_glyphs.size() != 5 * 256 || m_fonts.size() != 5) {
            throw std::runtime_error("incomplete artwork manifest");
        }
    }

    const std::vector<ManifestGlyph>& Glyphs() const { return m_glyphs; }
    const ManifestGlyph& Glyph(int font, int index) const { return m_glyphs.at(static_cast<std::size_t>((font - 1) * 256 + index)); }
    const ManifestFont& Font(int font) const { return m_fonts.at(font); }
    // The contours of a glyph drawn with quadratic curves (empty for others).
    const std::vector<Contour>& Outline(int font, int index) const {
        static const std::vector<Contour> none;
        const auto it = m_outlines.find({font, index});
        return it == m_outlines.end() ? none : it->second;
    }
    const std::map<std::pair<int, int>, std::vector<Contour>>& Outlines() const { return m_outlines; }

private:
    std::map<int, ManifestFont> m_fonts;
    std::vector<ManifestGlyph> m_glyphs;
    std::map<std::pair<int, int>, std::vector<Contour>> m_outlines;
};

}  // namespace kavitro::test
