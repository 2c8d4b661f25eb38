#pragma once
// The build's sample directory installed on the disk with its telephone look-up in place, and an address book of
// the test's own: where the dictionary and telephone-place tests start.
#include "core/Globals.h"
#include "db/Table.h"
#include "directory/DirectoryDll.h"

#include "TestBook.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

namespace test {

class SampleDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        book.Open();
        AppFolder = appDir();
        HddInstalled = 1;
        HddDataFolder = QDir::cleanPath(appDir() + QStringLiteral("../sample")) + "/";
        DiscPath.clear();
        SetDirectoryTelLookup(DirectoryTelLookup);
    }
    void TearDown() override
    {
        SetDirectoryTelLookup(nullptr);
        HddInstalled = 0;
        HddDataFolder.clear();
        DiscPath.clear();
        AppFolder.clear();
    }
    // A new record of the book, filled by the test before it is posted; returns its RecNo.
    int32_t addRecord(const std::function<void(TTable &)> &fill)
    {
        TTable &t = *book.Module->AdrsTable;
        t.Append();
        fill(t);
        t.Post();
        return t.FieldByName("RecNo").AsInteger();
    }

    // Makes the program folder one that lacks the given library but has every other and the dictionaries.
    void useProgramFolderWithout(const QString &library)
    {
        for (const QString &name : QDir(appDir()).entryList({QStringLiteral("*.so")}, QDir::Files)) {
            if (name != library) {
                ASSERT_TRUE(QFile::link(appDir() + name, withoutLibrary.path() + "/" + name));
            }
        }
        ASSERT_TRUE(QFile::link(appDir() + "Dic", withoutLibrary.path() + "/Dic"));
        AppFolder = withoutLibrary.path() + "/";
    }

    TestBook book;
    QTemporaryDir withoutLibrary;
};

}  // namespace test
