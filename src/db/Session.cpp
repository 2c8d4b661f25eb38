#include "db/Session.h"

void TSession::AddPassword(const QByteArray &password)
{
    if (!passwords_.contains(password))
        passwords_.append(password);
}

void TSession::RemovePassword(const QByteArray &password) { passwords_.removeAll(password); }

TSession &Session()
{
    static TSession session;
    return session;
}
