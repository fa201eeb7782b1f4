#include "controls/KvGIF.h"
#include "controls/KvImageBytes.h"
#include "controls/KvReduce.h"
#include "PictureTesting.h"
#include "TempFolder.h"
#include "forms/FormsTesting.h"

#include <gtest/gtest.h>

#include <map>

namespace kvz {
namespace {

using namespace kvz::testing;
namespace fs = std::filesystem;

// Each frame of the file as the Python imaging library decodes it alone (gifsicle takes the
// file apart, so two independent readers stand behind every line).
std::string PilFramesOf(const fs::path& gif) {
    fs::path dir = gif.parent_path() / (gif.stem().string() + "-frames");
    fs::create_directories(dir);
    RunTool("/usr/bin/gifsicle --no-warnings -e '" + gif.string() + "' -o '" + (dir / "f").string() + "'");
    std::string out;
    for (int i = 0;; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f.%03d", i);
        if (!fs::exists(dir / name)) break;
        out += PilFrames(dir / name);
    }
    return out;
}

// The same lines from ImageMagick, frame by frame.
std::string MagickFramesOf(const fs::path& gif) {
    std::string sizes = RunTool("/usr/bin/identify -format '%w %h\\n' '" + gif.string() + "'");
    std::istringstream lines(sizes);
    std::string out;
    int w, h;
    for (int i = 0; lines >> w >> h; ++i) {
        std::string rgba = RunTool("/usr/bin/convert '" + gif.string() + "[" + std::to_string(i) + "]' -depth 8 rgba:-");
        out += std::to_string(w) + " " + std::to_string(h) + "\n";
        char hex[8];
        for (size_t p = 0; p + 3 < rgba.size(); p += 4) {
            if (rgba[p + 3] == 0) {
                out += '-';
                continue;
            }
            std::snprintf(hex, sizeof hex, "%02x%02x%02x", uint8_t(rgba[p]), uint8_t(rgba[p + 1]), uint8_t(rgba[p + 2]));
            out += hex;
        }
        out += "\n";
    }
    return out;
}

std::string OurFrames(TGIFImage& gif) {
    std::string out;
    for (int i = 0; i < gif.FrameCount(); ++i) {
        TGIFFrame& frame = gif.Frame(i);
        out += FrameLines(frame.Bitmap()->Image(), frame.TransparentColor);
    }
    return out;
}

class GIFTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureApplication(); }
    TempFolder folder;
    fs::path Path(const std::string& name) { return folder.path() / name; }
    std::string Make(const std::string& name, const std::string& command) {
        RunTool(command + " '" + Path(name).string() + "'");
        return ReadBytes(Path(name));
    }
};

TEST_F(GIFTest, FilesOfOtherWritersDecodeAsTheyDoAndSaveBackByteForByte) {
    std::map<std::string, std::string> files;
    files["magick.gif"] = Make("magick.gif", "/usr/bin/convert -delay 20 -loop 0 -size 16x12 xc:red "
                                             "\\( -size 16x12 gradient:blue-yellow \\) "
                                             "-dispose background "
                                             "\\( -size 16x12 xc:none -fill blue -draw 'rectangle 2,2 8,8' \\)");
    // Interlaced, with local tables, comments and a loop count beyond what is kept.
    Make("plain.gif", "/usr/bin/convert -size 23x17 plasma:fractal -colors 32 +repage");
    files["sicle.gif"] = Make("sicle.gif", "/usr/bin/gifsicle --interlace --comment 'first frame' --loopcount=3 "
                                           "--delay 7 '" + Path("plain.gif").string() + "' '" +
                                           Path("plain.gif").string() + "' -o");
    for (auto& [name, bytes] : files) {
        TGIFImage gif;
        gif.LoadFromStream(bytes);
        EXPECT_EQ(OurFrames(gif), PilFramesOf(Path(name))) << name;
        for (int i = 0; i < gif.FrameCount(); ++i) EXPECT_FALSE(gif.Frame(i).Corrupted) << name;
        EXPECT_EQ(gif.SaveToStream(), bytes) << name;
    }
    TGIFImage magick;
    magick.LoadFromStream(files["magick.gif"]);
    EXPECT_TRUE(magick.Looping);
    EXPECT_EQ(magick.LoopCount, 0);
    EXPECT_EQ(magick.Frame(1).DelayMs, 200);
    EXPECT_EQ(magick.Frame(2).Disposal, 2);
    EXPECT_NE(magick.Frame(2).TransparentColor, clNone);
    EXPECT_TRUE(magick.Transparent());
    TGIFImage sicle;
    sicle.LoadFromStream(files["sicle.gif"]);
    EXPECT_TRUE(sicle.Frame(0).Interlaced);
    EXPECT_EQ(sicle.Frame(0).Comment(), std::vector<std::string>{"first frame"});
    EXPECT_EQ(sicle.Frame(0).DelayMs, 70);
    // A 32-colour table decodes to 8 bits.
    EXPECT_EQ(PixelFormatOf(sicle.Frame(0).Bitmap()->Image()), pf8bit);
}

TEST_F(GIFTest, NewFramesOfEveryDepthDecodeAlikeInOtherReaders) {
    TGIFImage gif;
    gif.Looping = true;
    gif.LoopCount = 5;
    // Many colours and noise: well over 4096 codes, so the table starts again several times.
    QImage many = Colourful(120, 90, 3);
    gif.AddFrame(TBitmap(many));
    gif.Frame(0).DelayMs = 150;
    // 20 colours: the table is padded to the 32 entries its size field declares.
    QImage twenty(120, 90, QImage::Format_Indexed8);
    for (int i = 0; i < 20; ++i) twenty.setColor(i, qRgb(i * 12, 255 - i * 12, i * 5));
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) twenty.setPixel(x, y, uint((x / 7 + y / 5) % 20));
    gif.AddFrame(TBitmap(twenty));
    // 4 bits, 1 bit.
    QImage sixteen = twenty.copy();
    sixteen.setColorCount(16);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) sixteen.setPixel(x, y, uint((x + y) % 16));
    gif.AddFrame(TBitmap(sixteen));
    QImage mono(120, 90, QImage::Format_Mono);
    mono.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) mono.setPixel(x, y, uint((x * y) % 3 == 0));
    gif.AddFrame(TBitmap(mono));
    // A transparent colour that the reduction's masks would merge with its neighbours.
    QImage holed = many.copy();
    for (int x = 10; x < 60; ++x) holed.setPixel(x, 40, qRgb(201, 103, 57));
    TBitmap transparent(holed);
    transparent.SetTransparent(true);
    transparent.SetTransparentColor(RGB(201, 103, 57));
    gif.AddFrame(transparent);
    EXPECT_EQ(gif.Version, gv89a);

    std::string bytes = gif.SaveToStream();
    WriteBytes(Path("ours.gif"), bytes);
    TGIFImage back;
    back.LoadFromStream(bytes);
    ASSERT_EQ(back.FrameCount(), 5);
    EXPECT_TRUE(back.Looping);
    EXPECT_EQ(back.LoopCount, 5);
    EXPECT_EQ(back.Frame(0).DelayMs, 150);
    EXPECT_EQ(back.Frame(4).TransparentColor, RGB(201, 103, 57));
    std::string ours = OurFrames(back);
    EXPECT_EQ(ours, PilFramesOf(Path("ours.gif")));
    EXPECT_EQ(ours, MagickFramesOf(Path("ours.gif")));
    // Palette pictures come back exactly; the transparent row stays transparent, all of it.
    EXPECT_EQ(FrameLines(back.Frame(1).Bitmap()->Image()), FrameLines(twenty));
    EXPECT_EQ(FrameLines(back.Frame(3).Bitmap()->Image()), FrameLines(mono));
    EXPECT_NE(ours.find(std::string(50, '-')), std::string::npos);
    // Saving again writes the same bytes.
    EXPECT_EQ(back.SaveToStream(), bytes);
}

// Codes of a writer that never starts its table again: once 4096 entries exist it goes on with
// 12-bit codes and no clear code.
std::string EncodeWithoutReset(const std::vector<uint8_t>& pixels, int size) {
    std::map<std::pair<int, int>, int> table;
    int clear = 1 << size, next = clear + 2, width = size + 1;
    std::string bytes;
    uint32_t buffer = 0;
    int bits = 0;
    auto put = [&](int code) {
        buffer |= uint32_t(code) << bits;
        for (bits += width; bits >= 8; bits -= 8, buffer >>= 8) bytes.push_back(char(buffer & 0xFF));
    };
    put(clear);
    int string = pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
        auto it = table.find({string, pixels[i]});
        if (it != table.end()) {
            string = it->second;
            continue;
        }
        put(string);
        if (next < 4096) {
            table[{string, pixels[i]}] = next++;
            if (next > 1 << width && width < 12) ++width;
        }
        string = pixels[i];
    }
    put(string);
    if (next < 4096 && next == 1 << width && width < 12) ++width;
    put(clear + 1);
    if (bits) bytes.push_back(char(buffer & 0xFF));
    std::string out(1, char(size));
    for (size_t at = 0; at < bytes.size(); at += 255) {
        size_t n = std::min<size_t>(255, bytes.size() - at);
        out += char(n);
        out += bytes.substr(at, n);
    }
    return out + '\0';
}

TEST_F(GIFTest, ATableThatIsNeverStartedAgainDecodesAsOtherReadersDecodeIt) {
    const int w = 160, h = 120; // some 8,000 codes: the table fills and stays full
    std::vector<uint8_t> pixels(w * h);
    uint32_t seed = 7;
    for (auto& p : pixels) p = uint8_t((seed = seed * 1103515245 + 12345) >> 16 & 15);
    std::string gif = "GIF87a";
    PutWord(gif, w);
    PutWord(gif, h);
    gif += std::string("\xF3\0\0", 3);
    for (int i = 0; i < 16; ++i) gif += std::string{char(i * 16), char(255 - i * 16), char(i * 8)};
    gif += ",";
    PutWord(gif, 0);
    PutWord(gif, 0);
    PutWord(gif, w);
    PutWord(gif, h);
    gif += '\0';
    gif += EncodeWithoutReset(pixels, 4);
    gif += ";";
    WriteBytes(Path("full.gif"), gif);
    TGIFImage image;
    image.LoadFromStream(gif);
    EXPECT_FALSE(image.Frame(0).Corrupted);
    EXPECT_EQ(OurFrames(image), PilFramesOf(Path("full.gif")));
    EXPECT_EQ(OurFrames(image), MagickFramesOf(Path("full.gif")));
    EXPECT_EQ(image.Frame(0).Bitmap()->Image().pixelIndex(5, 7), pixels[7 * w + 5]);
    // Sixteen colours decode to a 4-bit bitmap.
    EXPECT_EQ(PixelFormatOf(image.Frame(0).Bitmap()->Image()), pf4bit);
}

// A small valid file to damage: 4x2, two colours, one frame.
std::string SmallGif(const std::string& extension = {}, const std::string& pixels = {}) {
    std::string gif = std::string("GIF89a\x04\x00\x02\x00\x80\x00\x00", 13) + std::string("\0\0\0\xFF\xFF\xFF", 6);
    gif += extension;
    gif += std::string(",\0\0\0\0\x04\0\x02\0\0", 10);
    if (pixels.empty()) {
        std::vector<uint8_t> ones(8, 1);
        gif += EncodeGifPixels(ones.data(), ones.size(), 1);
    } else {
        gif += pixels;
    }
    return gif + ";";
}

TEST_F(GIFTest, DamagedFilesFailWithTheirMessageOrMarkTheFrame) {
    std::string good = SmallGif();
    std::string codes = good.substr(good.find(',') + 10);
    codes.pop_back();
    struct Case {
        const char* what;
        std::string bytes;
        const char* message; // empty: loads, with the frame marked corrupted
    } cases[] = {
        {"another signature", "GIF90a" + good.substr(6), "Unknown GIF version"},
        {"too short", "GIF8", "Unknown GIF version"},
        {"header cut", good.substr(0, 9), "Stream read error"},
        {"global table cut", good.substr(0, 16), "Stream read error"},
        {"unknown extension", SmallGif("!\x42\x00"), "Unrecognized extension block: 42"},
        {"extension sub-block cut", good.substr(0, 19) + "!\xFE\x09" "abc", "Stream read error"},
        {"stray introducer", std::string(good).insert(19, "x"), "Stream read error"},
        {"zero-size frame on a zero screen",
         std::string("GIF89a\0\0\0\0\x80\0\0\0\0\0\xFF\xFF\xFF,\0\0\0\0\0\0\0\0\0\x02\x02\x4C\x01\0;", 34),
         "Stream read error"},
        {"huge frame, few bytes",
         std::string("GIF89a\x04\0\x02\0\x80\0\0\0\0\0\xFF\xFF\xFF,\0\0\0\0\xFF\xFF\xFF\xFF\0\x02\x02\x4C\x01\0;", 34),
         "Stream read error"},
        {"pixel data cut inside a sub-block", good.substr(0, good.size() - 3), ""},
        {"code beyond the next free code", SmallGif({}, std::string("\x02\x02\x3C\x07\0", 5)), ""},
        {"code size outside 2..9", SmallGif({}, "\x0C" + codes.substr(1)), ""},
    };
    for (const Case& c : cases) {
        TGIFImage gif;
        if (*c.message) {
            try {
                gif.LoadFromStream(c.bytes);
                ADD_FAILURE() << c.what << ": loaded";
            } catch (const EInvalidGraphicOperation& e) {
                EXPECT_STREQ(e.what(), c.message) << c.what;
            }
            continue;
        }
        EXPECT_NO_THROW(gif.LoadFromStream(c.bytes)) << c.what;
        ASSERT_EQ(gif.FrameCount(), 1) << c.what;
        EXPECT_TRUE(gif.Frame(0).Corrupted) << c.what;
        EXPECT_EQ(gif.Frame(0).Bitmap()->Width(), 4) << c.what;
    }
    // A byte after the image that is no block ends the reading quietly.
    TGIFImage gif;
    EXPECT_NO_THROW(gif.LoadFromStream(good.substr(0, good.size() - 1) + "x"));
    EXPECT_EQ(gif.FrameCount(), 1);
}

TEST_F(GIFTest, LoopCountsAndWhatIsWrittenWithThem) {
    std::string netscape = std::string("!\xFF\x0BNETSCAPE2.0\x03\x01\xFF\xFF\0", 19);
    TGIFImage gif;
    gif.LoadFromStream(SmallGif(netscape));
    EXPECT_TRUE(gif.Looping);
    EXPECT_EQ(gif.LoopCount, 30000);
    // One frame: no loop extension; two: one.
    EXPECT_EQ(gif.SaveToStream().find("NETSCAPE"), std::string::npos);
    TBitmap second(4, 2);
    gif.AddFrame(second);
    std::string two = gif.SaveToStream();
    ASSERT_NE(two.find("NETSCAPE2.0"), std::string::npos);
    EXPECT_EQ(PeekWord(two, two.find("NETSCAPE2.0") + 13), 30000);
}

TEST_F(GIFTest, PictureOperationsAndRegistration) {
    TGIFImage empty;
    EXPECT_TRUE(empty.Empty());
    try {
        empty.SaveToStream();
        ADD_FAILURE();
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_STREQ(e.what(), "No GIF Data to write");
    }
    EXPECT_THROW(empty.SetWidth(3), EInvalidGraphicOperation);

    TGIFImage gif;
    std::vector<std::pair<int, std::string>> stages;
    gif.OnProgress = [&](TProgressStage stage, int percent, const std::string& message) {
        if (stage != TProgressStage::psRunning) stages.emplace_back(percent, message);
    };
    gif.LoadFromStream(SmallGif());
    EXPECT_EQ(stages, (std::vector<std::pair<int, std::string>>{{0, ""}, {100, ""}}));
    stages.clear();
    std::string huge = SmallGif();
    huge[24] = huge[25] = huge[26] = huge[27] = char(0xFF); // a frame of 65535 x 65535
    EXPECT_THROW(gif.LoadFromStream(huge), EReadError);
    EXPECT_EQ(stages, (std::vector<std::pair<int, std::string>>{{0, ""}, {0, "Stream read error"}}));
    EXPECT_EQ(gif.FrameCount(), 0);
    gif.LoadFromStream(SmallGif());
    EXPECT_EQ(gif.Width(), 4);
    EXPECT_EQ(gif.Height(), 2);
    EXPECT_EQ(gif.Palette().size(), 2u);
    TGIFImage copy;
    copy.Assign(gif);
    EXPECT_TRUE(copy.Equals(gif));
    EXPECT_EQ(copy.SaveToStream(), gif.SaveToStream());
    TBitmap bitmap;
    gif.AssignTo(bitmap);
    EXPECT_EQ(bitmap.Pixel(0, 0), clWhite);
    QImage canvasImage(8, 4, QImage::Format_RGB32);
    canvasImage.fill(Qt::black);
    {
        TCanvas canvas(&canvasImage);
        gif.Draw(canvas, Rect(0, 0, 8, 4));
    }
    EXPECT_EQ(canvasImage.pixel(7, 3) & 0xFFFFFF, 0xFFFFFFu);

    // Stored in window layouts behind its length.
    std::string stored = gif.WriteData();
    TGIFImage fromLayout;
    EXPECT_EQ(fromLayout.ReadData(stored + "next"), stored.size());
    EXPECT_EQ(fromLayout.FrameCount(), 1);

    gif.SaveToClipboard();
    TGIFImage pasted;
    pasted.LoadFromClipboard();
    EXPECT_EQ(pasted.SaveToStream(), gif.SaveToStream());

    RegisterGIFImage();
    WriteBytes(Path("a.GIF"), SmallGif());
    std::unique_ptr<TGraphic> graphic = GraphicForFile(Path("a.GIF"));
    ASSERT_TRUE(graphic);
    graphic->LoadFromFile(Path("a.GIF"));
    EXPECT_EQ(graphic->Width(), 4);
    EXPECT_NE(GraphicFileFilter().find("CompuServe GIF Image (*.gif)"), std::string::npos);
    UnregisterGIFImage();
    EXPECT_FALSE(GraphicForFile(Path("a.GIF")));
}

} // namespace
} // namespace kvz
