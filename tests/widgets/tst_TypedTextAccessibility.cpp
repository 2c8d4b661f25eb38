// A line edit on the accessibility bus: what a screen reader reads of it, and its text set, inserted and deleted
// arriving as typed text does.
#include "widgets/ShiftJisValidator.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

class TypedTextAccessibility : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallTypedTextAccessibility();
        window.resize(300, 60);
        edit = new QLineEdit(&window);
        edit->setGeometry(10, 10, 200, 28);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QAccessibleInterface *field() { return QAccessible::queryAccessibleInterface(edit); }

    QWidget window;
    QLineEdit *edit = nullptr;
};

}  // namespace

TEST_F(TypedTextAccessibility, TextSetOverTheBusMeetsTheFieldsLimitAndEndsTheEntry)
{
    MakeHalfWidthField(edit, 4);
    QSignalSpy edited(edit, &QLineEdit::textEdited);
    QSignalSpy finished(edit, &QLineEdit::editingFinished);
    QToolTip::hideText();
    field()->editableTextInterface()->replaceText(0, 0, QStringLiteral("０３－１２"));
    EXPECT_EQ(edit->text(), QStringLiteral("03-1"));
    EXPECT_EQ(edited.size(), 1);
    EXPECT_EQ(finished.size(), 1);
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("入りきらない1文字"))) << QToolTip::text().toStdString();

    field()->editableTextInterface()->deleteText(2, 3);
    EXPECT_EQ(edit->text(), QStringLiteral("031"));
    field()->editableTextInterface()->insertText(3, QStringLiteral("２"));
    EXPECT_EQ(edit->text(), QStringLiteral("0312"));
    field()->setText(QAccessible::Value, QStringLiteral("9"));
    EXPECT_EQ(edit->text(), QStringLiteral("9"));

    // A field the user cannot type into takes nothing from the bus either, and says it is read-only.
    edit->setReadOnly(true);
    field()->editableTextInterface()->replaceText(0, 1, QStringLiteral("5"));
    EXPECT_EQ(edit->text(), QStringLiteral("9"));
    EXPECT_TRUE(field()->state().readOnly);
    EXPECT_FALSE(field()->state().editable);
}

TEST_F(TypedTextAccessibility, AScreenReaderReadsTheTextTheCaretAndTheSelection)
{
    edit->setText(QStringLiteral("山田太郎"));
    edit->setAccessibleName(QStringLiteral("名前"));
    QAccessibleInterface *f = field();
    EXPECT_EQ(f->role(), QAccessible::EditableText);
    EXPECT_TRUE(f->state().editable);
    EXPECT_EQ(f->text(QAccessible::Name), QStringLiteral("名前"));
    EXPECT_EQ(f->text(QAccessible::Value), QStringLiteral("山田太郎"));
    QAccessibleTextInterface *text = f->textInterface();
    EXPECT_EQ(text->characterCount(), 4);
    EXPECT_EQ(text->text(1, 3), QStringLiteral("田太"));
    text->setSelection(0, 2, 4);
    int start = -1, end = -1;
    text->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(2, 4));
    EXPECT_EQ(text->selectionCount(), 1);
    text->setCursorPosition(1);
    EXPECT_EQ(text->cursorPosition(), 1);
    // Each character is placed after the one before it, and a point inside it finds it again, wherever the
    // edit aligns its text.
    for (const Qt::Alignment align : {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter}) {
        edit->setAlignment(align);
        for (int i = 0; i < 4; ++i) {
            const QRect r = text->characterRect(i);
            ASSERT_FALSE(r.isEmpty()) << i;
            if (i > 0) {
                EXPECT_EQ(r.left(), text->characterRect(i - 1).right() + 1) << i;
            }
            EXPECT_EQ(text->offsetAtPoint(r.center() - QPoint(r.width() / 4, 0)), i) << int(align) << " " << i;
        }
    }
    EXPECT_TRUE(text->characterRect(4).isEmpty());
    // A text wider than the edit, scrolled to its end: the last character is where the edit shows it.
    edit->setAlignment(Qt::AlignLeft);
    edit->setText(QString(60, QChar(u'長')));
    edit->end(false);
    edit->repaint();  // the edit scrolls as it paints
    const QRect last = text->characterRect(59);
    EXPECT_EQ(text->offsetAtPoint(last.center() - QPoint(last.width() / 4, 0)), 59);
    EXPECT_LE(last.right(), edit->mapToGlobal(QPoint(edit->width(), 0)).x());
}

TEST_F(TypedTextAccessibility, ASpinBoxKeepsItsOwnEditOnTheBus)
{
    QSpinBox spin(&window);
    spin.setRange(0, 30);
    QAccessibleInterface *box = QAccessible::queryAccessibleInterface(&spin);
    ASSERT_NE(box->editableTextInterface(), nullptr);
    box->editableTextInterface()->replaceText(0, box->textInterface()->characterCount(), QStringLiteral("12"));
    EXPECT_EQ(spin.value(), 12);
}

// A text set over the bus in a spin box is what typing could make of it, held to the range and committed as Enter
// commits: never a text the value does not follow.
TEST_F(TypedTextAccessibility, ASpinBoxTakesOfASetTextTheNumberTypingCouldMakeHeldToItsRange)
{
    TNumberSpinBox spin(&window);
    spin.setRange(0, 30);
    spin.setValue(5);
    QSignalSpy finished(&spin, &QSpinBox::editingFinished);
    QAccessibleInterface *box = QAccessible::queryAccessibleInterface(&spin);
    ASSERT_NE(box->editableTextInterface(), nullptr);
    EXPECT_EQ(box->role(), QAccessible::SpinBox);
    const auto set = [&](const QString &text) {
        box->editableTextInterface()->replaceText(0, box->textInterface()->characterCount(), text);
    };
    const std::pair<QString, int> sets[] = {
        {QStringLiteral("12a"), 12}, {QStringLiteral("2a"), 2}, {QStringLiteral("99"), 30},
        {QStringLiteral("１５"), 15}, {QStringLiteral("-3"), 3}, {QStringLiteral("12345678901234567890"), 30},
        {QStringLiteral("abc"), 30}};
    for (const auto &[text, value] : sets) {
        set(text);
        EXPECT_EQ(spin.value(), value) << text.toStdString();
        EXPECT_EQ(spin.text(), QString::number(value)) << text.toStdString();
        EXPECT_EQ(box->text(QAccessible::Value), QString::number(value)) << text.toStdString();
    }
    EXPECT_EQ(finished.size(), std::size(sets));
    box->setText(QAccessible::Value, QStringLiteral("7"));
    EXPECT_EQ(spin.value(), 7);

    QAccessibleValueInterface *value = box->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->maximumValue().toInt(), 30);
    value->setCurrentValue(40);
    EXPECT_EQ(spin.value(), 30);
    EXPECT_EQ(value->currentValue().toInt(), 30);

    // A box the user cannot type into takes nothing from the bus either.
    spin.setReadOnly(true);
    set(QStringLiteral("3"));
    EXPECT_EQ(spin.value(), 30);
    spin.setReadOnly(false);
    spin.setEnabled(false);
    set(QStringLiteral("3"));
    value->setCurrentValue(3);
    EXPECT_EQ(spin.value(), 30);
}

// A disabled field, or one in a disabled group, takes no key, and so nothing from the bus either: no text set,
// inserted, replaced or deleted, no end of an entry, no action; and it says it cannot be edited.
TEST_F(TypedTextAccessibility, ADisabledFieldTakesNothingFromTheBus)
{
    QGroupBox group(&window);
    auto *grouped = new QLineEdit(&group);
    edit->setEnabled(false);
    group.setEnabled(false);
    for (QLineEdit *e : {edit, grouped}) {
        e->setText(QStringLiteral("0312"));
        QSignalSpy edited(e, &QLineEdit::textEdited);
        QSignalSpy finished(e, &QLineEdit::editingFinished);
        QAccessibleInterface *f = QAccessible::queryAccessibleInterface(e);
        f->setText(QAccessible::Value, QStringLiteral("9"));
        f->editableTextInterface()->replaceText(0, 1, QStringLiteral("5"));
        f->editableTextInterface()->insertText(0, QStringLiteral("5"));
        f->editableTextInterface()->deleteText(0, 2);
        for (const QString &action : f->actionInterface()->actionNames())
            f->actionInterface()->doAction(action);
        EXPECT_EQ(e->text(), QStringLiteral("0312"));
        EXPECT_EQ(edited.size(), 0);
        EXPECT_EQ(finished.size(), 0);
        EXPECT_FALSE(e->hasFocus());
        EXPECT_TRUE(f->state().disabled);
        EXPECT_FALSE(f->state().editable);
    }
    // Enabled again, the group's field takes a screen reader's text as before.
    group.setEnabled(true);
    QAccessible::queryAccessibleInterface(grouped)->editableTextInterface()->replaceText(0, 1, QStringLiteral("5"));
    EXPECT_EQ(grouped->text(), QStringLiteral("5312"));
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(grouped)->state().editable);
}
