#include "links/LinkTexts.h"

#include "core/Messages.h"

namespace kvz {

namespace {

// clang-format off
const char* const kTexts[static_cast<int>(LinksTextId::Count)][3] = {
    {"Links and files", "Odkazy a súbory", "Odkazy a soubory"},
    {"List", "Zoznam", "Seznam"},
    {"Survey", "Prehľad", "Přehled"},
    {"Edit link", "Upraviť odkaz", "Upravit odkaz"},
    {"Delete link", "Zmazať odkaz", "Smazat odkaz"},
    {"Add to task", "Pridať do úloh", "Přidat do úkolů"},
    {"Run link", "Spustiť odkaz", "Spustit odkaz"},
    {"Edit file type", "Upraviť typ súboru", "Upravit typ souboru"},
    {"Delete file type", "Zmazať typ súboru", "Smazat typ souboru"},
    {"New file type", "Nový typ súboru", "Nový typ souboru"},
    {"The link could not be opened: ", "Odkaz sa nepodarilo otvoriť: ", "Odkaz se nepodařilo otevřít: "},
    {"NewLinkForm", "NewLinkForm", "NewLinkForm"},
    {"Capture", "Zachytiť", "Zachytit"},
    {"Drop files here", "Sem pustite súbory", "Sem pusťte soubory"},
    {"Drop web addresses here", "Sem pustite webové adresy", "Sem pusťte webové adresy"},
    {"Nothing was added: ", "Nič sa nepridalo: ", "Nic nebylo přidáno: "},
    {"All files (*)", "Všetky súbory (*)", "Všechny soubory (*)"},
};

const char* const kRefusals[][3] = {
    {"", "", ""},
    {"the drop holds no file and no web address.", "pustené položky neobsahujú súbor ani webovú adresu.",
     "puštěné položky neobsahují soubor ani webovou adresu."},
    {"the shortcut file is too large.", "súbor odkazu je príliš veľký.", "soubor odkazu je příliš velký."},
    {"the shortcut file is not a text file.", "súbor odkazu nie je textový súbor.", "soubor odkazu není textový soubor."},
    {"the shortcut file holds no web address.", "súbor odkazu neobsahuje webovú adresu.", "soubor odkazu neobsahuje webovou adresu."},
    {"the address or file name holds control characters.", "adresa alebo názov súboru obsahuje riadiace znaky.",
     "adresa nebo název souboru obsahuje řídicí znaky."},
    {"the text is not valid UTF-8.", "text nie je platný UTF-8.", "text není platný UTF-8."},
    {"the address or file name is longer than 255 characters.", "adresa alebo názov súboru je dlhší ako 255 znakov.",
     "adresa nebo název souboru je delší než 255 znaků."},
    {"the file name is not a full path, or it climbs with \"..\".", "názov súboru nie je úplná cesta alebo obsahuje \"..\".",
     "název souboru není úplná cesta nebo obsahuje \"..\"."},
    {"the shortcut file cannot be read.", "súbor odkazu sa nedá prečítať.", "soubor odkazu nelze přečíst."},
};
// clang-format on

} // namespace

std::string LinksText(LinksTextId id) { return InLanguage(kTexts[static_cast<int>(id)]); }

std::string DropRefusalText(DropRefusal refusal) { return InLanguage(kRefusals[static_cast<int>(refusal)]); }

} // namespace kvz
