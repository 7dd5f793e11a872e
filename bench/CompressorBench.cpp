// Packing and unpacking a picture as documents store it: a 600 x 800 24-bit
// bitmap file (file header, info header, pixels) at the picture level 1.

#include "engine/Compressor.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using kavitro::CCompressor;

constexpr int kWidth = 600;
constexpr int kHeight = 800;

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

struct Rgb {
    int r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {static_cast<int>(a.r + (b.r - a.r) * t), static_cast<int>(a.g + (b.g - a.g) * t),
            static_cast<int>(a.b + (b.b - a.b) * t)};
}

// A plausible picture rather than noise: a sky and a ground gradient, a soft
// sun, buildings with lit windows, a striped awning, a ring and a few
// anti-aliased diagonal strokes.
Rgb Pixel(int x, int y) {
    const double horizon = kHeight * 0.6;
    Rgb c = y < horizon ? Mix({70, 120, 200}, {250, 200, 160}, y / horizon)
                        : Mix({90, 140, 60}, {40, 70, 30}, (y - horizon) / (kHeight - horizon));

    const double sx = x - 430.0, sy = y - 180.0, sun = std::sqrt(sx * sx + sy * sy);
    if (sun < 90)
        c = Mix({255, 250, 210}, c, (sun - 50) / 40);

    struct Building {
        int left, right, top;
        Rgb wall;
    };
    const Building buildings[] = {
        {40, 160, 260, {120, 110, 100}}, {180, 260, 330, {160, 90, 70}}, {300, 420, 220, {90, 100, 120}}};
    for (const Building& b : buildings)
        if (x >= b.left && x < b.right && y >= b.top && y < horizon) {
            c = b.wall;
            if ((x - b.left) % 20 >= 6 && (x - b.left) % 20 < 14 && (y - b.top) % 30 >= 8 && (y - b.top) % 30 < 20)
                c = (x / 20 + y / 30) % 3 == 0 ? Rgb{250, 230, 140} : Rgb{40, 50, 70};
        }

    if (y >= 330 && y < 350 && x >= 180 && x < 260)
        c = ((x + y) / 8) % 2 == 0 ? Rgb{220, 40, 40} : Rgb{245, 245, 235};

    const double rx = x - 150.0, ry = y - 640.0, ring = std::abs(std::sqrt(rx * rx + ry * ry) - 70);
    if (ring < 6)
        c = Mix({30, 30, 160}, c, ring / 6);

    for (int k = 0; k < 3; ++k) {
        const double d = std::abs((x - 300.0 - 60 * k) - (y - 560.0) * 0.7);
        if (y > 520 && y < 760 && d < 3)
            c = Mix({20, 20, 20}, c, d / 3);
    }
    return c;
}

std::vector<std::uint8_t> BitmapFile() {
    constexpr std::uint32_t stride = kWidth * 3;  // already a multiple of 4
    constexpr std::uint32_t pixels = stride * kHeight;
    std::vector<std::uint8_t> file;
    file.reserve(54 + pixels);
    file.push_back('B');
    file.push_back('M');
    PutU32(file, 54 + pixels);
    PutU32(file, 0);
    PutU32(file, 54);
    PutU32(file, 40);
    PutU32(file, kWidth);
    PutU32(file, kHeight);
    PutU16(file, 1);
    PutU16(file, 24);
    PutU32(file, 0);
    PutU32(file, pixels);
    PutU32(file, 3780);
    PutU32(file, 3780);
    PutU32(file, 0);
    PutU32(file, 0);
    for (int y = kHeight - 1; y >= 0; --y)  // bottom-up rows
        for (int x = 0; x < kWidth; ++x) {
            const Rgb c = Pixel(x, y);
            file.push_back(static_cast<std::uint8_t>(c.b));
            file.push_back(static_cast<std::uint8_t>(c.g));
            file.push_back(static_cast<std::uint8_t>(c.r));
        }
    return file;
}

const std::vector<std::uint8_t>& Picture() {
    static const std::vector<std::uint8_t> picture = BitmapFile();
    return picture;
}

void Pack(benchmark::State& state, std::uint8_t level, CCompressor::MatchSearch search) {
    const auto& picture = Picture();
    CCompressor codec(level);
    codec.SetMatchSearch(search);
    std::size_t packed = 0;
    for (auto _ : state) {
        const auto block = codec.PackBlock(picture);
        packed = block.size();
        benchmark::DoNotOptimize(block.data());
    }
    state.counters["packed_bytes"] = static_cast<double>(packed);
    state.counters["unpacked_bytes"] = static_cast<double>(picture.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * picture.size()));
}

void BM_PackPicture(benchmark::State& state) {
    Pack(state, static_cast<std::uint8_t>(state.range(0)), CCompressor::MatchSearch::HashChain);
}
BENCHMARK(BM_PackPicture)->Arg(1)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

// The plain search that the hash chains replace, for comparison.
void BM_PackPictureExhaustive(benchmark::State& state) {
    Pack(state, 1, CCompressor::MatchSearch::Exhaustive);
}
BENCHMARK(BM_PackPictureExhaustive)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_UnpackPicture(benchmark::State& state) {
    const auto& picture = Picture();
    CCompressor packer(static_cast<std::uint8_t>(state.range(0)));
    const auto block = packer.PackBlock(picture);
    CCompressor codec;
    for (auto _ : state) {
        codec.UnpackBlock(block);
        benchmark::DoNotOptimize(codec.GetUnpacked().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * picture.size()));
}
BENCHMARK(BM_UnpackPicture)->Arg(1)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
