#include "core/Hyphen.h"

#include "base/Folders.h"
#include "base/RuntimeLibrary.h"
#include "Kvdash/Kvdash.h"
#include "platform/MessageBox.h"

#include <QDateTime>
#include <QFile>

#include <mutex>
#include <shared_mutex>

namespace {

const QString HyphenDllName = QStringLiteral("Kvdash.dll");

// Windows of other threads may hyphenate while the main window loads or frees the library, so calls share
// the lock and loading takes it alone.
struct THyphenLibrary {
    std::shared_mutex lock;
    TRuntimeLibrary library;
    TGetHyphenFunc getHyphen = nullptr;
    int users = 0;
    QString defaultDicFolder;
};

THyphenLibrary &hyphenLibrary()
{
    static THyphenLibrary instance;
    return instance;
}

TSystemTime currentUtc()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDate d = now.date();
    const QTime t = now.time();
    return {uint16_t(d.year()),   uint16_t(d.month()),  uint16_t(d.dayOfWeek() % 7), uint16_t(d.day()),
            uint16_t(t.hour()),   uint16_t(t.minute()), uint16_t(t.second()),        uint16_t(t.msec())};
}

}  // namespace

int LoadHyphenDll(const QString &libraryFolder, const QString &dictionaryFolder)
{
    THyphenLibrary &h = hyphenLibrary();
    const QString fileName = TRuntimeLibrary::FileNameFor(HyphenDllName);
    int result = 0;
    {
        std::unique_lock guard(h.lock);
        if (++h.users == 1) {
            if (!h.library.Load(libraryFolder, HyphenDllName)) {
                result = hyphenLibraryMissing;
            } else if (!(h.getHyphen = reinterpret_cast<TGetHyphenFunc>(h.library.GetProcAddress("GetHyphen")))) {
                --h.users;
                h.library.Free();
                result = hyphenFunctionMissing;
            }
        }
        if (result == 0)
            h.defaultDicFolder = dictionaryFolder;
    }
    // The box waits for the user, so it is shown with the lock released.
    if (result == hyphenLibraryMissing)
        ShowMessageBoxAt(nullptr, fileName + QStringLiteral("\r\nDLLのロードに失敗しました"),
                         fileName + QStringLiteral(" LoadLibrary Error"), MB_OK | MB_ICONERROR);
    else if (result == hyphenFunctionMissing)
        ShowMessageBoxAt(nullptr, QStringLiteral("GetHyphen\r\n関数の割り当てに失敗しました"),
                         fileName + QStringLiteral(" GetProcAddress Error"), MB_OK | MB_ICONERROR);
    return result;
}

void FreeHyphenDll()
{
    THyphenLibrary &h = hyphenLibrary();
    std::unique_lock guard(h.lock);
    if (h.users == 0)
        return;
    if (--h.users == 0) {
        h.getHyphen = nullptr;
        h.library.Free();
    }
}

int TryHyphenatePhone(QByteArray &number, const QString &dicFolder)
{
    THyphenLibrary &h = hyphenLibrary();
    std::shared_lock guard(h.lock);
    if (!h.getHyphen)
        return hyphenNotLoaded;
    const QByteArray folder =
        QFile::encodeName(IncludeTrailingPathDelimiter(dicFolder.isEmpty() ? h.defaultDicFolder : dicFolder));
    const TSystemTime utc = currentUtc();
    char out[KVDASH_OUT_SIZE] = {};
    const int result = h.getHyphen(number.constData(), out, folder.constData(), &utc);
    if (result == KVDASH_OK)
        number = QByteArray(out, int(qstrnlen(out, sizeof out)));
    return result;
}

QByteArray HyphenatePhone(const QByteArray &number, const QString &dicFolder)
{
    const QByteArray trimmed = number.trimmed();
    if (trimmed.isEmpty())
        return trimmed;
    QByteArray hyphenated = trimmed;
    if (TryHyphenatePhone(hyphenated, dicFolder) != KVDASH_OK)
        return trimmed;
    return hyphenated.trimmed();
}
