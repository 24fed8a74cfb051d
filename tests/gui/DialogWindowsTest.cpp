// The program's dialogs in real windows: their kit widgets are shown from the bitmaps they paint, the
// clicks on them reach the model, and a screenshot of each lands in the build folder for a look.
#include <QImage>
#include <QPushButton>

#include <filesystem>
#include <string>

#include "GuiTestSupport.h"
#include "app/fAbout.h"
#include "app/fConnect.h"
#include "app/fDial.h"
#include "app/fUpdateInsertion.h"

namespace {

class DialogWindowsTest : public guitest::GuiTest {
protected:
    // Shows the window, saves its picture as sorvel7qx3-<name>.png and checks that it is not blank.
    void Shoot(ui::TForm& form, const std::string& name)
    {
        form.Show();
        // Widgets of controls that belong to other controls (a bar's buttons) come with a later round.
        for (int round = 0; round < 3; ++round) {
            front.Windows().Flush();
            QCoreApplication::processEvents();
        }
        QWidget* window = front.Windows().Widget(form);
        ASSERT_NE(window, nullptr);
        // Painted widgets nested in painted widgets (a bar's buttons) may be missing from a window's
        // first grab; painting each once on its own brings most of them in.
        for (QWidget* child : window->findChildren<QWidget*>())
            if (child->isVisible()) child->grab();
        const QImage shot = window->grab().toImage();
        const std::filesystem::path png = std::filesystem::current_path() / ("sorvel7qx3-" + name + ".png");
        ASSERT_TRUE(shot.save(QString::fromStdString(png.string())));
        EXPECT_GE(shot.width(), form.ClientWidth()) << name;
    }

    // A kit widget is a painted widget, never a stock Qt control.
    void ExpectPainted(const ui::TControl& control)
    {
        QWidget* widget = front.Windows().Widget(control);
        ASSERT_NE(widget, nullptr) << control.Name();
        EXPECT_TRUE(widget->isVisible()) << control.Name();
        EXPECT_EQ(dynamic_cast<QPushButton*>(widget), nullptr) << control.Name();
    }
};

TEST_F(DialogWindowsTest, ConnectDialogsButtonBarIsTheKitsAndItsClicksReachTheModel)
{
    auto* dlg = ui::Create<TFormConnect>(&scope.App(), "FormConnect");
    Shoot(*dlg, "connect");
    TKitDialogButtons& bar = *dlg->KitDialogButtons1;
    ExpectPainted(bar);
    ExpectPainted(*bar.ButtonOk());
    ExpectPainted(*bar.ButtonCancel());

    int cancels = 0;
    const auto previous = bar.OnClickCancel;
    bar.OnClickCancel = [&](ui::TObject* s) {
        ++cancels;
        previous(s);
    };
    QWidget* cancel = front.Windows().Widget(*bar.ButtonCancel());
    guitest::ClickAt(cancel, QPoint(10, 10));
    EXPECT_TRUE(guitest::SpinUntil([&] { return cancels == 1; }));
    EXPECT_EQ(dlg->ModalResult(), ui::mrCancel);
    ui::Free(dlg);
}

TEST_F(DialogWindowsTest, DialAboutAndFirmwareFileWindowsShowTheirKitWidgets)
{
    auto* dial = ui::Create<TFormDial>(&scope.App(), "FormDial");
    Shoot(*dial, "dial");
    ExpectPainted(*dial->KitLEDDisplay1);

    auto* about = ui::Create<TFormAbout>(&scope.App(), "FormAbout");
    Shoot(*about, "about");
    ExpectPainted(*about->KitLabel2);

    auto* file = ui::Create<TformUpdateInsertion>(&scope.App(), "formUpdateInsertion");
    Shoot(*file, "firmware-file");
    ExpectPainted(*file->KitDialogButtons1->ButtonHelp());
    ExpectPainted(*file->KitBitBtn1);
    for (ui::TForm* form : {static_cast<ui::TForm*>(dial), static_cast<ui::TForm*>(about), static_cast<ui::TForm*>(file)})
        ui::Free(form);
}

}  // namespace
