// What one test leaves behind never reaches the next, so the tests hold in any order and when repeated.
#pragma once

#include <gtest/gtest.h>

#include <memory>

namespace test {

// Listens to every test of the program (the shared test main installs it). After each test, once its fixture
// is gone, what it left to be freed is freed, and:
// - the program-wide values of core/Globals.h, the files of the private data and configuration folders
//   ($XDG_DATA_HOME, $XDG_CONFIG_HOME) and the application's name, font and quit-on-last-window flag are put
//   back as they were before it: the code under test changes them as a matter of course (the book it opens, the
//   settings it writes, the state Qt's file dialog keeps, the program's start run in the test), and no later
//   test may find the change;
// - an environment variable and the message box handler only a test changes, and a window is left shown only
//   by a test or the code under test that forgot it: the test fails naming what it left, which is put back.
class KeptState : public ::testing::EmptyTestEventListener {
public:
    KeptState();
    ~KeptState() override;

    void OnTestStart(const ::testing::TestInfo &test) override;
    void OnTestEnd(const ::testing::TestInfo &test) override;

private:
    struct Snapshot;
    std::unique_ptr<Snapshot> before_;
};

}  // namespace test
