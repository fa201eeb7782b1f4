// Controls that pick one record of a lookup dataset by what it shows while they hold and write
// the record's key: the lookup list, and the lookup combo with its drop-down list. Typed
// letters search the shown field; an optional empty row stands for no choice.
#pragma once

#include "controls/KvLookupModel.h"
#include "engine/DbUtils.h"
#include "platform/data/DB.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Timer.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QScrollBar;

namespace kvz {

enum class TLookupListStyle { lsFixed, lsDelimited };

class TIcon;

// The picture of a row as OnGetImage gives it: a bitmap (drawn in its transparent colour), an
// icon (at its own size, the image that fits the screen best) or another picture. The window
// keeps it alive while the control shows it.
struct TItemImage {
    const TBitmap* Bitmap = nullptr;
    const TIcon* Icon = nullptr;
    TGraphic* Graphic = nullptr;
    bool Empty() const { return !Bitmap && !Icon && !Graphic; }
};
// isEmpty: the row stands for no choice; textMargin: the pixels at the left kept for the picture.
using TGetImageEvent = std::function<void(TComponent* sender, bool isEmpty, TItemImage& graphic, int& textMargin)>;
// Draws the picture centred in the rectangle, clipped to it.
void DrawItemImage(TCanvas& canvas, const TRect& rect, const TItemImage& image);

// What the lookup list and combo share: the data field that receives the key, the lookup
// dataset with its key and shown fields, the current key and its shown text, the search.
class TKvLookupControl : public TWinControl {
public:
    ~TKvLookupControl() override;

    TDataSource* DataSource() const { return dataLink_->DataSource(); }
    void SetDataSource(TDataSource* source);
    const std::string& DataField() const { return dataField_; }
    void SetDataField(const std::string& name);
    // Empty and none while DataField names a lookup field, which defines them.
    TDataSource* LookupSource() const;
    void SetLookupSource(TDataSource* source);
    std::string LookupField() const;
    void SetLookupField(const std::string& name);
    // Names of the shown fields, separated by ";".
    const std::string& LookupDisplay() const { return lookupDisplay_; }
    void SetLookupDisplay(const std::string& names);
    // Which shown field a record is searched and shown by.
    int LookupDisplayIndex() const { return lookupDisplayIndex_; }
    void SetLookupDisplayIndex(int index);
    // The chosen key as text (EmptyValue when nothing is chosen); setting it shows its record.
    const std::string& Value() const { return keyValue_; }
    void SetValue(const std::string& key);
    // The shown field's text of the chosen record.
    const std::string& DisplayValue() const { return shownText_; }
    const std::string& DisplayEmpty() const { return displayEmpty_; }
    void SetDisplayEmpty(const std::string& caption);
    const std::string& EmptyValue() const { return emptyValue_; }
    void SetEmptyValue(const std::string& value);
    TColor EmptyItemColor() const { return emptyItemColor_; }
    void SetEmptyItemColor(TColor color);
    bool IgnoreCase() const { return ignoreCase_; }
    void SetIgnoreCase(bool on) { ignoreCase_ = on; }
    // Whether a search may switch the lookup dataset to an index on the searched field; handed
    // to the locate object at each search (the program's own locate object always scans).
    bool IndexSwitch() const { return indexSwitch_; }
    void SetIndexSwitch(bool on) { indexSwitch_ = on; }
    int ItemHeight() const { return itemHeight_; }
    virtual void SetItemHeight(int height);
    char FieldsDelimiter() const { return fieldsDelimiter_; }
    virtual void SetFieldsDelimiter(char delimiter);
    TLookupListStyle ListStyle() const { return listStyle_; }
    virtual void SetListStyle(TLookupListStyle style);
    bool ReadOnly() const { return dataLink_->ReadOnly(); }
    void SetReadOnly(bool on) { dataLink_->SetReadOnly(on); }
    bool LookupReady() const { return lookupReady_; }
    const std::string& TypedPrefix() const { return search_.TypedPrefix(); }
    // Whether the user may choose a key now.
    bool MayModify() const;
    // The shown fields and the one that identifies a record.
    const std::vector<TField*>& ShownFields() const { return shownFields_; }
    TField* ShownField() const { return shownField_; }
    TDataSet* LookupDataSet() const;

    // After a key was chosen or cleared by the user.
    TNotifyEvent OnChange;
    // The picture of a row; the fields of the lookup dataset read the row's record.
    TGetImageEvent OnGetImage;

protected:
    TKvLookupControl(TComponent* owner, QWidget* widget);

    virtual void ApplyValue() {}
    virtual void BindLookupFields();
    virtual void LookupRowsChanged() {}
    virtual void EmptyTextChanged(const std::string& caption) { (void)caption; }
    virtual void ClearValue();
    // A key was chosen or cleared: OnClick (the combo adds OnChange).
    virtual void Chosen();
    // The picture of a row and the margin kept for it (OnGetImage); current: the chosen
    // record's, which the combo keeps.
    virtual TItemImage GetItemImage(bool current, bool empty, int& textMargin);
    bool FieldLookupMode() const { return fieldLookupMode_; }

    bool EmptyRowShown() const { return !displayEmpty_.empty(); }
    bool KeyEmpty() const { return keyValue_ == emptyValue_; }
    // Nothing chosen (a key whose record is not found).
    void ForgetKey() { keyValue_ = emptyValue_; }
    // Finds the key's record, or the shown text's record, in the lookup dataset.
    bool LocateKey();
    bool LocateShownText();
    bool Locate(TField* field, const std::string& text, bool exact);
    void ChooseKey(const std::string& key);
    void RefreshShownText();
    // A typed character for the search (Backspace and printable characters; Tab and Escape
    // clear it).
    void SearchKey(char32_t key);
    TLookupSearch& Search() { return search_; }
    TDataLink& LookupLink() const;
    TField* LookupKeyField() const { return lookupKeyField_; }
    void ReloadKey(TField* changed);
    void Notification(TComponent* component, TOperation operation) override;
    bool inPopup_ = false;

private:
    class DataSideLink;
    class LookupSideLink;
    void BindDataField();
    void CheckCircular() const;
    // A lookup field defines the lookup dataset and key: they are not set apart from it.
    void CheckLookupSettable() const;
    void SetKeyValue(const std::string& key);

    std::unique_ptr<TDataLink> dataLink_, lookupLink_;
    std::unique_ptr<TDataSource> internalSource_;
    std::unique_ptr<TLocateObject> locator_;
    std::string dataField_, lookupField_, lookupDisplay_;
    int lookupDisplayIndex_ = 0;
    TField* boundField_ = nullptr;
    TField* targetField_ = nullptr;
    TField* lookupKeyField_ = nullptr;
    TField* shownField_ = nullptr;
    std::vector<TField*> shownFields_;
    std::string keyValue_, shownText_, displayEmpty_, emptyValue_;
    TColor emptyItemColor_ = clWindow;
    bool lookupReady_ = false, fieldLookupMode_ = false;
    bool indexSwitch_ = true, ignoreCase_ = true;
    int itemHeight_ = 0;
    char fieldsDelimiter_ = ',';
    TLookupListStyle listStyle_ = TLookupListStyle::lsFixed;
    TLookupSearch search_;
};

class TKvDBLookupCombo;

// A list of lookup records, one per row, with the empty row on top when DisplayEmpty is set.
class TKvDBLookupList : public TKvLookupControl {
public:
    explicit TKvDBLookupList(TComponent* owner);
    ~TKvDBLookupList() override;

    // Rows in view: 1 to 50; the height follows.
    int RowCount() const { return rows_; }
    void SetRowCount(int rows);
    int RowHeight() const;
    void SetItemHeight(int height) override;
    // The row of the chosen record in view (-1 none; the empty row not counted).
    int CurrentIndex() const;
    // The scroll timer while the mouse drags outside the list (tests read its interval).
    const TTimer& ScrollTimer() const { return *scrollTimer_; }

protected:
    TKvDBLookupList(TComponent* owner, QWidget* widget);
    void ApplyValue() override;
    void BindLookupFields() override;
    void LookupRowsChanged() override;
    void EmptyTextChanged(const std::string& caption) override;
    void Paint(TCanvas& canvas) override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Resize() override;
    void FontChanged() override;
    void DoEnter() override;
    void DoExit() override;
    virtual void DrawRowText(TCanvas& canvas, const TRect& rect, bool selected, bool empty);
    // The mouse was released over the list (a pop-up list closes).
    virtual void Released(bool inside) { (void)inside; }

private:
    void Init();
    void ReadBuffer();
    void UpdateScrollBar();
    void FitHeight();
    void Scroll(int action);
    void SelectRowAt(int y);
    void PickCurrent();
    void StopTracking();
    void ScrollTick();
    int ListWidth() const;
    int BarWidth() const;

    QScrollBar* scrollBar_ = nullptr;
    TTimer* scrollTimer_ = nullptr;
    int rows_ = 7;
    int bufferIndex_ = 0, bufferRecords_ = 0;
    bool keyShown_ = false, tracking_ = false, holdPosition_ = false, pickEmpty_ = false;
    int mouseY_ = 0;
    bool fitting_ = false;
};

// The list a lookup combo drops down: a borderless window that never takes the focus.
class TKvPopupDataList : public TKvDBLookupList {
public:
    explicit TKvPopupDataList(TKvDBLookupCombo* combo);
    TKvDBLookupCombo* Combo() const { return combo_; }
    // Keys the combo hands over while the list is open.
    void ListKeyDown(uint16_t& key, TShiftState shift) { KeyDown(key, shift); }
    void ListKeyPress(char32_t& key) { KeyPress(key); }
    void ClearSearch() { Search().Clear(); }

protected:
    void Released(bool inside) override;
    void Chosen() override;

private:
    TKvDBLookupCombo* combo_;
};

// A one-line box showing the chosen record, with a button that drops down its list.
class TKvDBLookupCombo : public TKvLookupControl {
public:
    explicit TKvDBLookupCombo(TComponent* owner);
    ~TKvDBLookupCombo() override;

    // The shown text of the chosen record (DisplayEmpty when none).
    const std::string& Text() const { return text_; }
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int count) { dropDownCount_ = count; }
    // > 0 that width; < 0 wide enough for the shown fields; 0 the combo's width.
    int DropDownWidth() const { return dropDownWidth_; }
    void SetDropDownWidth(int width) { dropDownWidth_ = width; }
    TDropDownAlign DropDownAlign() const { return dropDownAlign_; }
    void SetDropDownAlign(TDropDownAlign align) { dropDownAlign_ = align; }
    bool EscapeClear() const { return escapeClear_; }
    void SetEscapeClear(bool on) { escapeClear_ = on; }
    // Shows every shown field of the chosen record: side by side in columns (lsFixed) or
    // joined by FieldsDelimiter. Never for a lookup field.
    bool DisplayAllFields() const { return displayAllFields_; }
    void SetDisplayAllFields(bool on);
    void SetListStyle(TLookupListStyle style) override;
    void SetFieldsDelimiter(char delimiter) override;
    bool ListVisible() const { return popupShown_; }
    TKvPopupDataList* List() const { return list_; }
    void DropDown();
    void CloseUp(bool accept);

    TNotifyEvent OnDropDown, OnCloseUp;

protected:
    void ApplyValue() override;
    void BindLookupFields() override;
    void LookupRowsChanged() override;
    void EmptyTextChanged(const std::string& caption) override;
    void ClearValue() override;
    void Chosen() override;
    TItemImage GetItemImage(bool current, bool empty, int& textMargin) override;
    void Paint(TCanvas& canvas) override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void DoExit() override;
    void Resize() override;

private:
    friend class TKvPopupDataList;
    void ShowRecord();
    void RefreshPicture();
    int ButtonWidth() const;

    TKvPopupDataList* list_;
    std::string text_;
    int dropDownCount_ = 8, dropDownWidth_ = 0;
    TDropDownAlign dropDownAlign_ = TDropDownAlign::daLeft;
    bool escapeClear_ = true, displayAllFields_ = false, popupShown_ = false;
    TAlignment textAlignment_ = taLeftJustify;
    std::vector<TLookupColumn> columns_;
    TItemImage picture_;
    int pictureMargin_ = 0;
};

} // namespace kvz
