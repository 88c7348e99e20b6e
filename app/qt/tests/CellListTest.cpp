// The cell list: lines shortened with "...", the requests of taps and Enter, and pictures that are
// decoded when drawn.

#include "CellList.h"
#include "CellDelegate.h"
#include "core/Operations.h"
#include "testing/TempDir.h"

#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(CellListTest, ShortenToWidthCutsTheEndAndAddsThreeDots)
{
    const QFontMetrics metrics(QApplication::font());
    const QString name = QStringLiteral("holiday-photo-2023-with-a-long-name.jpg");
    const int dots = metrics.horizontalAdvance(QStringLiteral("..."));
    struct Case {
        int width;
        QString shown;
    };
    const Case cases[] = {
        {metrics.horizontalAdvance(name), name},
        {metrics.horizontalAdvance(QStringLiteral("holiday")) + dots, QStringLiteral("holiday...")},
        {dots, QStringLiteral("...")},
        {dots - 1, QString()},
    };
    for (const Case& shortened : cases) {
        const QString shown = ShortenToWidth(name, metrics, shortened.width);
        EXPECT_EQ(shown, shortened.shown) << shortened.width;
        EXPECT_LE(metrics.horizontalAdvance(shown), shortened.width);
    }
    // A character outside the basic plane is never cut in half.
    const QString emoji = QStringLiteral("ab") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("cd");
    const int upToEmoji = metrics.horizontalAdvance(emoji.left(3)) + dots;
    EXPECT_EQ(ShortenToWidth(emoji, metrics, upToEmoji), QStringLiteral("ab..."));
}

struct TapCase {
    const char* what;
    std::vector<CellColumn> columns;
    std::function<void(CCellListView&)> act;
    std::vector<int> requests;
};

TEST(CellListTest, TapsAndEnterBecomeRequests)
{
    const auto rowCenter = [](CCellListView& list, int row) {
        return list.visualRect(list.Model().index(row)).center();
    };
    const std::vector<CellColumn> textRow = {{false, Qt::AlignCenter}, {true, Qt::AlignLeft}};
    const std::vector<CellColumn> narrowRow = {{false, Qt::AlignCenter}, {false, Qt::AlignCenter}};
    const TapCase cases[] = {
        {"a tap on a row selects and activates it",
         textRow,
         [&](CCellListView& list) {
             QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rowCenter(list, 1));
         },
         {REQ_ROW_ACTIVATED}},
        {"Enter activates the selected row",
         textRow,
         [&](CCellListView& list) {
             list.setCurrentIndex(list.Model().index(2));
             QTest::keyClick(&list, Qt::Key_Return);
         },
         {REQ_ROW_ACTIVATED}},
        {"a tap below the rows asks for nothing",
         textRow,
         [&](CCellListView& list) {
             QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(10, 280));
         },
         {}},
        {"a tap in the row's line beside its cells",
         narrowRow,
         [&](CCellListView& list) {
             QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(250, rowCenter(list, 0).y()));
         },
         {REQ_ROW_TAPPED}},
    };
    for (const TapCase& tap : cases) {
        SCOPED_TRACE(tap.what);
        CCellListView list(tap.columns, 40);
        std::vector<CellRow> rows;
        for (int i = 0; i < 3; ++i)
            rows.push_back({Cell::Picture(170 + i),
                            Cell::Text(QStringLiteral("Row %1").arg(i), QStringLiteral("second"))});
        list.Model().SetRows(std::move(rows));
        list.resize(300, 300);
        list.show();
        std::vector<int> requests;
        list.onRequest = [&](int request) { requests.push_back(request); };
        tap.act(list);
        EXPECT_EQ(requests, tap.requests);
    }
}

TEST(CellListTest, APictureThatCannotBeDecodedIsTriedAgainAtTheNextDrawing)
{
    TempDir folder;
    const QString path = QString::fromStdString((folder.Path() / "photo.png").string());
    QFile broken(path);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();

    CCellListView list({{false, Qt::AlignCenter}, {true, Qt::AlignLeft}}, 48);
    list.Model().SetRows(
        {{Cell::Image(path, {}), Cell::Text(QStringLiteral("photo.png"), QStringLiteral(" Size  13B"))}});
    list.resize(300, 100);
    list.show();
    const QPoint picture = list.visualRect(list.Model().index(0)).topLeft() + QPoint(24, 24);
    const QColor base = list.palette().color(QPalette::Base);
    EXPECT_EQ(list.viewport()->grab().toImage().pixelColor(picture), base);

    QImage red(64, 64, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(path, "PNG"));
    EXPECT_EQ(list.viewport()->grab().toImage().pixelColor(picture), QColor(Qt::red));
}

} // namespace
