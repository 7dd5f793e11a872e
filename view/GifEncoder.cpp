#include "view/GifEncoder.h"

#include <gif_lib.h>

#include <QImage>

#include <algorithm>
#include <array>
#include <climits>
#include <memory>
#include <unordered_map>

namespace kavitro {

namespace {

constexpr int kMaxGifSide = 65535;
constexpr std::size_t kMaxPaletteSize = 256;

struct IndexedPicture {
    std::vector<GifColorType> palette;
    std::vector<GifByteType> indices;  // one a pixel, rows top to bottom
};

// The picture's own colours, when there are few enough for one palette.
bool ExactPalette(const QImage& rgb, IndexedPicture& out) {
    std::unordered_map<QRgb, GifByteType> index;
    index.reserve(kMaxPaletteSize * 2);
    const int w = rgb.width(), h = rgb.height();
    out.indices.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    GifByteType* dst = out.indices.data();
    QRgb last = 0;
    GifByteType lastIndex = 0;
    bool haveLast = false;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb c = line[x] & 0xFFFFFFu;
            if (!haveLast || c != last) {
                auto it = index.find(c);
                if (it == index.end()) {
                    if (index.size() == kMaxPaletteSize) return false;
                    const auto i = static_cast<GifByteType>(index.size());
                    it = index.emplace(c, i).first;
                    out.palette.push_back(GifColorType{static_cast<GifByteType>(qRed(c)),
                                                       static_cast<GifByteType>(qGreen(c)),
                                                       static_cast<GifByteType>(qBlue(c))});
                }
                last = c;
                lastIndex = it->second;
                haveLast = true;
            }
            *dst++ = lastIndex;
        }
    }
    return true;
}

// The nearest palette colour of each pixel, looked up once per cell of
// 5 bits a channel (the lookup costs a palette walk).
class NearestColour {
public:
    explicit NearestColour(const std::vector<GifColorType>& palette) : m_palette(palette), m_cells(1u << 15, -1) {}
    GifByteType operator()(int r, int g, int b) {
        int& cell = m_cells[static_cast<std::size_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3))];
        if (cell < 0) {
            const int cr = (r & ~7) + 4, cg = (g & ~7) + 4, cb = (b & ~7) + 4;
            int best = 0, bestDistance = INT32_MAX;
            for (std::size_t k = 0; k < m_palette.size(); ++k) {
                const int dr = m_palette[k].Red - cr, dg = m_palette[k].Green - cg, db = m_palette[k].Blue - cb;
                const int d = dr * dr + dg * dg + db * db;
                if (d < bestDistance) {
                    bestDistance = d;
                    best = static_cast<int>(k);
                }
            }
            cell = best;
        }
        return static_cast<GifByteType>(cell);
    }

private:
    const std::vector<GifColorType>& m_palette;
    std::vector<int> m_cells;
};

// A palette of at most 256 colours made from the picture: giflib's median
// cut gives the first one; as giflib assigns pixels by box, not by distance,
// each pixel then takes its nearest colour and each colour moves to the mean
// of its pixels (two rounds), which about halves the worst error.
bool QuantizedPalette(const QImage& rgb, IndexedPicture& out) {
    const std::size_t n = static_cast<std::size_t>(rgb.width()) * static_cast<std::size_t>(rgb.height());
    std::vector<GifByteType> red(n), green(n), blue(n);
    std::size_t i = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x, ++i) {
            red[i] = static_cast<GifByteType>(qRed(line[x]));
            green[i] = static_cast<GifByteType>(qGreen(line[x]));
            blue[i] = static_cast<GifByteType>(qBlue(line[x]));
        }
    }
    int size = static_cast<int>(kMaxPaletteSize);
    out.palette.assign(kMaxPaletteSize, GifColorType{0, 0, 0});
    out.indices.assign(n, 0);
    if (GifQuantizeBuffer(static_cast<unsigned>(rgb.width()), static_cast<unsigned>(rgb.height()), &size, red.data(),
                          green.data(), blue.data(), out.indices.data(), out.palette.data()) == GIF_ERROR)
        return false;
    out.palette.resize(static_cast<std::size_t>(std::clamp(size, 1, static_cast<int>(kMaxPaletteSize))));
    for (int round = 0; round <= 2; ++round) {
        NearestColour nearest(out.palette);
        std::vector<std::array<std::uint64_t, 4>> sums(out.palette.size(), {0, 0, 0, 0});
        for (std::size_t p = 0; p < n; ++p) {
            const GifByteType k = nearest(red[p], green[p], blue[p]);
            out.indices[p] = k;
            sums[k][0] += red[p];
            sums[k][1] += green[p];
            sums[k][2] += blue[p];
            ++sums[k][3];
        }
        if (round == 2) break;
        for (std::size_t k = 0; k < sums.size(); ++k) {
            if (sums[k][3] == 0) continue;
            out.palette[k] = GifColorType{static_cast<GifByteType>(sums[k][0] / sums[k][3]),
                                          static_cast<GifByteType>(sums[k][1] / sums[k][3]),
                                          static_cast<GifByteType>(sums[k][2] / sums[k][3])};
        }
    }
    return true;
}

int AppendToVector(GifFileType* gif, const GifByteType* bytes, int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + length);
    return length;
}

struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

bool Fail(std::string* error, std::string why) {
    if (error) *error = std::move(why);
    return false;
}

bool Write(const IndexedPicture& picture, int w, int h, std::vector<std::uint8_t>& bytes, std::string* error) {
    // giflib wants a power of two colours, at least two.
    int count = 2;
    while (count < static_cast<int>(picture.palette.size())) count *= 2;
    std::vector<GifColorType> colours(picture.palette);
    colours.resize(static_cast<std::size_t>(count), GifColorType{0, 0, 0});
    std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(count, colours.data()));
    if (!map) return Fail(error, "out of memory for the GIF palette");

    int code = 0;
    GifFileType* gif = EGifOpen(&bytes, AppendToVector, &code);
    if (!gif) return Fail(error, std::string("GIF encoder: ") + GifErrorString(code));
    bool ok = EGifPutScreenDesc(gif, w, h, 8, 0, map.get()) != GIF_ERROR &&
              EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) != GIF_ERROR;
    for (int y = 0; ok && y < h; ++y) {
        auto* row = const_cast<GifPixelType*>(picture.indices.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w));
        ok = EGifPutLine(gif, row, w) != GIF_ERROR;
    }
    const int writeError = ok ? 0 : gif->Error;
    // Closing writes the trailer and frees the encoder, on failure too.
    if (EGifCloseFile(gif, &code) == GIF_ERROR && ok) return Fail(error, std::string("GIF encoder: ") + GifErrorString(code));
    if (!ok) return Fail(error, std::string("GIF encoder: ") + GifErrorString(writeError));
    return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> EncodeGif(const QImage& image, std::string* error) {
    if (image.isNull()) {
        Fail(error, "there is no picture to encode");
        return std::nullopt;
    }
    if (image.width() > kMaxGifSide || image.height() > kMaxGifSide) {
        Fail(error, "a GIF picture is at most 65535 pixels a side");
        return std::nullopt;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull()) {
        Fail(error, "out of memory for the GIF picture");
        return std::nullopt;
    }
    IndexedPicture picture;
    if (!ExactPalette(rgb, picture)) {
        picture = {};
        if (!QuantizedPalette(rgb, picture)) {
            Fail(error, "the GIF palette cannot be made");
            return std::nullopt;
        }
    }
    std::vector<std::uint8_t> bytes;
    if (!Write(picture, rgb.width(), rgb.height(), bytes, error)) return std::nullopt;
    return bytes;
}

}  // namespace kavitro
