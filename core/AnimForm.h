// The busy window shown while the program waits for a shared table: a small borderless window
// over the desktop's centre with "Send to server ....." and an animation of data going to a
// server. The animation is drawn by the program and moved on by a timer, so the event loop
// never waits for it.
#pragma once

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/Timer.h"

#include <string>

namespace kvz {

// Frame 0 to StopFrame of the drawn animation, over and over while Active.
class TAnimate : public TGraphicControl {
public:
    explicit TAnimate(TComponent* owner);
    bool Active() const { return timer_->Enabled(); }
    void SetActive(bool on);
    int StopFrame() const { return stopFrame_; }
    void SetStopFrame(int frame);
    int Frame() const { return frame_; }
    // The video the old program played ("conect.AVI"); there is no player for it here, so the
    // drawn animation always stands in.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& name) { fileName_ = name; }

protected:
    void Paint(TCanvas& canvas) override;

private:
    TTimer* timer_;
    int frame_ = 0, stopFrame_ = 10;
    std::string fileName_;
};

// Frame of frames (0-based) of the busy animation in rect: a computer on the left, a server on
// the right and a packet travelling between them.
void DrawBusyFrame(TCanvas& canvas, const TRect& rect, int frame, int frames);

class TAnimForm : public TForm {
public:
    explicit TAnimForm(TComponent* owner);
    // The raised frame that fills the borderless window.
    TPanel* Panel1;
    TLabel* Label1;
    TAnimate* Animate1;
};

} // namespace kvz
