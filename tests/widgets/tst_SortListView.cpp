// The sortable list views: the column-click cycle, the sort arrow and the divider notifications, run over
// both views since they share one implementation and must behave alike.
#include "widgets/SortListView.h"
#include "widgets/UniSortListView.h"

#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

template <class View>
class SortListView : public ::testing::Test {
protected:
    void SetUp() override
    {
        model.setHorizontalHeaderLabels({"Name", "Kana", "Zip"});
        model.setItem(0, 0, new QStandardItem("a name far wider than its column will ever be"));
        view.setModel(&model);
        for (int column = 0; column < 3; ++column)
            view.setColumnWidth(column, 100);
        view.resize(400, 200);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    TSortHeader *header() const { return view.HeaderHandle(); }
    QPoint sectionMiddle(int column) const
    {
        const int x = header()->sectionViewportPosition(column) + header()->sectionSize(column) / 2;
        return {x, header()->height() / 2};
    }
    QPoint divider(int column) const
    {
        const int x = header()->sectionViewportPosition(column) + header()->sectionSize(column) - 1;
        return {x, header()->height() / 2};
    }
    // Drags the divider right of column, passing through each width, as the mouse would.
    void dragDivider(int column, std::initializer_list<int> widths)
    {
        QWidget *viewport = header()->viewport();
        const QPoint start = divider(column);
        const int startWidth = header()->sectionSize(column);
        QTest::mousePress(viewport, Qt::LeftButton, {}, start);
        QPoint at = start;
        for (const int width : widths) {
            at = start + QPoint(width - startWidth, 0);
            QTest::mouseMove(viewport, at);
        }
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
    }
    QImage headerImage() const { return header()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    QStandardItemModel model{1, 3};
    View view;
};

using Views = ::testing::Types<TSortListView, TUniSortListView>;
TYPED_TEST_SUITE(SortListView, Views);

// The pixels that differ between two pictures of the header.
QRect ChangedArea(const QImage &before, const QImage &after)
{
    QRect area;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                area |= QRect(x, y, 1, 1);
    return area;
}

int ChangedInRow(const QImage &before, const QImage &after, const QRect &area, int y)
{
    int changed = 0;
    for (int x = area.left(); x <= area.right(); ++x)
        changed += before.pixel(x, y) != after.pixel(x, y);
    return changed;
}

}  // namespace

TYPED_TEST(SortListView, DefaultDirsAlternateOnClicksAndAnotherColumnStartsAscending)
{
    auto &view = this->view;
    EXPECT_EQ(view.SortIndex(), 0);
    EXPECT_EQ(view.SortDir(), sdAsc);
    EXPECT_EQ(view.SortDirs(), (TSortDirs{sdAsc, sdDesc}));
    EXPECT_FALSE(view.ShowDragImage());
    EXPECT_EQ(view.TrackStartWidth(), -1);
    QSignalSpy sortChanges(&view, &TypeParam::OnSortChange);
    QSignalSpy userClicks(view.header(), &QHeaderView::sectionClicked);
    QList<TSortDir> dirsSeenByUser;
    QObject::connect(view.header(), &QHeaderView::sectionClicked,
                     [&] { dirsSeenByUser.append(view.SortDir()); });

    for (int click = 0; click < 3; ++click)
        QTest::mouseClick(this->header()->viewport(), Qt::LeftButton, {}, this->sectionMiddle(0));
    EXPECT_EQ(dirsSeenByUser, (QList<TSortDir>{sdDesc, sdAsc, sdDesc}));
    ASSERT_EQ(sortChanges.size(), 3);
    EXPECT_EQ(sortChanges[0], (QVariantList{0, 0}));

    QTest::mouseClick(this->header()->viewport(), Qt::LeftButton, {}, this->sectionMiddle(2));
    EXPECT_EQ(view.SortIndex(), 2);
    EXPECT_EQ(view.SortDir(), sdAsc);
    EXPECT_EQ(sortChanges.last(), (QVariantList{0, 2}));
    EXPECT_EQ(userClicks.size(), 4);
}

TYPED_TEST(SortListView, NoneOnlyKeepsDirectionAndStillMovesTheSortColumn)
{
    auto &view = this->view;
    view.SetSortDirs({sdNone});
    EXPECT_EQ(view.SortDir(), sdNone);
    QSignalSpy sortChanges(&view, &TypeParam::OnSortChange);
    QTest::mouseClick(this->header()->viewport(), Qt::LeftButton, {}, this->sectionMiddle(0));
    EXPECT_EQ(view.SortDir(), sdNone);
    EXPECT_EQ(sortChanges.size(), 0);
    QTest::mouseClick(this->header()->viewport(), Qt::LeftButton, {}, this->sectionMiddle(1));
    EXPECT_EQ(view.SortIndex(), 1);
    EXPECT_EQ(view.SortDir(), sdNone);
    ASSERT_EQ(sortChanges.size(), 1);
    EXPECT_EQ(sortChanges[0], (QVariantList{0, 1}));
}

TYPED_TEST(SortListView, SettersRefuseEmptyDirsAndWrapIndexPastTheColumns)
{
    auto &view = this->view;
    QSignalSpy sortChanges(&view, &TypeParam::OnSortChange);
    view.SetSortDirs({});
    EXPECT_EQ(view.SortDirs(), (TSortDirs{sdAsc, sdDesc}));
    view.SetSortDir(sdNone);  // not allowed
    EXPECT_EQ(view.SortDir(), sdAsc);
    EXPECT_EQ(sortChanges.size(), 0);

    view.SetSortDirs({sdDesc, sdNone});
    EXPECT_EQ(view.SortDir(), sdDesc);
    view.SetSortIndex(2);
    EXPECT_EQ(view.SortDir(), sdDesc);
    view.SetSortIndex(3);
    EXPECT_EQ(view.SortIndex(), 0);
    view.SetSortIndex(0);  // unchanged: nothing told
    ASSERT_EQ(sortChanges.size(), 3);
    EXPECT_EQ(sortChanges[0], (QVariantList{0, 0}));
    EXPECT_EQ(sortChanges[1], (QVariantList{0, 2}));
    EXPECT_EQ(sortChanges[2], (QVariantList{2, 0}));
}

TYPED_TEST(SortListView, ArrowFollowsTheCaptionOnlyForAscendingAndDescending)
{
    auto &view = this->view;
    view.SetSortIndex(1);
    view.SetSortDirs({sdNone});
    const QImage plain = this->headerImage();

    view.SetSortDirs({sdAsc, sdDesc, sdNone});
    view.SetSortDir(sdAsc);
    const QImage ascending = this->headerImage();
    const QRect up = ChangedArea(plain, ascending);
    const int captionEnd =
        this->header()->sectionViewportPosition(1) + this->header()->fontMetrics().horizontalAdvance("Kana");
    EXPECT_GT(up.left(), captionEnd);
    EXPECT_LT(up.right(), this->header()->sectionViewportPosition(2));
    EXPECT_EQ(up.size(), QSize(9, 5));
    EXPECT_LT(ChangedInRow(plain, ascending, up, up.top()), ChangedInRow(plain, ascending, up, up.bottom()));

    view.SetSortDir(sdDesc);
    const QImage descending = this->headerImage();
    const QRect down = ChangedArea(plain, descending);
    EXPECT_EQ(down, up);
    EXPECT_GT(ChangedInRow(plain, descending, down, down.top()),
              ChangedInRow(plain, descending, down, down.bottom()));

    view.SetSortDir(sdNone);
    EXPECT_EQ(this->headerImage(), plain);
}

TYPED_TEST(SortListView, DividerDragIsToldOnceAtItsEndAndCodeWidthsAsTheyHappen)
{
    auto &view = this->view;
    QSignalSpy changes(&view, &TypeParam::OnColumnWidthChange);
    QSignalSpy changing(&view, &TypeParam::OnColumnWidthChanging);
    QSignalSpy inProgress(&view, &TypeParam::OnDividerMouseDown);
    QSignalSpy ends(&view, &TypeParam::OnDividerMouseUp);
    int trackedWhileDragging = -1;
    QObject::connect(&view, &TypeParam::OnDividerMouseDown,
                     [&] { trackedWhileDragging = view.TrackStartWidth(); });

    this->dragDivider(0, {120, 140});
    EXPECT_EQ(view.columnWidth(0), 140);
    EXPECT_EQ(trackedWhileDragging, 100);
    EXPECT_EQ(inProgress.size(), 2);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0], (QVariantList{0, 140}));
    EXPECT_EQ(changing.size(), 0);
    EXPECT_EQ(ends.size(), 1);
    EXPECT_EQ(view.TrackStartWidth(), -1);

    changes.clear();
    this->dragDivider(0, {160, 140});
    EXPECT_EQ(changes.size(), 0);
    EXPECT_EQ(ends.size(), 2);

    // A drag that ends where it began must not leave the view thinking a drag is still under way.
    EXPECT_EQ(view.TrackStartWidth(), -1);
    view.setColumnWidth(2, 80);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0], (QVariantList{2, 80}));
    ASSERT_EQ(changing.size(), 1);
    EXPECT_EQ(changing[0].mid(0, 2), (QVariantList{2, 80}));
}

TYPED_TEST(SortListView, DividerDoubleClickIsToldAndDoesNotFitTheColumn)
{
    auto &view = this->view;
    QSignalSpy doubleClicks(&view, &TypeParam::OnDividerDblClick);
    QSignalSpy changes(&view, &TypeParam::OnColumnWidthChange);
    QTest::mouseDClick(this->header()->viewport(), Qt::LeftButton, {}, this->divider(0));
    ASSERT_EQ(doubleClicks.size(), 1);
    EXPECT_EQ(doubleClicks[0], QVariantList{0});
    EXPECT_EQ(view.columnWidth(0), 100);
    EXPECT_EQ(changes.size(), 0);
}
