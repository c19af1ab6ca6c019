#include "fixturetree.h"
#include "form1.h"
#include "platform.h"
#include "scriptedui.h"
#include "temphome.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

namespace pf {
namespace {

// "Add All Text Files In Folder" through the real window, offscreen, with the dialogs scripted.
class AddFolderWidgetTest : public ::testing::Test {
protected:
    AddFolderWidgetTest() : tree(home.Root() + "/tree") {
        platform::OverrideProgramFolder(home.MakeFolder("program"));
        tree.Add({"b.txt", "A.TXT", "~lock.txt", ".hidden.txt", "notes.md", "sub/c.txt", "Sub2/deep/d.txt",
                  "en\xE2\x80\x93"
                  "dash/skipped.txt"});
        ui.textAnswers.push_back("txt");
        ui.folderAnswers.push_back(tree.Root());
    }
    ~AddFolderWidgetTest() override { platform::OverrideProgramFolder(""); }

    // The rows the list shows once the window has run its pending work.
    static std::vector<std::string> ListedRows(Form1& form) {
        QApplication::processEvents();
        auto* list = form.findChild<QTreeView*>("ListView1");
        std::vector<std::string> rows;
        for (int i = 0; list != nullptr && i < list->model()->rowCount(); ++i) {
            rows.push_back(list->model()->index(i, 0).data().toString().toStdString());
        }
        return rows;
    }

    test::TempHome home;
    test::FixtureTree tree;
    test::ScriptedUi ui;
};

TEST_F(AddFolderWidgetTest, TheTreesFilesAppearInTheListInWalkOrder) {
    Form1 form(&ui);
    form.findChild<QPushButton*>("PushButton4")->click();
    EXPECT_EQ(ListedRows(form),
              (std::vector<std::string>{tree.Path("A.TXT"), tree.Path("b.txt"), tree.Path("sub/c.txt"),
                                        tree.Path("Sub2/deep/d.txt")}));
    EXPECT_EQ(form.Pointer(), MousePointer::Default);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(AddFolderWidgetTest, ClearListClickedDuringTheWalkIsRefused) {
    Form1 form(&ui);
    form.AppendRow("/earlier.txt");
    auto* clearList = form.findChild<QPushButton*>("PushButton3");
    std::vector<MousePointer> pointersAtClearList;
    QObject::connect(clearList, &QPushButton::clicked,
                     [&] { pointersAtClearList.push_back(form.Pointer()); });
    // Queued now, the click arrives when the walk first lets messages run.
    QTimer::singleShot(0, clearList, &QPushButton::click);
    form.findChild<QPushButton*>("PushButton4")->click();
    EXPECT_EQ(pointersAtClearList, std::vector<MousePointer>{MousePointer::Hourglass});
    EXPECT_EQ(ListedRows(form),
              (std::vector<std::string>{"/earlier.txt", tree.Path("A.TXT"), tree.Path("b.txt"),
                                        tree.Path("sub/c.txt"), tree.Path("Sub2/deep/d.txt")}));
}

} // namespace
} // namespace pf
