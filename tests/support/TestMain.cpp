// Test entry: one QApplication on the offscreen platform, XDG folders of our own so no test can reach the real
// home or the machine's registry files, what each test changed put back before the next, and a watch on modal
// dialogs no test answers.
#include "DialogWatch.h"
#include "KeptState.h"
#include "base/Fonts.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_FONT_DPI", "96");
    QTemporaryDir xdg;
    for (const char *name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_CACHE_HOME"}) {
        const QString dir = xdg.path() + '/' + name;
        qputenv(name, dir.toLocal8Bit());
    }
    QApplication app(argc, argv);
    // The faces the program prints with, so what a test measures on a page is what a user gets.
    InstallFontSubstitutions();
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new test::KeptState);
    const test::UnansweredDialogWatch dialogs(test::kUnansweredDialogBound);
    return RUN_ALL_TESTS();
}
