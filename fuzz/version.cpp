// The version text and the gates that follow it: a device controller reads the version, the panel
// and hardware bytes and the IMEI from replies made of the input. The input holds the four replies,
// split at "|": "v", "typepan", "typepan1", "IMEI"; a missing one is silence.
#include "app/DeviceController.h"
#include "app/fMain.h"
#include "fuzz/FuzzSupport.h"
#include "ui/Application.h"

namespace {

// One application and main window for the whole run: the controller shows what it read there.
TFormMain& TheMain()
{
    static ui::ApplicationScope scope;
    static TFormMain* const main = scope.App().CreateForm<TFormMain>("FormMain");
    return *main;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TheMain();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TFormMain& main = TheMain();
    const std::vector<std::string> parts = fuzz::Split(fuzz::Bytes(data, size), '|');
    fuzz::ScriptedComm comm([&parts](const std::string& request) {
        static const std::string kRequests[] = {"+v", "+typepan", "+typepan1", "+IMEI"};
        for (std::size_t i = 0; i < std::size(kRequests) && i < parts.size(); ++i)
            if (request == kRequests[i]) return parts[i];
        return std::string();
    });
    fuzz::CheckingLog log;
    TDeviceController controller(comm, &log);
    controller.Device().SetTimeoutFloor(0);
    controller.Device().SetTimestamp({});
    if (controller.ReadVersion()) {
        // The gates stand on numbers taken from the text on show.
        const auto version = ParseVersionNumbers(main.StatusText(TFormMain::PanelVersion));
        FUZZ_CHECK(version && version->Major == controller.Major && version->Build == controller.Build);
    }
    for (const int panel : {TFormMain::PanelVersion, TFormMain::PanelType, TFormMain::PanelFlash, TFormMain::PanelImei})
        FUZZ_CHECK(platform::IsValidUtf8(main.StatusText(panel)));
    (void)CutVersionText(parts.front());
    return 0;
}
