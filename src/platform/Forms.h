// Running a top-level window as a modal form: the caller waits until the window closes.
#pragma once

class QWidget;

// The results a modal form ends with.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

// Shows form and returns when it has been closed, with its "ModalResult" property (mrCancel when unset).
int ShowModal(QWidget *form);

// How long the mouse rests before a hint shows, and how soon the next one shows while hints are up.
void SetHintPauses(int pauseMs, int shortPauseMs);
