#include "printing/EnvelopeSetup.h"

#include "printing/AddressLayouts.h"

#include <algorithm>
#include <string>

namespace kvz {

namespace {

const TEnvelopeFormatInfo kFormats[] = {
    {"C6 - 114 x 162 mm", 114, 162.2, 135, {50, 1, 99}, {50, 99, 1}, 324, 264, 372, 265, 5, 5, 2, 3},
    {"C5 - 162 x 229 mm", 162, 229, 68, {24, 1, 47}, {24, 47, 1}, 524, 414, 572, 415, 9, 5, 4, 3},
    {"DL - 110 x 220 mm", 110, 220.1, 77, {52, 1, 103}, {52, 103, 1}, 524, 264, 572, 265, 9, 5, 4, 3},
};

// The bounds of the blocks in the miniature, in its pixels: the outline is 164 x 117 at 2, 3.
constexpr int kSenderTopMin = 10, kSenderTopMax = 90, kSenderLeftMin = 10, kSenderLeftMax = 40;
constexpr int kAddressLeftMin = 50, kAddressLeftMax = 105;
// The address block (30 high) is kept inside the outline as the sender block is.
constexpr int kAddressTopMin = 10, kAddressTopMax = 90;

TReportBand& Envelope(TReportLayout& envelopes) { return *envelopes.FindBand("DetailObalkyBand"); }

} // namespace

const TEnvelopeFormatInfo& EnvelopeFormat(int format) {
    return kFormats[format >= 0 && format < EnvelopeFormatCount() ? format : 0];
}

int EnvelopeFormatCount() { return int(std::size(kFormats)); }

void ChooseEnvelopeFormat(TReportLayout& envelopes, int format, int position) {
    const TEnvelopeFormatInfo& f = EnvelopeFormat(format);
    TPageSetup& page = envelopes.Page();
    page.LeftMargin = 0;
    page.RightMargin = f.FeedMargin;
    page.TopMargin = page.BottomMargin = f.Top[EnvelopeMiddle];
    Envelope(envelopes).SetHeight(f.BandHeight);
    Envelope(envelopes).SetWidth(f.BandWidth);
    TReportElement& address = envelopes.Element("QRDBText1");
    address.SetLeft(Px(f.ChosenLeft));
    address.SetTop(Px(f.ChosenTop));
    SetEnvelopePosition(envelopes, format, position);
}

void SetEnvelopePosition(TReportLayout& envelopes, int format, int position) {
    if (position < 0 || position > 2) return;
    const TEnvelopeFormatInfo& f = EnvelopeFormat(format);
    envelopes.Page().TopMargin = f.Top[position];
    envelopes.Page().BottomMargin = f.Bottom[position];
}

void SetEnvelopeFeedOffset(TReportLayout& envelopes, int format, int feed) {
    const double margin = EnvelopeFormat(format).FeedMargin;
    TPageSetup& page = envelopes.Page();
    if (feed == 0) {
        page.LeftMargin = margin;
        page.RightMargin = 0;
    } else if (feed == 1) {
        page.LeftMargin = 0;
        page.RightMargin = margin;
    }
}

void ResetEnvelopeFields(TReportLayout& envelopes, int format) {
    const TEnvelopeFormatInfo& f = EnvelopeFormat(format);
    TReportElement& address = envelopes.Element("QRDBText1");
    address.SetLeft(Px(f.ResetLeft));
    address.SetTop(Px(f.ResetTop));
    TReportElement& sender = envelopes.Element("QRLabel1");
    sender.SetLeft(Px(69));
    sender.SetTop(Px(32));
}

void RestoreEnvelopeFields(TReportLayout& envelopes, int format) {
    TReportElement& address = envelopes.Element("QRDBText1");
    address.SetFont(DefaultAddressFont());
    address.SetHeight(Px(103));
    envelopes.Element("QRLabel1").SetFont(address.Font());
    ResetEnvelopeFields(envelopes, format);
}

void TEnvelopeMiniature::MoveUp() {
    if (Selected == 1) AddressTop = std::max(AddressTop - 1, kAddressTopMin);
    else if (SenderTop > kSenderTopMin) --SenderTop;
}

void TEnvelopeMiniature::MoveDown() {
    if (Selected == 1) AddressTop = std::min(AddressTop + 1, kAddressTopMax);
    else if (SenderTop < kSenderTopMax) ++SenderTop;
}

void TEnvelopeMiniature::MoveLeft() {
    if (Selected == 1) {
        if (AddressLeft > kAddressLeftMin) --AddressLeft;
    } else if (SenderLeft > kSenderLeftMin) {
        --SenderLeft;
    }
}

void TEnvelopeMiniature::MoveRight() {
    if (Selected == 1) {
        if (AddressLeft < kAddressLeftMax) ++AddressLeft;
    } else if (SenderLeft < kSenderLeftMax) {
        ++SenderLeft;
    }
}

void TEnvelopeMiniature::Clamp() {
    AddressLeft = std::clamp(AddressLeft, kAddressLeftMin, kAddressLeftMax);
    AddressTop = std::clamp(AddressTop, kAddressTopMin, kAddressTopMax);
    SenderLeft = std::clamp(SenderLeft, kSenderLeftMin, kSenderLeftMax);
    SenderTop = std::clamp(SenderTop, kSenderTopMin, kSenderTopMax);
}

void ShiftEnvelopeFields(TReportLayout& envelopes, int format, const TEnvelopeMiniature& m) {
    const TEnvelopeFormatInfo& f = EnvelopeFormat(format);
    ResetEnvelopeFields(envelopes, format);
    const int dxAddress = (m.AddressLeft - m.AddressLeft0) * f.AddressFactorX;
    const int dyAddress = (m.AddressTop - m.AddressTop0) * f.AddressFactorY;
    const int dxSender = (m.SenderLeft - m.SenderLeft0) * f.SenderFactorX;
    const int dySender = (m.SenderTop - m.SenderTop0) * f.SenderFactorY;
    // As many names as the layout has elements; names that are not there are skipped.
    size_t count = 0;
    for (const auto& band : envelopes.Bands()) count += band->Elements().size();
    for (size_t i = 1; i <= count; ++i) {
        if (TReportElement* e = envelopes.FindElement("QRDBText" + std::to_string(i));
            e && e->Kind() == TElementKind::DBText) {
            e->SetLeft(e->Left() + Px(dxAddress));
            e->SetTop(e->Top() + Px(dyAddress));
        }
        if (TReportElement* e = envelopes.FindElement("QRLabel" + std::to_string(i));
            e && e->Kind() == TElementKind::Label) {
            e->SetLeft(e->Left() + Px(dxSender));
            e->SetTop(e->Top() + Px(dySender));
        }
    }
}

} // namespace kvz
