#include "geo/DicLibraries.h"

#include "base/Folders.h"
#include "base/SjisCodec.h"
#include "base/Trim.h"

#include <QCoreApplication>
#include <QFile>

#include <cstring>

namespace {

QString folderOrProgramFolder(const QString &folder)
{
    return IncludeTrailingPathDelimiter(folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder);
}

}  // namespace

TDicLibrary::TDicLibrary(const QString &libraryFolder, const QString &dataFolder)
    : libraryFolder_(folderOrProgramFolder(libraryFolder)),
      dataFolder_(folderOrProgramFolder(dataFolder)),
      dataArgument_(QFile::encodeName(dataFolder_))
{
}

QString TDicLibrary::loadEntries(const QString &dllName, std::initializer_list<TDicEntry> entries)
{
    if (!library_.Load(libraryFolder_, dllName))
        return library_.LoadErrorText();
    for (const TDicEntry &entry : entries) {
        void *proc = library_.GetProcAddress(entry.Name);
        if (!proc) {
            library_.Free();
            return library_.ProcErrorText(QString::fromLatin1(entry.Name));
        }
        if (entry.Assign)
            entry.Assign(proc);
    }
    return {};
}

QString TDicLibrary::CallErrorText(const char *entry, int code) const
{
    return QString::fromLatin1(entry) + QStringLiteral(" (") + library_.FileName() +
           QStringLiteral(") Call Error\r\nRC = ") + QString::number(code);
}

QByteArray FieldText(const char *field, std::size_t width)
{
    return TrimBlanks(QByteArray(field, static_cast<qsizetype>(qstrnlen(field, width))));
}

void PutText(char *field, std::size_t width, const QByteArray &text)
{
    const QByteArray kept = Sjis::cutToBytes(text, static_cast<qsizetype>(width) - 1);
    std::memcpy(field, kept.constData(), static_cast<std::size_t>(kept.size()));
    field[kept.size()] = '\0';
}

QByteArray PostalCodeForm(const QByteArray &code)
{
    const QByteArray trimmed = TrimBlanks(code);
    if (trimmed.size() == 5 || trimmed.size() == 7)
        return trimmed.left(3) + '-' + trimmed.mid(3, 4);
    return trimmed;
}
