// The program's message box names every button a screen reader lands on.
#include "platform/MessageBox.h"

#include "Accessibility.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::IsEmpty;

TEST(AccessibleNames, TheMessageBoxNamesEveryButton)
{
    std::vector<std::string> unnamed{"no box shown"};
    QTimer::singleShot(0, [&unnamed] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        unnamed = test::unnamedControls(box);
        box->buttons().last()->click();
    });
    ShowMessageBoxAt(nullptr, QStringLiteral("よろしいですか？  "), QStringLiteral("Velmora"),
                     MB_YESNOCANCEL | MB_ICONQUESTION, mbpSystem);
    EXPECT_THAT(unnamed, IsEmpty());
}
