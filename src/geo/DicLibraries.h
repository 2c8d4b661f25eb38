// What the dictionary library wrappers share: their error root, the loading of a library by its entry table,
// the call-error text, fixed-width Shift-JIS fields and the postal-code form.
#pragma once

#include "base/RuntimeLibrary.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <vector>

// Root of the wrappers' errors. Each wrapper has an argument error (bad arguments, empty results) derived from
// it, and a library error (load and call failures) derived from its argument error.
class EDicSearchError : public std::runtime_error {
public:
    explicit EDicSearchError(const QString &message) : std::runtime_error(message.toStdString()), Message(message) {}
    const QString Message;
};

// Texts of the empty results several wrappers share.
inline const QString NoCityResultText = QStringLiteral("市区郡町村検索の結果がありません");
inline const QString NoTownResultText = QStringLiteral("町大字検索の結果がありません");
inline const QString NoLargeResultText = QStringLiteral("大口事業所検索の結果がありません");
inline const QString NoAddressText = QStringLiteral("検索住所が未入力です");

// One entry of a library's table and the pointer it fills; an entry without a pointer must only be present.
struct TDicEntry {
    explicit TDicEntry(const char *name) : Name(name) {}
    template <class F>
    TDicEntry(const char *name, F *&slot) : Name(name), Assign([&slot](void *proc) { slot = reinterpret_cast<F *>(proc); })
    {
    }
    const char *Name;
    std::function<void(void *)> Assign;
};

// A dictionary library loaded by one wrapper object, with the folders its calls pass. The entry pointers are
// the object's own, so freeing one object never leaves another calling into an unloaded library.
class TDicLibrary {
public:
    // Empty folders mean the folder of the running program; both end with "/".
    TDicLibrary(const QString &libraryFolder, const QString &dataFolder);
    const QString &LibraryFolder() const { return libraryFolder_; }
    const QString &DataFolder() const { return dataFolder_; }

protected:
    // Loads the library and resolves the entries in table order; raises TError with the load or look-up text.
    template <class TError>
    void Load(const QString &dllName, std::initializer_list<TDicEntry> entries)
    {
        const QString error = loadEntries(dllName, entries);
        if (!error.isEmpty())
            throw TError(error);
    }
    // The code when it is one of the accepted ones; otherwise raises TError with the call-error text.
    template <class TError>
    int Accept(const char *entry, int code, std::initializer_list<int> accepted) const
    {
        if (std::find(accepted.begin(), accepted.end(), code) == accepted.end())
            throw TError(CallErrorText(entry, code));
        return code;
    }
    QString CallErrorText(const char *entry, int code) const;
    // The data folder as the libraries take it.
    const char *Data() const { return dataArgument_.constData(); }

private:
    QString loadEntries(const QString &dllName, std::initializer_list<TDicEntry> entries);

    QString libraryFolder_;
    QString dataFolder_;
    QByteArray dataArgument_;
    TRuntimeLibrary library_;
};

// A fixed-width text of a library record or a result: the bytes before the first NUL, without padding blanks.
QByteArray FieldText(const char *field, std::size_t width);
template <std::size_t N>
QByteArray FieldText(const char (&field)[N])
{
    return FieldText(field, N);
}

// Writes a result field: a NUL-terminated text cut to the field's width, never inside a character.
void PutText(char *field, std::size_t width, const QByteArray &text);
template <std::size_t N>
void PutText(char (&field)[N], const QByteArray &text)
{
    PutText(field, N, text);
}

// The postal code as every result shows it: after trimming, a code of 5 or 7 characters gets a hyphen after
// its third; any other length is kept as it is.
QByteArray PostalCodeForm(const QByteArray &code);

// The entry at index; an empty list and an index outside the list both raise TError with the list's text.
template <class TError, class T>
const T &EntryAt(const std::vector<T> &list, int index, const QString &noResultText)
{
    if (index < 0 || static_cast<std::size_t>(index) >= list.size())
        throw TError(noResultText);
    return list[static_cast<std::size_t>(index)];
}
