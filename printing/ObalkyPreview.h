// The envelope preview: one envelope at 3 pixels per millimetre, with the address and the
// sender as they print, stepping from record to record; it prints, opens and saves through
// the report window.
#pragma once

#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/report/PreparedReport.h"

namespace kvz {

class TZostavyChildForm;
class TEnvelopePaintBox;

class TObalkyPreviewForm : public TForm {
public:
    // The pages are the envelopes of the records, one a page.
    TObalkyPreviewForm(TComponent* owner, TZostavyChildForm& reports, TPreparedReport pages);

    void ToolButton1Click(); // first
    void ToolButton2Click(); // prior
    void ToolButton3Click(); // next
    void ToolButton4Click(); // last
    void ToolButton5Click(); // printer set-up
    void ToolButton6Click(); // print
    void ToolButton7Click(); // open
    void ToolButton8Click(); // save

    int Record() const { return record_; }
    int Count() const { return int(pages_.Pages.size()); }
    // The envelope's outline on the drawing area, in its pixels.
    TRect Outline() const;
    // The drawing area's corner in the window.
    TPoint DrawingOrigin() const;
    const TPreparedPage* Page() const { return pages_.Pages.empty() ? nullptr : &pages_.Pages[size_t(record_)]; }
    const TPreparedReport& Pages() const { return pages_; }
    // The envelope's corner on the paper and its size, in hundredths of a millimetre.
    int32_t EnvelopeLeft = 0, EnvelopeTop = 0, EnvelopeWidth = 0, EnvelopeHeight = 0;

    TButton* ToolButton1;
    TButton* ToolButton2;
    TButton* ToolButton3;
    TButton* ToolButton4;
    TButton* ToolButton5;
    TButton* ToolButton6;
    TButton* ToolButton7;
    TButton* ToolButton8;
    TButton* Button1;
    TEnvelopePaintBox* PaintBox1;
    TStatusBar* StatusBar1;

private:
    void Go(int record);
    TZostavyChildForm& reports_;
    TPreparedReport pages_;
    int record_ = 0;
};

// The drawing of one envelope: the outline and the page's items, all from the one origin.
void PaintEnvelope(QPainter& painter, const TObalkyPreviewForm& preview, int width, int height);

} // namespace kvz
