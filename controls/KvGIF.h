// GIF images as pictures of the program: every frame is read, a frame's bitmap is decoded only
// when asked for, unchanged frames are written back as they were read, and new frames are
// encoded from their bitmaps after their colours are reduced.
#pragma once

#include "controls/KvGIFCodec.h"
#include "platform/forms/Graphics.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

class TGIFImage;
class TAnimatedCursorImage;

enum class TProgressStage { psStarting, psRunning, psEnding };
// Percent 0 with a message when an error ended the work.
using TProgressEvent = std::function<void(TProgressStage stage, int percent, const std::string& message)>;

class TGIFFrame {
public:
    explicit TGIFFrame(TGIFImage* owner) : owner_(owner) {}
    TGIFImage* Owner() const { return owner_; }

    // The pixel data as read or encoded; shared between copies. None for a frame whose bitmap
    // has not been encoded yet.
    std::shared_ptr<TGIFItem> Item;
    int FrameLeft = 0, FrameTop = 0;
    bool Interlaced = false, Corrupted = false;
    TColor TransparentColor = clNone;
    int DelayMs = 0;
    int Disposal = 0;
    bool LocalColors = false; // the frame writes its own colour table
    std::vector<TExtension> Extensions;

    // Decoded on the first call; none when the frame has neither bitmap nor data.
    const TBitmap* Bitmap();
    int Width() const;
    int Height() const;
    // The lines of the frame's comment, created on request.
    std::vector<std::string>& Comment();

    void Assign(const TGIFFrame& source);
    // An empty bitmap empties the frame; a transparent one gives its transparent colour.
    void Assign(const TBitmap& graphic);
    void AssignTo(TBitmap& target);

private:
    friend class TGIFImage;
    void Decode();
    void Encode();
    TGIFImage* owner_;
    std::optional<TBitmap> bitmap_;
    // The table index the transparent colour had when read or reduced: a colour table may hold
    // the same colour twice.
    int keptIndex_ = -1;
};

class TGIFImage : public TGraphic {
public:
    TGIFImage();
    ~TGIFImage() override;
    TGIFImage(const TGIFImage&) = delete;
    TGIFImage& operator=(const TGIFImage&) = delete;

    std::shared_ptr<TGIFData> Data() const { return data_; }
    int FrameIndex = -1;
    int ScreenWidth = 0, ScreenHeight = 0;
    TColor BackgroundColor = clNone;
    bool Looping = false;
    int LoopCount = 1;
    TGIFVersion Version = gvUnknown;
    TProgressEvent OnProgress;
    std::function<void()> OnChange;

    void LoadFromStream(std::string_view data) override;
    std::string SaveToStream() override;
    // The GIF bytes after a 4-byte little-endian length, as window layouts store pictures.
    // Reading returns the bytes it took.
    size_t ReadData(std::string_view data);
    std::string WriteData();
    void LoadFromClipboard();
    void SaveToClipboard();

    void Draw(TCanvas& canvas, const TRect& rect) override;
    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    [[noreturn]] void SetWidth(int);
    [[noreturn]] void SetHeight(int);
    bool Transparent() const;
    void SetTransparent(bool on) { transparent_ = on; }
    std::vector<TColor> Palette();

    int FrameCount() const { return int(frames_.size()); }
    TGIFFrame& Frame(int index) { return *frames_.at(size_t(index)); }
    // A new frame from the bitmap, made the current one; returns its index.
    int AddFrame(const TBitmap& graphic);
    bool Equals(const TGIFImage& other) const { return data_ == other.data_; }

    void Assign(const TGIFImage& source);
    void Assign(const TGIFFrame& source);
    void Assign(const TBitmap& source);
    void Assign(const TAnimatedCursorImage& source);
    void AssignTo(TBitmap& target);

    // Screen size as the frames cover it.
    void UpdateScreenSize();
    void Progress(TProgressStage stage, int percent, const std::string& message = {});

private:
    void Reset();
    void Load(std::string_view data, bool decodeFirst);
    void Changed();
    std::shared_ptr<TGIFData> data_;
    std::vector<std::unique_ptr<TGIFFrame>> frames_;
    int backgroundIndex_ = -1;
    int loopAt_ = -1;
    bool transparent_ = true;
};

// The clipboard format of GIF data.
constexpr const char* GIFClipboardFormat = "GIF Image";
// Makes GIF files open wherever pictures are opened; the program calls this at start.
void RegisterGIFImage();
void UnregisterGIFImage();

} // namespace kvz
