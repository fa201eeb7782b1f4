// The envelope layout's geometry: the formats, the envelope's place in the printer, the
// printer's feed, and the address and sender fields moved after the miniature of the report
// window. Plain functions over the envelope layout (AddressLayouts.h).
#pragma once

#include "platform/report/ReportLayout.h"

namespace kvz {

enum TEnvelopeFormat { EnvelopeC6 = 0, EnvelopeC5 = 1, EnvelopeDL = 2 };
// The envelope's place in the printer: the report window's position items.
enum TEnvelopePosition { EnvelopeMiddle = 0, EnvelopeRight = 1, EnvelopeLeft = 2 };

struct TEnvelopeFormatInfo {
    const char* Caption;
    double BandHeight, BandWidth; // mm
    double FeedMargin;            // mm; with the band's width it makes the 297 of the sheet
    double Top[3], Bottom[3];     // mm, by position
    int ChosenLeft, ChosenTop;    // layout pixels of the address when the format is chosen
    int ResetLeft, ResetTop;      // ... before each preview and print, and after a restore
    int AddressFactorX, AddressFactorY, SenderFactorX, SenderFactorY; // layout pixels per miniature pixel
};

// The format's row; a number outside 0..2 is C6.
const TEnvelopeFormatInfo& EnvelopeFormat(int format);
int EnvelopeFormatCount();

// ObalkaComboBoxClick: margins, band size and address field for the format, then the margins
// of the position.
void ChooseEnvelopeFormat(TReportLayout& envelopes, int format, int position);
// ZmenPolohuObalky: top and bottom margins by the position.
void SetEnvelopePosition(TReportLayout& envelopes, int format, int position);
// SetEnvelopeFeedOffset: the side margins by the printer's feed (0: fed on the left, 1: on the
// right); any other value changes nothing.
void SetEnvelopeFeedOffset(TReportLayout& envelopes, int format, int feed);
// NulujObalky: the address and sender fields at their default places for the format.
void ResetEnvelopeFields(TReportLayout& envelopes, int format);

// The miniature of the envelope in the report window: the address and sender blocks in
// pixels of the miniature, moved by mouse and up-downs within the envelope's outline.
struct TEnvelopeMiniature {
    static constexpr int AddressLeft0 = 90, AddressTop0 = 71, SenderLeft0 = 12, SenderTop0 = 12;
    int AddressLeft = AddressLeft0, AddressTop = AddressTop0;
    int SenderLeft = SenderLeft0, SenderTop = SenderTop0;
    int Selected = 1; // 1 the address block, 2 the sender block
    // One pixel of the selected block; each axis stays within the block's bounds.
    void MoveUp();
    void MoveDown();
    void MoveLeft();
    void MoveRight();
    // Keeps stored positions within the bounds.
    void Clamp();
    bool operator==(const TEnvelopeMiniature&) const = default;
};

// DoladObalky: the fields at their default places, then moved by the blocks' offsets from
// their references (the data fields QRDBText1, 2, ... by the address block, the labels
// QRLabel1, 2, ... by the sender block).
void ShiftEnvelopeFields(TReportLayout& envelopes, int format, const TEnvelopeMiniature& miniature);

// ObnovNastavenie's part for the envelope: Arial 11 bold address of 103 pixels, the sender in
// the address's font at 69, 32, the address at the reset place of the format.
void RestoreEnvelopeFields(TReportLayout& envelopes, int format);

} // namespace kvz
