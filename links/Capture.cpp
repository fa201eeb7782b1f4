#include "links/Capture.h"

#include "core/Data1.h"
#include "core/Languages.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "engine/VolgaTbl.h"
#include "links/LinkWrites.h"
#include "links/LinkIcons.h"
#include "links/NewLink.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysInfo.h"
#include "resources/CaptionTable.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMimeData>
#include <QScreen>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace kvz {

namespace {

constexpr int kZoneSize = 54, kPictureSize = 48;

// The drop effect a zone gives, from the keys held and what the source allows (the desktop's
// drop actions have the same bits as the effects).
Qt::DropAction EffectOf(TDragTypes accepted, const QDropEvent& event) {
    const Qt::KeyboardModifiers keys = event.modifiers();
    const uint32_t effect = ChooseDropEffect(accepted, keys & Qt::ShiftModifier, keys & Qt::ControlModifier,
                                             static_cast<uint32_t>(event.possibleActions()));
    return static_cast<Qt::DropAction>(effect);
}

// Makes a panel a drop zone: it takes what `offers` says it may, with the effect the zone's
// drag kinds choose, and hands the drop to `drop`.
class DropZone : public QObject {
public:
    DropZone(QWidget* zone, TDragTypes accepted, bool (*offers)(const QMimeData&), std::function<void(const QMimeData&)> drop)
        : QObject(zone), accepted_(accepted), offers_(offers), drop_(std::move(drop)) {
        zone->setAcceptDrops(true);
        zone->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* e = static_cast<QDragMoveEvent*>(event);
            const Qt::DropAction effect = e->mimeData() && offers_(*e->mimeData()) ? EffectOf(accepted_, *e) : Qt::IgnoreAction;
            if (effect == Qt::IgnoreAction) {
                e->ignore();
            } else {
                e->setDropAction(effect);
                e->accept();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* e = static_cast<QDropEvent*>(event);
            const Qt::DropAction effect = e->mimeData() && offers_(*e->mimeData()) ? EffectOf(accepted_, *e) : Qt::IgnoreAction;
            if (effect == Qt::IgnoreAction) {
                e->ignore();
                return true;
            }
            e->setDropAction(effect);
            e->accept();
            // The drag's data lives until the event is over: the dialogs get a copy.
            QMimeData copy;
            CopyDropData(*e->mimeData(), copy);
            drop_(copy);
            return true;
        }
        default: return false;
        }
    }

private:
    TDragTypes accepted_;
    bool (*offers_)(const QMimeData&);
    std::function<void(const QMimeData&)> drop_;
};

QIcon ZoneIcon(const char* themeName, QStyle::StandardPixmap fallback) {
    QIcon icon = QIcon::fromTheme(themeName);
    return icon.isNull() ? QApplication::style()->standardIcon(fallback) : icon;
}

} // namespace

std::string DropRefusalText(DropRefusal refusal) {
    if (refusal == DropRefusal::None) return {};
    // The catalogue holds the reasons in the order of the refusals.
    const int offset = static_cast<int>(refusal) - static_cast<int>(DropRefusal::NothingUsable);
    return GetMessageText(MessageId::DropNothingUsable + offset);
}

TPoint ClampWindowPosition(int left, int top, int width, int height, const TRect& screen) {
    const int x = std::max(screen.Left, std::min(left, screen.Right - width));
    const int y = std::max(screen.Top, std::min(top, screen.Bottom - height));
    return {x, y};
}

TPoint CaptureStartPosition(const TRect& frame, int width, int height, const TRect& screen) {
    constexpr int kGap = 8;
    // Right of the frame's top edge when it fits on the screen, else left of it, else over it.
    int left = frame.Right + kGap;
    if (left + width > screen.Right) left = frame.Left - kGap - width;
    if (left < screen.Left) left = frame.Right - width - kGap;
    return ClampWindowPosition(left, frame.Top, width, height, screen);
}

DroppedFiles ReadDroppedFiles(const QMimeData& data) {
    DroppedFiles result;
    for (const QUrl& url : data.urls()) {
        // A file of another host ("file://host/...") is not one this computer can open; one of
        // "localhost" is.
        if (!url.isLocalFile()) continue;
        const std::string file = LocalFileOfUri(url.toString(QUrl::FullyEncoded).toStdString());
        if (file.empty()) continue;
        if (const DropRefusal r = CheckDroppedFile(file); r != DropRefusal::None)
            result.Refused.emplace_back(file, r);
        else
            result.Files.push_back(file);
    }
    return result;
}

namespace {

// A browser's text of an address: UTF-16 (by its byte order mark, or by the zero bytes of
// ASCII in little-endian order), else UTF-8.
std::string BrowserText(const QByteArray& bytes) {
    if (bytes.isEmpty()) return {};
    const bool bomLe = bytes.size() >= 2 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xFE;
    const bool bomBe = bytes.size() >= 2 && uchar(bytes[0]) == 0xFE && uchar(bytes[1]) == 0xFF;
    const bool zeros = bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes[0] != 0 && bytes[1] == 0;
    if (!bomLe && !bomBe && !zeros) return QString::fromUtf8(bytes).toStdString();
    QString text;
    for (qsizetype i = (bomLe || bomBe) ? 2 : 0; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = bomBe ? char16_t(uchar(bytes[i]) << 8 | uchar(bytes[i + 1]))
                                    : char16_t(uchar(bytes[i + 1]) << 8 | uchar(bytes[i]));
        text.append(QChar(unit));
    }
    // A browser may end the text with a zero.
    while (text.endsWith(QChar(0))) text.chop(1);
    return text.toStdString();
}

const char* const kAddressFormats[] = {"text/x-moz-url", "_NETSCAPE_URL", "text/x-moz-url-desc", "text/uri-list"};

} // namespace

void CopyDropData(const QMimeData& from, QMimeData& to) {
    for (const QString& format : from.formats()) to.setData(format, from.data(format));
    // The window system may name a browser's address-and-title form as a URI list (which then
    // carries the address alone) and leave it out of the list of formats: it is asked for by
    // name.
    for (const char* format : kAddressFormats)
        if (!to.hasFormat(format))
            if (const QByteArray bytes = from.data(format); !bytes.isEmpty()) to.setData(format, bytes);
    if (from.hasUrls()) to.setUrls(from.urls());
}

DroppedAddress ReadDroppedUrl(const QMimeData& data) {
    AddressPayload payload;
    if (data.hasFormat("text/x-moz-url")) payload.MozUrl = BrowserText(data.data("text/x-moz-url"));
    // The same two lines, UTF-8, from older browsers.
    if (payload.MozUrl.empty() && data.hasFormat("_NETSCAPE_URL"))
        payload.MozUrl = BrowserText(data.data("_NETSCAPE_URL"));
    if (data.hasFormat("text/uri-list")) payload.UriList = data.data("text/uri-list").toStdString();
    if (data.hasFormat("text/x-moz-url-desc")) payload.UriTitle = BrowserText(data.data("text/x-moz-url-desc"));
    if (data.hasText()) payload.Text = data.text().toStdString();
    return ReadDroppedAddress(payload);
}

bool OffersFiles(const QMimeData& data) {
    const QList<QUrl> urls = data.urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
}

bool OffersAddress(const QMimeData& data) {
    return data.hasUrls() || data.hasText() || data.hasFormat("text/x-moz-url") || data.hasFormat("text/uri-list") ||
           data.hasFormat("_NETSCAPE_URL");
}

TCaptureForm::TCaptureForm(TComponent* owner, TDataModule1& data, FrameState& frame)
    : TForm(owner), data_(data), frame_(frame) {
    SetName("CaptureForm");
    // A fixed border with the system menu alone: on a window this small the buttons of a
    // normal border leave no room for its title.
    SetBorderStyle(TFormBorderStyle::bsDialog);
    SetFormStyle(TFormStyle::fsStayOnTop);
    SetHelpContext(kHelpContext);
    auto zone = [&](const char* panelName, const char* imageName, TImage*& image) {
        auto* p = new TPanel(this);
        p->SetName(panelName);
        p->SetParent(this);
        p->SetCaption("");
        p->SetBevelInner(TBevelCut::bvRaised);
        p->SetBevelOuter(TBevelCut::bvLowered);
        p->Widget()->setFixedSize(kZoneSize, kZoneSize);
        image = new TImage(this);
        image->SetName(imageName);
        image->SetParent(p);
        image->SetStretch(true);
        image->Widget()->setFixedSize(kPictureSize, kPictureSize);
        auto* box = new QVBoxLayout(p->Widget());
        box->setContentsMargins(3, 3, 3, 3);
        box->addWidget(image->Widget(), 0, Qt::AlignCenter);
        return p;
    };
    Panel2 = zone("Panel2", "Image2", Image2);
    Panel1 = zone("Panel1", "Image1", Image1);
    Image2->SetPicture(ZoneIcon("document-new", QStyle::SP_FileIcon).pixmap(kPictureSize, kPictureSize).toImage());
    Image1->SetPicture(ProgramLinkIcons().IconFor("https://").pixmap(kPictureSize, kPictureSize).toImage());
    auto* row = new QHBoxLayout(ClientWidget());
    row->setContentsMargins(3, 3, 3, 3);
    row->setSpacing(2);
    row->addWidget(Panel2->Widget());
    row->addWidget(Panel1->Widget());
    SetClientSize(115, 59);
    zones_.push_back(new DropZone(Panel2->Widget(), DragTypes({TDragType::dtCopy}), &OffersFiles,
                                  [this](const QMimeData& d) { DropFileTarget1Drop(d); }));
    zones_.push_back(new DropZone(Panel1->Widget(), DragTypes({TDragType::dtLink}), &OffersAddress,
                                  [this](const QMimeData& d) { DropURLTarget1Drop(d); }));
    OnClose = [this](TComponent*, TCloseAction& action) { FormClose(action); };
    OnShow = [this](TComponent*) { FormShow(); };
    FormCreate();
}

TCaptureForm::~TCaptureForm() = default;

void TCaptureForm::FormCreate() {
    if (TForm* main = Application().MainForm()) Application().SetHelpFile(main->HelpFile());
    const SettingsStore* s = frame_.Settings;
    const int left = s ? s->Nastavenia[Slot::CaptureLeft] : 0, top = s ? s->Nastavenia[Slot::CaptureTop] : 0;
    // A place stored on a screen that is gone, or smaller now, is brought back onto this one.
    TRect screen = Bounds(0, 0, 1024, 768);
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        const QRect r = primary->availableGeometry();
        screen = Bounds(r.x(), r.y(), r.width(), r.height());
    }
    TPoint at = ClampWindowPosition(left, top, Width(), Height(), screen);
    // No place stored yet: beside the frame window, where the user works, not in the corner.
    if (left == 0 && top == 0)
        if (TForm* main = Application().MainForm()) {
            const QRect f = main->Widget()->frameGeometry();
            at = CaptureStartPosition(Bounds(f.x(), f.y(), f.width(), f.height()), Width(), Height(), screen);
        }
    SetBounds(at.X, at.Y, Width(), Height());
}

void TCaptureForm::FormShow() {
    ApplyCaptions(*this, "TCaptureForm", Language());
    Panel2->SetShowHint(true);
    Panel1->SetShowHint(true);
}

void TCaptureForm::FormClose(TCloseAction& action) {
    if (SettingsStore* s = frame_.Settings) {
        s->Nastavenia[Slot::CaptureLeft] = Left();
        s->Nastavenia[Slot::CaptureTop] = Top();
    }
    action = TCloseAction::caFree;
    Application().Restore();
}

void TCaptureForm::ShowRefusals(const std::vector<std::pair<std::string, DropRefusal>>& refused) {
    if (refused.empty()) return;
    std::string text;
    for (const auto& [name, why] : refused) text += "\n" + name + "\n    " + DropRefusalText(why);
    const std::string title = CaptionText("TCaptureForm", "", TCaptionKind::Caption, Language()).value_or("");
    ShowMessageBox(GetMessageText(MessageId::NothingAdded) + text, title, MB_OK | MB_ICONWARNING);
}

bool TCaptureForm::RefusedWhileEditing() {
    TVolgaTable* links = data_.LinksTable;
    if (!links || !LinkEditOpen(*links)) return false;
    ShowMessageBox(GetMessageText(MessageId::LinkBeingEdited), Application().Title(), MB_OK | MB_ICONWARNING);
    return true;
}

int TCaptureForm::DropFileTarget1Drop(const QMimeData& data) {
    // The new links wait for the link typed in the links window to be saved or cancelled.
    if (RefusedWhileEditing()) return 0;
    const DroppedFiles dropped = ReadDroppedFiles(data);
    int added = 0;
    frame_.LinkEditMode = false;
    // Every file is a link of its own: one dialog after another, each filled with its file.
    for (const std::string& file : dropped.Files) {
        TNewLinkForm dialog(nullptr, data_, frame_);
        dialog.FillFromFile(file);
        if (dialog.ShowModal() == mrOk && dialog.Result().Saved) ++added;
    }
    std::vector<std::pair<std::string, DropRefusal>> refused = dropped.Refused;
    if (dropped.Files.empty() && refused.empty()) refused.emplace_back(std::string(), DropRefusal::NothingUsable);
    ShowRefusals(refused);
    return added;
}

bool TCaptureForm::DropURLTarget1Drop(const QMimeData& data) {
    if (RefusedWhileEditing()) return false;
    const DroppedAddress address = ReadDroppedUrl(data);
    if (!address.Ok()) {
        ShowRefusals({{std::string(), address.Refusal}});
        return false;
    }
    // One address dialog at a time: a new drop fills the one left open.
    if (!AddressDialog()) {
        addressDialog_ = new TNewLinkForm(nullptr, data_, frame_);
        addressDialog_->OnClose = [](TComponent*, TCloseAction& action) { action = TCloseAction::caFree; };
        addressWidget_ = addressDialog_->Widget();
    }
    frame_.LinkEditMode = false;
    addressDialog_->PathEdit->SetText(address.Url);
    addressDialog_->NameEdit->SetText(Utf8Left(address.Title, 50));
    addressDialog_->TypeEdit->SetText(Utf8Left(GetShellFileTypeName(address.Url), 40));
    addressDialog_->Show();
    return true;
}

} // namespace kvz
