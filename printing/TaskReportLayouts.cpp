#include "printing/TaskReportLayouts.h"

#include "core/Messages.h"
#include "platform/forms/Graphics.h"
#include "platform/report/ReportRender.h"

#include <array>
#include <iterator>
#include <string_view>
#include <tuple>

namespace kvz {

namespace {

constexpr TColor Silver = 0xC0C0C0, Blue = 0xFF0000;

const TReportFont TitleFont{.Name = "Tahoma", .Size = 20, .Bold = true, .Italic = true, .Underline = true, .Color = Blue};

// A4 portrait, 10 mm margins, one column, printed even when empty.
std::unique_ptr<TReportLayout> NewTaskLayout(const char* name) {
    auto layout = std::make_unique<TReportLayout>(name);
    layout->Page().SetPaper(TPaperSize::A4);
    layout->Page().Orientation = TPageOrientation::Portrait;
    layout->Page().LeftMargin = layout->Page().TopMargin = layout->Page().RightMargin = layout->Page().BottomMargin = 10;
    layout->Page().Columns = 1;
    layout->Page().PrintIfEmpty = true;
    layout->SetFont({.Name = "Arial"});
    return layout;
}

// The silver page header both layouts share: the date, "Page number :" and the page number.
void AddPageHeader(TReportLayout& layout) {
    TReportBand& page = layout.AddBand(TBandKind::PageHeader, "PageHeaderBand1");
    page.SetHeight(Px(40));
    page.SetColor(Silver);
    page.AddSysData("QRSysData2", TSysDataKind::Date, Px(8), Px(12), 0, Px(18)).SetFont({.Name = "Arial", .Size = 10});
    page.AddLabel("QRLabel2", "Page number :", Px(562), Px(11), 0, Px(19))
        .SetFont({.Name = "Arial", .Size = 11, .Italic = true});
    page.AddSysData("QRSysData1", TSysDataKind::PageNumber, Px(664), Px(12), 0, Px(18))
        .SetFont({.Name = "Arial", .Size = 10});
}

void AddTitle(TReportLayout& layout, double left) {
    TReportBand& title = layout.AddBand(TBandKind::Title, "TitleBand1");
    title.SetHeight(Px(51));
    title.AddLabel("QRLabel1", "", Px(left), Px(7), 0, Px(36)).SetFont(TitleFont);
}

void SetCaption(TReportLayout& layout, const char* element, int message) {
    layout.Element(element).SetCaption(GetMessageText(message));
}

void BindFields(TReportLayout& layout, TDataSet& tasks, std::initializer_list<std::pair<const char*, const char*>> fields) {
    layout.SetDataSet(&tasks);
    // Dates as the reader's language writes them.
    layout.SetSettings(FormatSettings::ForLanguage(Language()));
    for (const auto& [element, field] : fields) {
        TReportElement& e = layout.Element(element);
        e.SetDataSet(&tasks);
        e.SetDataField(field);
    }
}

bool BoolField(TDataSet& tasks, const char* name) {
    TField* f = tasks.FindField(name);
    return f && !f->IsNull() && f->AsBoolean();
}

} // namespace

void FitCaption(TReportLayout& layout, const char* caption, double designSize, double right) {
    TReportElement& e = layout.Element(caption);
    TReportFont font = e.Font();
    font.Size = designSize;
    // A little air between the caption and what follows it.
    const double room = right - e.Left() - Px(2);
    while (font.Size > 6 && MeasureReportText(font, e.Caption(), 0).Width > room) font.Size -= 0.5;
    e.SetFont(font);
}

const char* YesNoWord(bool value) { return value ? "Hej" : "Ne"; }

const char* CompletedWord(bool completed) { return completed ? "Ukoncene" : "Neukoncene"; }

const char* RepeatWord(int repFreq) {
    static constexpr std::array<const char*, 5> words = {"Raz", "Kazdy Den", "Kazdy Tyzden", "Kazdy mesiac", "Kazdy rok"};
    return repFreq >= 0 && repFreq < int(words.size()) ? words[size_t(repFreq)] : nullptr;
}

std::unique_ptr<TReportLayout> MakeBriefTaskLayout() {
    auto layout = NewTaskLayout("TReportTasksForm");
    AddPageHeader(*layout);
    AddTitle(*layout, 198);

    TReportBand& columns = layout->AddBand(TBandKind::ColumnHeader, "ColumnHeaderBand1");
    columns.SetHeight(Px(40));
    const TReportFont columnFont{.Name = "Tahoma", .Size = 14, .Bold = true, .Italic = true};
    int number = 3;
    for (double left : {7, 153, 238, 323, 408, 503})
        columns.AddLabel("QRLabel" + std::to_string(number++), "", Px(left), Px(8), 0, Px(24)).SetFont(columnFont);

    TReportBand& detail = layout->AddBand(TBandKind::Detail, "DetailBand1");
    detail.SetHeight(Px(46));
    detail.AddDBText("QRDBText6", "Owner", Px(7), Px(4), Px(123), Px(17))
        .SetFont({.Name = "Arial", .Size = 10, .Bold = true, .Italic = true});
    for (auto [name, field, left] : {std::tuple{"QRDBText2", "Date", 156}, {"QRDBText3", "Time", 241},
                                     {"QRDBText4", "StartTask", 326}, {"QRDBText5", "EndTask", 411}})
        detail.AddDBText(name, field, Px(left), Px(4), Px(62), Px(15)).SetFont({.Name = "Arial", .Size = 8});
    TReportElement& task = detail.AddDBText("QRDBText1", "Uloha", Px(503), Px(4), Px(207), Px(36));
    task.SetFont({.Name = "Arial", .Size = 8});
    task.SetWordWrap(true);
    return layout;
}

std::unique_ptr<TReportLayout> MakeFullTaskLayout() {
    auto layout = NewTaskLayout("TTaskReportAll");
    AddPageHeader(*layout);
    AddTitle(*layout, 162);

    TReportBand& detail = layout->AddBand(TBandKind::Detail, "DetailBand1");
    detail.SetHeight(Px(165));
    const TReportFont label{.Name = "Tahoma", .Size = 10, .Bold = true};
    const TReportFont value{.Name = "Tahoma", .Size = 10};
    auto addLabel = [&](const char* name, double left, double top, double size = 10) {
        TReportFont font = label;
        font.Size = size;
        detail.AddLabel(name, "", Px(left), Px(top), 0, Px(size * 2)).SetFont(font);
    };
    auto addValue = [&](const char* name, const char* field, double left, double top, double width) -> TReportElement& {
        TReportElement& e = detail.AddDBText(name, field, Px(left), Px(top), Px(width), Px(18));
        e.SetFont(value);
        return e;
    };
    auto addWord = [&](const char* name, double left, double top) {
        detail.AddLabel(name, "", Px(left), Px(top), Px(110), Px(18)).SetFont(value);
    };

    addLabel("QRLabel3", 8, 7, 12);
    addValue("QRDBText6", "Owner", 101, 9, 165).SetFont({.Name = "Arial", .Size = 11});
    addLabel("QRLabel4", 274, 11);
    // Dates and times in the brief layout's smaller face, so a four-digit year fits before the
    // next label in the substituted fonts.
    const TReportFont small{.Name = "Arial", .Size = 8};
    addValue("QRDBText2", "Date", 316, 12, 64).SetFont(small);
    addLabel("QRLabel5", 383, 11);
    addValue("QRDBText3", "Time", 423, 12, 64).SetFont(small);
    addLabel("QRLabel6", 490, 11);
    addValue("QRDBText4", "StartTask", 534, 12, 64).SetFont(small);
    addLabel("QRLabel7", 602, 11);
    addValue("QRDBText5", "EndTask", 638, 12, 76).SetFont(small);

    addLabel("QRLabel9", 8, 35);
    addValue("QRDBText7", "Project", 69, 35, 244);
    addLabel("QRLabel8", 382, 35);
    TReportElement& task = detail.AddDBText("QRDBText1", "Uloha", Px(424), Px(35), Px(267), Px(93));
    task.SetFont(value);
    task.SetWordWrap(true);
    task.SetColor(ColorToRGB(cl3DLight));

    addLabel("QRLabel12", 8, 60);
    // Right of the longest caption of the three languages ("Partial project").
    addValue("QRDBText8", "SubProject", 120, 60, 193);

    addLabel("QRLabel11", 8, 85);
    addWord("QRLabel10", 94, 85);
    addLabel("QRLabel13", 166, 85);
    addWord("QRLabel14", 248, 85);
    layout->Element("QRLabel14").SetWidth(Px(130));

    addLabel("QRLabel15", 8, 110);
    addValue("QRDBText9", "Priority", 69, 110, 80);
    addLabel("QRLabel19", 166, 110);
    addWord("QRLabel20", 248, 110);

    addLabel("QRLabel16", 8, 135);
    addValue("QRDBText10", "Path", 61, 135, 476);
    addLabel("QRLabel17", 541, 135);
    addWord("QRLabel18", 644, 135);

    TReportBand& child = layout->AddChildBand(detail, "ChildBand1");
    child.SetHeight(Px(15));
    child.AddLine("QRShape1", 0, 0, Px(718), 0);
    return layout;
}

void BindBriefTaskLayout(TReportLayout& layout, TDataSet& tasks) {
    BindFields(layout, tasks,
               {{"QRDBText1", "Uloha"}, {"QRDBText2", "Date"}, {"QRDBText3", "Time"}, {"QRDBText4", "StartTask"},
                {"QRDBText5", "EndTask"}, {"QRDBText6", "Owner"}});
    SetCaption(layout, "QRLabel1", MessageId::TasksSummary);
    layout.SetTitle(GetMessageText(MessageId::TasksSummary));
    namespace M = MessageId;
    for (auto [element, message] :
         {std::pair<const char*, int>{"QRLabel2", M::PageNumber}, {"QRLabel3", M::Owner}, {"QRLabel4", M::TaskDate},
          {"QRLabel5", M::Time}, {"QRLabel6", M::Start}, {"QRLabel7", M::End}, {"QRLabel8", M::Task}})
        SetCaption(layout, element, message);
    // Each column's title ends before the next column (the last one before the page's edge).
    const char* titles[] = {"QRLabel3", "QRLabel4", "QRLabel5", "QRLabel6", "QRLabel7", "QRLabel8"};
    for (size_t i = 0; i < std::size(titles); ++i)
        FitCaption(layout, titles[i], 14, i + 1 < std::size(titles) ? layout.Element(titles[i + 1]).Left() : Px(718));
}

void BindFullTaskLayout(TReportLayout& layout, TDataSet& tasks) {
    BindFields(layout, tasks,
               {{"QRDBText1", "Uloha"}, {"QRDBText2", "Date"}, {"QRDBText3", "Time"}, {"QRDBText4", "StartTask"},
                {"QRDBText5", "EndTask"}, {"QRDBText6", "Owner"}, {"QRDBText7", "Project"},
                {"QRDBText8", "SubProject"}, {"QRDBText9", "Priority"}, {"QRDBText10", "Path"}});
    SetCaption(layout, "QRLabel1", MessageId::TasksFullSummary);
    layout.SetTitle(GetMessageText(MessageId::TasksFullSummary));
    namespace M = MessageId;
    for (auto [element, message] :
         {std::pair<const char*, int>{"QRLabel2", M::PageNumber}, {"QRLabel3", M::Owner}, {"QRLabel4", M::TaskDate},
          {"QRLabel5", M::Time}, {"QRLabel6", M::Start}, {"QRLabel7", M::End}, {"QRLabel8", M::Task},
          {"QRLabel9", M::Project}, {"QRLabel12", M::PartialProject}, {"QRLabel11", M::Recall},
          {"QRLabel13", M::Repeat}, {"QRLabel15", M::Priority}, {"QRLabel19", M::Completed},
          {"QRLabel16", M::File}, {"QRLabel17", M::RunFile}})
        SetCaption(layout, element, message);
    // Every caption ends before its value in the fonts that print it.
    for (auto [caption, value] : {std::pair{"QRLabel3", "QRDBText6"}, {"QRLabel4", "QRDBText2"}, {"QRLabel5", "QRDBText3"},
                                  {"QRLabel6", "QRDBText4"}, {"QRLabel7", "QRDBText5"}, {"QRLabel9", "QRDBText7"},
                                  {"QRLabel8", "QRDBText1"}, {"QRLabel12", "QRDBText8"}, {"QRLabel11", "QRLabel10"},
                                  {"QRLabel13", "QRLabel14"}, {"QRLabel15", "QRDBText9"}, {"QRLabel19", "QRLabel20"},
                                  {"QRLabel16", "QRDBText10"}, {"QRLabel17", "QRLabel18"}})
        FitCaption(layout, caption, std::string_view(caption) == "QRLabel3" ? 12 : 10, layout.Element(value).Left());

    TReportBand& detail = *layout.FindBand("DetailBand1");
    detail.BeforePrint = [&layout, &tasks](TReportBand&, bool&) {
        layout.Element("QRLabel10").SetCaption(YesNoWord(BoolField(tasks, "Mesage")));
        layout.Element("QRLabel18").SetCaption(YesNoWord(BoolField(tasks, "Run")));
        layout.Element("QRLabel20").SetCaption(CompletedWord(BoolField(tasks, "Completed")));
        const TField* repFreq = tasks.FindField("RepFreq");
        if (repFreq && !repFreq->IsNull())
            if (const char* word = RepeatWord(repFreq->AsInteger())) layout.Element("QRLabel14").SetCaption(word);
    };
}

} // namespace kvz
