#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"

#include "TempFolder.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace kvz {
namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    void TearDown() override { SetLanguage(2); }
    void WriteIni(const char* name, std::string_view utf8) {
        WriteFileDurably(folder.path() / name, Utf8ToCodePage(utf8, 1250));
    }
    TempFolder folder;
};

TEST_F(SettingsStoreTest, MissingFileGivesTheDefaults) {
    SettingsStore s;
    s.NastaveniaText[20] = "Club";
    EXPECT_TRUE(s.LoadSettings(folder.path()).empty());
    EXPECT_EQ(s.Nastavenia[1], 0x808000);
    EXPECT_EQ(s.Nastavenia[7], static_cast<int>(0x80000008u));
    EXPECT_EQ(s.Nastavenia[9], 22);
    EXPECT_EQ(s.Nastavenia[36], 1);
    EXPECT_EQ(s.Nastavenia[47], 125);
    EXPECT_EQ(s.Nastavenia[52], static_cast<int>(0x80000016u));
    EXPECT_EQ(s.Nastavenia[64], 0); // not among the defaults
    EXPECT_EQ(s.Nastavenia[67], 2);
    EXPECT_EQ(s.Nastavenia[99], 4);
    EXPECT_EQ(s.NastaveniaText[1], "Tahoma");
    EXPECT_EQ(s.NastaveniaText[17], "MS Sans Serif");
    EXPECT_EQ(s.NastaveniaText[31], "Firma");
    EXPECT_EQ(s.NastaveniaText[20], "Club"); // categories are not defaults
    EXPECT_EQ(s.FormHeight, 576);
    EXPECT_EQ(s.FormWidth, 753);
    EXPECT_EQ(Language(), 2);
    EXPECT_FALSE(s.NetworkMode);
    EXPECT_FALSE(s.ClientMode);
    EXPECT_TRUE(s.FilterOption);
    EXPECT_FALSE(fs::exists(folder.path() / "Zirt.ini")); // loading writes nothing
}

TEST_F(SettingsStoreTest, EverySlotRoundTrips) {
    SettingsStore a;
    a.ZakladneNastavenia();
    for (int k = 1; k <= SettingsStore::kIntegerCount; ++k) a.Nastavenia[static_cast<size_t>(k)] = k * 1000 - 50000;
    for (int k = 1; k <= SettingsStore::kTextCount; ++k) a.NastaveniaText[static_cast<size_t>(k)] = "Písmo č. " + std::to_string(k);
    a.Nastavenia[67] = 3;
    a.Nastavenia[73] = 1;
    a.Nastavenia[74] = 2;
    a.NastaveniaText[18] = "\\\\server\\Zdieľané\\";
    a.PolohaObRadioGroup = 1;
    a.FormHeight = 700;
    a.FormWidth = 900;
    a.SaveSettings(folder.path());
    ASSERT_TRUE(fs::exists(folder.path() / "Zirt.ini"));

    SettingsStore b;
    EXPECT_TRUE(b.LoadSettings(folder.path()).empty());
    EXPECT_EQ(b.Nastavenia, a.Nastavenia);
    EXPECT_EQ(b.NastaveniaText, a.NastaveniaText);
    EXPECT_EQ(b.PolohaObRadioGroup, 1);
    EXPECT_EQ(b.FormHeight, 700);
    EXPECT_EQ(b.FormWidth, 900);
    EXPECT_EQ(Language(), 3);
    EXPECT_TRUE(b.NetworkMode);
    EXPECT_TRUE(b.ClientMode);

    // The file is the old program's: code page 1250, CRLF, one section of key=value lines.
    const std::string bytes = ReadWholeFile(folder.path() / "Zirt.ini");
    EXPECT_EQ(bytes.rfind("[ZirtSettings]\r\nNastavenia1=-49000\r\nNastavenia2=-48000\r\n", 0), 0u);
    EXPECT_NE(bytes.find("Nastavenia_Text1=P\xEDsmo \xE8. 1\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\nPolohaObRadioGroup=1\r\nFormHeight=700\r\nFormWidth=900\r\n"), std::string::npos);
}

TEST_F(SettingsStoreTest, ABadValueIsSkippedAndTheRestLoads) {
    WriteIni("Zirt.ini", "[ZirtSettings]\r\nNastavenia5=white\r\nNastavenia6=\r\nNastavenia36=3\r\n"
                         "Nastavenia40=99999999999\r\nNastavenia90=2\r\nFormWidth=1x\r\nNastavenia_Text13=Mesto\r\n");
    SettingsStore s;
    const auto refused = s.LoadSettings(folder.path());
    EXPECT_EQ(refused, (std::vector<std::string>{"Nastavenia5", "Nastavenia40", "FormWidth"}));
    EXPECT_EQ(s.Nastavenia[5], 0xFFFFFF);
    EXPECT_EQ(s.Nastavenia[6], 0x00FFFF);
    EXPECT_EQ(s.Nastavenia[36], 3);
    EXPECT_EQ(s.Nastavenia[40], 59);
    EXPECT_EQ(s.Nastavenia[90], 2);
    EXPECT_EQ(s.FormWidth, 753);
    EXPECT_EQ(s.NastaveniaText[13], "Mesto");
}

TEST_F(SettingsStoreTest, AnOldFileWrittenByHand) {
    // Lower-case name, other sections, keys in another case, a hexadecimal value, 1250 text.
    WriteIni("zirt.ini", "; kept\r\n[Other]\r\nA=1\r\n\r\n[zirtsettings]\r\nNASTAVENIA67 = 1\r\nNastavenia74=0\r\n"
                         "Nastavenia1=$00FF00\r\nNastavenia_Text20=Súkromné výdavky\r\nPolohaObRadioGroup=1\r\n"
                         "FormHeight=600\r\nUnknown=7\r\n");
    SettingsStore s;
    SetCurrentSettings(&s);
    EXPECT_TRUE(s.LoadSettings(folder.path()).empty());
    EXPECT_EQ(Language(), 1);
    EXPECT_EQ(GetLang(), 1);
    EXPECT_EQ(GetPolohaOb(), 1);
    s.Nastavenia[21] = 1;
    EXPECT_EQ(GetPoloha(), 1);
    EXPECT_TRUE(s.ClientMode);
    EXPECT_EQ(s.Nastavenia[1], 0x00FF00);
    EXPECT_EQ(s.NastaveniaText[20], "Súkromné výdavky");
    EXPECT_EQ(s.FormHeight, 600);
    EXPECT_EQ(s.FormWidth, 753);

    // Saved into the same file, with everything else it held.
    s.Nastavenia[36] = 4;
    s.SaveSettings(folder.path());
    SetCurrentSettings(nullptr);
    EXPECT_EQ(GetPoloha(), 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
    const std::string bytes = ReadWholeFile(folder.path() / "zirt.ini");
    EXPECT_EQ(bytes.rfind("; kept\r\n[Other]\r\nA=1\r\n\r\n[zirtsettings]\r\n", 0), 0u);
    EXPECT_NE(bytes.find("Unknown=7\r\n"), std::string::npos);
    SettingsStore t;
    t.LoadSettings(folder.path());
    EXPECT_EQ(t.Nastavenia[36], 4);
    EXPECT_EQ(t.NastaveniaText[20], "Súkromné výdavky");
}

TEST_F(SettingsStoreTest, ATextTheFileCannotHoldLeavesTheFileAsItWas) {
    SettingsStore s;
    s.LoadSettings(folder.path());
    s.SaveSettings(folder.path());
    const std::string before = ReadWholeFile(folder.path() / "Zirt.ini");
    s.Nastavenia[1] = 5;
    s.NastaveniaText[1] = "Noto Sans CJK 日本";
    EXPECT_THROW(s.SaveSettings(folder.path()), CodePageError);
    EXPECT_EQ(ReadWholeFile(folder.path() / "Zirt.ini"), before);
    // A line break would make keys of its own: a category named "Friends" and a wider window.
    s.NastaveniaText[1] = "Tahoma";
    for (const char* text : {"Club\r\nNastavenia_Text20=Friends\r\nFormWidth=12345", "a\rb", "a\nb"}) {
        s.NastaveniaText[20] = text;
        EXPECT_THROW(s.SaveSettings(folder.path()), std::invalid_argument) << text;
        EXPECT_EQ(ReadWholeFile(folder.path() / "Zirt.ini"), before);
    }
}

TEST_F(SettingsStoreTest, AFileWithCarriageReturnLineEndsKeepsEveryLine) {
    WriteIni("Zirt.ini", "[ZirtSettings]\rNastavenia1=7\rNastavenia_Text20=Klub\r\r[Other]\rKeep=1\r");
    SettingsStore s;
    s.LoadSettings(folder.path());
    EXPECT_EQ(s.Nastavenia[1], 7);
    EXPECT_EQ(s.NastaveniaText[20], "Klub");
    s.SaveSettings(folder.path());
    SettingsStore again;
    again.LoadSettings(folder.path());
    EXPECT_EQ(again.Nastavenia[1], 7);
    EXPECT_EQ(again.NastaveniaText[20], "Klub");
    EXPECT_NE(ReadWholeFile(folder.path() / "Zirt.ini").find("[Other]\r\nKeep=1\r\n"), std::string::npos);
}

TEST_F(SettingsStoreTest, RestoreSettingsAsksFirst) {
    SettingsStore s;
    s.LoadSettings(folder.path());
    s.Nastavenia[1] = 1;
    s.NastaveniaText[14] = "kept";
    s.NastaveniaText[24] = "Family";
    s.FormHeight = 1000;
    std::string asked, caption;
    auto answer = [&](int button) {
        return [&, button](const std::string& text, const std::string& cap) {
            asked = text;
            caption = cap;
            return button;
        };
    };
    SetLanguage(1);
    EXPECT_FALSE(s.RestoreSettings(answer(7)));
    EXPECT_EQ(asked, "Want to recover all settings reffering to an application appereance ?");
    EXPECT_EQ(caption, "Warning : ");
    EXPECT_EQ(s.Nastavenia[1], 1);
    EXPECT_TRUE(s.RestoreSettings(answer(6)));
    EXPECT_EQ(s.Nastavenia[1], 0x808000);
    EXPECT_EQ(s.FormHeight, 576);
    EXPECT_EQ(s.NastaveniaText[14], "kept");
    EXPECT_EQ(s.NastaveniaText[24], "Family");
}

} // namespace
} // namespace kvz
