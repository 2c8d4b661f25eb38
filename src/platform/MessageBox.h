// The program-wide message box: caption "Velmora", the system's flag and button numbering, placed centred on
// its owner or at a point. Every box goes through one replaceable handler so tests can answer and record them.
#pragma once

#include <QPoint>
#include <QString>

#include <functional>

class QWidget;

// Style flags, numbered as the program's callers pass them.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_YESNOCANCEL = 0x3;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONWARNING = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr unsigned MB_DEFBUTTON2 = 0x100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x200;

// Button ids returned.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Placement of the box.
inline constexpr int mbpCentreOnOwner = 0;
inline constexpr int mbpAtPoint = 1;
inline constexpr int mbpSystem = 2;

inline const QString AppTitle = QStringLiteral("Velmora");

struct TMessageBoxRequest {
    QWidget *owner = nullptr;
    QString text;  // as the caller wrote it, "\r\n" included
    QString caption;
    unsigned flags = 0;
    int placement = mbpCentreOnOwner;
    QPoint at;
};

using TMessageBoxHandler = std::function<int(const TMessageBoxRequest &)>;

// Installs a handler and returns the one it replaces; an empty handler restores the real box.
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler);

// The id of the button that Enter would press for these flags.
int DefaultButtonOf(unsigned flags);

// Shows the box and returns the id of the button pressed (0 when it could not be shown). While it is open the
// owner's window counts as running a command and asking (TWindowCommand, TWindowQuestion, platform/Forms.h): its
// buttons do nothing, and a close of the window waits until the code that asked has returned.
int ShowMessageBoxAt(QWidget *owner, const QString &text, const QString &caption, unsigned flags,
                     int placement = mbpCentreOnOwner, int x = 0, int y = 0);

// The box's text on stderr, its lines without their trailing blanks: for an end of the program the user did not
// ask for, seen by whoever started it from a shell even when no box can be.
void PrintMessageToStderr(const QString &text);
