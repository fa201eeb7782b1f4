#include "scheduling/TaskSelection.h"

namespace kvz {

SelectionShow TaskSelection::MouseDown() {
    keys_.clear();
    tag_ = 0;
    selecting_ = true;
    return SelectionShow::TaskFor;
}

SelectionShow TaskSelection::MouseMove(const std::string& key) {
    if (!selecting_ || key.empty() || key == last_) return SelectionShow::Nothing;
    keys_.push_back(key);
    last_ = key;
    return keys_.size() > 1 ? SelectionShow::Range : SelectionShow::Nothing;
}

void TaskSelection::MouseUp() {
    selecting_ = false;
    last_ = kNoLastSelectedKey;
    if (keys_.size() > 1) tag_ = 1;
}

SelectionShow TaskSelection::KeyDown(bool shift, const std::string& key) {
    if (!shift) {
        tag_ = 0;
        keys_.clear();
        return SelectionShow::TaskFor;
    }
    if (key.empty() || key == last_) return SelectionShow::Nothing;
    keys_.push_back(key);
    last_ = key;
    // One cell chosen by the keyboard is a choice too.
    tag_ = 1;
    return SelectionShow::Range;
}

void TaskSelection::Clear() {
    keys_.clear();
    tag_ = 0;
    selecting_ = false;
    last_ = kNoLastSelectedKey;
}

std::string SelectionRangeText(const std::string& firstDate, const std::string& lastDate, int language) {
    const char* head = language == 2 ? "Upravuje sa : " : language == 3 ? "Upravuje se : " : "Edit tasks for : ";
    return head + firstDate + " .. " + lastDate + " ";
}

} // namespace kvz
