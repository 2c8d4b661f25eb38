// A combo box is read on the accessibility bus by the name the program gives it, with the item it shows as its
// value; one given no name keeps the item as its name and is read by its label.
#include "widgets/ComboBoxAccessible.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

class ComboBoxAccessible : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallComboBoxAccessibility();  // as the program does at start
        new QVBoxLayout(&window);
        for (QComboBox *box : {named, labelled}) {
            box->addItems({QStringLiteral("100%"), QStringLiteral("200%")});
            window.layout()->addWidget(box);
        }
        named->setAccessibleName(QStringLiteral("表示倍率"));
        label->setBuddy(labelled);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    static QAccessibleInterface *bus(QWidget *w) { return QAccessible::queryAccessibleInterface(w); }
    static QString shownText(QAccessibleInterface *iface)
    {
        QAccessibleTextInterface *text = iface->textInterface();
        return text ? text->text(0, text->characterCount()) : QStringLiteral("(no text)");
    }

    QWidget window;
    QComboBox *named = new QComboBox(&window);
    QComboBox *labelled = new QComboBox(&window);
    QLabel *label = new QLabel(QStringLiteral("倍率："), &window);
};

}  // namespace

TEST_F(ComboBoxAccessible, ANamedBoxIsReadByItsNameWithTheItemItShowsAsItsValue)
{
    QAccessibleInterface *iface = bus(named);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::ComboBox);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("表示倍率"));
    EXPECT_EQ(iface->text(QAccessible::Value), QStringLiteral("100%"));
    EXPECT_EQ(shownText(iface), QStringLiteral("100%"));
    named->setCurrentIndex(1);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("表示倍率"));
    EXPECT_EQ(shownText(iface), QStringLiteral("200%"));

    // A box given no name stays as Qt has it: its item is its name, its label comes through the relation.
    QAccessibleInterface *other = bus(labelled);
    EXPECT_EQ(other->text(QAccessible::Name), QStringLiteral("100%"));
    const auto labels = other->relations(QAccessible::Label);
    ASSERT_FALSE(labels.isEmpty());
    EXPECT_EQ(labels.first().first->object(), static_cast<QObject *>(label));
}

TEST_F(ComboBoxAccessible, ItsListOpensAndClosesAndAnEditableBoxShowsWhatIsWritten)
{
    QAccessibleInterface *iface = bus(named);
    ASSERT_NE(iface->actionInterface(), nullptr);
    ASSERT_TRUE(iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
    ASSERT_EQ(iface->childCount(), 1);
    EXPECT_EQ(iface->child(0)->object(), static_cast<QObject *>(named->view()));
    iface->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return named->view()->isVisible(); }));
    EXPECT_TRUE(iface->state().expanded);
    iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !named->view()->isVisible(); }));

    named->setEditable(true);
    named->lineEdit()->setText(QStringLiteral("150%"));
    ASSERT_EQ(iface->childCount(), 2);
    EXPECT_EQ(iface->child(1)->object(), static_cast<QObject *>(named->lineEdit()));
    EXPECT_TRUE(iface->state().editable);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("表示倍率"));
    EXPECT_EQ(shownText(iface), QStringLiteral("150%"));
}
