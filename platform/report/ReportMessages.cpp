#include "platform/report/ReportMessages.h"

#include <array>
#include <atomic>

namespace kvz {

namespace {

std::atomic<int> language{1};

struct Texts {
    TReportMessage id;
    std::array<const char*, 3> text; // English, Slovak, Czech
};

const Texts table[] = {
    {TReportMessage::PaperTooSmall,
     {"The paper size %1 mm is not valid.", "Rozmer papiera %1 mm nie je platný.", "Rozměr papíru %1 mm není platný."}},
    {TReportMessage::MarginsTooLarge,
     {"The page margins leave no room to print.", "Okraje strany nenechávajú miesto na tlač.",
      "Okraje stránky nenechávají místo pro tisk."}},
    {TReportMessage::BadColumns,
     {"The columns of the page do not fit on the paper.", "Stĺpce strany sa nezmestia na papier.",
      "Sloupce stránky se nevejdou na papír."}},
    {TReportMessage::BandSize,
     {"The band %1 has no valid size.", "Pás %1 nemá platný rozmer.", "Pás %1 nemá platný rozměr."}},
    {TReportMessage::BandTooTall,
     {"The band %1 is taller than the room on the page.", "Pás %1 je vyšší ako miesto na strane.",
      "Pás %1 je vyšší než místo na stránce."}},
    {TReportMessage::ElementSize,
     {"The item %1 has no valid size.", "Prvok %1 nemá platný rozmer.", "Prvek %1 nemá platný rozměr."}},
    {TReportMessage::NoDataSet,
     {"The item %1 has no data to show.", "Prvok %1 nemá údaje, ktoré by zobrazil.",
      "Prvek %1 nemá data, která by zobrazil."}},
    {TReportMessage::DataSetClosed,
     {"The data %1 are not open.", "Údaje %1 nie sú otvorené.", "Data %1 nejsou otevřena."}},
    {TReportMessage::FieldMissing,
     {"The field \"%1\" of the item %2 is not in the data.", "Pole \"%1\" prvku %2 sa v údajoch nenachádza.",
      "Pole \"%1\" prvku %2 v datech není."}},
    {TReportMessage::DataFailed,
     {"The data of the report could not be read: %1", "Údaje zostavy sa nepodarilo načítať: %1",
      "Data sestavy se nepodařilo načíst: %1"}},
    {TReportMessage::NotAPreparedReport,
     {"The file \"%1\" is not a report saved by this program.", "Súbor \"%1\" nie je zostava uložená týmto programom.",
      "Soubor \"%1\" není sestava uložená tímto programem."}},
    {TReportMessage::NewerPreparedReport,
     {"The report \"%1\" was saved by a newer version of the program.",
      "Zostavu \"%1\" uložila novšia verzia programu.", "Sestavu \"%1\" uložila novější verze programu."}},
    {TReportMessage::DamagedReport,
     {"The report \"%1\" is damaged (line %2: %3).", "Zostava \"%1\" je poškodená (riadok %2: %3).",
      "Sestava \"%1\" je poškozená (řádek %2: %3)."}},
    {TReportMessage::CannotReadFile,
     {"The file \"%1\" cannot be read: %2", "Súbor \"%1\" sa nedá prečítať: %2", "Soubor \"%1\" nelze přečíst: %2"}},
    {TReportMessage::CannotWriteFile,
     {"The file \"%1\" cannot be written: %2", "Súbor \"%1\" sa nedá zapísať: %2", "Soubor \"%1\" nelze zapsat: %2"}},
    {TReportMessage::PrinterNotOpened,
     {"The printer \"%1\" cannot be opened.", "Tlačiareň \"%1\" sa nedá otvoriť.", "Tiskárnu \"%1\" nelze otevřít."}},
    {TReportMessage::NoPrinter,
     {"No printer is set up on this computer.", "V počítači nie je nastavená žiadna tlačiareň.",
      "V počítači není nastavena žádná tiskárna."}},
    {TReportMessage::ReasonUnexpected, {"unexpected text", "neočakávaný text", "neočekávaný text"}},
    {TReportMessage::ReasonNumber, {"a number out of range", "číslo mimo rozsahu", "číslo mimo rozsah"}},
    {TReportMessage::ReasonTooLong, {"too long", "príliš dlhé", "příliš dlouhé"}},
    {TReportMessage::ReasonEnd, {"the file ends too early", "súbor predčasne končí", "soubor předčasně končí"}},
    {TReportMessage::ReasonTooMany, {"too many pages or items", "príliš veľa strán alebo prvkov",
                                     "příliš mnoho stránek nebo prvků"}},
    {TReportMessage::PreviewCaption, {"Print preview", "Náhľad pred tlačou", "Náhled před tiskem"}},
    {TReportMessage::FirstPage, {"First page", "Prvá strana", "První stránka"}},
    {TReportMessage::PriorPage, {"Previous page", "Predchádzajúca strana", "Předchozí stránka"}},
    {TReportMessage::NextPage, {"Next page", "Nasledujúca strana", "Následující stránka"}},
    {TReportMessage::LastPage, {"Last page", "Posledná strana", "Poslední stránka"}},
    {TReportMessage::ZoomIn, {"Zoom in", "Zväčšiť", "Zvětšit"}},
    {TReportMessage::ZoomOut, {"Zoom out", "Zmenšiť", "Zmenšit"}},
    {TReportMessage::WholePage, {"Whole page", "Celá strana", "Celá stránka"}},
    {TReportMessage::PageWidth, {"Page width", "Šírka strany", "Šířka stránky"}},
    {TReportMessage::PageSetup, {"Page setup", "Nastavenie strany", "Vzhled stránky"}},
    {TReportMessage::Print, {"Print", "Tlačiť", "Tisk"}},
    {TReportMessage::Save, {"Save", "Uložiť", "Uložit"}},
    {TReportMessage::Open, {"Open", "Otvoriť", "Otevřít"}},
    {TReportMessage::Close, {"Close", "Zavrieť", "Zavřít"}},
    {TReportMessage::PageOf, {"Page %1 of %2", "Strana %1 z %2", "Stránka %1 z %2"}},
    {TReportMessage::FileFilter, {"Saved reports (*.qrp)", "Uložené zostavy (*.qrp)", "Uložené sestavy (*.qrp)"}},
    {TReportMessage::Printing, {"Printing %1", "Tlač %1", "Tisk %1"}},
    {TReportMessage::PrintingPage, {"Page %1 of %2", "Strana %1 z %2", "Stránka %1 z %2"}},
    {TReportMessage::Cancel, {"Cancel", "Zrušiť", "Zrušit"}},
    {TReportMessage::ReasonText, {"an invalid text", "neplatný text", "neplatný text"}},
    {TReportMessage::NotARegularFile,
     {"\"%1\" is not a file that holds a report.", "\"%1\" nie je súbor, ktorý by obsahoval zostavu.",
      "\"%1\" není soubor, který by obsahoval sestavu."}},
};

} // namespace

void SetReportLanguage(int value) { language = value; }
int ReportLanguage() { return language; }

std::string ReportMessage(TReportMessage id, std::initializer_list<std::string_view> args) {
    const int l = language;
    const size_t column = l == 2 ? 1 : l == 3 ? 2 : 0;
    std::string_view format;
    for (const Texts& t : table)
        if (t.id == id) format = t.text[column];
    std::string out;
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '%' && i + 1 < format.size() && format[i + 1] >= '1' && format[i + 1] <= '9') {
            const size_t n = static_cast<size_t>(format[i + 1] - '1');
            if (n < args.size()) out += *(args.begin() + n);
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace kvz
