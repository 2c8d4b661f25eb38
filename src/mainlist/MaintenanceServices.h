// What the main list asks of the maintenance dialogs (backup, restore, optimisation, conversions, index
// repair). They belong to the data-exchange part of the program, which builds on this one, so the main list
// reaches them through makers the program installs at start; a command whose maker is missing stays disabled.
#pragma once

#include <functional>

class QWidget;

// Each runs its dialog modally over owner and answers true for an OK.
inline std::function<bool(QWidget *owner)> RunBackupData;
// changeDataPath: set after an OK when the restore also switched the data folder.
inline std::function<bool(QWidget *owner, bool *changeDataPath)> RunRestoreData;
inline std::function<bool(QWidget *owner)> RunOptimizeData;
inline std::function<bool(QWidget *owner)> RunConvertKykbn;
inline std::function<bool(QWidget *owner)> RunConvertAdrsPos;
// repaired: set after an OK when something was wrong and has been repaired.
inline std::function<bool(QWidget *owner, bool *repaired)> RunRepairIndex;

// The update check at start-up. It returns at once and goes on in the background, so the main window never
// waits on the network; once it has started an update that restarts the program it calls restartStarted, and
// the main window must close.
inline std::function<void(QWidget *owner, std::function<void()> restartStarted)> RunStartupUpdateCheck;
