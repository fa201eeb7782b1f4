// GIF decoding and encoding of a 640x480 animation of 100 frames, beside Qt's own GIF reader
// (decoding) and ImageMagick's convert run as a command (decoding and encoding again).
#include "RatioReporter.h"
#include "controls/KvGIF.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using namespace kvz;

constexpr int Width = 640, Height = 480, Frames = 100;

// A gradient with a moving bar and some noise: about what a screen recording holds.
const std::string& Animation() {
    static const std::string bytes = [] {
        TGIFImage gif;
        QImage frame(Width, Height, QImage::Format_Indexed8);
        frame.setColorCount(256);
        for (int i = 0; i < 256; ++i) frame.setColor(i, qRgb(i, (i * 3) & 0xFF, 255 - i));
        uint32_t seed = 1;
        for (int f = 0; f < Frames; ++f) {
            for (int y = 0; y < Height; ++y) {
                uchar* line = frame.scanLine(y);
                for (int x = 0; x < Width; ++x) {
                    int v = (x + y) / 5;
                    if (x / 8 == f * 3 % 80) v = 255;
                    if (((seed = seed * 1103515245 + 12345) >> 16 & 63) == 0) v ^= 17;
                    line[x] = uchar(v & 0xFF);
                }
            }
            gif.AddFrame(TBitmap(frame));
            gif.Frame(f).DelayMs = 40;
        }
        gif.Looping = true;
        gif.LoopCount = 0;
        return gif.SaveToStream();
    }();
    return bytes;
}

std::filesystem::path AnimationFile() {
    static const std::filesystem::path path = [] {
        auto p = std::filesystem::temp_directory_path() / ("kvz-bench-" + std::to_string(::getpid()) + ".gif");
        std::ofstream(p, std::ios::binary) << Animation();
        return p;
    }();
    return path;
}

void BM_Ours_Decode(benchmark::State& state) {
    const std::string& bytes = Animation();
    for (auto _ : state) {
        TGIFImage gif;
        gif.LoadFromStream(bytes);
        for (int i = 0; i < gif.FrameCount(); ++i) benchmark::DoNotOptimize(gif.Frame(i).Bitmap());
    }
}

void BM_Qt_Decode(benchmark::State& state) {
    QByteArray bytes(Animation().data(), qsizetype(Animation().size()));
    for (auto _ : state) {
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer, "gif");
        int frames = 0;
        while (reader.canRead()) {
            benchmark::DoNotOptimize(reader.read());
            ++frames;
        }
        if (frames != Frames) state.SkipWithError("Qt read another number of frames");
    }
}

void BM_Ours_DecodeEncode(benchmark::State& state) {
    const std::string& bytes = Animation();
    for (auto _ : state) {
        TGIFImage gif;
        gif.LoadFromStream(bytes);
        TGIFImage again;
        for (int i = 0; i < gif.FrameCount(); ++i) again.AddFrame(*gif.Frame(i).Bitmap());
        benchmark::DoNotOptimize(again.SaveToStream());
    }
}

void BM_Magick_DecodeEncode(benchmark::State& state) {
    std::string command = "/usr/bin/convert '" + AnimationFile().string() + "' '" + AnimationFile().string() + ".out.gif'";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("convert failed");
}

} // namespace

BENCHMARK(BM_Ours_Decode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Qt_Decode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Ours_DecodeEncode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Magick_DecodeEncode)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    using kvz::bench::RatioReporter;
    RatioReporter reporter({{"BM_Ours_Decode/real_time", "BM_Qt_Decode/real_time", "decode 100 frames (ms): ours vs Qt", 1.5},
                            {"BM_Ours_DecodeEncode/real_time", "BM_Magick_DecodeEncode/real_time",
                             "decode and encode (ms): ours vs convert", 1.5}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    std::filesystem::remove(AnimationFile());
    std::filesystem::remove(AnimationFile().string() + ".out.gif");
    return 0;
}
