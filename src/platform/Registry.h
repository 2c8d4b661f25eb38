// TRegistry: read-only look-ups of registry values, kept on Linux in INI-format hive files, one section per
// key path: the machine hive "Tzo/registry.ini" in $XDG_CONFIG_DIRS, the user hive in $XDG_CONFIG_HOME.
#pragma once

#include <QString>

#include <memory>

class TMemIniFile;

enum class TRootKey { HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE };

class TRegistry {
public:
    TRegistry();
    ~TRegistry();

    TRootKey RootKey = TRootKey::HKEY_CURRENT_USER;

    // True when the key exists in the hive; the value readers then read from it.
    bool OpenKeyReadOnly(const QString &key);
    bool ValueExists(const QString &name) const;
    QString ReadString(const QString &name) const;  // empty when the value is missing
    void CloseKey();

    // The hive files searched for a root key, first match wins.
    static QStringList HiveFiles(TRootKey root);

private:
    std::unique_ptr<TMemIniFile> hive_;
    QString key_;
};
