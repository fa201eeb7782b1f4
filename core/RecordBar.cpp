#include "core/RecordBar.h"

#include "core/ModuleServices.h"

namespace kvz {

RecordBarState RecordBarFor(const RecordBarInput& in) {
    RecordBarState s;
    auto has = [&](std::string_view form) { return in.HasDialog && in.HasDialog(form); };
    // Import and export act on the tables themselves, whatever module shows.
    s.Import = has("TReadForm") && !in.Offline;
    s.Export = has("TZalohaForm");
    if (!in.ModuleWindow) return s;
    const bool change = !in.Offline;
    switch (in.Module) {
    case AddressModule:
        s.First = s.Prior = s.Next = s.Last = true;
        s.Insert = s.Edit = s.Delete = change;
        s.Find = has("TFindTextForm");
        s.Filter = has("TFilterForm");
        s.Order = has("TOrderForm");
        s.Category = in.CategoriesOn;
        s.Refresh = true;
        s.Phone = s.Mail = true;
        break;
    case ReportsModule:
        s.First = s.Last = true;
        s.Find = has("TFindTextForm");
        s.ReportBar = true;
        s.Templates = has("TTemplateForm.Open");
        break;
    case TasksModule:
        s.Prior = s.Next = true;
        s.Insert = s.Edit = change && has("TUlohaForm");
        s.Delete = change;
        s.Refresh = true;
        s.Detail = true;
        s.Manager = has("TManagerForm");
        s.Owners = has("TOwnersForm");
        s.MaxMin = true;
        s.Pay = true;
        break;
    case LinksModule:
        s.First = s.Prior = s.Next = s.Last = true;
        s.Insert = change && has("TNewLinkForm");
        s.Edit = change;
        s.Delete = change;
        s.Find = has("TFindTextForm");
        s.Filter = has("TFilterForm");
        s.Refresh = true;
        s.Capture = has("TCaptureForm");
        s.AddToTask = change;
        s.RunLink = true;
        break;
    default: break;
    }
    if (in.Editing) {
        s.First = s.Prior = s.Next = s.Last = s.Delete = s.Edit = false;
        s.Insert = s.Insert && in.Inserting;
        s.Post = s.Cancel = true;
        s.Inserting = in.Inserting;
    }
    return s;
}

} // namespace kvz
