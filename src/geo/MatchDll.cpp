#include "geo/MatchDll.h"

#include "base/RuntimeLibrary.h"
#include "core/SharedHelpers.h"
#include "platform/MessageBox.h"

#include <QFile>

#include <cstring>

namespace {

const QString MatchDllName = QStringLiteral("Kvmatch.dll");

// The wrappers live on the main thread only, so the shared library needs no lock.
struct TMatchLibrary {
    TRuntimeLibrary library;
    TKVMatchAdrs matchAdrs = nullptr;
    int users = 0;
};

TMatchLibrary &matchLibrary()
{
    static TMatchLibrary instance;
    return instance;
}

}  // namespace

int LoadMatchDll(const QString &folder)
{
    TMatchLibrary &m = matchLibrary();
    if (++m.users > 1)
        return 0;
    const QString fileName = TRuntimeLibrary::FileNameFor(MatchDllName);
    if (!m.library.Load(folder, MatchDllName)) {
        ShowMessageBoxAt(nullptr, fileName + QStringLiteral("\r\nDLLのロードに失敗しました"),
                         fileName + QStringLiteral(" LoadLibrary Error"), MB_OK | MB_ICONERROR);
        return matchLibraryMissing;
    }
    m.matchAdrs = reinterpret_cast<TKVMatchAdrs>(m.library.GetProcAddress("KVMatchAdrs"));
    if (!m.matchAdrs) {
        --m.users;
        m.library.Free();
        ShowMessageBoxAt(nullptr, QStringLiteral("KVMatchAdrs\r\n関数の割り当てに失敗しました"),
                         fileName + QStringLiteral(" GetProcAddress Error"), MB_OK | MB_ICONERROR);
        return matchFunctionMissing;
    }
    return 0;
}

void FreeMatchDll()
{
    TMatchLibrary &m = matchLibrary();
    if (m.users == 0)
        return;
    if (--m.users == 0) {
        m.matchAdrs = nullptr;
        m.library.Free();
    }
}

int MatchAddress(const QByteArray &key, TMatchAdrsRecord &record, const QString &dataFolder)
{
    std::memset(&record, 0, sizeof record);
    const TMatchLibrary &m = matchLibrary();
    if (!m.matchAdrs)
        return matchNotLoaded;
    return m.matchAdrs(key.constData(), &record, QFile::encodeName(dataFolder).constData());
}

QByteArray MatchKey(const QByteArray &jisCode, const QByteArray &townCode)
{
    return (jisCode.left(6) + townCode.left(7)).left(13).append("00000000000").left(11);
}

int32_t MatchCoordinate(uint32_t value)
{
    // The product exceeds 32 bits for any position in Japan.
    return static_cast<int32_t>(RoundHalfAway(static_cast<long double>(static_cast<int64_t>(value) * 1000) / 256));
}
