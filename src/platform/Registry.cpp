#include "platform/Registry.h"

#include "base/Folders.h"
#include "platform/MemIniFile.h"

static const QString HiveName = QStringLiteral("Tzo/registry.ini");

TRegistry::TRegistry() = default;
TRegistry::~TRegistry() = default;

QStringList TRegistry::HiveFiles(TRootKey root)
{
    QStringList files;
    if (root == TRootKey::HKEY_CURRENT_USER) {
        const QString dir = UserConfigFolder();
        if (!dir.isEmpty())
            files << dir + HiveName;
    } else {
        for (const QString &dir : MachineConfigFolders())
            files << dir + HiveName;
    }
    return files;
}

bool TRegistry::OpenKeyReadOnly(const QString &key)
{
    CloseKey();
    // Key paths are written with "\" and may carry a leading one.
    QString path = key;
    while (path.startsWith('\\'))
        path.remove(0, 1);
    for (const QString &file : HiveFiles(RootKey)) {
        if (!FileExists(file))
            continue;
        auto hive = std::make_unique<TMemIniFile>(file);
        if (hive->SectionExists(path)) {
            hive_ = std::move(hive);
            key_ = path;
            return true;
        }
    }
    return false;
}

bool TRegistry::ValueExists(const QString &name) const { return hive_ && hive_->ValueExists(key_, name); }

QString TRegistry::ReadString(const QString &name) const
{
    return hive_ ? hive_->ReadString(key_, name, QString()) : QString();
}

void TRegistry::CloseKey()
{
    hive_.reset();
    key_.clear();
}
