// The real program's main window, started in-process under the offscreen platform.
#include <QImage>
#include <QTreeWidget>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "GuiTestSupport.h"
#include "app/fMain.h"
#include "app/Sorvel7QX3.h"
#include "platform/ProgramFolder.h"

namespace {

class ProgramWindowTest : public guitest::GuiTest {
protected:
    ProgramWindowTest()
    {
        folder = std::filesystem::temp_directory_path() / ("gui-program-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        std::filesystem::copy_file(std::filesystem::path(SORVEL_SOURCE_DIR) / "resources" / "Messages.txt",
                                   folder / "Messages.txt", std::filesystem::copy_options::overwrite_existing);
        ::setenv(platform::kProgramFolderVariable, folder.c_str(), 1);
    }
    ~ProgramWindowTest() override
    {
        FinishProgram();
        ::unsetenv(platform::kProgramFolderVariable);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::filesystem::path folder;
};

TEST_F(ProgramWindowTest, TheMainWindowShowsItsPagesAndAScreenshotIsNotBlank)
{
    StartProgram();
    TFormMain& main = *FormMain;
    main.Show();
    front.Windows().Flush();
    QCoreApplication::processEvents();

    QWidget* window = front.Windows().Widget(main);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->windowTitle().startsWith(QString("Программа настройки")));

    auto* tree = dynamic_cast<QTreeWidget*>(front.Windows().Widget(*main.tv1));
    ASSERT_NE(tree, nullptr);
    // One row per page the program has.
    ASSERT_GE(main.tv1->Items().RootCount(), 1);
    ASSERT_EQ(tree->topLevelItemCount(), main.tv1->Items().RootCount());
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QString("Общие настройки"));
    EXPECT_TRUE(front.Windows().Widget(*main.PagesPane)->isVisible());

    // The first page stands in the page pane with its controls.
    ASSERT_GE(main.PagesPane->ControlCount(), 1);
    QWidget* page = front.Windows().Widget(*main.PagesPane->Controls(0));
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(page->parentWidget(), front.Windows().Widget(*main.PagesPane));
    EXPECT_FALSE(page->findChildren<QWidget*>().isEmpty());

    const QImage shot = window->grab().toImage();
    const std::filesystem::path png = std::filesystem::current_path() / "sorvel7qx3-main-window.png";
    ASSERT_TRUE(shot.save(QString::fromStdString(png.string())));
    EXPECT_GE(shot.width(), main.Width());
    EXPECT_GE(shot.height(), main.Height());
    std::set<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 7)
        for (int x = 0; x < shot.width(); x += 7) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 8u) << "the window looks blank: " << png;
}

TEST_F(ProgramWindowTest, ClosingTheMainWindowEndsTheApplication)
{
    StartProgram();
    FormMain->Show();
    front.Windows().Widget(*FormMain)->close();
    EXPECT_TRUE(scope.App().Terminated());
}

}  // namespace
