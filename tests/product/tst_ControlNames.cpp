// A screen reader tells the controls of a window apart by their names: no two controls shown together in any
// window of the program, or in the dialogs and windows its commands open, are read out alike.
#include "ProductWindows.h"

#include "Accessibility.h"

namespace {

class ControlNames : public test::ProductWindows, public ::testing::WithParamInterface<const char *> {};

}  // namespace

TEST_P(ControlNames, NoTwoControlsShownTogetherShareAName)
{
    QPointer<QWidget> window = test::OpenProgramWindow(*this, GetParam());
    ASSERT_NE(window, nullptr) << "the window did not open";
    std::string shared;
    const auto check = [&shared](QWidget *opened) {
        for (const std::string &control : test::controlsSharingANameWithAnother(opened))
            shared += opened->objectName().toStdString() + ": " + control + "\n";
        for (const std::string &control : test::unnamedControls(opened))
            shared += opened->objectName().toStdString() + ": " + control + "\n";
    };
    check(window);
    for (QWidget *opened : test::PressEveryCommand(window, check))
        check(opened);
    EXPECT_EQ(shared, "");
}

INSTANTIATE_TEST_SUITE_P(Windows, ControlNames, ::testing::ValuesIn(test::ProgramWindowNames()),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });
