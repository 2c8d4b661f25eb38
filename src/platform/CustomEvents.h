// The program's own window messages, carried as Qt events with the same numbers (all inside Qt's user range).
#pragma once

#include <QCoreApplication>
#include <QEvent>

inline constexpr int WM_STARTUP = 0x8100;         // the hidden main form's start message to itself
inline constexpr int WM_AFTERSHOW = 0x8101;       // a window's first-show steps, posted once it is shown
inline constexpr int WM_INQUIRYSETUP = 0x8102;    // the record form's deferred set-up
inline constexpr int WM_IMGVIEW = 0x8190;         // to the external image picker
inline constexpr int WM_LISTPRINTWORK = 0x8300;   // the list-print window's deferred work
inline constexpr int WM_NAMEREADING = 0x83E8;     // a Japanese-input edit asks for the name-reading conversion
inline constexpr int WM_NAMEDICCHOSEN = 0x83E9;   // the name-reading pop-up returns the chosen reading
inline constexpr int WM_STARTMENU = 0x8450;       // a designer shows its start menu

// One posted message with its two parameters.
class TMessageEvent : public QEvent {
public:
    TMessageEvent(int message, qintptr wParam = 0, qintptr lParam = 0)
        : QEvent(static_cast<QEvent::Type>(message)), WParam(wParam), LParam(lParam)
    {
    }
    const qintptr WParam;
    const qintptr LParam;
};

inline void PostMessage(QObject *receiver, int message, qintptr wParam = 0, qintptr lParam = 0)
{
    QCoreApplication::postEvent(receiver, new TMessageEvent(message, wParam, lParam));
}
