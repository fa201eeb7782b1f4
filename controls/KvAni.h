// Icons, animated cursors and icon lists: an animated cursor file read into frames of icons
// with their rates and hot spots, shown as a strip, an icon list, a GIF or the application's
// animated cursor; an icon list that tells of its changes and stores itself in layouts.
#pragma once

#include "controls/KvAniCodec.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"

#include <QCursor>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvz {

class TTimer;

// An icon: its ".ico" file image and the picture of its first image.
class TIcon {
public:
    TIcon() = default;
    TIcon(const TIcon& other) : data_(other.data_), image_(other.image_) {}
    TIcon& operator=(const TIcon& other);
    // Raises EInvalidGraphicOperation when the data hold no icon Qt can read.
    void LoadFromStream(std::string_view data);
    std::string SaveToStream() const { return data_; }
    // An icon of the picture (alpha kept).
    void SetImage(const QImage& image);
    const QImage& Image() const { return image_; }
    bool Empty() const { return image_.isNull(); }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    void Assign(const TIcon& other) { *this = other; }
    std::function<void()> OnChange;

private:
    void Changed() {
        if (OnChange) OnChange();
    }
    std::string data_;
    QImage image_;
};

class TIconFrame {
public:
    std::unique_ptr<TIcon> FrameIcon;
    bool FromIcon = true;
    std::string ChunkTag; // 8 bytes
    TPoint CursorHotSpot;
    uint32_t RateJiffies = 0; // 1/60 s
    uint32_t SeqIndex = 0;
    void Assign(const TIconFrame& other);
};

class TIconList;

class TAnimatedCursorImage {
public:
    TAniHeader AniHeader;
    std::string CursorName, Artist;
    int SourceColors = 0;

    void LoadFromStream(std::string_view data);
    // Saving is not offered: raises ENotImplemented.
    [[noreturn]] void SaveToStream();
    // Leaves the image cleared when reading fails.
    void LoadFromFile(const std::filesystem::path& path);
    void Clear();
    int FrameCount() const { return int(frames_.size()); }
    TIconFrame& Frame(int index) { return *frames_.at(size_t(index)); }
    const TIconFrame& Frame(int index) const { return *frames_.at(size_t(index)); }
    const TIcon* FrameIcon(int index) const { return frames_.at(size_t(index))->FrameIcon.get(); }

    void Assign(const TAnimatedCursorImage& other);
    void AssignTo(TIcon& icon) const;
    void AssignTo(TIconList& list) const;
    // The frames side by side on the background, reduced to the colours the icons had.
    void AssignTo(TBitmap& bitmap, TColor background = clBtnFace) const;

private:
    std::vector<std::unique_ptr<TIconFrame>> frames_;
};

class TIconList {
public:
    TIconList() = default;
    ~TIconList();
    TIconList(const TIconList&) = delete;
    TIconList& operator=(const TIconList&) = delete;

    std::function<void()> OnChange;
    void BeginUpdate() { ++updates_; }
    void EndUpdate();
    void NotifyChange();

    int Count() const { return int(icons_.size()); }
    // The entry; none for an empty one.
    TIcon* Icon(int index) const { return icons_.at(size_t(index)).get(); }
    void SetIcon(int index, const TIcon& icon);
    int Add(const TIcon& icon);
    void Insert(int index, const TIcon& icon);
    // From the program's resources (":/name").
    int AddFromResource(std::string_view name);
    void InsertFromResource(int index, std::string_view name);
    void Clear();
    void Delete(int index);
    void Exchange(int a, int b);
    void Move(int from, int to);
    int IndexOf(const TIcon* icon) const;

    void Assign(const TIconList& other);
    void Assign(const TIcon* icon);
    // The stored form; reading replaces the contents and leaves them as they were on failure.
    void LoadFromStream(std::string_view data);
    std::string SaveToStream() const;
    // Whether the "Icons" property is written beside the list it is compared with.
    bool ShouldStore(const TIconList* ancestor) const;

private:
    std::unique_ptr<TIcon> Held(const TIcon& icon);
    void Release(std::unique_ptr<TIcon>& icon);
    std::vector<std::unique_ptr<TIcon>> icons_;
    int updates_ = 0;
};

// Shows an animated cursor under a cursor number of the screen's table: the frames change on
// a timer, and every widget showing the cursor follows.
class TAnimatedCursor {
public:
    TAnimatedCursor(TCursor cursor, const TAnimatedCursorImage& image);
    ~TAnimatedCursor();
    TAnimatedCursor(const TAnimatedCursor&) = delete;
    TAnimatedCursor& operator=(const TAnimatedCursor&) = delete;
    int Step() const { return step_; }

private:
    void Show(int step);
    TCursor cursor_;
    std::vector<QCursor> shapes_;
    std::vector<unsigned> delays_;
    int step_ = 0;
    std::unique_ptr<TTimer> timer_;
};

} // namespace kvz
