// SPDX-License-Identifier: GPL-3.0-or-later
// The face window's shape, as start-up builds it: the scan of the 369 x 369
// skin and the region made from its runs.

#include <benchmark/benchmark.h>

#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "shell/window_shape.h"

namespace {

QImage Skin(QImage::Format format) {
    QImage skin(TAVRIN_SOURCE_DIR "/data/pictures/skin.bmp");
    if (skin.isNull()) {
        std::fprintf(stderr, "cannot read the skin picture\n");
        std::exit(1);
    }
    return skin.convertToFormat(format);
}

void Run(benchmark::State& state, QImage::Format format, int depth) {
    const QImage skin = Skin(format);
    const std::span<const std::uint8_t> bytes(skin.constBits(), std::size_t(skin.sizeInBytes()));
    std::size_t rects = 0;
    int regionRects = 0;
    for (auto _ : state) {
        const auto runs = tavrin::ScanWindowShape(skin.width(), skin.height(),
                                                  int(skin.bytesPerLine()), depth, bytes, 0, 0);
        QRegion region = tavrin::ShapeRegion(*runs);
        benchmark::DoNotOptimize(region);
        rects = runs->size();
        regionRects = region.rectCount();
    }
    state.counters["rects"] = double(rects);
    state.counters["region_rects"] = regionRects;
}

void BM_BuildWindowShape24(benchmark::State& state) { Run(state, QImage::Format_RGB888, 24); }
void BM_BuildWindowShape32(benchmark::State& state) { Run(state, QImage::Format_RGB32, 32); }
void BM_BuildWindowShape16(benchmark::State& state) { Run(state, QImage::Format_RGB16, 16); }

}  // namespace

BENCHMARK(BM_BuildWindowShape24)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildWindowShape32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildWindowShape16)->Unit(benchmark::kMicrosecond);
