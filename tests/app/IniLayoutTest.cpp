// current.ini as earlier installs of the program wrote it (Windows-1251, CR LF) loads into the controls
// its keys name, and saving brings every key back under the same name with the same value: a control
// renamed in the code would otherwise drop an installed user's settings unnoticed.
//
// The values differ from the factory defaults and from their neighbours wherever the program lets them:
// cbPhones is -1 because the phone list is filled only after the dialog's controls are loaded, lnum is
// always 1, and with SIM 1's offline types left out the channel-type positions 7 and 8 are not the type
// numbers 7 and 8.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "app/fConnect.h"
#include "app/fHistory.h"
#include "app/fMasks.h"
#include "kit/KitPrgres.h"
#include "tests/app/ProgramFixture.h"
#include "ui/ComCtrls.h"
#include "ui/Grids.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace {

namespace fs = std::filesystem;
using programtest::ProgramFixture;

const fs::path kSource = SORVEL_SOURCE_DIR;
const TMemIniFile& StoredFile()
{
    static const TMemIniFile file(kSource / "tests" / "app" / "data" / "current.ini");
    return file;
}

// Sections the program only reads: an installer writes them by hand.
bool ReadOnly(const std::string& section)
{
    return section == "formMain" || section == "Update" || section == "FormNSPoint";
}
bool OfConnectDialog(const std::string& section) { return section == "FormConnect" || section == "Connect"; }

std::string Flag(bool on) { return on ? "1" : "0"; }

// A control's value as the generic routines store it; nullopt for a class they pass by.
std::optional<std::string> Stored(ui::TComponent* c)
{
    if (ui::Is<ui::TEdit>(c) || ui::Is<ui::TSpinEdit>(c) || ui::Is<ui::TMaskEdit>(c)) return ui::As<ui::TControl>(c)->Text();
    if (auto* box = ui::As<ui::TCheckBox>(c)) return Flag(box->Checked());
    if (auto* button = ui::As<ui::TRadioButton>(c)) return Flag(button->Checked());
    if (auto* combo = ui::As<ui::TCustomCombo>(c)) return std::to_string(combo->ItemIndex());
    return std::nullopt;
}

class IniLayout : public ProgramFixture {
protected:
    IniLayout()
    {
        fs::copy_file(StoredFile().FileName(), folder / "current.ini");
        fs::copy_file(kSource / "resources" / "Messages.txt", folder / "Messages.txt");
        // The stored port is a position in the port list: there must be one to select.
        for (const char* port : {"a", "b", "c"}) fs::create_symlink("/dev/null", folder / "ports" / port);
    }

    ui::TComponent* Form(const std::string& section) const
    {
        if (OfConnectDialog(section)) return FormConnect;
        if (section == "formMain" || section == "Update") return main;
        return main->PagesPane->FindComponent(section == "FormNSPoint" ? "FormHistory" : section);
    }

    // What the program shows for a key, in the file's notation; nullopt for a key it never reads.
    std::optional<std::string> Shown(const std::string& section, const std::string& key) const
    {
        ui::TComponent* form = Form(section);
        if (form == nullptr) return "no window " + section;
        if (const auto value = Stored(form->FindComponent(key))) return value;
        const auto digits = std::find_if(key.begin(), key.end(), [](unsigned char ch) { return std::isdigit(ch); });
        const int n = digits == key.end() ? 0 : std::stoi(std::string(digits, key.end()));
        const auto ownKeys = OwnKeys();
        const auto own = ownKeys.find(section + "/" + std::string(key.begin(), digits));
        if (own == ownKeys.end()) return "no control " + key;
        return own->second(n);
    }

    void ExpectShown(const std::function<bool(const std::string&)>& inSection) const
    {
        for (const std::string& section : StoredFile().ReadSections()) {
            if (!inSection(section)) continue;
            for (const std::string& key : StoredFile().ReadSection(section)) {
                if (const auto shown = Shown(section, key)) {
                    EXPECT_EQ(*shown, StoredFile().ReadString(section, key, "")) << section << "/" << key;
                }
            }
        }
    }

    using OwnKey = std::function<std::optional<std::string>(int n)>;
    // The keys the windows keep through their own code rather than by a control's name.
    std::map<std::string, OwnKey> OwnKeys() const
    {
        auto* masks = ui::As<TFormMasks>(Form("FormMasks"));
        auto* history = ui::As<TFormHistory>(Form("FormHistory"));
        const auto phones = [] { return FormConnect->cbPhones; };
        return {
            {"FormMasks/cb", [=](int n) { return Flag(masks->RowTicked(n)); }},
            {"formWays/lnum", [](int) { return std::nullopt; }},
            {"FormHistory/HistoryInFile", [=](int) { return Flag(history->btnStart->Visible()); }},
            {"FormHistory/width", [=](int n) { return std::to_string(history->StringGrid1->ColWidths(n)); }},
            {"FormNSPoint/nspoint", [=](int) { return Flag(history->Button4->Visible() && history->Edit1->Visible()); }},
            {"formMain/PROTO", [this](int) { return std::to_string(main->Proto); }},
            {"Update/UpdatePanelVersion",
             [this](int) { return main->mnuUpdate->Visible() && main->KitProgressBar1->Visible() ? "wuzlam" : "locked"; }},
            {"FormConnect/DialPhonesNum", [=](int) { return std::to_string(phones()->Items().Count()); }},
            {"FormConnect/DialPhone", [=](int n) { return phones()->Items()[n - 1]; }},
            {"FormConnect/CurDialPhone", [=](int) { return phones()->Text(); }},
        };
    }
};

TEST_F(IniLayout, EveryKeyLoadsIntoItsControlAndIsSavedBackUnderItsName)
{
    Start();
    ExpectShown([](const std::string& section) { return !OfConnectDialog(section); });

    scope.Services().AnswerModal([this](ui::TForm& dialog) {
        ExpectShown(OfConnectDialog);
        // From here on the file holds only what the program writes.
        fs::remove(folder / "current.ini");
        dialog.SetModalResult(ui::mrCancel);
    });
    EXPECT_FALSE(controller->Connect());
    ASSERT_EQ(scope.Services().ModalForms(), std::vector<std::string>{"FormConnect"});
    ASSERT_TRUE(user.CloseForm(*main));

    const TMemIniFile saved(folder / "current.ini");
    for (const std::string& section : StoredFile().ReadSections()) {
        if (ReadOnly(section)) continue;
        const auto names = saved.ReadSection(section);
        for (const std::string& key : StoredFile().ReadSection(section)) {
            // Spelt exactly so: the file is matched ignoring case, a reader of it might not be.
            const bool kept = std::find(names.begin(), names.end(), key) != names.end();
            EXPECT_EQ(kept ? saved.ReadString(section, key, "") : "(lost)", StoredFile().ReadString(section, key, ""))
                << section << "/" << key;
        }
    }
}

// Messages.txt that the program cannot use leaves the loops page's event lists empty; the positions
// current.ini holds for them, and for any list a page cannot show, stay in the file at exit.
struct UnusableTable {
    const char* name;
    std::function<void(const fs::path&)> make;
};

class UnusableMessages : public ProgramFixture, public ::testing::WithParamInterface<UnusableTable> {};

TEST_P(UnusableMessages, UnshownPositionsStayInCurrentIniAtExit)
{
    GetParam().make(folder / "Messages.txt");
    const std::map<std::string, std::string> stored = {
        {"FormLoops/cbRes1", "3"}, {"FormLoops/cbRec2", "45"}, {"formATests/cbH1", "99"},
        {"formGPRS/cbZTime", "400"}, {"FormCommon/cbARazd", "0x100"}, {"formWays/cb1", "40"}};
    std::string text;
    for (const auto& [key, value] : stored) {
        const auto slash = key.find('/');
        text += "[" + key.substr(0, slash) + "]\r\n" + key.substr(slash + 1) + "=" + value + "\r\n";
    }
    WriteIni(text);
    Start();
    ASSERT_TRUE(user.CloseForm(*main));
    const TMemIniFile saved(folder / "current.ini");
    for (const auto& [key, value] : stored) {
        const auto slash = key.find('/');
        EXPECT_EQ(saved.ReadString(key.substr(0, slash), key.substr(slash + 1), "(lost)"), value) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(
    IniLayout, UnusableMessages,
    ::testing::Values(UnusableTable{"Missing", [](const fs::path&) {}},
                      UnusableTable{"Empty", [](const fs::path& file) { std::ofstream{file}; }},
                      // Far larger than a message table can be: refused by its size (it takes no disk).
                      UnusableTable{"TooLarge",
                                    [](const fs::path& file) {
                                        std::ofstream{file};
                                        fs::resize_file(file, std::uintmax_t{64} << 20);
                                    }},
                      UnusableTable{"Folder", [](const fs::path& file) { fs::create_directory(file); }},
                      UnusableTable{"Fifo", [](const fs::path& file) { ::mkfifo(file.c_str(), 0644); }}),
    [](const ::testing::TestParamInfo<UnusableTable>& info) { return std::string(info.param.name); });

}  // namespace
