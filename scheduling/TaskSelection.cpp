#include "scheduling/TaskSelection.h"

#include "platform/data/DB.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

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

std::vector<std::string> SeriesOfChosen(std::vector<ChosenTask> tasks) {
    if (tasks.size() < 2) return {};
    std::sort(tasks.begin(), tasks.end(), [](const ChosenTask& a, const ChosenTask& b) { return a.Day < b.Day; });
    std::vector<std::string> keys;
    for (size_t i = 0; i < tasks.size(); ++i) {
        const ChosenTask& t = tasks[i];
        if (t.Key.empty()) return {};
        if (i > 0) {
            const ChosenTask& before = tasks[i - 1];
            if (std::floor(t.Day) - std::floor(before.Day) != 1 || t.Time != before.Time || t.Text != before.Text)
                return {};
        }
        keys.push_back(t.Key);
    }
    return keys;
}

std::vector<std::string> SeriesOfChosen(TDataSet& tasks, const std::vector<std::string>& keys) {
    if (keys.size() < 2 || !tasks.Active()) return {};
    const std::string current = tasks.IsEmpty() ? std::string() : tasks.FieldByName("Number").AsString();
    std::vector<ChosenTask> chosen;
    bool found = true;
    for (const std::string& key : keys) {
        found = !key.empty() && tasks.Locate("Number", Variant(key), 0) && tasks.FieldByName("Number").AsString() == key;
        if (!found) break;
        chosen.push_back({key, tasks.FieldByName("Date").AsDateTime(), tasks.FieldByName("Time").AsString(),
                          tasks.FieldByName("Uloha").AsString()});
    }
    if (!current.empty()) tasks.Locate("Number", Variant(current), 0);
    return found ? SeriesOfChosen(std::move(chosen)) : std::vector<std::string>{};
}

std::vector<std::string> DistinctKeys(std::vector<std::string> keys) {
    std::unordered_set<std::string> seen;
    std::erase_if(keys, [&](const std::string& key) { return key.empty() || !seen.insert(key).second; });
    return keys;
}

std::string SelectionRangeText(const std::string& firstDate, const std::string& lastDate, int language) {
    const char* head = language == 2 ? "Upravuje sa : " : language == 3 ? "Upravuje se : " : "Edit tasks for : ";
    return head + firstDate + " .. " + lastDate + " ";
}

} // namespace kvz
