// The layout-detail dialog's track bar: the Up and Down keys, clicks beside the thumb and the end of a move.
#include "designers/ExTrackBar.h"

#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Bar {
    TExTrackBar bar;
    Bar()
    {
        bar.setRange(1, 5);
        bar.setValue(3);
        bar.resize(200, 40);
        bar.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&bar));
    }
    QRect thumb()
    {
        QStyleOptionSlider option;
        option.initFrom(&bar);
        option.orientation = bar.orientation();
        option.minimum = bar.minimum();
        option.maximum = bar.maximum();
        option.sliderPosition = bar.sliderPosition();
        option.sliderValue = bar.value();
        option.tickPosition = bar.tickPosition();
        option.subControls = QStyle::SC_All;
        return bar.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &bar);
    }
};

}  // namespace

TEST(ExTrackBar, DownMovesTowardTheMaximumUnlessDownIsLeft)
{
    Bar b;
    QSignalSpy changed(&b.bar, &TExTrackBar::OnChanged);
    EXPECT_FALSE(b.bar.DownIsLeft());
    QTest::keyClick(&b.bar, Qt::Key_Down);
    EXPECT_EQ(b.bar.value(), 4);
    QTest::keyClick(&b.bar, Qt::Key_Up);
    QTest::keyClick(&b.bar, Qt::Key_Up);
    EXPECT_EQ(b.bar.value(), 2);
    EXPECT_EQ(changed.count(), 3);  // once for each key let go

    b.bar.SetDownIsLeft(true);
    QTest::keyClick(&b.bar, Qt::Key_Down);
    EXPECT_EQ(b.bar.value(), 1);
    QTest::keyClick(&b.bar, Qt::Key_Up);
    EXPECT_EQ(b.bar.value(), 2);
}

TEST(ExTrackBar, ClickBesideTheThumbGoesToTheOwnerWithoutPaging)
{
    Bar b;
    QSignalSpy down(&b.bar, &TExTrackBar::OnMouseDown);
    QSignalSpy changed(&b.bar, &TExTrackBar::OnChanged);
    const QRect thumb = b.thumb();
    const QPoint right(b.bar.width() - 4, thumb.center().y());
    ASSERT_FALSE(thumb.contains(right));
    QTest::mouseClick(&b.bar, Qt::LeftButton, Qt::ShiftModifier, right);
    EXPECT_EQ(b.bar.value(), 3);
    ASSERT_EQ(down.count(), 1);
    EXPECT_EQ(down[0][1].value<Qt::MouseButton>(), Qt::LeftButton);
    EXPECT_EQ(down[0][2].value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
    EXPECT_EQ(down[0][3].toPoint(), right);
    EXPECT_TRUE(b.bar.hasFocus());
    EXPECT_EQ(changed.count(), 0);

    // The owner may move the thumb itself.
    QObject::connect(&b.bar, &TExTrackBar::OnMouseDown, &b.bar, [&b] { b.bar.setValue(5); });
    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, right);
    EXPECT_EQ(b.bar.value(), 5);
}

TEST(ExTrackBar, DraggingTheThumbReportsOnceWhenLetGo)
{
    Bar b;
    QSignalSpy down(&b.bar, &TExTrackBar::OnMouseDown);
    QSignalSpy changed(&b.bar, &TExTrackBar::OnChanged);
    const QPoint start = b.thumb().center();
    QTest::mousePress(&b.bar, Qt::LeftButton, {}, start);
    for (int x = start.x(); x < b.bar.width() - 2; x += 10)
        QTest::mouseMove(&b.bar, QPoint(x, start.y()));
    EXPECT_EQ(changed.count(), 0);
    QTest::mouseRelease(&b.bar, Qt::LeftButton, {}, QPoint(b.bar.width() - 2, start.y()));
    EXPECT_EQ(b.bar.value(), 5);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(down.count(), 0);
}
