// The seeds of the data exchange's fuzz targets: a backup's manifest as a backup writes it, and an update list
// as the update server serves it.
#include "../../fuzz/FuzzExchangeReaders.h"
#include "FuzzSeeds.h"
#include "TestHttpServer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(FuzzCorpus, SeedsAreWhatTheProgramWritesAndEveryReaderAcceptsThem)
{
    const QTemporaryDir folder;
    const QString data = folder.path() + u'/';
    test::writeFile(data + "Layout/ハガキ1.gpl", QByteArray(5000, 'L'));
    test::writeFile(data + "History/Post.mtd", "post history");
    test::writeFile(data + SettingsFileName, "[BASE]\r\nAdrsName=Book\r\n");
    QString error;
    const QString backup = MakeBackup(data, data, [](qint64, qint64) { return true; }, &error);
    ASSERT_FALSE(backup.isEmpty()) << error.toStdString();
    test::FuzzSeed(fuzz::BackupManifest, "backupmanifest", ManifestFileName, test::readFile(backup + ManifestFileName));

    const QString app = AppFolder;
    const QByteArray list = "<?xml version=\"1.0\"?>\n<update>\n"
                            + test::UpdateEntry("Dic/Kvpost.dat", 2026120701, "new postal data")
                            + test::UpdateEntry("velmora", 2026120701, "a new program", {}, true) + "</update>\n";
    test::FuzzSeed(fuzz::UpdateList, "updatelist", QStringLiteral("update.xml"), list);
    // The reader points the update check at its own folder only while it reads.
    EXPECT_EQ(AppFolder, app);
}

// What the fuzz targets stopped at, kept as they found it: each reader refuses it now.
TEST(FuzzCorpus, FindingsAreRefused)
{
    const QByteArray sum(64, 'a');
    // A size whose kilobytes overflowed as the list was shown.
    const QByteArray list = "<update><file name=\"Common/a.txt\" version=\"1\" size=\"9223372036854775807\" sha256=\"" + sum
                            + "\"/></update>";
    EXPECT_FALSE(fuzz::UpdateList(reinterpret_cast<const uint8_t *>(list.data()), list.size()));
    const QByteArray manifest = "Velmora backup 1\n" + sum + "\t9223372036854775807\tData/Adrs/a\n";
    EXPECT_FALSE(fuzz::BackupManifest(reinterpret_cast<const uint8_t *>(manifest.data()), manifest.size()));
}
