// Builds a control of a window in code: made with its owner (which frees it), named as the
// window calls it, and shown inside its parent when one is given.
#pragma once

#include "platform/forms/Controls.h"

#include <utility>

namespace kvz {

template <class T, class... A>
T* MakeControl(TComponent* owner, TWinControl* parent, const char* name, A&&... args) {
    T* control = new T(owner, std::forward<A>(args)...);
    control->SetName(name);
    if (parent) control->SetParent(parent);
    return control;
}

} // namespace kvz
