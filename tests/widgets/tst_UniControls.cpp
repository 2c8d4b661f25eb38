#include "widgets/UniComCtrls.h"
#include "widgets/UniStdCtrls.h"

#include <QApplication>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class RecordingEdit : public TUniEdit {
public:
    QStringList calls;

protected:
    void Change() override { calls << "Change:" + GetText(); }
    void DoEnter() override { calls << "Enter"; }
    void DoExit() override { calls << "Exit"; }
};

}  // namespace

TEST(UniEdit, HooksFollowTextAndFocus)
{
    QWidget window;
    auto *edit = new RecordingEdit;
    auto *other = new QLineEdit;
    edit->setParent(&window);
    other->setParent(&window);
    other->move(0, 40);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::setActiveWindow(&window);

    edit->setFocus();
    edit->SetText(QStringLiteral("山田"));
    other->setFocus();
    EXPECT_EQ(edit->calls, (QStringList{"Enter", QStringLiteral("Change:山田"), "Exit"}));

    edit->SetSelStart(1);
    EXPECT_EQ(edit->SelStart(), 1);
    edit->SelectAll();
    EXPECT_EQ(edit->SelLength(), 2);
    EXPECT_EQ(edit->MaxLength(), 0);
    edit->SetMaxLength(3);
    EXPECT_EQ(edit->MaxLength(), 3);
    edit->SetMaxLength(0);
    EXPECT_EQ(edit->MaxLength(), 0);
}

TEST(UniEdit, InputMethodModeIsKeptAndOffIsEnforced)
{
    TUniEdit edit;
    EXPECT_EQ(GetImeMode(&edit), imDontCare);
    SetImeMode(&edit, imHira);
    EXPECT_EQ(GetImeMode(&edit), imHira);
    EXPECT_TRUE(edit.testAttribute(Qt::WA_InputMethodEnabled));
    SetImeMode(&edit, imDisable);
    EXPECT_FALSE(edit.testAttribute(Qt::WA_InputMethodEnabled));
}

TEST(UniComboBox, ItemsCarryTheirNumbers)
{
    TUniComboBox box;
    EXPECT_EQ(box.AddObject(QStringLiteral("山田様"), 0), 0);
    EXPECT_EQ(box.AddObject(QStringLiteral("花子様"), 2), 1);
    box.InsertObject(1, QStringLiteral("連名"), 5);
    EXPECT_EQ(box.ItemObject(1), 5);
    EXPECT_EQ(box.ItemObject(2), 2);
    box.SetItemText(2, QStringLiteral("花子"));
    box.SetItemIndex(2);
    EXPECT_EQ(box.Text(), QStringLiteral("花子"));
    box.Delete(0);
    EXPECT_EQ(box.ItemIndex(), 1);
    box.Clear();
    EXPECT_EQ(box.ItemIndex(), -1);
}

TEST(UniCustomListView, RowsAreMinusOneWhenAbsent)
{
    TUniCustomListView view;
    EXPECT_EQ(view.GetFocused(), -1);
    EXPECT_EQ(view.GetSelected(), -1);
    EXPECT_EQ(view.GetTopItem(), -1);
    QStandardItemModel model(5, 2);
    view.setModel(&model);
    view.resize(200, 200);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(view.ItemCount(), 5);
    EXPECT_EQ(view.GetTopItem(), 0);
    view.selectionModel()->select(model.index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view.selectionModel()->select(model.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view.selectionModel()->setCurrentIndex(model.index(4, 0), QItemSelectionModel::NoUpdate);
    EXPECT_EQ(view.GetSelected(), 1);
    EXPECT_EQ(view.GetFocused(), 4);
    EXPECT_EQ(view.GetColumns()->count(), 2);
}
