// The update windows wired to the main window, the forms controller and a real device controller.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "app/DeviceController.h"
#include "app/FormAppMainController.h"
#include "app/fMain.h"
#include "app/fUpdateIns.h"
#include "app/fUpdateInsertion.h"
#include "sim/Communicator.h"
#include "tests/app/FirmwareTestSupport.h"
#include "tests/support/LoopbackComm.h"
#include "tests/support/RecordingLog.h"
#include "ui/Application.h"
#include "ui/Driver.h"

namespace {

using namespace firmwaretest;
using namespace std::chrono_literals;

class TestFormsController : public TFormAppMainController {
public:
    using TFormAppMainController::TFormAppMainController;
    bool DoConnect() override { return false; }
};

class MainWindowUpdateTest : public ::testing::Test {
protected:
    MainWindowUpdateTest()
    {
        FormMain = main;
        main->FormsController = forms.get();
        forms->SetDeviceController(std::make_unique<TDeviceController>(comm, &log));
        main->SetStatusText(TFormMain::PanelVersion, "REV 11.005.120");
        main->Show();
        update->Images().SetImage(1, ImageLines(32, "REV 11.005.121"));
        update->SetUploadOptions({.Clock = &threadClock});
    }
    ~MainWindowUpdateTest() override
    {
        main->FormsController = nullptr;
        FormMain = nullptr;
    }

    int Count(const std::string& request) const
    {
        int n = 0;
        for (const std::string& r : device.Requests()) n += r == request;
        return n;
    }

    ui::ApplicationScope scope;
    ui::Driver user{scope.App()};
    platform::ManualClock threadClock;
    TFormMain* main = scope.App().CreateForm<TFormMain>("FormMain");
    TformUpdateIns* update = scope.App().CreateForm<TformUpdateIns>("formUpdateIns");
    testsupport::RecordingLog log;
    sim::Communicator device{{}, scope.Clock()};
    testsupport::LoopbackComm comm{device, scope.Clock()};
    std::unique_ptr<TestFormsController> forms =
        std::make_unique<TestFormsController>(main, main->PagesPane, main->tv1);
};

}  // namespace

TEST_F(MainWindowUpdateTest, UploadHoldsTheLinkAgainstTheWatchdogThenDisconnects)
{
    ASSERT_TRUE(update->FirmwareUpdateAvailable(0, 0, 0, 5, 120));
    update->Show();
    EXPECT_FALSE(main->Enabled());
    EXPECT_EQ(update->lbOldName->Caption(), "REV 11.005.120");
    main->Timer1->SetEnabled(true);

    ASSERT_TRUE(user.Click(*update->btnUpdateVer));
    EXPECT_TRUE(forms->GetDeviceController()->Busy());
    main->Timer1Timer(main->Timer1);  // a watchdog tick in the middle of the upload
    const auto limit = std::chrono::steady_clock::now() + 20s;
    while (update->Uploading() && std::chrono::steady_clock::now() < limit) user.Advance(500);

    ASSERT_EQ(update->State(), TformUpdateIns::StateDone);
    EXPECT_EQ(Count("+v"), 1) << "only the bootloader's own version request";
    EXPECT_TRUE(device.FirmwareWritten());
    EXPECT_EQ(device.UploadedImage(), AsText(Bytes(32 * 16)));
    EXPECT_FALSE(forms->GetDeviceController()->Busy());
    EXPECT_EQ(main->StatusText(TFormMain::PanelVersion), "REV 11.005.121");
    EXPECT_TRUE(log.entries.empty()) << "the upload thread never writes to the log";

    ASSERT_TRUE(user.Click(*update->btnExit));
    EXPECT_TRUE(main->Enabled());
    EXPECT_EQ(forms->GetDeviceController(), nullptr);
}

TEST_F(MainWindowUpdateTest, FileUploadThroughTheDeviceControllerDisconnectsAfterwards)
{
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "firmware-main-window.hex";
    {
        std::ofstream out(path, std::ios::binary);
        for (const std::string& line : ImageLines(16)) out << line << "\r\n";
        out << Record(0, {}, 1) << "\r\n";
    }
    auto* window = scope.App().CreateForm<TformUpdateInsertion>("formUpdateInsertion");
    TKitProgressBar* progress = main->KitProgressBar1;
    TFileUpdateHost host = MainWindowFileUpdateHost(progress);
    ASSERT_NE(host.Sender, nullptr);
    EXPECT_EQ(host.Log, forms->Log.get());
    host.Options.Clock = &scope.Clock();
    scope.Services().AnswerModal([&](ui::TForm&) {
        window->etPath->SetText(path.string());
        window->SetModalResult(ui::mrOk);
    });

    EXPECT_EQ(UpdateFirmwareFromFile(*window, host), TUploadResult::Done);
    std::filesystem::remove(path);
    EXPECT_EQ(device.UploadedImage(), AsText(Bytes(16 * 16)));
    EXPECT_EQ(forms->GetDeviceController(), nullptr);
}

TEST_F(MainWindowUpdateTest, WithoutAConnectionTheHostsHaveNoSender)
{
    forms->SetDeviceController(nullptr);
    EXPECT_EQ(MainWindowUpdateHost().Sender(), nullptr);
    EXPECT_EQ(MainWindowUpdateHost().AcquireLink(), nullptr);
    EXPECT_EQ(MainWindowFileUpdateHost(nullptr).Sender, nullptr);
}
