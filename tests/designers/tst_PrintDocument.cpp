// The print document: a layout holding every object kind saved, opened and saved again to the same bytes;
// damaged files refused whole, damaged pictures left out of the rest; the safety copy of a save, a save killed at each of its file steps, and what
// killed saves left put right when the folder is listed.
#include "designers/PrintDocument.h"

#include "designers/PrtFiles.h"

#include "HostileJpegs.h"
#include "HostileLayout.h"
#include "TestSupport.h"
#include "base/FileReplace.h"
#include "drawing/AddressRect.h"
#include "drawing/BackImage.h"
#include "drawing/DesignGlobals.h"
#include "drawing/FigureRect.h"
#include "drawing/IllustRect.h"
#include "drawing/JpegImage.h"
#include "drawing/NameRect.h"
#include "drawing/QRCodeRect.h"
#include "drawing/WordRect.h"
#include "base/Fonts.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

// A postcard layout with both fixed sets placed, some shown, and two of each free object kind.
TPrintDocument fullDocument()
{
    TPrintDocument doc;
    doc.FormatNumber = 3;
    doc.PrintParts = 0;
    doc.SplitLayout = 1;
    doc.PrintForm = DefaultAddressPrintForm(false);
    int i = 0;
    for (auto *set : {&doc.CombinedObjects}) {
        for (auto &object : *set)
            object->SetRect(TRect(10 + i, 20 + i, 60 + 2 * i, 90 + 3 * i)), ++i;
    }
    for (auto &object : doc.SplitObjects)
        object->SetRect(TRect(5 + i, 8 + i, 50 + i, 70 + i)), ++i;
    for (int n = 0; n < 2; ++n) {
        auto illust = std::make_unique<TIllustRect>();
        illust->SetRect(TRect(30, 40 + n, 130, 140 + n));
        if (n == 0) {
            QImage picture(40, 30, QImage::Format_RGB888);
            picture.fill(QColor(200, 40, 40));
            TJpegImage jpeg;
            jpeg.LoadFromData(EncodeJpeg(picture));
            illust->SetPicture(&jpeg);
        }
        auto word = std::make_unique<TWordRect>();
        word->SetRect(TRect(100, 100 + n, 250, 180));
        word->SetLine(0, n ? QStringLiteral("謹賀新年") : QStringLiteral("暑中お見舞い"));
        auto figure = std::make_unique<TFigureRect>();
        figure->SetRect(TRect(200, 220, 300, 330 + n));
        figure->SetKind(uint8_t(n + 1));
        auto qr = std::make_unique<TQRCodeRect>();
        qr->SetRect(TRect(250, 400, 320, 470 + n));
        qr->SetText("https://example.jp/" + QByteArray::number(n));
        doc.ZOrderList.push_back(illust.get());
        doc.ZOrderList.push_back(word.get());
        if (n == 0) {
            doc.ZOrderList.push_back(figure.get());
            doc.ZOrderList.push_back(qr.get());
        }
        doc.IllustList.push_back(std::move(illust));
        doc.WordList.push_back(std::move(word));
        doc.FigureList.push_back(std::move(figure));
        doc.QRCodeList.push_back(std::move(qr));
    }
    for (int k : {0, 1, 2, 4, 5, 6})
        doc.ZOrderList.push_back(doc.SplitObjects[k].get());
    return doc;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void putI32(QByteArray &bytes, qsizetype offset, int32_t value) { qToLittleEndian(value, bytes.data() + offset); }

// Where the first fixed object's stacking place lies in a file image.
qsizetype firstZOffset(const QByteArray &bytes)
{
    return LayoutThumbnailLengthOffset + 4 + qFromLittleEndian<uint32_t>(bytes.constData() + 50) + TPrintForm::Size;
}

// A small document of the kind on paper number format: one text, stacked.
TPrintDocument smallDocument(uint8_t kind, int32_t format)
{
    TPrintDocument doc(kind);
    doc.FormatNumber = format;
    auto word = std::make_unique<TWordRect>();
    word->SetRect(TRect(40, 50, 300, 120));
    word->SetLine(0, QStringLiteral("謹賀新年"));
    doc.ZOrderList.push_back(word.get());
    doc.WordList.push_back(std::move(word));
    return doc;
}

// The folder as the document dialogs list it.
TDocumentKind folderOf(const QString &path, uint8_t kind)
{
    TDocumentKind listed;
    EXPECT_TRUE(DocumentKindOf(kind, listed));
    listed.Folder = path + "/";
    return listed;
}

}  // namespace

TEST(PrintDocument, SaveOpenSaveGivesTheSameBytes)
{
    QTemporaryDir dir;
    const QString first = dir.path() + "/Layout/はがき.gpl";  // the folder does not exist yet
    TPrintDocument doc = fullDocument();
    QString error;
    ASSERT_TRUE(doc.Save(first, 1000, 1480, QImage(), &error)) << error.toStdString();
    const QByteArray saved = readAll(first);
    ASSERT_FALSE(saved.isEmpty());
    EXPECT_EQ(saved.left(18), ComplementedMagic(LayoutFileMagic));
    EXPECT_EQ(qFromLittleEndian<uint32_t>(saved.constData() + 18), 600u);

    TPrintDocument reopened;
    ASSERT_TRUE(reopened.Open(first, &error)) << error.toStdString();
    EXPECT_EQ(reopened.FormatNumber, 3);
    EXPECT_EQ(reopened.SplitLayout, 1);
    EXPECT_EQ(reopened.PrintForm, doc.PrintForm);
    EXPECT_EQ(reopened.IllustList.size(), 2u);
    EXPECT_EQ(reopened.WordList.size(), 2u);
    EXPECT_EQ(reopened.FigureList.size(), 1u) << "an unstacked figure is dropped";
    EXPECT_EQ(reopened.QRCodeList.size(), 1u) << "an unstacked QR code is dropped";
    EXPECT_EQ(reopened.ZOrderList.size(), doc.ZOrderList.size());
    ASSERT_NE(reopened.IllustList[0]->KeptJpeg(), nullptr);
    EXPECT_EQ(reopened.ZOrderList.front(), reopened.IllustList[0].get());

    const QString second = dir.path() + "/Layout/again.gpl";
    ASSERT_TRUE(reopened.Save(second, 1000, 1480, QImage(), &error));
    TPrintDocument third;
    ASSERT_TRUE(third.Open(second, &error));
    const QString thirdPath = dir.path() + "/Layout/third.gpl";
    ASSERT_TRUE(third.Save(thirdPath, 1000, 1480, QImage(), &error));
    EXPECT_EQ(readAll(second), readAll(thirdPath));

    // The thumbnail of a 100 x 148 mm postcard is 135 x 200 pixels and decodes.
    TJpegImage thumbnail;
    thumbnail.LoadFromData(third.Thumbnail);
    EXPECT_EQ(thumbnail.Bitmap().size(), QSize(135, 200));
}

TEST(PrintDocument, DamagedFilesAreRefusedAndLeaveTheDocumentEmpty)
{
    TPrintDocument doc = fullDocument();
    const QByteArray good = doc.Bytes(EncodeJpeg(doc.MakeThumbnail(0, 1000, 1480, QImage())));
    const qsizetype z0 = firstZOffset(good);

    std::vector<std::pair<const char *, QByteArray>> damaged;
    damaged.emplace_back("short", good.left(good.size() / 2));
    damaged.emplace_back("header only", good.left(40));
    QByteArray magic = good;
    magic[3] = char(magic[3] ^ 0x20);
    damaged.emplace_back("bad magic", magic);
    QByteArray huge = good;
    putI32(huge, 22 + 12, 0x7fffffff);  // texts
    damaged.emplace_back("huge count", huge);
    QByteArray fewer = good;
    putI32(fewer, 22 + 16, 1);  // figures: the second one's bytes are left over
    damaged.emplace_back("count too small", fewer);
    QByteArray farZ = good;
    putI32(farZ, z0, 0x7ffffff0);
    damaged.emplace_back("stacking place far beyond the objects", farZ);
    QByteArray negZ = good;
    putI32(negZ, z0, -7);
    damaged.emplace_back("negative stacking place", negZ);
    QByteArray thumb = good;
    putI32(thumb, 50, 0x7fffffff);
    damaged.emplace_back("thumbnail longer than the file", thumb);

    for (const auto &[what, bytes] : damaged) {
        TPrintDocument read = fullDocument();
        QString error;
        EXPECT_FALSE(read.Read(bytes, &error)) << what;
        EXPECT_EQ(error, DocumentInvalidMessage) << what;
        EXPECT_TRUE(read.ZOrderList.empty() && read.WordList.empty() && read.FormatNumber == 0) << what;
    }
}

namespace {

// The pictures of older documents that the decoder finds damaged: cut short, of 12 bits, and one whose header
// promises more rows than its data holds.
std::vector<QByteArray> damagedPictures()
{
    QImage picture(64, 48, QImage::Format_RGB888);
    picture.fill(Qt::darkCyan);
    const QByteArray whole = EncodeJpeg(picture);
    return {DamagedJpeg(whole, TJpegDamage::CutShort), DamagedJpeg(whole, TJpegDamage::TwelveBits),
            DamagedJpeg(whole, TJpegDamage::PromisesMore)};
}

}  // namespace

TEST(PrintDocument, APictureRefusedForItsScansOrSizeIsLeftOutAndAHugeOneOpensAtThePrintedSize)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("picture.gpl");
    const QByteArray thumbnail = EncodeJpeg(QImage(135, 200, QImage::Format_RGB888));
    const auto opened = [&](const QByteArray &picture, TPrintDocument &doc) {
        test::writeFile(path, LayoutWithPictures(picture, 378, 559, thumbnail));
        QString error;
        EXPECT_TRUE(doc.Open(path, &error)) << error.toStdString();
        return doc.IllustList.size() == 1 && doc.WordList.size() == 1 && doc.ZOrderList.size() == 2;
    };
    // 20,000 scans of a 1,024² picture, 18,000² progressive (648 MB of coefficients), and the damaged ones:
    // the rest opens.
    std::vector<QByteArray> refusals = damagedPictures();
    refusals.push_back(ProgressiveJpeg(1024, 1024, 20000));
    refusals.push_back(ProgressiveJpeg(18000, 18000, 1));
    for (const QByteArray &refused : refusals) {
        TPrintDocument doc;
        ASSERT_TRUE(opened(refused, doc));
        EXPECT_TRUE(doc.IllustList[0]->GetPicture().isNull());
        EXPECT_EQ(doc.WordList[0]->GetRect(), TRect(40, 300, 300, 370));
        EXPECT_TRUE(doc.PicturesRefused());
        // Saved, the picture left out is still the user's, and the document saved opens and saves as it is.
        const QByteArray saved = doc.Bytes(doc.Thumbnail);
        EXPECT_TRUE(saved.contains(refused));
        TPrintDocument again;
        ASSERT_TRUE(again.Read(saved, nullptr));
        EXPECT_EQ(again.Bytes(again.Thumbnail), saved);
    }
    // 18,000² in one scan on a postcard-sized object: a quarter covers it at 600 dpi.
    TPrintDocument doc;
    ASSERT_TRUE(opened(BaselineJpeg(18000, 18000), doc));
    EXPECT_EQ(doc.IllustList[0]->GetPicture().size(), QSize(4500, 4500));
    EXPECT_FALSE(doc.PicturesRefused());
}

TEST(PrintDocument, ALetterBackgroundRefusedIsStoredBackAsItWasRead)
{
    QImage stand(8, 8, QImage::Format_RGB888);
    stand.fill(Qt::blue);
    TJpegImage standIn;
    standIn.LoadFromData(EncodeJpeg(stand));
    TPrintDocument letter(DesignDocument);
    letter.Background->SetKind(TBackImage::Tiled);
    letter.Background->SetPictureFile(standIn);
    std::vector<QByteArray> refusals = damagedPictures();
    refusals.push_back(ProgressiveJpeg(64, 64, MaxJpegScans));
    for (const QByteArray &refused : refusals) {
        const QByteArray stored = WithJpegReplaced(letter.Bytes(QByteArray()), standIn.Data(), refused);
        TPrintDocument doc(DesignDocument);
        QString error;
        ASSERT_TRUE(doc.Read(stored, &error)) << error.toStdString();
        EXPECT_TRUE(doc.PicturesRefused());
        EXPECT_EQ(doc.Background->Kind(), TBackImage::Tiled);
        EXPECT_TRUE(doc.Background->Picture().isNull());
        EXPECT_EQ(doc.Bytes(doc.Thumbnail), stored);
    }
}

TEST(PrintDocument, StackingPlacesAreCompactedAndRepeatsRefused)
{
    TPrintDocument doc;
    doc.ZOrderList = {doc.CombinedObjects[0].get(), doc.CombinedObjects[1].get(), doc.CombinedObjects[2].get()};
    QByteArray bytes = doc.Bytes({});
    const qsizetype z0 = firstZOffset(bytes);
    // Place the first object at 20 instead of 0: a gap before it and behind the others.
    putI32(bytes, z0, 20);
    TPrintDocument gappy;
    ASSERT_TRUE(gappy.Read(bytes, nullptr));
    ASSERT_EQ(gappy.ZOrderList.size(), 3u);
    EXPECT_EQ(gappy.ZOrderList[0], gappy.CombinedObjects[1].get());
    EXPECT_EQ(gappy.ZOrderList[2], gappy.CombinedObjects[0].get());
    for (TDrawRect *object : gappy.ZOrderList)
        EXPECT_NE(object, nullptr);

    putI32(bytes, z0, 1);  // the same place as the address
    TPrintDocument twice;
    QString error;
    EXPECT_FALSE(twice.Read(bytes, &error));
    EXPECT_EQ(error, DocumentInvalidMessage);
}

TEST(PrintDocument, PaperNumberIsCheckedAgainstThePaperFiles)
{
    TMasterFormats master;
    ASSERT_TRUE(master.Load(test::appDir() + "Common/Lyt.fmt"));
    TCustomFormats custom;
    TCustomPaperRecord envelope;
    envelope.Id = 4;
    envelope.Format.Kind = 1;
    TCustomPaperRecord label;
    label.Id = 5;
    label.Format.Kind = 2;
    custom.Records = {envelope, label};
    TPrintDocument doc;
    doc.FormatNumber = int32_t(master.Formats.size()) - 1;
    EXPECT_TRUE(doc.PaperExists(master, custom));
    doc.FormatNumber = int32_t(master.Formats.size());
    EXPECT_FALSE(doc.PaperExists(master, custom));
    doc.FormatNumber = -4;
    EXPECT_TRUE(doc.PaperExists(master, custom));
    doc.FormatNumber = -5;
    EXPECT_FALSE(doc.PaperExists(master, custom)) << "a label paper is no address paper";
    doc.FormatNumber = INT32_MIN;
    EXPECT_FALSE(doc.PaperExists(master, custom));

    // A paper of a multi-up sheet brings its sheet; a user paper leaves the sheet alone.
    TPaperFormat paper;
    TFormatCategory sheet;
    for (size_t i = 0; i < master.Formats.size(); ++i)
        if (master.Formats[i].SheetIndex > 0) {
            doc.FormatNumber = int32_t(i);
            ASSERT_TRUE(doc.FindPaper(master, custom, paper, sheet));
            EXPECT_EQ(paper, master.Formats[i]);
            EXPECT_GT(sheet.Columns * sheet.Rows, 1);
            break;
        }
    sheet.Columns = 77;
    doc.FormatNumber = -4;
    ASSERT_TRUE(doc.FindPaper(master, custom, paper, sheet));
    EXPECT_EQ(paper.Kind, 1);
    EXPECT_EQ(sheet.Columns, 77);
}

TEST(PrintDocument, SaveOverAnOldFileThroughTheSafetyCopy)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/doc.gpl";
    const QString safety = dir.path() + "/$$doc.gpl";
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        QFile stale(safety);  // left by a save that never ended
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("stale");
    }
    TPrintDocument doc = fullDocument();
    QString error;
    ASSERT_TRUE(doc.Save(path, 1000, 1480, QImage(), &error)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(safety));
    EXPECT_EQ(readAll(path).left(18), ComplementedMagic(LayoutFileMagic));

    // A safety copy that cannot be cleared away fails the save, reported, with the file as it was.
    const QByteArray before = readAll(path);
    ASSERT_TRUE(QDir(dir.path()).mkpath("$$doc.gpl/inside"));
    EXPECT_FALSE(doc.Save(path, 1000, 1480, QImage(), &error));
    EXPECT_EQ(error, DocumentSaveFailedMessage);
    EXPECT_EQ(readAll(path), before);
}

TEST(PrintDocument, AFullDiskPutsTheOldFileBack)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/doc.gpl";
    TPrintDocument doc = fullDocument();
    QString error;
    ASSERT_TRUE(doc.Save(path, 1000, 1480, QImage(), &error));
    const QByteArray before = readAll(path);
    bool saved = true;
    {
        test::FullDisk disk(1024);
        saved = doc.Save(path, 1000, 1480, QImage(), &error);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(error, DocumentSaveFailedMessage + "\r\n" + path + "\r\n\r\n" + DiskFullReason);
    EXPECT_EQ(readAll(path), before);
    EXPECT_FALSE(QFile::exists(dir.path() + "/$$doc.gpl"));
}

// A document of a name up to the longest whose safety copy the disk takes (253 bytes here, a Japanese character
// taking three of them) is saved new and saved over; a longer one is refused at its first save already, with the
// reason, and nothing is left in the folder.
TEST(PrintDocument, ALongNameIsSavedOverOrRefusedFromItsFirstSaveAsTooLong)
{
    QTemporaryDir dir;
    const QString longest = QString(83, QChar(0x9DD7)) + ".gpl";  // 83 × 3 + 4 = 253 bytes
    for (const QString &name : {QString(236, QLatin1Char('a')) + ".gpl", longest}) {
        SCOPED_TRACE(QFile::encodeName(name).size());
        const QString path = dir.path() + "/" + name;
        QString error;
        ASSERT_TRUE(smallDocument(LayoutDocument, 1).Save(path, 1000, 1480, QImage(), &error)) << error.toStdString();
        ASSERT_TRUE(smallDocument(LayoutDocument, 2).Save(path, 1000, 1480, QImage(), &error)) << error.toStdString();
        TPrintDocument read(LayoutDocument);
        ASSERT_TRUE(read.Read(readAll(path), nullptr));
        EXPECT_EQ(read.FormatNumber, 2);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
        QFile::remove(path);
    }
    const QString path = dir.path() + "/x" + longest;
    QString error;
    EXPECT_FALSE(smallDocument(LayoutDocument, 1).Save(path, 1000, 1480, QImage(), &error));
    EXPECT_EQ(error, DocumentSaveFailedMessage + "\r\n" + path + "\r\n\r\n" + NameTooLongReason);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// A save whose new file does not read back puts the old document back from its safety copy, which is on the disk
// before it takes the name, the name after.
TEST(PrintDocument, ADocumentPutBackFromItsSafetyCopyIsOnTheDiskBeforeItTakesItsName)
{
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).canonicalPath(), path = folder + "/宛名 鷗外.lay";
    test::writeFile(path, "the old document");
    const std::vector<test::TFileStep> steps = test::FileStepsOf(folder, [&] {
        SaveWithSafetyCopy(path, "the new document", [](const QByteArray &) { return false; });
    });
    EXPECT_EQ(test::readFile(path), "the old document");
    EXPECT_EQ(test::DurableRenameFault(steps, folder + "/$$宛名 鷗外.lay", path).toStdString(), "");
}

TEST(PrintDocument, AKillAtAnyStepOfASaveLeavesTheOldOrTheNewDocumentUnderItsName)
{
    for (const uint8_t kind : {LayoutDocument, LabelDocument, DesignDocument}) {
        TDocumentKind files;
        ASSERT_TRUE(DocumentKindOf(kind, files));
        bool sawOld = false, sawNew = false;
        int step = 1;
        for (;; ++step) {
            QTemporaryDir dir;
            const QString path = dir.path() + "/doc" + files.Extension;
            QString error;
            ASSERT_TRUE(smallDocument(kind, 1).Save(path, 1000, 1480, QImage(), &error));
            TPrintDocument changed = smallDocument(kind, 2);
            const bool killed = test::KillAtFileStep(dir.path(), step, [&] { changed.Save(path, 1000, 1480, QImage(), nullptr); });
            // Straight after the kill, before anything is put right, the name holds a whole document.
            TPrintDocument found(kind);
            ASSERT_TRUE(found.Open(path, &error)) << "kind " << int(kind) << ", step " << step;
            ASSERT_TRUE(found.FormatNumber == 1 || found.FormatNumber == 2);
            (found.FormatNumber == 1 ? sawOld : sawNew) = true;
            // The next listing leaves the document alone, without safety copy or temporary file beside it.
            const std::vector<TListedDocument> listed = ListDocuments(folderOf(dir.path(), kind));
            ASSERT_EQ(listed.size(), 1u);
            EXPECT_EQ(listed[0].Title, QStringLiteral("doc"));
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"doc" + files.Extension})
                << "step " << step;
            TPrintDocument again(kind);
            ASSERT_TRUE(again.Open(path, &error));
            EXPECT_EQ(again.FormatNumber, found.FormatNumber);
            if (!killed) {
                EXPECT_EQ(found.FormatNumber, 2);
                break;
            }
        }
        EXPECT_GE(step, 5) << "a save takes several file steps";
        EXPECT_TRUE(sawOld);
        EXPECT_TRUE(sawNew);
    }
}

TEST(PrintDocument, WhatKilledSavesLeftIsPutRightWhenTheFolderIsListed)
{
    QTemporaryDir dir;
    const TDocumentKind kind = folderOf(dir.path(), LayoutDocument);
    const auto path = [&](const QString &name) { return dir.path() + "/" + name; };
    QString error;
    ASSERT_TRUE(smallDocument(LayoutDocument, 1).Save(path("old.gpl"), 1000, 1480, QImage(), &error));
    const QByteArray old = readAll(path("old.gpl"));
    ASSERT_TRUE(smallDocument(LayoutDocument, 2).Save(path("new.gpl"), 1000, 1480, QImage(), &error));
    const QByteArray fresh = readAll(path("new.gpl"));
    QFile::remove(path("old.gpl"));
    QFile::remove(path("new.gpl"));

    // The copy of a save killed after the old file was moved aside: no document under the name ...
    test::writeFile(path("$$gone.gpl"), old);
    // ... or one cut short while it was written.
    test::writeFile(path("$$cut.gpl"), old);
    test::writeFile(path("cut.gpl"), fresh.left(fresh.size() / 2));
    // A copy beside a whole document belongs to a save that finished writing.
    test::writeFile(path("$$done.gpl"), old);
    test::writeFile(path("done.gpl"), fresh);
    // A copy that is no document itself puts nothing back.
    test::writeFile(path("$$junk.gpl"), "not a document");
    // The new file of a save killed just before it took the name: whole, but the old document stays.
    test::writeFile(path(".done.gpl.velmora-k3Xq9Z"), old);

    QStringList titles;
    for (const TListedDocument &document : ListDocuments(kind))
        titles << document.Title;
    EXPECT_EQ(titles, (QStringList{"cut", "done", "gone"}));
    EXPECT_EQ(readAll(path("gone.gpl")), old);
    EXPECT_EQ(readAll(path("cut.gpl")), old);
    EXPECT_EQ(readAll(path("done.gpl")), fresh);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"$$junk.gpl", "cut.gpl", "done.gpl", "gone.gpl"}));
}

TEST(PrintDocument, ASaveThatDoesNotReadBackKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/doc.gpl";
    QString error;
    ASSERT_TRUE(smallDocument(LayoutDocument, 1).Save(path, 1000, 1480, QImage(), &error));
    const QByteArray before = readAll(path);
    // A text placed farther than a stored rectangle may lie: the file would be written, but refused when read.
    TPrintDocument far = smallDocument(LayoutDocument, 2);
    far.WordList[0]->SetRect(TRect(40, 50, PaperReach + 500, 120));
    EXPECT_FALSE(far.Save(path, 1000, 1480, QImage(), &error));
    EXPECT_EQ(error, DocumentSaveFailedMessage);
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"doc.gpl"});
    // Nor does a new name keep a file that cannot be opened.
    EXPECT_FALSE(far.Save(dir.path() + "/other.gpl", 1000, 1480, QImage(), &error));
    EXPECT_FALSE(QFile::exists(dir.path() + "/other.gpl"));
}

TEST(PrintDocument, AQRCodeTheReaderTookIsSavedSoThatItOpensAgain)
{
    // A damaged document: a code of the largest cell size whose stored square lies at the edge of the reach.
    TPrintDocument doc = smallDocument(LayoutDocument, 1);
    auto qr = std::make_unique<TQRCodeRect>();
    qr->SetText("https://example.jp/");
    doc.ZOrderList.push_back(qr.get());
    doc.QRCodeList.push_back(std::move(qr));
    QByteArray bytes = doc.Bytes(QByteArray());
    const QByteArray record = [&] {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        TObjectStream stream(buffer);
        doc.QRCodeList[0]->SaveToStream(stream);
        return buffer.data();
    }();
    const qsizetype at = bytes.lastIndexOf(record);
    ASSERT_GT(at, 0);
    for (int i = 0; i < 4; ++i)
        putI32(bytes, at + 4 * i, std::array{4000, 4000, PaperReach, PaperReach}[size_t(i)]);
    putI32(bytes, at + 17, 48);
    TPrintDocument damaged;
    QString error;
    ASSERT_TRUE(damaged.Read(bytes, &error));

    QTemporaryDir dir;
    const QString path = dir.path() + "/doc.gpl";
    ASSERT_TRUE(smallDocument(LayoutDocument, 1).Save(path, 1000, 1480, QImage(), &error));
    ASSERT_TRUE(damaged.Save(path, 1000, 1480, QImage(), &error)) << error.toStdString();
    TPrintDocument reopened;
    ASSERT_TRUE(reopened.Open(path, &error));
    ASSERT_EQ(reopened.QRCodeList.size(), 1u);
    EXPECT_EQ(reopened.QRCodeList[0]->CellSize(), 48);
}

TEST(PrintDocument, LastTextAndFigureBecomeTheDefaults)
{
    TPrintDocument doc = fullDocument();
    TFont latin = doc.WordList.back()->Font();
    SetFontSpec(&latin.Log, ANSI_CHARSET, QStringLiteral("DejaVu Sans"), 1, 20);
    doc.WordList.back()->SetFont(latin);
    doc.WordList.back()->SetLineSpacing(3);
    TWordRect word;
    TFigureRect figure;
    doc.TakeObjectDefaults(word, figure);
    EXPECT_EQ(word.Font().Log.Charset, SHIFTJIS_CHARSET);
    EXPECT_EQ(word.Font().Log.Font.family(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(GetFontStyleBits(word.Font().Log), 1);
    EXPECT_EQ(word.LineSpacing(), 3);
    EXPECT_EQ(figure.FigureKind(), 2);

    TWordRect untouched;
    const QString family = untouched.Font().Log.Font.family();
    TPrintDocument().TakeObjectDefaults(untouched, figure);
    EXPECT_EQ(untouched.Font().Log.Font.family(), family);
}
