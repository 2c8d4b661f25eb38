#include "directory/DirectoryDll.h"

#include "base/RuntimeLibrary.h"
#include "base/TextUtils.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "core/Hyphen.h"
#include "geo/DicLibraries.h"
#include "platform/MessageBox.h"

#include <QFile>

#include <atomic>
#include <cstring>

namespace {

const QString DirectoryDllName = QStringLiteral("Kvdir17.dll");

struct TDirectoryEntries {
    TKvdirSearchTel searchTel = nullptr;
    TKvdirSearchTelOne searchTelOne = nullptr;
    TKvdirSearchArea searchArea = nullptr;
    TKvdirSearchAreaCount searchAreaCount = nullptr;
    TKvdirSearchArea searchAreaFax = nullptr;
    TKvdirSearchAreaCount searchAreaCountFax = nullptr;
    TKvdirTelMask telMask = nullptr;
};

// Loading and freeing happen on the main thread; the workers call while they hold a user, so the library is
// never freed under a running call. The entries are published only once all seven resolved, and the calls
// read them through one atomic pointer, so a search never waits for the main thread nor the other way round.
struct TDirectoryLibrary {
    TRuntimeLibrary library;
    TDirectoryEntries entries;
    std::atomic<const TDirectoryEntries *> loaded{nullptr};
    int users = 0;
};

TDirectoryLibrary &directoryLibrary()
{
    static TDirectoryLibrary instance;
    return instance;
}

template <class F>
bool resolve(const TRuntimeLibrary &library, const char *name, F &slot)
{
    slot = reinterpret_cast<F>(library.GetProcAddress(name));
    return slot != nullptr;
}

// The first entry point of the library that cannot be resolved, in the documented order; null when all are.
const char *resolveEntries(const TRuntimeLibrary &library, TDirectoryEntries &e)
{
    if (!resolve(library, "kvdir_search_tel", e.searchTel))
        return "kvdir_search_tel";
    if (!resolve(library, "kvdir_search_tel_one", e.searchTelOne))
        return "kvdir_search_tel_one";
    if (!resolve(library, "kvdir_search_area", e.searchArea))
        return "kvdir_search_area";
    if (!resolve(library, "kvdir_search_area_count", e.searchAreaCount))
        return "kvdir_search_area_count";
    if (!resolve(library, "kvdir_search_area_fax", e.searchAreaFax))
        return "kvdir_search_area_fax";
    if (!resolve(library, "kvdir_search_area_count_fax", e.searchAreaCountFax))
        return "kvdir_search_area_count_fax";
    if (!resolve(library, "kvdir_tel_mask", e.telMask))
        return "kvdir_tel_mask";
    return nullptr;
}

const TDirectoryEntries *loadedEntries()
{
    return directoryLibrary().loaded.load(std::memory_order_acquire);
}

}  // namespace

int LoadDirectoryDll(const QString &folder)
{
    TDirectoryLibrary &d = directoryLibrary();
    ++d.users;
    if (d.loaded.load(std::memory_order_acquire))
        return 0;
    const QString fileName = TRuntimeLibrary::FileNameFor(DirectoryDllName);
    if (!d.library.Load(folder, DirectoryDllName)) {
        ShowMessageBoxAt(nullptr, fileName + QStringLiteral(" LoadLibrary Error  \r\nDLLのロードに失敗しました  "), AppTitle,
                         MB_OK | MB_ICONERROR);
        return directoryLoadFailed;
    }
    d.entries = {};
    if (const char *missing = resolveEntries(d.library, d.entries)) {
        // A library without all its entries is never used, so it goes at once, whoever else counts as a user.
        d.library.Free();
        FreeDirectoryDll();
        ShowMessageBoxAt(nullptr,
                         QString::fromLatin1(missing) + QStringLiteral(" (") + fileName +
                             QStringLiteral(") GetProcAddress Error  \r\n関数の割り当てに失敗しました  "),
                         AppTitle, MB_OK | MB_ICONERROR);
        return directoryFunctionMissing;
    }
    d.loaded.store(&d.entries, std::memory_order_release);
    return 0;
}

void FreeDirectoryDll()
{
    TDirectoryLibrary &d = directoryLibrary();
    if (d.users <= 0)
        return;
    if (--d.users == 0) {
        d.loaded.store(nullptr, std::memory_order_release);
        d.library.Free();
    }
}

void NormalizeDirectoryFolder(char (&folder)[256])
{
    QByteArray text = FieldText(folder);
    if (!text.endsWith('/'))
        text += '/';
    PutText(folder, text);
}

int DirectorySearchTel(TDirectoryTelRequest &request, TDirectoryDetail (&result)[KVDIR_TEL_RESULTS], int32_t &count)
{
    const TDirectoryEntries *e = loadedEntries();
    if (!e)
        return directoryNotLoaded;
    NormalizeDirectoryFolder(request.DataFolder);
    NormalizeDirectoryFolder(request.DicFolder);
    std::memset(result, 0, sizeof result);
    count = 0;
    return e->searchTel(&request, result, &count);
}

int DirectoryTelLookup(const QByteArray &digits, TDirectoryDetail (&result)[KVDIR_TEL_RESULTS], int32_t &count)
{
    LoadDirectoryDll(AppFolder);
    TDirectoryTelRequest request{};
    PutText(request.Tel, digits);
    request.One = 1;
    if (!HddInstalled)
        FindDiscData();
    const QString data = HddInstalled ? HddDataFolder + QStringLiteral("Dt00/") : DiscPath + QStringLiteral("/Mirvale18/");
    PutText(request.DataFolder, QFile::encodeName(data));
    PutText(request.DicFolder, QFile::encodeName(AppFolder + QStringLiteral("Dic/")));
    const int code = DirectorySearchTel(request, result, count);
    FreeDirectoryDll();
    return code;
}

int DirectorySearchTelOne(TDirectoryTelRequest &request, TDirectoryDetail &detail, uint32_t entry)
{
    const TDirectoryEntries *e = loadedEntries();
    if (!e)
        return directoryNotLoaded;
    NormalizeDirectoryFolder(request.DataFolder);
    NormalizeDirectoryFolder(request.DicFolder);
    std::memset(&detail, 0, sizeof detail);
    return e->searchTelOne(&request, &detail, entry);
}

int DirectorySearchArea(TDirectoryCondition &condition, TDirectoryHit *page, int32_t &count, TDirectoryResume &resume,
                        int32_t reserved, TDirectoryAbort abort, TDirectoryNames names)
{
    const TDirectoryEntries *e = loadedEntries();
    if (!e)
        return directoryNotLoaded;
    NormalizeDirectoryFolder(condition.DataFolder);
    NormalizeDirectoryFolder(condition.DicFolder);
    std::memset(page, 0, sizeof(TDirectoryHit) * condition.PageSize);
    count = 0;
    return e->searchArea(&condition, page, &count, &resume, reserved, abort, names);
}

int DirectorySearchAreaCount(TDirectoryCondition &condition, int32_t &count, int32_t reserved, TDirectoryAbort abort,
                             TDirectoryNames names)
{
    const TDirectoryEntries *e = loadedEntries();
    if (!e)
        return directoryNotLoaded;
    NormalizeDirectoryFolder(condition.DataFolder);
    NormalizeDirectoryFolder(condition.DicFolder);
    count = 0;
    return e->searchAreaCount(&condition, &count, reserved, abort, names);
}

int FetchDirectoryDetail(const TDirectoryHit &hit, const TDirectoryCondition &condition, TDirectoryDetail &detail)
{
    TDirectoryTelRequest request{};
    PutText(request.Tel, FieldText(hit.Tel));
    request.One = 1;
    PutText(request.DataFolder, FieldText(condition.DataFolder));
    PutText(request.DicFolder, FieldText(condition.DicFolder));
    const int code = DirectorySearchTelOne(request, detail, hit.Entry);
    if (code == 0) {
        QByteArray number = KeepNumberChars(FieldText(detail.Tel), NumberChars::Digits);
        TryHyphenatePhone(number, {});
        PutText(detail.Tel, number);
    }
    return code;
}
