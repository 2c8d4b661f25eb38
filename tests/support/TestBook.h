// An address book in a temporary folder with the data module over it, as the main list opens one: the
// folder globals point into the folder, the book's table is open, the shared tables and (when asked) the
// input histories exist. Header-only, so the test programs that link the core get it and the support
// library itself does not.
#pragma once

#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Sqlite.h"
#include "db/TableSchemas.h"

#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace test {

class TestBook {
public:
    // Opens the book folder book (made below AdrsFolder); categories: the folder of the category tables,
    // the program's own when empty.
    void Open(const QString &book = QStringLiteral("Book"), bool histories = false, const QString &categories = {})
    {
        DataFolder = DataRootFolder = Dir.path() + "/";
        AdrsFolder = Dir.path() + "/Adrs/";
        OtherFolder = Dir.path() + "/Other/";
        HistoryFolder = Dir.path() + "/History/";
        CategoryFolder = categories.isEmpty() ? appDir() + "Category/" : categories;
        for (const QString &folder : {AdrsFolder + book, OtherFolder, HistoryFolder})
            QDir().mkpath(folder);
        Module = std::make_unique<TDMMirvale18>();
        DMMirvale18 = Module.get();
        Module->CreateAdrsTableObject(book);
        ASSERT_TRUE(Module->OpenAdrsTable());
        Module->CreateSenderTableObject();
        Module->CreateSharedTableObjects();
        if (histories) {
            Module->CreateDatabaseAndHistories();
            ASSERT_TRUE(Module->OpenDatabaseAndHistories());
        }
    }
    ~TestBook()
    {
        if (DMMirvale18 == Module.get())
            DMMirvale18 = nullptr;
    }

    QTemporaryDir Dir;
    std::unique_ptr<TDMMirvale18> Module;
};

// Holds a read lock on a book from a second connection, as another program reading it would: the program can
// write its row but not commit it.
class ReaderLock {
public:
    explicit ReaderLock(const QString &file)
    {
        db_.Open(file, TablePassword, false);
        db_.Exec("BEGIN");
        db_.Exec("SELECT count(*) FROM Adrs");
    }
    ~ReaderLock() { db_.Exec("COMMIT"); }

private:
    TSqliteDatabase db_;
};

}  // namespace test
