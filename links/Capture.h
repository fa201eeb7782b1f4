// The capture window: a small window above the others with two drop zones. Files dropped on
// the left zone and web addresses dropped on the right one become new links through the
// new-link dialog: one dialog for each dropped file, in turn, and a dialog left open beside
// the work for an address. What a drop cannot give whole is refused with its reason.
#pragma once

#include "links/LinkDrops.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"

#include <QPointer>

#include <string>
#include <vector>

class QMimeData;

namespace kvz {

class TDataModule1;
class TNewLinkForm;
struct FrameState;

// The place of a window of that size at the stored left and top, moved onto the screen's
// work area when the stored place lies (partly) off it.
TPoint ClampWindowPosition(int left, int top, int width, int height, const TRect& screen);

// Where the capture window first opens: beside the frame window's right edge, at its top (left
// of it when the screen has no room on the right), on the screen.
TPoint CaptureStartPosition(const TRect& frame, int width, int height, const TRect& screen);

// Why a drop was refused, in the program's language (empty for none).
std::string DropRefusalText(DropRefusal refusal);

// The local files of a drop (QMimeData::urls()), each checked: the good ones in order, and
// each refused one with its reason.
struct DroppedFiles {
    std::vector<std::string> Files;
    std::vector<std::pair<std::string, DropRefusal>> Refused;
};
DroppedFiles ReadDroppedFiles(const QMimeData& data);
// The web address of a drop and its title: "text/x-moz-url" (UTF-16 or UTF-8) or "_NETSCAPE_URL"
// (address and title), "text/uri-list" with a title in "text/x-moz-url-desc", then plain text.
DroppedAddress ReadDroppedUrl(const QMimeData& data);
// What a drop carries, copied for after the drop: every format it lists, and the forms of a
// web address and its title even where the window system leaves them out of that list.
void CopyDropData(const QMimeData& from, QMimeData& to);
// Which drops a zone takes: files for the file zone, anything that may hold an address for
// the address zone.
bool OffersFiles(const QMimeData& data);
bool OffersAddress(const QMimeData& data);

class TCaptureForm : public TForm {
public:
    static constexpr int kHelpContext = 50;

    TCaptureForm(TComponent* owner, TDataModule1& data, FrameState& frame);
    ~TCaptureForm() override;

    void FormCreate();
    void FormShow();
    void FormClose(TCloseAction& action);
    // One new-link dialog for each good file, shown modally in turn; returns how many links
    // were added.
    int DropFileTarget1Drop(const QMimeData& data);
    // A new-link dialog for the address, shown without waiting; false when it was refused.
    bool DropURLTarget1Drop(const QMimeData& data);
    // The address dialog left open, while it is.
    TNewLinkForm* AddressDialog() const { return addressWidget_ ? addressDialog_ : nullptr; }

    TPanel *Panel1, *Panel2;
    TImage *Image1, *Image2;

private:
    // A link typed in place in the links window: the drop is refused with the reason.
    bool RefusedWhileEditing();
    void ShowRefusals(const std::vector<std::pair<std::string, DropRefusal>>& refused);
    TDataModule1& data_;
    FrameState& frame_;
    TNewLinkForm* addressDialog_ = nullptr;
    QPointer<QWidget> addressWidget_;
    std::vector<QObject*> zones_;
};

} // namespace kvz
