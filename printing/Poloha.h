// The feed picture: how to put the envelope into the printer for its position and the
// printer's feed.
#pragma once

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

namespace kvz {

class TFeedPicture;

class TPolohaObalkyForm : public TForm {
public:
    // position: 0 middle, 1 right, 2 left; feed: the printer's feed setting.
    TPolohaObalkyForm(TComponent* owner, int position, int feed);
    TLabel* Label1;
    TButton* BitBtn1;
    TFeedPicture* Panel1;
    // Where the pictures stand (Image2 the envelope, Image3/Image4 the arrows), as the window shows them.
    int EnvelopeLeft = 34, PicturesTop = 6;
    bool ArrowAbove = true;
};

} // namespace kvz
