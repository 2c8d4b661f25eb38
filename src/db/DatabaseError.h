// EDatabaseError: every failure of the table engine, caught and reported by the window that called.
#pragma once

#include <QString>

#include <stdexcept>

class EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const QString &message, int code = 0)
        : std::runtime_error(message.toStdString()), Message(message), Code(code)
    {
    }
    const QString Message;
    const int Code;  // the SQLite result code, 0 for the engine's own checks
};
