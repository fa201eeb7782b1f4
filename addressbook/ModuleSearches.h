// What the find window and the filter dialog do in each module: the address book sorts by the
// chosen field and keeps it as the stored sort field; the links keep a field of their own; the
// report window lists and finds addresses by three fields. The module windows hand these out.
#pragma once

#include "addressbook/FieldChoices.h"
#include "core/ModuleServices.h"

#include <string>
#include <vector>

namespace kvz {

class TDataModule1;

class AddressSearch : public ModuleSearch {
public:
    AddressSearch(TDataModule1& data, FrameState& frame) : data_(data), frame_(frame) {}
    std::vector<FieldChoice> FindFields() const override;
    int FindFieldIndex(const std::vector<FieldChoice>& fields) const override;
    void FindFieldChosen(const std::vector<FieldChoice>& fields, int index) override;
    void FindText(const std::string& text) override;
    bool MovesAllowed() const override;
    TDataSet* FilterTable() const override;
    std::vector<FieldChoice> FilterFields() const override;
    std::optional<int> FilterFirstIndex(const std::vector<FieldChoice>& fields) const override;
    void FilterFieldChosen(const std::vector<FieldChoice>& fields, int index) override;
    void FilterApplied(const std::string& firstField) override;

private:
    TDataModule1& data_;
    FrameState& frame_;
};

class LinksSearch : public ModuleSearch {
public:
    LinksSearch(TDataModule1& data, FrameState& frame) : data_(data), frame_(frame) {}
    std::vector<FieldChoice> FindFields() const override { return LinkFieldChoices(); }
    int FindFieldIndex(const std::vector<FieldChoice>& fields) const override;
    void FindFieldChosen(const std::vector<FieldChoice>& fields, int index) override;
    void FindText(const std::string& text) override;
    TDataSet* FilterTable() const override;
    std::vector<FieldChoice> FilterFields() const override { return LinkFieldChoices(); }
    void FilterApplied(const std::string& firstField) override;
    // The field the links are sorted and searched by, kept apart from the address book's.
    const std::string& Field() const { return field_; }

private:
    TDataModule1& data_;
    FrameState& frame_;
    std::string field_ = "Name";
};

class ReportsSearch : public ModuleSearch {
public:
    ReportsSearch(TDataModule1& data, FrameState& frame) : data_(data), frame_(frame) {}
    std::vector<FieldChoice> FindFields() const override;
    int FindFieldIndex(const std::vector<FieldChoice>& fields) const override;
    void FindFieldChosen(const std::vector<FieldChoice>& fields, int index) override;
    void FindText(const std::string& text) override;

private:
    TDataModule1& data_;
    FrameState& frame_;
};

// The address field by which the report window lists and finds: Priezvisko and Firma as they
// are, Meno for the first name, Firma for any other.
std::string ReportListField(const std::string& field);

} // namespace kvz
