#include "printing/TaskReportSelection.h"

#include "addressbook/FilterText.h"
#include "core/Messages.h"
#include "platform/report/ReportDataFeed.h"

#include <algorithm>

namespace kvz {

namespace {

// A term of the filter: the field, the operator and the value in double quotes (a quote in
// the value doubled), with no blanks between.
std::string Term(const char* field, const char* op, std::string_view value) {
    return std::string(field) + op + QuotedFilterName(value);
}

std::vector<std::string> Values(TDataSet* table, const char* field) {
    std::vector<std::string> values;
    if (table && table->Active()) ForEachRecord(*table, [&] { values.push_back(table->FieldByName(field).AsString()); });
    return values;
}

void SetFilter(TVolgaTable* table, const std::string& text) {
    if (!table) return;
    table->SetFilterText(text);
    table->SetFiltered(!text.empty());
}

} // namespace

bool HoldsDate(std::string_view dateText) {
    return std::any_of(dateText.begin(), dateText.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string TaskFilterText(const TTaskChoice& choice) {
    std::vector<std::string> terms;
    if (choice.ProjectIndex > 0) terms.push_back(Term("Project", "=", choice.Project));
    if (choice.SubProjectIndex > 0) terms.push_back(Term("SubProject", "=", choice.SubProject));
    if (HoldsDate(choice.DateFrom)) terms.push_back(Term("Date", ">=", choice.DateFrom));
    if (HoldsDate(choice.DateTo)) terms.push_back(Term("Date", "<=", choice.DateTo));
    if (choice.OwnerIndex > 0) terms.push_back(Term("Owner", "=", choice.Owner));
    std::string text;
    for (const std::string& term : terms) text += (text.empty() ? "" : " and ") + term;
    return text;
}

TTaskSelection::TTaskSelection(const TTaskTables& tables) : tables_(tables) {
    if (tables_.Tasks) {
        taskFilter_ = tables_.Tasks->OnFilterRecord();
        tables_.Tasks->SetOnFilterRecord(nullptr);
    }
}

TTaskSelection::~TTaskSelection() {
    try {
        Close();
    } catch (...) { // a table closed under us: nothing left to put back
    }
}

std::vector<std::string> TTaskSelection::ProjectItems() const {
    std::vector<std::string> items{GetMessageText(MessageId::AllModules)};
    for (std::string& name : Values(tables_.Projects, "ProjectName")) items.push_back(std::move(name));
    return items;
}

std::vector<std::string> TTaskSelection::SubProjectItems(const std::string& projectText) {
    std::vector<std::string> items{GetMessageText(MessageId::AllModules)};
    TVolgaTable* projects = tables_.Projects;
    TVolgaTable* subs = tables_.SubProjects;
    if (!projects || !projects->Active() || !subs || !subs->Active()) return items;
    // A whole name only: a leading part would let "All" stand for "Allegro".
    projects->Locate("ProjectName", Variant(projectText), loCaseInsensitive);
    if (projects->IsEmpty()) return items;
    SetFilter(subs, "ProjectName=" + QuotedFilterName(projects->FieldByName("ProjectName").AsString()));
    for (std::string& name : Values(subs, "SubProjectName")) items.push_back(std::move(name));
    return items;
}

std::vector<std::string> TTaskSelection::OwnerItems(const std::string& logonName) const {
    std::vector<std::string> items{GetMessageText(MessageId::AllModules)};
    std::vector<std::string> owners = Values(tables_.Owners, "OwnerName");
    if (owners.empty()) return items;
    items.push_back(logonName);
    for (std::string& name : owners) items.push_back(std::move(name));
    return items;
}

void TTaskSelection::Select(const TTaskChoice& choice) { SetFilter(tables_.Tasks, TaskFilterText(choice)); }

void TTaskSelection::ShowAll() {
    if (tables_.Tasks) tables_.Tasks->SetFiltered(false);
}

void TTaskSelection::Close() {
    if (closed_) return;
    closed_ = true;
    if (tables_.Tasks) {
        tables_.Tasks->SetFilterText("");
        tables_.Tasks->SetFiltered(false);
        if (!tables_.Tasks->OnFilterRecord()) tables_.Tasks->SetOnFilterRecord(taskFilter_);
    }
    if (tables_.SubProjects) {
        tables_.SubProjects->SetFilterText("");
        tables_.SubProjects->SetFiltered(false);
    }
}

} // namespace kvz
