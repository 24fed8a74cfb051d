#pragma once
// What the parameter pages show, control by control, so that one exchange can be held against another:
// the page after a read over a real line against the same read of a copy of the device in memory.
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/DeviceController.h"
#include "app/IniFiles.h"
#include "app/fIn.h"
#include "sim/Communicator.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/SimProfile.h"
#include "ui/Component.h"
#include "ui/Grids.h"
#include "ui/StdCtrls.h"

namespace testsupport {

using Controls = std::map<std::string, std::string>;

// Every value the component's controls show, by control name (grids by cell), prefixed.
inline void CollectControls(ui::TComponent& owner, const std::string& prefix, Controls& out)
{
    for (int i = 0; i < owner.ComponentCount(); ++i) {
        ui::TComponent* c = owner.Components(i);
        const std::string name = prefix + (c->Name().empty() ? "#" + std::to_string(i) : c->Name());
        if (auto* grid = ui::As<ui::TStringGrid>(c)) {
            for (int row = 0; row < grid->RowCount(); ++row)
                for (int col = 0; col < grid->ColCount(); ++col)
                    out[name + "[" + std::to_string(col) + "," + std::to_string(row) + "]"] = grid->Cells(col, row);
        } else if (auto* check = ui::As<ui::TCheckBox>(c)) {
            out[name] = check->Checked() ? "1" : "0";
        } else if (auto* radio = ui::As<ui::TRadioButton>(c)) {
            out[name] = radio->Checked() ? "1" : "0";
        } else if (auto* combo = ui::As<ui::TCustomCombo>(c)) {
            out[name] = std::to_string(combo->ItemIndex()) + " " + combo->Text();
        } else if (auto* edit = ui::As<ui::TCustomEdit>(c)) {
            out[name] = edit->Text();
        }
        if (c->ComponentCount() > 0) CollectControls(*c, name + ".", out);
    }
}

inline Controls ControlsOf(ui::TComponent& page, const std::string& prefix = "")
{
    Controls out;
    CollectControls(page, prefix, out);
    return out;
}

// Controls that show the moment of the read, not a stored value.
inline bool TimeDependent(const std::string& page, const std::string& control)
{
    return page == "FormCommon" && control.ends_with("etTime");
}

// What the pages show, by page and control, but the clock.
inline Controls ShownOn(const std::vector<TformIncl*>& pages)
{
    Controls shown;
    for (TformIncl* page : pages)
        for (auto& [key, value] : ControlsOf(*page, page->Name() + "."))
            if (!TimeDependent(page->Name(), key)) shown[key] = value;
    return shown;
}

// The keys whose values differ between two snapshots.
template <class Map>
std::set<std::string> Changed(const Map& before, const Map& after)
{
    std::set<std::string> keys;
    for (const auto& [key, value] : after) {
        const auto it = before.find(key);
        if (it == before.end() || it->second != value) keys.insert(key);
    }
    for (const auto& [key, value] : before)
        if (!after.contains(key)) keys.insert(key);
    return keys;
}

// Sets the page's choices at random; with `edits`, also fills every edit and grid cell with a marker no
// device value holds, so that a read that leaves a control alone shows.
inline void Perturb(ui::TComponent& owner, std::mt19937& random, bool edits)
{
    for (int i = 0; i < owner.ComponentCount(); ++i) {
        ui::TComponent* c = owner.Components(i);
        if (auto* check = ui::As<ui::TCheckBox>(c)) {
            check->SetChecked(random() % 2 == 0);
        } else if (auto* radio = ui::As<ui::TRadioButton>(c)) {
            if (random() % 3 == 0) radio->SetChecked(true);
        } else if (auto* combo = ui::As<ui::TCustomCombo>(c)) {
            if (combo->Items().Count() > 0) combo->SetItemIndex(static_cast<int>(random() % static_cast<unsigned>(combo->Items().Count())));
        } else if (edits) {
            if (auto* grid = ui::As<ui::TStringGrid>(c)) {
                for (int row = 1; row < grid->RowCount(); ++row)
                    for (int col = 1; col < grid->ColCount(); ++col) grid->SetCell(col, row, "~");
            } else if (auto* edit = ui::As<ui::TCustomEdit>(c)) {
                edit->SetText("~" + std::to_string(random() % 1000));
            }
        }
        if (c->ComponentCount() > 0) Perturb(*c, random, edits);
    }
}

// A page's whole state (what the program saves for it, its own data behind the controls included), to
// run an operation twice from the same start. Taking it loads the page back from what it saved: a page can
// stand where no load puts it (a mode button set again from code applies nothing, a read leaves a mode's
// rows as the device sent them), and both runs must start where a restore puts the page.
class PageState {
public:
    explicit PageState(TformIncl& page) : ini_("/nonexistent/page-state.ini") { page.SaveToIni(ini_); Restore(page); }
    void Restore(TformIncl& page) const { page.LoadFromIni(ini_); }

private:
    TMemIniFile ini_;
};

// A copy of a simulated device in memory with a device controller of its own that has read its version:
// what the program shows and stores when every reply comes whole and at once. It starts where `state`
// stands, when given.
struct Reference {
    Reference(const sim::DeviceProfile& profile, platform::Clock& clock, int floorMs, TLogWriter* log = nullptr,
              const sim::Communicator* state = nullptr)
        : device(profile, clock, kSimWallStart), comm(device, clock, floorMs), dc(comm, log)
    {
        if (state != nullptr) device.CopyStateFrom(*state);
        dc.Device().SetTimeoutFloor(floorMs);
        if (!dc.ReadVersion()) throw std::runtime_error("the copy of the device did not tell its version");
    }
    void ReadAll(const std::vector<TformIncl*>& pages)
    {
        for (TformIncl* page : pages) {
            page->Clear();
            dc.ReadForm(*page);
        }
    }
    void WriteAll(const std::vector<TformIncl*>& pages)
    {
        for (TformIncl* page : pages) {
            page->ResetMarks();
            dc.WriteForm(*page);
        }
    }

    sim::Communicator device;
    LoopbackComm comm;
    TDeviceController dc;
};

}  // namespace testsupport
