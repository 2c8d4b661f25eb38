// Optimisation and index repair of a book: the rows stay, the file shrinks, the repaired flag tells the truth.
#include "base/FileReplace.h"
#include "core/Main.h"
#include "exchange/BackupStore.h"
#include "exchange/Maintenance.h"
#include "exchange/OptDat.h"
#include "exchange/ReprIdx.h"
#include "exchange/TableMaintenance.h"

#include "BenchSupport.h"
#include "TestBook.h"
#include "TestSupport.h"
#include "db/Collation.h"
#include "db/Table.h"
#include "db/TableSchemas.h"

#include <QDir>
#include <QDirIterator>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <sys/syscall.h>

namespace {

// Every row of the book's table as text, in RecNo order.
QByteArrayList rows(const QString &file)
{
    TSqliteDatabase db;
    db.Open(file, TablePassword, false);
    TSqliteStatement all(db, "SELECT * FROM Adrs ORDER BY RecNo");
    QByteArrayList out;
    while (all.Step()) {
        QByteArray row;
        for (int c = 0; c < all.ColumnCount(); ++c)
            row += all.ColumnText(c) + '\x1f';
        out << row;
    }
    return out;
}

class Maintenance : public ::testing::Test {
protected:
    void SetUp() override
    {
        book.Open(QStringLiteral("Book"));
        AdrsBookList = {{QStringLiteral("Book"), QStringLiteral("Book")}};
        CurrentAdrsIndex = 0;
        fillBook(*book.Module->AdrsTable, 3000);
        file = AdrsFolder + "Book/Adrs.DB";
    }
    void deleteMost()
    {
        book.Module->AdrsTable->Close();
        TSqliteDatabase db;
        db.Open(file, TablePassword, false);
        db.Exec("DELETE FROM Adrs WHERE RecNo % 10 <> 0");
        db.Close();
        book.Module->AdrsTable->Open();
    }
    // The index on the kana name made to disagree with the rows, as a crash in the middle of a write leaves it.
    void damageIndex()
    {
        book.Module->AdrsTable->Close();
        TSqliteDatabase db;
        db.Open(file, TablePassword, false);
        TSqliteStatement ix(db, "SELECT name FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL LIMIT 1");
        ASSERT_TRUE(ix.Step());
        const QByteArray name = ix.ColumnText(0);
        db.Exec("PRAGMA writable_schema = ON");
        db.Exec("UPDATE sqlite_master SET sql = replace(sql, '(', '(RecNo, ') WHERE name = '" + name + "'");
        db.Exec("PRAGMA writable_schema = OFF");
        db.Close();
        book.Module->AdrsTable->Open();
    }
    // The kana-name index written while its collation ordered the other way round, as a program with another
    // collation leaves it: the rows are sound, the index entries lie in the wrong order.
    void writeIndexInTheWrongOrder()
    {
        book.Module->AdrsTable->Close();
        TSqliteDatabase db;
        db.Open(file, TablePassword, false);
        const auto reversed = [](void *, int n1, const void *a, int n2, const void *b) {
            return -SjisNoCaseCompare(QByteArrayView(static_cast<const char *>(a), n1),
                                      QByteArrayView(static_cast<const char *>(b), n2));
        };
        ASSERT_EQ(sqlite3_create_collation(db.Handle(), SjisNoCaseCollation, SQLITE_UTF8, nullptr, reversed), SQLITE_OK);
        db.Exec("UPDATE Adrs SET CorpKana = 'kana' || (RecNo * 7919 % 1000) WHERE RecNo % 2 = 0");
        db.Close();
        book.Module->AdrsTable->Open();
    }
    test::TestBook book;
    QString file;
    test::MessageBoxScript boxes;
};

// The highest record number ever given, so a record added later never takes a deleted one's number.
QByteArray lastRecNo(const QString &file)
{
    TSqliteDatabase db;
    db.Open(file, TablePassword, false);
    TSqliteStatement s(db, "SELECT seq FROM sqlite_sequence WHERE name = 'Adrs'");
    return s.Step() ? s.ColumnText(0) : QByteArray();
}

TEST_F(Maintenance, OptimizeShrinksAndKeepsTheRows)
{
    deleteMost();
    {
        TSqliteDatabase db;
        db.Open(file, TablePassword, false);
        db.Exec("DELETE FROM Adrs WHERE RecNo = 3000");  // the last record: its number stays used
    }
    const QByteArray last = lastRecNo(file);
    ASSERT_EQ(last, "3000");
    const QByteArrayList before = rows(file);
    ASSERT_EQ(before.size(), 299);
    const qint64 sizeBefore = QFileInfo(file).size();
    TOptimizeData dialog(nullptr);
    ASSERT_TRUE(dialog.Execute()) << (boxes.shown().empty() ? std::string() : boxes.shown().back().text.toStdString());
    EXPECT_LT(QFileInfo(file).size(), sizeBefore / 2);
    EXPECT_EQ(rows(file), before);
    EXPECT_EQ(CheckTableFile(file), "ok");
    EXPECT_TRUE(book.Module->AdrsTable->Active());
    EXPECT_EQ(book.Module->AdrsTable->RecordCount(), 299);
    EXPECT_EQ(lastRecNo(file), last);
    // The safety copy is the book as it was before.
    EXPECT_EQ(QFileInfo(DataRootFolder + "backup.opt/Book/Adrs.DB").size(), sizeBefore);
}

// The new table file cannot be made in a folder that cannot be written: the failure names the folder and why,
// and the book stays as it was.
TEST_F(Maintenance, ATableFileThatCannotBeMadeNamesTheFolderAndWhy)
{
    const QString folder = AdrsFolder + "Book/";
    book.Module->AdrsTable->Close();
    const QByteArray before = test::readFile(file);
    QString error;
    {
        const test::ReadOnlyFolder locked(folder);
        if (!locked.mounted())
            GTEST_SKIP() << locked.skipReason().toStdString();
        EXPECT_FALSE(OptimizeTableFile(file, &error));
    }
    EXPECT_EQ(error, QStringLiteral("データベースのファイルを読み書きできませんでした  \r\n\r\n") + QDir::toNativeSeparators(folder)
                         + "\r\n" + NotWritableReason);
    EXPECT_EQ(test::readFile(file), before);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"Adrs.DB"});
    book.Module->AdrsTable->Open();
}

TEST_F(Maintenance, RepairOfAHealthyBookRepairsNothing)
{
    const QByteArray bytes = test::readFile(file);
    TRepairIndex dialog(nullptr);
    ASSERT_TRUE(dialog.Execute()) << (boxes.shown().empty() ? std::string() : boxes.shown().back().text.toStdString());
    EXPECT_FALSE(dialog.Repaired);
    EXPECT_EQ(test::readFile(file), bytes);
}

TEST_F(Maintenance, RepairRebuildsADamagedIndex)
{
    deleteMost();
    {
        TSqliteDatabase db;
        db.Open(file, TablePassword, false);
        db.Exec("DELETE FROM Adrs WHERE RecNo = 3000");
    }
    const QByteArrayList before = rows(file);
    damageIndex();
    ASSERT_NE(CheckTableFile(file), "ok");
    const qint64 sizeBefore = QFileInfo(file).size();
    TRepairIndex dialog(nullptr);
    ASSERT_TRUE(dialog.Execute()) << (boxes.shown().empty() ? std::string() : boxes.shown().back().text.toStdString());
    EXPECT_TRUE(dialog.Repaired);
    EXPECT_EQ(CheckTableFile(file), "ok");
    EXPECT_EQ(rows(file), before);
    EXPECT_LT(QFileInfo(file).size(), sizeBefore);
    EXPECT_EQ(lastRecNo(file), "3000");
    EXPECT_TRUE(QFileInfo::exists(DataRootFolder + "backup.rep/Book/Adrs.DB"));
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "Book/.repairing"));
    // The rebuilt index serves the table's own look-ups again.
    EXPECT_EQ(book.Module->AdrsTable->RecordCount(), 299);
}

// The program killed in the middle of an optimisation or a repair: the next start removes the half-made file
// and the repair's folder of every book, and nothing else.
TEST_F(Maintenance, TheNextStartRemovesWhatKilledMaintenanceLeft)
{
    RegisterMaintenance();
    ASSERT_TRUE(RemoveWorkLeftovers);
    book.Module->AdrsTable->Close();
    const QByteArray bytes = test::readFile(file);
    test::writeFile(file + ".optimizing", bytes.left(100000));
    test::writeFile(AdrsFolder + "Book/.repairing/Adrs.DB", bytes.left(100000));
    test::writeFile(AdrsFolder + "Other/.repairing/Adrs.DB", "x");
    for (const char *kept : {"Book/Adrs.DB.optimizing.txt", "Book/Notes.optimizing", "Book/repairing/Adrs.DB"})
        test::writeFile(AdrsFolder + kept, "the user's");
    RemoveWorkLeftovers();
    RemoveWorkLeftovers = nullptr;
    EXPECT_FALSE(QFileInfo::exists(file + ".optimizing"));
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "Book/.repairing"));
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "Other/.repairing"));
    for (const char *kept : {"Book/Adrs.DB.optimizing.txt", "Book/Notes.optimizing", "Book/repairing/Adrs.DB"})
        EXPECT_EQ(test::readFile(AdrsFolder + kept), "the user's") << kept;
    EXPECT_EQ(test::readFile(file), bytes);
}

// An earlier start left a data root the user chose outside the data folder open to every local user (0755, 0644).
// The next start narrows what the program keeps there: the books and the rest of its data, the backups and the
// safety copies, with all they hold. The root is the user's own folder and keeps its mode, as does what else the
// user keeps in it, even under a name like the program's.
TEST_F(Maintenance, TheNextStartNarrowsWhatItKeepsInADataRootChosenElsewhere)
{
    const QTemporaryDir elsewhere;
    const QString root = elsewhere.path() + "/自分のデータ/";
    for (const char *file : {"Adrs/Book/Adrs.DB", "Other/Sender.DB", "History/Post.mtd", "Design/年賀状.dsn",
                             "20260101 120000/Data/Adrs/Book/Adrs.DB", "backup.opt/Book/Adrs.DB", "写真/旅行.jpg",
                             "メモ.txt", "Adrs.txt", "20260101/Adrs.DB"})
        test::writeFile(root + QString::fromUtf8(file), "x");
    QDirIterator all(root, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (all.hasNext()) {
        const QString path = all.next();
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), all.fileInfo().isDir() ? 0755 : 0644), 0);
    }
    ASSERT_EQ(::chmod(QFile::encodeName(root).constData(), 0755), 0);
    const QString dataRoot = DataRootFolder;
    const auto restore = qScopeGuard([&] {
        DataRootFolder = dataRoot;
        RemoveWorkLeftovers = nullptr;
    });
    DataRootFolder = root;
    RegisterMaintenance();
    RemoveWorkLeftovers();
    EXPECT_EQ(test::notPrivate(root),
              QStringList({QDir::cleanPath(root) + " 755", root + "20260101 755", root + "20260101/Adrs.DB 644",
                           root + "Adrs.txt 644", root + "メモ.txt 644", root + "写真 755", root + "写真/旅行.jpg 644"}));
}

TEST_F(Maintenance, RepairRebuildsAnIndexWhoseEntriesAreOutOfOrder)
{
    deleteMost();
    writeIndexInTheWrongOrder();
    ASSERT_NE(CheckTableFile(file), "ok");
    const QByteArrayList before = rows(file);
    TRepairIndex dialog(nullptr);
    ASSERT_TRUE(dialog.Execute()) << (boxes.shown().empty() ? std::string() : boxes.shown().back().text.toStdString());
    EXPECT_TRUE(dialog.Repaired);
    EXPECT_EQ(CheckTableFile(file), "ok");
    EXPECT_EQ(rows(file), before);
    // A search in kana order finds every company again.
    TTable &t = *book.Module->AdrsTable;
    t.SetIndexName("CorpKana");
    int found = 0;
    for (t.First(); !t.Eof(); t.Next())
        ++found;
    EXPECT_EQ(found, 300);
}

// A safety folder of the data root and the folders beside it for its making.
QStringList safetyEntries(const QString &kind)
{
    return QDir(DataRootFolder).entryList({kind, "." + kind + ".*"}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// What those hold: each folder (as "name/") and each file with its bytes.
QMap<QString, QByteArray> safetyState(const QString &kind)
{
    QMap<QString, QByteArray> state;
    for (const QString &top : safetyEntries(kind)) {
        state.insert(top + "/", {});
        QDirIterator it(DataRootFolder + top, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString rel = path.mid(DataRootFolder.size());
            if (it.fileInfo().isDir())
                state.insert(rel + "/", {});
            else
                state.insert(rel, test::readFile(path));
        }
    }
    return state;
}

void putSafetyState(const QString &kind, const QMap<QString, QByteArray> &state)
{
    for (const QString &top : safetyEntries(kind))
        QDir(DataRootFolder + top).removeRecursively();
    for (auto entry = state.cbegin(); entry != state.cend(); ++entry)
        if (entry.key().endsWith('/'))
            QDir().mkpath(DataRootFolder + entry.key());
        else
            test::writeFile(DataRootFolder + entry.key(), entry.value());
}

// The safety copy of the import: the book and its group names.
bool copyForImport(int *writeError, QString *failed)
{
    return CopySafetyFiles(AdrsFolder + "Book/", {"Adrs.DB", "Group.dat"}, DataRootFolder + SafetyImport + "/",
                           writeError, failed);
}

// The safety copy of a conversion: the book and the senders.
bool copyForConversion(QString *error)
{
    return MakeSafetyCopy(SafetyKykbn,
                          {{"Book", AdrsFolder + "Book/", AdrsTableFiles}, {"Other", OtherFolder, SenderTableFiles}}, error);
}

// Both safety copies, each made once before the data change and then again; the conversion's beside an earlier
// copy of another book, which stays.
class SafetyCopy : public Maintenance {
protected:
    void SetUp() override
    {
        Maintenance::SetUp();
        book.Module->AdrsTable->Close();
        test::writeFile(AdrsFolder + "Book/Group.dat", "groups before");
        test::writeFile(OtherFolder + "Sender.DB", "senders before");
        test::writeFile(DataRootFolder + SafetyKykbn + "/Older/Adrs.DB", "another book's copy");
        ASSERT_GT(QFileInfo(file).size(), 100000);
    }
    struct Kind {
        QString Name;
        std::function<bool()> Copy;
    };
    static std::vector<Kind> kinds()
    {
        return {{SafetyImport,
                 [] {
                     int writeError = 0;
                     QString failed;
                     return copyForImport(&writeError, &failed);
                 }},
                {SafetyKykbn, [] {
                     QString error;
                     return copyForConversion(&error);
                 }}};
    }
    // The data after the first copy: fewer rows in the book, other groups and senders.
    void changeData()
    {
        book.Module->AdrsTable->Open();
        deleteMost();
        book.Module->AdrsTable->Close();
        test::writeFile(AdrsFolder + "Book/Group.dat", "groups since");
        test::writeFile(OtherFolder + "Sender.DB", "senders since");
    }
};

// Killed before any file step of a safety copy, the next start finds the copy before it or the new one, each
// whole, and nothing beside it; so does the next safety copy, which then makes its own.
TEST_F(SafetyCopy, AKillAtAnyFileStepLeavesTheOldCopyOrTheNewOneWhole)
{
    RegisterMaintenance();
    ASSERT_TRUE(RemoveWorkLeftovers);
    const auto nextStart = RemoveWorkLeftovers;
    RemoveWorkLeftovers = nullptr;
    for (const Kind &kind : kinds())
        ASSERT_TRUE(kind.Copy()) << kind.Name.toStdString();
    std::vector<QMap<QString, QByteArray>> olds;
    for (const Kind &kind : kinds())
        olds.push_back(safetyState(kind.Name));
    ASSERT_EQ(olds[0].value(SafetyImport + "/Adrs.DB"), test::readFile(file));
    changeData();
    for (size_t k = 0; k < kinds().size(); ++k) {
        const Kind kind = kinds()[k];
        SCOPED_TRACE(kind.Name.toStdString());
        const QMap<QString, QByteArray> &old = olds[k];
        putSafetyState(kind.Name, old);
        ASSERT_TRUE(kind.Copy());
        const QMap<QString, QByteArray> made = safetyState(kind.Name);
        ASSERT_NE(made, old);
        ASSERT_EQ(made.value(kind.Name + (k == 0 ? "/Adrs.DB" : "/Book/Adrs.DB")), test::readFile(file));
        if (k == 1) {
            ASSERT_EQ(made.value(SafetyKykbn + "/Other/Sender.DB"), "senders since");
            ASSERT_EQ(made.value(SafetyKykbn + "/Older/Adrs.DB"), "another book's copy");
        }
        int keptOld = 0, tookNew = 0, step = 1;
        for (;; ++step) {
            ASSERT_LT(step, 200);
            putSafetyState(kind.Name, old);
            if (!test::KillAtFileStep(DataRootFolder, step, [&] { kind.Copy(); }))
                break;
            const QMap<QString, QByteArray> killed = safetyState(kind.Name);
            nextStart();
            const QMap<QString, QByteArray> settled = safetyState(kind.Name);
            EXPECT_TRUE(settled == old || settled == made) << "step " << step << ": " << settled.keys().join(' ').toStdString();
            keptOld += settled == old;
            tookNew += settled == made;
            // The next copy, with no start in between, settles the kill's leftovers itself.
            putSafetyState(kind.Name, killed);
            EXPECT_TRUE(kind.Copy()) << "step " << step;
            EXPECT_EQ(safetyState(kind.Name), made) << "step " << step;
        }
        // The kills fell while the new copy was made, and after it took the old one's place.
        EXPECT_GT(keptOld, 3);
        EXPECT_GT(tookNew, 0);
        std::printf("%s: %d kills, %d left the old copy, %d the new one\n", qPrintable(kind.Name), step - 1, keptOld,
                    tookNew);
    }
}

// No room for the new copy: the copy before it stays, whole, and nothing of the new one is left.
bool isRemoval(const test::TFileStep &s) { return s.Call == SYS_unlink || s.Call == SYS_unlinkat || s.Call == SYS_rmdir; }

// A power loss after a safety copy replaced the one before finds the new copy whole: the files it copied and its
// folders are on the disk before it takes the old one's place, the data root after; only then does the old go.
TEST_F(SafetyCopy, ANewCopyIsOnTheDiskBeforeTheOldOneGoes)
{
    const QString root = QDir::cleanPath(DataRootFolder);
    for (const Kind &kind : kinds()) {
        SCOPED_TRACE(kind.Name.toStdString());
        ASSERT_TRUE(kind.Copy());
        const std::vector<test::TFileStep> steps = test::FileStepsOf(DataRootFolder, [&] { kind.Copy(); });
        // The copies made, not the other book's copy the new one keeps as it was.
        QStringList copied = FilesBelow(DataRootFolder + kind.Name + "/");
        copied.removeIf([](const QString &file) { return file.startsWith("Older/"); });
        ASSERT_GE(copied.size(), 2);
        size_t durable = 0;
        EXPECT_EQ(test::DurableRenameFault(steps, root + "/." + kind.Name + ".making", root + "/" + kind.Name, copied,
                                           &durable)
                      .toStdString(),
                  "");
        const QString replaced = root + "/." + kind.Name + ".replaced/";
        const auto oldGoes = std::find_if(steps.begin(), steps.end(), [&](const test::TFileStep &s) {
            return isRemoval(s) && s.Files.value(0).startsWith(replaced);
        });
        ASSERT_NE(oldGoes, steps.end());
        EXPECT_GT(size_t(oldGoes - steps.begin()), durable);
    }
}

// A table file rewritten or repaired is on the disk before it takes the old one's name, and the name after.
TEST_F(Maintenance, ARewrittenOrRepairedTableIsOnTheDiskBeforeItTakesItsName)
{
    deleteMost();
    book.Module->AdrsTable->Close();
    const QString folder = QDir::cleanPath(AdrsFolder + "Book");
    const std::vector<test::TFileStep> rewrite = test::FileStepsOf(folder, [&] {
        QString error;
        OptimizeTableFile(file, &error);
    });
    EXPECT_EQ(test::DurableRenameFault(rewrite, file + ".optimizing", file).toStdString(), "");
    damageIndex();
    book.Module->AdrsTable->Close();
    const std::vector<test::TFileStep> repair = test::FileStepsOf(folder, [&] {
        bool repaired = false;
        QString error;
        RepairTableFile(file, AdrsTableSchema(), &repaired, &error);
    });
    EXPECT_EQ(CheckTableFile(file), "ok");
    EXPECT_EQ(test::DurableRenameFault(repair, folder + "/.repairing/Adrs.DB", file).toStdString(), "");
}

TEST_F(SafetyCopy, NoRoomForTheNewCopyKeepsTheOldOne)
{
    for (const Kind &kind : kinds())
        ASSERT_TRUE(kind.Copy()) << kind.Name.toStdString();
    const QMap<QString, QByteArray> imported = safetyState(SafetyImport), converted = safetyState(SafetyKykbn);
    changeData();
    const qint64 bookSize = QFileInfo(file).size();
    test::writeFile(OtherFolder + "Sender.DB", QByteArray(bookSize + 100000, 's'));
    const QString fullDisk = QStringLiteral("ディスクの空き容量が足りません");
    int writeError = 0;
    QString failed, error;
    {
        const test::FullDisk disk(4096);
        EXPECT_FALSE(copyForImport(&writeError, &failed));
        EXPECT_FALSE(copyForConversion(&error));
    }
    EXPECT_TRUE(IsDiskFull(writeError));
    EXPECT_EQ(failed, AdrsFolder + "Book/Adrs.DB");
    EXPECT_TRUE(error.contains(fullDisk)) << error.toStdString();
    EXPECT_EQ(safetyState(SafetyImport), imported);
    EXPECT_EQ(safetyState(SafetyKykbn), converted);
    error.clear();
    {
        const test::FullDisk disk(bookSize + 4096);  // room for the book's copy, not for the senders'
        EXPECT_FALSE(copyForConversion(&error));
    }
    EXPECT_TRUE(error.contains(fullDisk)) << error.toStdString();
    EXPECT_EQ(safetyState(SafetyKykbn), converted);
}

}  // namespace

// An optimisation and a repair under the usual umask keep the mode the user gave the book, never more open
// than the program's own files (a book an earlier start left open is narrowed), and their safety copies are the
// user's alone.
TEST_F(Maintenance, OptimizeAndRepairKeepTheBooksModeAndMakePrivateSafetyCopies)
{
    const test::UsualUmask umask;
    const auto setMode = [this](mode_t mode) { ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), mode), 0); };
    deleteMost();
    setMode(0600);
    TOptimizeData optimize(nullptr);
    ASSERT_TRUE(optimize.Execute()) << boxes.texts().join('|').toStdString();
    EXPECT_EQ(test::modeOf(file), 0600u);
    EXPECT_EQ(test::notPrivate(DataRootFolder + "backup.opt"), QStringList());

    setMode(0644);
    damageIndex();
    TRepairIndex repair(nullptr);
    ASSERT_TRUE(repair.Execute()) << boxes.texts().join('|').toStdString();
    ASSERT_TRUE(repair.Repaired);
    EXPECT_EQ(test::modeOf(file), 0600u);
    EXPECT_EQ(test::notPrivate(DataRootFolder + "backup.rep"), QStringList());
}

// A book the user made read-only is refused by the optimisation and the repair as a record stored in it is,
// with the reason, before anything is copied or written: it stays the very file it was, read-only.
TEST_F(Maintenance, AReadOnlyBookIsRefusedWithTheReasonAndLeftAsItIs)
{
    const QString folder = AdrsFolder + "Book/";
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &before), 0);
    const QString refused = DatabaseErrorText(QStringLiteral("処理できませんでした  "),
                                              EDatabaseError(file, SQLITE_READONLY, EACCES, folder));
    ASSERT_TRUE(refused.contains(QDir::toNativeSeparators(folder)));
    TOptimizeData optimize(nullptr);
    TRepairIndex repair(nullptr);
    for (TBookMaintenance *dialog : std::initializer_list<TBookMaintenance *>{&optimize, &repair}) {
        {
            const test::AsUser user({DataRootFolder});
            EXPECT_FALSE(dialog->Execute());
        }
        EXPECT_EQ(boxes.texts(), QStringList{refused}) << dialog->objectName().toStdString();
        boxes.clear();
        struct stat after {};
        ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode & 07777, 0444u);
        EXPECT_EQ(safetyEntries(SafetyOptimize) + safetyEntries(SafetyRepair), QStringList());
    }
}
