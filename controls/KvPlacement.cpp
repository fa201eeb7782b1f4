#include "controls/KvPlacement.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QWidget>

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <sstream>

namespace kvz {

namespace fs = std::filesystem;

TIniStorage::TIniStorage(fs::path file) : file_(std::move(file)) {}

TRegIniStorage::TRegIniStorage(std::string key) : TIniStorage(RegistryFileName()), key_(std::move(key)) {}

std::string TRegIniStorage::SectionName(std::string_view section) const {
    return section.empty() ? key_ : key_ + "\\" + std::string(section);
}

fs::path UserConfigFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return fs::path(xdg);
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : ".") / ".config";
}

fs::path RegistryFileName() { return UserConfigFolder() / "kvzirt" / "registry.ini"; }

std::string ReadIniOrRegString(TIniStorage* storage, std::string_view section, std::string_view key, std::string_view def) {
    if (!storage) return std::string(def);
    return storage->File().ReadString(storage->SectionName(section), key, def);
}

int ReadIniOrRegInteger(TIniStorage* storage, std::string_view section, std::string_view key, int def) {
    if (!storage) return def;
    return storage->File().ReadInteger(storage->SectionName(section), key, def);
}

void WriteIniOrRegString(TIniStorage* storage, std::string_view section, std::string_view key, std::string_view value) {
    if (!storage) return;
    std::string v(value);
    const bool file = !dynamic_cast<TRegIniStorage*>(storage);
    // A profile file drops one pair of quotes when it is read.
    if (file && v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = '"' + v + '"';
    storage->File().WriteString(storage->SectionName(section), key, v);
}

void WriteIniOrRegInteger(TIniStorage* storage, std::string_view section, std::string_view key, int value) {
    if (storage) storage->File().WriteInteger(storage->SectionName(section), key, value);
}

void EraseIniOrRegSection(TIniStorage* storage, std::string_view section) {
    if (storage) storage->File().EraseSection(storage->SectionName(section));
}

std::string ClassNameOf(const TComponent& component) {
    const char* raw = typeid(component).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(raw, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : raw;
    std::free(demangled);
    size_t colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

std::string ComponentIniName(const TComponent* component) {
    if (!component) return {};
    if (dynamic_cast<const TForm*>(component)) return ClassNameOf(*component);
    if (auto* control = dynamic_cast<const TControl*>(component)) {
        if (TForm* form = control->ParentForm()) return ClassNameOf(*form) + control->Name();
        if (control->Parent()) return control->Parent()->Name() + control->Name();
        return control->Name();
    }
    if (auto* form = dynamic_cast<const TForm*>(component->Owner())) return ClassNameOf(*form) + "." + component->Name();
    return component->Name();
}

std::string DefaultIniFileName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString() + ".INI";
}

std::string DefaultRegistryKey() {
    return "Software\\" + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();
}

std::string ScreenSizeSuffix() {
    return "(" + std::to_string(Screen().Width()) + "x" + std::to_string(Screen().Height()) + ")";
}

std::string ReadScreenKey(TIniStorage* storage, std::string_view section, std::string_view key) {
    std::string value = ReadIniOrRegString(storage, section, std::string(key) + ScreenSizeSuffix(), "");
    return value.empty() ? ReadIniOrRegString(storage, section, key, "") : value;
}

void WriteScreenKey(TIniStorage* storage, std::string_view section, std::string_view key, std::string_view value) {
    WriteIniOrRegString(storage, section, key, value);
    WriteIniOrRegString(storage, section, std::string(key) + ScreenSizeSuffix(), value);
}

namespace {

constexpr int SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3;

// Where the window stands now: the user may have moved it since its Left and Top were set.
QRect NormalRectOf(const TForm& form) {
    QWidget* w = form.Widget();
    if ((w->isMaximized() || w->isMinimized()) && w->normalGeometry().isValid()) return w->normalGeometry();
    if (w->isVisible()) return QRect(w->pos(), w->size());
    return QRect(form.Left(), form.Top(), form.Width(), form.Height());
}

// The numbers of a stored text, split at blanks and commas.
std::vector<int> NumbersOf(const std::string& text) {
    std::string spaced = text;
    std::replace(spaced.begin(), spaced.end(), ',', ' ');
    std::istringstream in(spaced);
    std::vector<int> numbers;
    int n;
    while (in >> n) numbers.push_back(n);
    return numbers;
}

} // namespace

void SaveFormPlacement(TForm& form, TIniStorage* storage, std::string_view section) {
    int showCmd = SW_SHOWNORMAL;
    if (form.WindowState() == TWindowState::wsMinimized) showCmd = SW_SHOWMINIMIZED;
    if (form.WindowState() == TWindowState::wsMaximized) showCmd = SW_SHOWMAXIMIZED;
    if (Application().MainForm() == &form && Application().Minimized()) showCmd = SW_SHOWMINIMIZED;
    const QRect r = NormalRectOf(form);
    char normPos[64];
    std::snprintf(normPos, sizeof normPos, "%d,%d,%d,%d", r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    WriteIniOrRegInteger(storage, section, "Flags", 0);
    WriteIniOrRegInteger(storage, section, "ShowCmd", showCmd);
    WriteIniOrRegInteger(storage, section, "PixelsPerInch", Screen().PixelsPerInch());
    WriteScreenKey(storage, section, "MinMaxPos", "-1,-1,-1,-1");
    WriteScreenKey(storage, section, "NormPos", normPos);
}

void RestoreFormPlacement(TForm& form, TIniStorage* storage, std::string_view section, bool restorePosition,
                          bool restoreState) {
    if (!restorePosition && !restoreState) return;
    if (restorePosition) {
        const std::string minMax = ReadScreenKey(storage, section, "MinMaxPos");
        const std::string norm = ReadScreenKey(storage, section, "NormPos");
        const int ppi = ReadIniOrRegInteger(storage, section, "PixelsPerInch", Screen().PixelsPerInch());
        if ((!minMax.empty() || !norm.empty()) && ppi == Screen().PixelsPerInch()) {
            std::vector<int> n = NumbersOf(norm);
            const int defaults[4] = {form.Left(), form.Top(), form.Left() + form.Width(), form.Top() + form.Height()};
            for (size_t i = n.size(); i < 4; ++i) n.push_back(defaults[i]);
            TRect r = Rect(n[0], n[1], n[2], n[3]);
            const TFormBorderStyle border = form.BorderStyle();
            if (border != TFormBorderStyle::bsSizeable && border != TFormBorderStyle::bsSizeToolWin)
                r = Bounds(r.Left, r.Top, form.Width(), form.Height());
            if (r.Left < r.Right) {
                if (form.Position() == TPosition::poScreenCenter || form.Position() == TPosition::poDesktopCenter)
                    form.SetPosition(TPosition::poDesigned);
                form.SetBounds(r.Left, r.Top, r.Width(), r.Height());
            }
        }
    }
    if (restoreState) {
        const bool mainOrNone = !Application().MainForm() || Application().MainForm() == &form;
        TWindowState state = mainOrNone && form.Position() == TPosition::poDefault ? TWindowState::wsMaximized
                                                                                  : TWindowState::wsNormal;
        switch (ReadIniOrRegInteger(storage, section, "ShowCmd", 0)) {
        case 1: case 5: case 9: state = TWindowState::wsNormal; break;
        case 2: case 6: case 7: state = TWindowState::wsMinimized; break;
        case 3: state = TWindowState::wsMaximized; break;
        default: break;
        }
        if (state == TWindowState::wsMinimized && mainOrNone) {
            form.SetWindowState(TWindowState::wsNormal);
            QMetaObject::invokeMethod(qApp, [] { Application().Minimize(); }, Qt::QueuedConnection);
            return;
        }
        form.SetWindowState(state);
    }
    form.Repaint();
}

// ---- size limits ----

void TWinMinMaxInfo::SetValue(Index i, int value) {
    if (values_[i] == value) return;
    values_[i] = value;
    if (OnChange) OnChange();
}

bool TWinMinMaxInfo::IsEmpty() const {
    return std::all_of(std::begin(values_), std::end(values_), [](int v) { return v == 0; });
}

void TWinMinMaxInfo::Assign(const TWinMinMaxInfo& other) {
    std::copy(std::begin(other.values_), std::end(other.values_), std::begin(values_));
    if (OnChange) OnChange();
}

// ---- links ----

TIniLink::~TIniLink() {
    OnSave = nullptr;
    OnLoad = nullptr;
    SetPlacement(nullptr);
}

void TIniLink::SetPlacement(TFormPlacement* placement) {
    if (placement == placement_) return;
    if (placement_) {
        auto& links = placement_->links_;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
    }
    placement_ = placement;
    if (placement) placement->links_.push_back(this);
}

TIniStorage* TIniLink::Storage() const { return placement_ ? placement_->Storage() : nullptr; }

std::string TIniLink::RootSection() const {
    if (!placement_ || placement_->IniSection().empty()) return {};
    return placement_->IniSection() + "\\";
}

// ---- the placement component ----

TFormPlacement::TFormPlacement(TForm* owner) : TComponent(owner) {
    TForm& form = *owner;
    hadMaximize_ = form.Widget()->windowFlags() & Qt::WindowMaximizeButtonHint;
    savedShow_ = form.OnShow;
    savedCloseQuery_ = form.OnCloseQuery;
    savedDestroy_ = form.OnDestroy;
    form.OnShow = [this](TComponent* sender) {
        if (active_) Guarded([this] { RestoreFormPlacement(); });
        if (savedShow_) savedShow_(sender);
    };
    form.OnCloseQuery = [this](TComponent* sender, bool& canClose) {
        if (savedCloseQuery_) savedCloseQuery_(sender, canClose);
        if (canClose && active_) Guarded([this] { Save(false); });
    };
    form.OnDestroy = [this](TComponent* sender) {
        if (active_ && !saved_) Guarded([this] { Save(true); });
        if (savedDestroy_) savedDestroy_(sender);
    };
    minMaxInfo_.OnChange = [this] { ApplyLimits(); };
}

TFormPlacement::~TFormPlacement() {
    for (TIniLink* link : std::vector<TIniLink*>(links_)) link->SetPlacement(nullptr);
    // The form's handlers go back as they were, unless the form is going too.
    if (Owner() && !Owner()->Destroying()) {
        Form().OnShow = savedShow_;
        Form().OnCloseQuery = savedCloseQuery_;
        Form().OnDestroy = savedDestroy_;
    }
}

std::string TFormPlacement::Section() const { return iniSection_.empty() ? ComponentIniName(Owner()) : iniSection_; }

TFormPlacement::Opened TFormPlacement::Open() {
    if (useRegistry_) {
        storage_ = std::make_unique<TRegIniStorage>(iniFileName_.empty() ? DefaultRegistryKey() : iniFileName_);
    } else {
        fs::path file(iniFileName_.empty() ? DefaultIniFileName() : iniFileName_);
        if (file.is_relative()) file = UserConfigFolder() / file;
        storage_ = std::make_unique<TIniStorage>(file);
    }
    return Opened{this};
}

void TFormPlacement::RestoreFormPlacement() {
    const Opened opened = Open();
    const std::string section = Section();
    if (ReadIniOrRegInteger(storage_.get(), section, "FormVersion", 0) < version_) return;
    kvz::RestoreFormPlacement(Form(), storage_.get(), section, options_ & fpPosition, options_ & fpState);
    restored_ = true;
    for (TIniLink* link : std::vector<TIniLink*>(links_))
        if (link->OnLoad) link->OnLoad();
    if (OnRestorePlacement) OnRestorePlacement(this);
    if (options_ & fpActiveControl) {
        std::string name = ReadIniOrRegString(storage_.get(), section, "ActiveControl", "");
        if (auto* control = dynamic_cast<TWinControl*>(Form().FindComponent(name)); control && control->CanFocus())
            Form().SetActiveControl(control);
    }
    ApplyLimits();
}

void TFormPlacement::SaveFormPlacement() { Save(false); }

void TFormPlacement::Save(bool destroying) {
    if (active_ && !restored_) return;
    const Opened opened = Open();
    const std::string section = Section();
    WriteIniOrRegInteger(storage_.get(), section, "FormVersion", version_);
    if (options_ & (fpState | fpPosition)) {
        kvz::SaveFormPlacement(Form(), storage_.get(), section);
        WriteIniOrRegInteger(storage_.get(), section, "Visible", destroying ? 1 : 0);
    }
    if (options_ & fpActiveControl) {
        TWinControl* active = Form().ActiveControl();
        WriteIniOrRegString(storage_.get(), section, "ActiveControl", active ? active->Name() : "");
    }
    for (TIniLink* link : std::vector<TIniLink*>(links_))
        if (link->OnSave) link->OnSave();
    if (OnSavePlacement) OnSavePlacement(this);
    storage_->UpdateFile();
    saved_ = true;
}

void TFormPlacement::SetPreventResize(bool on) {
    preventResize_ = on;
    Form().Widget()->setWindowFlag(Qt::WindowMaximizeButtonHint,
                                   !on && hadMaximize_ && Form().BorderStyle() != TFormBorderStyle::bsDialog);
    ApplyLimits();
}

void TFormPlacement::ApplyLimits() {
    QWidget* w = Form().Widget();
    if (preventResize_) {
        w->setFixedSize(w->size());
        return;
    }
    using I = TWinMinMaxInfo;
    const int minW = minMaxInfo_.Value(I::MinTrackWidth), minH = minMaxInfo_.Value(I::MinTrackHeight);
    const int maxW = minMaxInfo_.Value(I::MaxTrackWidth), maxH = minMaxInfo_.Value(I::MaxTrackHeight);
    w->setMinimumSize(minW, minH);
    w->setMaximumSize(maxW > 0 ? maxW : QWIDGETSIZE_MAX, maxH > 0 ? maxH : QWIDGETSIZE_MAX);
}

} // namespace kvz
