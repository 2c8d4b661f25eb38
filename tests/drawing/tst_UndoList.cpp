// The designers' undo history: its five-step limit, redo discarded by a new edit, whole objects restored in
// item order through their streams, and the out-of-range reads and writes the designers rely on being harmless.
#include "drawing/CorpRect.h"
#include "drawing/DesignGlobals.h"
#include "drawing/UndoList.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TFont fontOf(const QString &face)
{
    TFont font;
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, face, 0, 12);
    return font;
}

QByteArray saved(const TDrawRect &object)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TObjectStream stream(buffer);
    object.SaveToStream(stream);
    return buffer.data();
}

// A designer as far as undo goes: objects in Z-order, moved by rectangle items and reloaded from object items.
class TDesigner {
public:
    explicit TDesigner(int count)
    {
        for (int i = 0; i < count; ++i) {
            auto object = std::make_unique<TCorpRect>();
            object->SetRect({0, 0, 100, 40});
            ZOrder.push_back(std::move(object));
        }
        History.OnUndo = [this](TUndoList &, uint8_t kind, uint8_t state, TUndoData &item) {
            Apply(kind, state, item);
        };
    }

    void Move(int left)
    {
        auto step = std::make_unique<TUndoDatas>(3);
        TCorpRect &object = *ZOrder[0];
        step->AddRect(object.GetRect(), 0, 0, -1);
        object.SetRect({left, 0, left + 100, 40});
        step->UpdateRect(step->GetCount() - 1, object.GetRect(), 1);
        History.Add(std::move(step));
    }

    int Left() const { return ZOrder[0]->GetRect().Left; }

    std::vector<std::unique_ptr<TCorpRect>> ZOrder;
    TUndoList History;
    QStringList Applied;
    // The item (by list index) whose load fails once after reading part of its stream.
    int FailOnce = -1;

private:
    void Apply(uint8_t kind, uint8_t state, TUndoData &item)
    {
        StreamVersion = CurrentStreamVersion;
        if (kind == 3) {
            auto &rect = dynamic_cast<TRectUndoData &>(item);
            ZOrder[rect.ZIndex]->SetRect(rect.GetRect(state));
            return;
        }
        auto &object = dynamic_cast<TDrawRectUndoData &>(item);
        Applied << QStringLiteral("%1:%2").arg(object.ListIndex).arg(state);
        TObjectStream stream(*object.GetStream(state));
        if (object.ListIndex == FailOnce) {
            FailOnce = -1;
            stream.Read<int64_t>();
            throw std::runtime_error("the designer could not apply the item");
        }
        ZOrder[object.ListIndex]->LoadFromStream(stream);
    }
};

}  // namespace

TEST(UndoList, KeepsTheLastFiveEditsAndRedoesThemAll)
{
    TDesigner designer(1);
    for (int left = 10; left <= 60; left += 10)
        designer.Move(left);
    EXPECT_EQ(designer.History.GetCount(), TUndoList::Capacity);

    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(designer.History.CanUndo());
        designer.History.Undo();
    }
    // The first move fell out of the history, so the object stays where it took it.
    EXPECT_EQ(designer.Left(), 10);
    EXPECT_FALSE(designer.History.CanUndo());
    designer.History.Undo();
    EXPECT_EQ(designer.Left(), 10);
    EXPECT_EQ(designer.History.GetPosition(), 4);

    while (designer.History.CanRedo())
        designer.History.Redo();
    EXPECT_EQ(designer.Left(), 60);
    EXPECT_EQ(designer.History.GetPosition(), -1);
}

TEST(UndoList, NewEditAfterUndoDiscardsTheUndoneSteps)
{
    TDesigner designer(1);
    for (int left = 10; left <= 30; left += 10)
        designer.Move(left);
    designer.History.Undo();
    designer.History.Undo();
    ASSERT_EQ(designer.Left(), 10);

    designer.Move(99);
    EXPECT_EQ(designer.History.GetCount(), 2);
    EXPECT_FALSE(designer.History.CanRedo());
    designer.History.Redo();
    EXPECT_EQ(designer.Left(), 99);

    designer.History.Undo();
    EXPECT_EQ(designer.Left(), 10);
    designer.History.Undo();
    EXPECT_EQ(designer.Left(), 0);
    EXPECT_FALSE(designer.History.CanUndo());
}

// A font change of three objects recorded as one step: undo reloads them last to first, redo first to last,
// as often as asked, and an applier that gives up half way through an item does not spoil the next attempt.
TEST(UndoList, ObjectStepsRestoreWholeObjectsInItemOrder)
{
    TDesigner designer(3);
    const QString before = QStringLiteral("ＭＳ Ｐゴシック");
    const QString after = QStringLiteral("ＭＳ 明朝");
    auto step = std::make_unique<TUndoDatas>(2);
    for (int i = 0; i < 3; ++i) {
        TCorpRect &object = *designer.ZOrder[i];
        object.SetFont(fontOf(before));
        step->AddDrawRect(object, i, 0, i);
        // The dialog first tried a longer face, then settled on a shorter one.
        object.SetFont(fontOf(before + before));
        step->UpdateObject(i, object, 1);
        object.SetFont(fontOf(after));
        object.Visible = static_cast<uint8_t>(i % 2);
        step->UpdateObject(i, object, 1);
        EXPECT_EQ(dynamic_cast<TObjectUndoData &>(*step->GetItem(i)).GetStream(1)->data(), saved(object));
    }
    designer.History.Add(std::move(step));

    for (int round = 0; round < 2; ++round) {
        designer.Applied.clear();
        designer.History.Undo();
        EXPECT_EQ(designer.Applied, (QStringList{"2:0", "1:0", "0:0"}));
        for (const auto &object : designer.ZOrder) {
            EXPECT_EQ(object->Font().Log.Font.family(), before);
            EXPECT_EQ(object->Visible, 1);
        }
        designer.Applied.clear();
        designer.History.Redo();
        EXPECT_EQ(designer.Applied, (QStringList{"0:1", "1:1", "2:1"}));
        EXPECT_EQ(designer.ZOrder[2]->Font().Log.Font.family(), after);
        EXPECT_EQ(designer.ZOrder[1]->Visible, 1);
        EXPECT_EQ(designer.ZOrder[2]->Visible, 0);
    }

    designer.FailOnce = 1;
    EXPECT_THROW(designer.History.Undo(), std::runtime_error);
    designer.History.Redo();
    designer.History.Undo();
    for (const auto &object : designer.ZOrder)
        EXPECT_EQ(object->Font().Log.Font.family(), before);
}

TEST(UndoDatas, ReadsAndWritesOutsideTheRecordedDataChangeNothing)
{
    TCorpRect object;
    object.SetRect({1, 2, 3, 4});
    TUndoDatas step(3);
    step.AddDrawRect(object, 0, 0, 5);
    step.AddRect({1, 2, 3, 4}, 1, 0, -1);
    step.SetSelectionCount(0, 2);
    step.SetSelection(0, 0, 7);
    step.SetSelection(0, 1, 8);

    EXPECT_EQ(step.GetSelection(0, 2), -1);
    EXPECT_EQ(step.GetSelection(0, -1), -1);
    EXPECT_EQ(step.GetSelection(1, 0), -1);
    step.SetSelection(0, 2, 9);
    step.SetSelection(0, -1, 9);
    step.SetSelection(1, 0, 9);
    EXPECT_EQ(step.GetSelectionCount(0), 2);
    EXPECT_EQ(step.GetSelectionCount(1), 0);

    // Only rectangle items take rectangles, and only the items that exist.
    step.UpdateRect(0, {9, 9, 99, 99}, 1);
    step.UpdateRect(2, {9, 9, 99, 99}, 1);
    step.UpdateRect(-1, {9, 9, 99, 99}, 1);
    EXPECT_TRUE(dynamic_cast<TRectUndoData &>(*step.GetItem(1)).GetRect(1).IsEmpty());
    step.UpdateObject(1, object, 1);
    step.UpdateObject(7, object, 1);
    EXPECT_EQ(step.GetItem(2), nullptr);
    EXPECT_EQ(dynamic_cast<TDrawRectUndoData &>(*step.GetItem(0)).GetStream(1)->size(), 0);

    // The high bit of a state is the caller's; a state beyond the two is none.
    step.UpdateRect(1, {5, 6, 7, 8}, 0x81);
    EXPECT_EQ(dynamic_cast<TRectUndoData &>(*step.GetItem(1)).GetRect(1), (TRect{5, 6, 7, 8}));
    step.SetSelectionCount(2, 50);
    step.SetFocused(2, 3);
    step.SetFocused(0x80, 1);
    EXPECT_EQ(step.GetSelectionCount(0), 2);
    EXPECT_EQ(step.GetSelection(0, 1), 8);
    EXPECT_EQ(step.GetFocused(0), 1);
    EXPECT_EQ(step.GetFocused(1), -1);
    EXPECT_EQ(step.GetFocused(2), -1);
    EXPECT_EQ(dynamic_cast<TObjectUndoData &>(*step.GetItem(0)).GetStream(2), nullptr);
}
