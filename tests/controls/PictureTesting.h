// What the picture format tests share: files in and out, and independent tools of the system
// (the Python imaging library, ImageMagick, the GIF utilities) run as oracles.
#pragma once

#include "platform/forms/Graphics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kvz::testing {

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// Standard output of a shell command; the test fails when the command does.
inline std::string RunTool(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return out;
    }
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    int status = ::pclose(pipe);
    EXPECT_EQ(status, 0) << command;
    return out;
}

// The Python imaging library's view of a picture file: for each frame one line of
// "width height" and one line of hex RRGGBB pixels, top row first (transparent pixels "-").
inline std::string PilFrames(const std::filesystem::path& file) {
    return RunTool("/usr/bin/python3 - '" + file.string() + R"(' <<'PY'
import sys
from PIL import Image, ImageSequence
im = Image.open(sys.argv[1])
for f in ImageSequence.Iterator(im):
    t = f.info.get('transparency') if f.mode == 'P' else None
    idx = list(f.getdata()) if f.mode == 'P' else None
    alpha = list(f.getchannel('A').getdata()) if f.mode == 'RGBA' else None
    px = list(f.convert('RGB').getdata())
    hole = lambda i: (idx is not None and t is not None and idx[i] == t) or (alpha is not None and alpha[i] == 0)
    print(f.size[0], f.size[1])
    print(''.join('-' if hole(i) else '%02x%02x%02x' % p for i, p in enumerate(px)))
PY)");
}

// The same lines for a picture as this program holds it (transparent colour "-").
inline std::string FrameLines(const QImage& source, TColor transparent = clNone) {
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    std::string out = std::to_string(image.width()) + " " + std::to_string(image.height()) + "\n";
    char hex[8];
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            QRgb p = image.pixel(x, y);
            if (transparent != clNone && RGB(qRed(p), qGreen(p), qBlue(p)) == transparent) {
                out += '-';
                continue;
            }
            std::snprintf(hex, sizeof hex, "%02x%02x%02x", qRed(p), qGreen(p), qBlue(p));
            out += hex;
        }
    return out + "\n";
}

// A picture of many colours: a gradient with a pattern over it.
inline QImage Colourful(int width, int height, int seed = 0) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 255 / std::max(1, width - 1) + seed) & 0xFF,
                                      (y * 255 / std::max(1, height - 1)) & 0xFF, ((x * y + seed * 7) / 3) & 0xFF));
    return image;
}

} // namespace kvz::testing
