// The files list as a user works it: taps tick and untick, the kind filters show their rows and keep
// the ticks, a filter without files shows the placeholder that no tap ticks, and the menus grey out
// the current filter and Preview outside an Upload.

#include "CellList.h"
#include "FilesListWindow.h"
#include "QtFixture.h"
#include "QtText.h"
#include "core/CFilesListDlg.h"

#include <QMenu>
#include <QTest>

namespace {

class FilesListTest : public QtFixture {
protected:
    static FILE_OBJECT File(const char16_t* name, FILE_KIND kind, std::int64_t size)
    {
        FILE_OBJECT file;
        file.name = name;
        file.kind = kind;
        file.size = size;
        return file;
    }

    static void Tap(CCellListView& list, int row)
    {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.Model().index(row)).center());
    }

    static std::vector<std::string> Names(CCellListView& list)
    {
        std::vector<std::string> names;
        for (int row = 0; row < list.Model().rowCount(); ++row)
            names.push_back(list.Model().Row(row)[1].firstLine.toStdString());
        return names;
    }

    static bool Ticked(CCellListView& list, int row)
    {
        const CellRow& cells = list.Model().Row(row);
        return cells.size() == 3 && cells[2].checked;
    }
};

TEST_F(FilesListTest, TapsTickAndFiltersKeepTheTicks)
{
    FileList files = {File(u"beach.jpg", FILE_KIND_IMAGE, 2048), File(u"song.mp3", FILE_KIND_AUDIO, 1025),
                      File(u"notes.txt", FILE_KIND_OTHER, 1024)};
    int selectedCount = -1;
    CFilesListDlg dialog(files, selectedCount, CFilesListDlg::Mode::Download);
    CFilesListWindow window(dialog, 48, nullptr);
    window.resize(480, 800);
    window.show();
    CCellListView& list = window.List();

    struct Step {
        int filter; // 0: none chosen
        int tap;    // row tapped, -1: none
        std::vector<std::string> names;
        int selectedCount;
        std::vector<bool> files; // the records' ticks
    };
    const std::string none = "   N0 FILES";
    const Step steps[] = {
        {0, -1, {"beach.jpg", "song.mp3", "notes.txt"}, 0, {false, false, false}},
        {0, 1, {"beach.jpg", "song.mp3", "notes.txt"}, 1, {false, true, false}},
        {FILES_SHOW_AUDIO, -1, {"song.mp3"}, 1, {false, true, false}},
        {FILES_SHOW_OTHER, 0, {"notes.txt"}, 2, {false, true, true}},
        {FILES_SHOW_VIDEO, 0, {none}, 2, {false, true, true}},
        {FILES_SHOW_ALL, 1, {"beach.jpg", "song.mp3", "notes.txt"}, 1, {false, false, true}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.names.front() + " filter " + std::to_string(step.filter) + " tap " + std::to_string(step.tap));
        if (step.filter != 0)
            CSoftKeys::Item(window.KindMenu(), step.filter)->trigger();
        if (step.tap >= 0)
            Tap(list, step.tap);
        EXPECT_EQ(Names(list), step.names);
        EXPECT_EQ(selectedCount, step.selectedCount);
        for (std::size_t index = 0; index < files.size(); ++index)
            EXPECT_EQ(files[index].selected != 0, step.files[index]) << index;
        for (int row = 0; row < list.Model().rowCount(); ++row) {
            const CellRow& cells = list.Model().Row(row);
            if (cells.size() == 3) {
                EXPECT_EQ(Ticked(list, row), files[static_cast<std::size_t>(cells[2].recordIndex)].selected != 0);
            }
        }
        const int current = step.filter != 0 ? step.filter : FILES_SHOW_ALL;
        for (const FilesListMenuItem& item : CFilesListDlg::KindMenu())
            EXPECT_EQ(CSoftKeys::Item(window.KindMenu(), item.command)->isEnabled(), item.command != current);
    }
    EXPECT_FALSE(CSoftKeys::Item(window.OptionsMenu(), FILES_PREVIEW)->isEnabled()) << "download";

    QTest::mouseClick(&window.Done(), Qt::LeftButton);
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

} // namespace
