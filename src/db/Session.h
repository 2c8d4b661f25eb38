// The table passwords registered for this run: a protected table opens with any registered password.
#pragma once

#include <QByteArray>
#include <QList>

class TSession {
public:
    void AddPassword(const QByteArray &password);
    void RemovePassword(const QByteArray &password);
    const QList<QByteArray> &Passwords() const { return passwords_; }

private:
    QList<QByteArray> passwords_;
};

// The program's one session.
TSession &Session();
