// The version text and the gates that follow it: a device controller reads the version, the panel
// and hardware bytes and the IMEI from replies made of the input. The input holds the four replies,
// split at "|": "v", "typepan", "typepan1", "IMEI"; a missing one is silence.
#include <memory>

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

std::string ReplyTo(const std::vector<std::string>& parts, const std::string& request)
{
    static const std::string kRequests[] = {"+v", "+typepan", "+typepan1", "+IMEI"};
    for (std::size_t i = 0; i < std::size(kRequests); ++i)
        if (request == kRequests[i]) return i < parts.size() ? parts[i] : std::string();
    return {};
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
    fuzz::ScriptedComm comm([&parts](const std::string& request) { return ReplyTo(parts, request); });
    fuzz::CheckingLog log;
    TDeviceController controller(comm, &log);
    controller.Device().SetTimeoutFloor(0);
    controller.Device().SetTimestamp({});

    const bool read = controller.ReadVersion();
    const std::string shown = main.StatusText(TFormMain::PanelVersion);
    FUZZ_CHECK(platform::IsValidUtf8(shown));
    for (const int panel : {TFormMain::PanelType, TFormMain::PanelFlash, TFormMain::PanelImei})
        FUZZ_CHECK(platform::IsValidUtf8(main.StatusText(panel)));
    if (read) {
        // The gates stand on numbers taken from the text on show.
        const auto version = ParseVersionNumbers(shown);
        FUZZ_CHECK(version && version->Major == controller.Major && version->Build == controller.Build);
        FUZZ_CHECK(controller.Major >= 0 && controller.Major <= 999 && controller.Build >= 0 && controller.Build <= 999);
        FUZZ_CHECK(controller.MajorCopy == controller.Major && controller.BuildCopy == controller.Build);
        FUZZ_CHECK(controller.FlashType == TDeviceController::FlashAt45 || controller.FlashType == TDeviceController::FlashM45);
    }

    const std::string cut = CutVersionText(parts.front());
    FUZZ_CHECK(platform::Utf8Length(cut) <= 14);
    return 0;
}
