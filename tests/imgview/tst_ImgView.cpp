// The image picker and the designers' end of it: the socket's messages, the folder's pictures and their
// thumbnails loaded in the background (a photograph stored on its side shown upright), the window handing a
// picture over, and the real program started, brought forward and closed by a designer.
#include "imgview/ImgView.h"
#include "imgview/PickerServer.h"
#include "imgview/Thumbnails.h"

#include "Accessibility.h"
#include "ExifJpegs.h"
#include "HostileJpegs.h"
#include "ForeignPeer.h"
#include "TestSupport.h"
#include "core/Globals.h"
#include "designers/ImgPicker.h"
#include "platform/MemIniFile.h"
#include "platform/PickerChannel.h"
#include "platform/PrivateSocket.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QLocalSocket>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace {

void writePicture(const QString &file, QSize size, const char *format, QColor colour = Qt::darkCyan)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QDir().mkpath(QFileInfo(file).path());
    ASSERT_TRUE(image.save(file, format)) << file.toStdString();
}

// Whether process pid has file mapped, or has read at least bytes of it.
bool readingPast(pid_t pid, const QString &file, qint64 bytes)
{
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    QFile maps(proc + "maps");
    if (maps.open(QIODevice::ReadOnly) && QString::fromUtf8(maps.readAll()).contains(file))
        return true;
    const QStringList fds = QDir(proc + "fd").entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &fd : fds) {
        if (QFileInfo(proc + "fd/" + fd).symLinkTarget() != file)
            continue;
        QFile info(proc + "fdinfo/" + fd);
        if (!info.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = info.readAll();
        const qsizetype at = text.indexOf("pos:");
        if (at >= 0 && text.mid(at + 4, text.indexOf('\n', at) - at - 4).trimmed().toLongLong() >= bytes)
            return true;
    }
    return false;
}

// The thumbnails of dir's p0.jpg, p1.jpg ... (count of them) decoded at once, each on a thread of its own as
// the picker's workers and its preview decode them: their sizes.
std::vector<QSize> thumbnailsAtOnce(const QTemporaryDir &dir, int count)
{
    std::vector<QSize> sizes(static_cast<size_t>(count));
    std::vector<std::thread> workers;
    for (int i = 0; i < count; ++i)
        workers.emplace_back([&, i] {
            sizes[size_t(i)] = LoadThumbnail(dir.filePath(QStringLiteral("p%1.jpg").arg(i)), {112, 84}).size();
        });
    for (std::thread &worker : workers)
        worker.join();
    return sizes;
}

bool pickerRunning()
{
    QLocalSocket socket;
    return ConnectPrivate(socket, PickerServerName(), 300);
}

}  // namespace

TEST(PickerChannel, MessagesArriveWholeHoweverTheBytesAreSplit)
{
    const QByteArray stream = EncodePickerMessage(PickerActivate) +
                              EncodePickerMessage(PickerChosenFile, "/tmp/写真.jpg\0tail") +
                              EncodePickerMessage(PickerClose);
    TPickerMessageReader reader;
    QList<TPickerMessage> got;
    for (char byte : stream) {
        reader.Append(QByteArray(1, byte));
        while (std::optional<TPickerMessage> message = reader.Next())
            got.append(*message);
    }
    ASSERT_EQ(got.size(), 3);
    EXPECT_EQ(got[0].Kind, PickerActivate);
    EXPECT_EQ(got[1].Kind, PickerChosenFile);
    EXPECT_EQ(ChosenFileName(got[1].Data), QByteArray("/tmp/写真.jpg"));
    EXPECT_EQ(got[2].Kind, PickerClose);
    EXPECT_EQ(ChosenFileName("no zero"), QByteArray("no zero"));
}

TEST(PickerChannel, AForeignPeerBreaksTheReader)
{
    TPickerMessageReader reader;
    reader.Append(QByteArray("GET / HTTP/1.1\r\n\r\n"));
    EXPECT_FALSE(reader.Next());
    EXPECT_TRUE(reader.Broken());
    reader.Append(EncodePickerMessage(PickerActivate));
    EXPECT_FALSE(reader.Next());
}

TEST(Thumbnails, PicturesOfAFolderInNameOrder)
{
    QTemporaryDir dir;
    for (const char *name : {"b.PNG", "a.JPG", "c.bmp", "写真10.jpeg", "写真2.jpg", "d.gif", "e.txt"})
        test::writeFile(dir.filePath(QString::fromUtf8(name)), "x");
    QDir(dir.path()).mkdir("folder.jpg");
    EXPECT_EQ(PictureFiles(dir.path()), (QStringList{"a.JPG", "b.PNG", "c.bmp", "写真10.jpeg", "写真2.jpg"}));
    EXPECT_TRUE(PictureFiles(dir.filePath("none")).isEmpty());
}

TEST(Thumbnails, DecodedSmallWithTheirProportions)
{
    QTemporaryDir dir;
    writePicture(dir.filePath("wide.jpg"), {800, 400}, "JPG");
    writePicture(dir.filePath("tall.bmp"), {100, 400}, "BMP");
    writePicture(dir.filePath("small.png"), {50, 30}, "PNG");
    test::writeFile(dir.filePath("broken.jpg"), QByteArray("\xFF\xD8\xFF\xE0 not a picture"));
    const QSize box(112, 84);
    EXPECT_EQ(LoadThumbnail(dir.filePath("wide.jpg"), box).size(), QSize(112, 56));
    EXPECT_EQ(LoadThumbnail(dir.filePath("tall.bmp"), box).size(), QSize(21, 84));
    EXPECT_EQ(LoadThumbnail(dir.filePath("small.png"), box).size(), QSize(50, 30));
    EXPECT_TRUE(LoadThumbnail(dir.filePath("broken.jpg"), box).isNull());
}

TEST(Thumbnails, AJpegGoesThroughTheProgramsBoundedDecoder)
{
    // Named as a bitmap or as a JPEG, a JPEG is decoded by the program's decoder: an eighth of 18,000 pixels
    // (within a quarter of a gigabyte more than the process has), and no thumbnail for one that repeats an
    // empty scan 100,000 times or would buffer 648 MB of coefficients.
    QTemporaryDir dir;
    test::writeFile(dir.filePath("huge.bmp"), BaselineJpeg(18000, 9000));
    test::writeFile(dir.filePath("scans.jpg"), ProgressiveJpeg(1024, 1024, 100000));
    test::writeFile(dir.filePath("progressive.jpg"), ProgressiveJpeg(18000, 18000, 1));
    const QSize box(112, 84);
    EXPECT_EQ(test::RunWithAddressSpaceLimit(qint64(256) << 20, [&] {
                  return LoadThumbnail(dir.filePath("huge.bmp"), box).size() == QSize(112, 56) ? 0 : 1;
              }),
              0);
    EXPECT_TRUE(LoadThumbnail(dir.filePath("scans.jpg"), box).isNull());
    EXPECT_TRUE(LoadThumbnail(dir.filePath("progressive.jpg"), box).isNull());
}

TEST(Thumbnails, AFileCutShortWhileItIsDecodedIsLeftOut)
{
    // An editor saving over the picture the picker is reading: the file is cut to a third once the decoding has
    // begun on its data (it has mapped the file or read 128 KiB of its 3.5 MB), in a process of its own whose
    // end is seen.
    QTemporaryDir dir;
    // As the system names the open file.
    const QString file = QDir(QFileInfo(dir.path()).canonicalFilePath()).filePath("写真.jpg");
    const QByteArray bytes = BaselineJpeg(30000, 30000);
    test::writeFile(file, bytes);
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const QImage thumbnail = LoadThumbnail(file, {112, 84});
        _exit(thumbnail.isNull() || thumbnail.size() == QSize(84, 84) ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    bool cut = false;
    int status = 0;
    QElapsedTimer waited;
    waited.start();
    while (!cut && waitpid(child, &status, WNOHANG) == 0 && waited.elapsed() < 30000) {
        if (readingPast(child, file, 128 * 1024))
            cut = QFile::resize(file, bytes.size() / 3);
        else
            usleep(100);
    }
    if (cut)
        waitpid(child, &status, 0);
    ASSERT_TRUE(cut) << "decoded before it could be cut";
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
}

TEST(Thumbnails, AFolderOfLargeFilesCostsTheirDecodingNotTheirBytes)
{
    // Four photographs of 48 megapixels saved baseline at the highest quality, tens of megabytes each, their
    // thumbnails decoded at once as the picker's workers decode them: what the picker holds grows by their
    // decodings' rows, not by the files.
    QTemporaryDir dir;
    const QByteArray photo = PhotoJpeg(8000, 6000, {.Progressive = false, .Quality = 100});
    for (int i = 0; i < 4; ++i)
        test::writeFile(dir.filePath(QStringLiteral("p%1.jpg").arg(i)), photo);
    const int grownMb = test::RunWithAddressSpaceLimit(qint64(1) << 40, [&] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const long before = usage.ru_maxrss;
        if (thumbnailsAtOnce(dir, 4) != std::vector<QSize>(4, QSize(112, 84)))
            return 255;
        getrusage(RUSAGE_SELF, &usage);
        return int(std::min<long>((usage.ru_maxrss - before) / 1024, 254));
    });
    EXPECT_LT(grownMb, 32) << "the files are " << photo.size() / (1 << 20) << " MB each";
}

TEST(Thumbnails, EachPixelIsTheMeanOfThePictureItCovers)
{
    // Four quarters, three of a colour and one of stripes a block wide, black and white: across (rows) in its
    // upper half and down (columns) in its lower half, so a row or column left out of the mean shows.
    QTemporaryDir dir;
    QImage image(2400, 1800, QImage::Format_RGB32);
    const QList<QColor> quarters{QColor(220, 30, 30), QColor(30, 200, 40), QColor(40, 60, 210), Qt::white};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int quarter = (y >= 900) * 2 + (x >= 1200);
            const bool stripes = quarter == 3 && (y < 1350 ? y / 8 : x / 8) % 2;
            image.setPixelColor(x, y, stripes ? Qt::black : quarters[quarter]);
        }
    ASSERT_TRUE(image.save(dir.filePath("quarters.jpg"), "JPG", 95));
    // At an eighth the picture is 300 x 225: two or three of its rows and columns go into each of the larger
    // thumbnail's, ten or eleven into the smaller one's, of which eight rows are read.
    for (const QSize box : {QSize(112, 84), QSize(28, 21)}) {
        SCOPED_TRACE(box.width());
        const QImage thumbnail = LoadThumbnail(dir.filePath("quarters.jpg"), box);
        ASSERT_EQ(thumbnail.size(), box);
        const auto at = [&](double x, double y) {
            return thumbnail.pixelColor(int(x * (box.width() - 1)), int(y * (box.height() - 1)));
        };
        const auto near = [](QColor got, QColor expected) {
            return std::abs(got.red() - expected.red()) <= 12 && std::abs(got.green() - expected.green()) <= 12
                   && std::abs(got.blue() - expected.blue()) <= 12;
        };
        EXPECT_TRUE(near(at(0, 0), quarters[0]) && near(at(0.4, 0.4), quarters[0]));
        EXPECT_TRUE(near(at(0.6, 0), quarters[1]) && near(at(1, 0.4), quarters[1]));
        EXPECT_TRUE(near(at(0, 0.6), quarters[2]) && near(at(0.4, 1), quarters[2]));
        // Neither black nor white: a mean of stripes of both (of eight rows spread over ten or eleven, at least
        // a quarter of either).
        for (const QColor stripes : {at(0.6, 0.6), at(1, 0.7), at(0.6, 0.85), at(1, 1)})
            EXPECT_TRUE(stripes.green() > 50 && stripes.green() < 205) << stripes.green();
    }
}

TEST(Thumbnails, AHugePictureCostsItsThumbnailNotItsPixels)
{
    // 36,000 x 27,000 pixels, nearly the most a picture may have: an eighth of it is 4,500 x 3,375, 46 MB at
    // three bytes a pixel, that a thumbnail need not hold; its rows are averaged into the thumbnail as they come.
    QTemporaryDir dir;
    test::writeFile(dir.filePath("huge.jpg"), BaselineJpeg(36000, 27000));
    EXPECT_EQ(test::RunWithAddressSpaceLimit(qint64(32) << 20, [&] {
                  return LoadThumbnail(dir.filePath("huge.jpg"), {112, 84}).size() == QSize(112, 84) ? 0 : 1;
              }),
              0);
}

TEST(Thumbnails, PicturesDecodedAtOnceShareOneBound)
{
    // Three progressive pictures, each buffering 220 MB of coefficients, two of them more than one decoding
    // may hold: with room for one of them at a time (beside the threads' stacks), the thumbnails the picker's
    // workers and its preview decode together all come, one after the other.
#if defined(VELMORA_SANITIZE)
    GTEST_SKIP() << "the address sanitizer keeps freed memory in quarantine: each decoding's coefficients stay "
                    "in the address space this test bounds after the next one has taken them";
#endif
    QTemporaryDir dir;
    for (int i = 0; i < 3; ++i)
        test::writeFile(dir.filePath(QStringLiteral("p%1.jpg").arg(i)), ProgressiveJpeg(10500, 10500, 2));
    EXPECT_EQ(test::RunWithAddressSpaceLimit(qint64(300) << 20, [&] {
                  return thumbnailsAtOnce(dir, 3) == std::vector<QSize>(3, QSize(84, 84)) ? 0 : 1;
              }),
              0);
}

TEST(Thumbnails, LoadedInTheBackgroundAndAbandonedWithTheFolder)
{
    QTemporaryDir first, second;
    for (int i = 0; i < 60; ++i)
        writePicture(first.filePath(QStringLiteral("p%1.jpg").arg(i)), {640, 480}, "JPG", Qt::red);
    writePicture(second.filePath("only.png"), {64, 48}, "PNG", Qt::green);
    test::writeFile(second.filePath("broken.jpg"), "no picture");

    TThumbnailModel model;
    QSignalSpy done(&model, &TThumbnailModel::AllLoaded);
    model.SetFolder(first.path());
    // Listed at once; the thumbnails come later, through the event loop.
    EXPECT_EQ(model.rowCount(), 60);
    EXPECT_EQ(model.LoadedCount(), 0);
    // Switched before the first folder is done: none of its pictures lands in the second.
    model.SetFolder(second.path());
    ASSERT_TRUE(done.wait(10000));
    QTest::qWait(200);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.LoadedCount(), 2);
    EXPECT_EQ(model.FilePath(1), second.filePath("only.png"));
    const QImage thumb = model.data(model.index(1), Qt::DecorationRole).value<QImage>();
    EXPECT_EQ(thumb.size(), QSize(64, 48));
    EXPECT_EQ(QColor(thumb.pixel(10, 10)), QColor(Qt::green));
    EXPECT_TRUE(model.data(model.index(0), TThumbnailModel::LoadedRole).toBool());

    done.clear();
    model.SetFolder(first.path());
    ASSERT_TRUE(done.wait(20000));
    EXPECT_EQ(model.LoadedCount(), 60);
    for (int row = 0; row < 60; ++row)
        EXPECT_EQ(model.data(model.index(row), Qt::DecorationRole).value<QImage>().size(), QSize(112, 84));
}

TEST(ImagePicker, WindowHandsTheChosenPictureToTheDesignerThatAsked)
{
    QTemporaryDir dir;
    writePicture(dir.filePath("a.jpg"), {300, 200}, "JPG");
    writePicture(dir.filePath("b.png"), {200, 300}, "PNG");
    TPickerServer server;
    ASSERT_TRUE(server.Listen());
    TImageViewForm form(&server);
    form.SetFolder(dir.path());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.windowTitle(), "画像参照ツール");
    auto *select = form.findChild<QPushButton *>("btnSelect");
    ASSERT_TRUE(select);
    EXPECT_FALSE(select->isVisible());

    TImagePicker designer(nullptr);
    QSignalSpy chosen(&designer, &TImagePicker::FileChosen);
    QSignalSpy activated(&server, &TPickerServer::ActivateRequested);
    designer.Show();
    ASSERT_TRUE(activated.wait(3000));
    EXPECT_TRUE(form.SelectMode());
    EXPECT_TRUE(select->isVisible());
    EXPECT_EQ(form.ChosenFile(), dir.filePath("a.jpg"));

    auto *list = form.findChild<QListView *>("lvPictures");
    list->setCurrentIndex(form.Thumbnails()->index(1));
    select->click();
    ASSERT_TRUE(chosen.wait(3000));
    EXPECT_EQ(chosen[0][0].toByteArray(), QFile::encodeName(dir.filePath("b.png")));
    // Enter on the thumbnails hands over the same way.
    list->setFocus();
    list->setCurrentIndex(form.Thumbnails()->index(0));
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_TRUE(chosen.wait(3000));
    EXPECT_EQ(chosen[1][0].toByteArray(), QFile::encodeName(dir.filePath("a.jpg")));

    QSignalSpy closing(&server, &TPickerServer::CloseRequested);
    designer.ClosePicker();
    EXPECT_TRUE(closing.wait(3000));
}

TEST(ImagePicker, ThePreviewDecodesAwayFromTheWindow)
{
    // The window only starts the preview and says it is loading; the picture comes through the event loop,
    // and a preview overtaken by another choice never replaces it.
    QTemporaryDir dir;
    writePicture(dir.filePath("a.jpg"), {3000, 2000}, "JPG");
    writePicture(dir.filePath("b.png"), {200, 300}, "PNG");
    test::writeFile(dir.filePath("c.jpg"), QByteArray("\xFF\xD8\xFF\xE0 not a picture"));
    // Progressive, 1.8 GB of coefficients: too large, and said so with its size, not as unreadable.
    test::writeFile(dir.filePath("d.jpg"), ProgressiveJpeg(30000, 30000, 1));
    TImageViewForm form(nullptr);
    form.SetFolder(dir.path());
    auto *list = form.findChild<QListView *>("lvPictures");
    auto *preview = form.findChild<QLabel *>("lblPreview");
    auto *info = form.findChild<QLabel *>("lblInfo");
    const auto shows = [&](const QString &text) { return QTest::qWaitFor([&] { return info->text() == text; }, 5000); };
    ASSERT_TRUE(shows("a.jpg\n3000 × 2000 ピクセル"));
    EXPECT_EQ(preview->pixmap().size(), QSize(240, 160));

    list->setCurrentIndex(form.Thumbnails()->index(2));
    EXPECT_EQ(info->text(), "c.jpg\n読み込み中");
    EXPECT_TRUE(preview->pixmap().isNull());
    EXPECT_TRUE(shows("c.jpg\n画像を読み込めません"));
    list->setCurrentIndex(form.Thumbnails()->index(3));
    EXPECT_TRUE(shows("d.jpg\n30000 × 30000 ピクセル\n大きすぎるため扱えません"));
    EXPECT_TRUE(preview->pixmap().isNull());

    list->setCurrentIndex(form.Thumbnails()->index(0));
    list->setCurrentIndex(form.Thumbnails()->index(1));
    EXPECT_EQ(info->text(), "b.png\n読み込み中");
    EXPECT_TRUE(shows("b.png\n200 × 300 ピクセル"));
    QTest::qWait(300);
    EXPECT_EQ(info->text(), "b.png\n200 × 300 ピクセル");
    EXPECT_EQ(preview->pixmap().size(), QSize(160, 240));
}

TEST(ImagePicker, APhonesPortraitPhotographShowsUprightInItsThumbnailAndPreview)
{
    // 4032 x 3024 as the phone stores it, orientation 6, its upright top corners marked; and the same picture
    // mirrored across its diagonal (5), the EXIF block after a JFIF segment in Intel order.
    QTemporaryDir dir;
    const QSize upright(3024, 4032);
    const QImage picture = test::CornerMarkedPicture(upright);
    test::writeFile(dir.filePath("IMG_0001.jpg"),
                    test::WithExifOrientation(test::EncodedJpeg(test::StoredForOrientation(picture, 6)), 6));
    test::writeFile(dir.filePath("IMG_0002.jpg"),
                    test::WithExifOrientation(test::EncodedJpeg(test::StoredForOrientation(picture, 5)), 5, true, true));
    const auto expectUpright = [](const QImage &image, QSize size) {
        ASSERT_EQ(image.size(), size);
        const int in = size.width() / 12;
        EXPECT_TRUE(test::NearColour(image.pixelColor(in, in), test::TopLeftMark, 40));
        EXPECT_TRUE(test::NearColour(image.pixelColor(size.width() - 1 - in, in), test::TopRightMark, 40));
        EXPECT_TRUE(test::NearColour(image.pixelColor(in, size.height() - 1 - in), QColor(200, 200, 200), 40));
    };
    for (const char *name : {"IMG_0001.jpg", "IMG_0002.jpg"}) {
        SCOPED_TRACE(name);
        expectUpright(LoadThumbnail(dir.filePath(name), TThumbnailModel::ThumbnailSize()), QSize(63, 84));
    }

    TImageViewForm form(nullptr);
    form.SetFolder(dir.path());
    auto *preview = form.findChild<QLabel *>("lblPreview");
    auto *info = form.findChild<QLabel *>("lblInfo");
    ASSERT_TRUE(QTest::qWaitFor([&] { return info->text() == "IMG_0001.jpg\n3024 × 4032 ピクセル"; }, 10000))
        << info->text().toStdString();
    expectUpright(preview->pixmap().toImage().convertToFormat(QImage::Format_RGB32), QSize(180, 240));
}

TEST(ImagePicker, AMissingProgramIsReported)
{
    QTemporaryDir empty;
    const QString saved = AppFolder;
    AppFolder = empty.path() + "/";
    test::MessageBoxScript boxes;
    TImagePicker designer(nullptr);
    designer.Show();
    AppFolder = saved;
    EXPECT_EQ(boxes.texts(), QStringList{"画像参照ツールがみつかりません  "});
    EXPECT_FALSE(designer.Connected());
}

TEST(ImagePicker, TheRealProgramIsStartedBroughtForwardAndClosed)
{
    const QString saved = AppFolder;
    AppFolder = test::appDir();
    ASSERT_FALSE(pickerRunning());
    test::MessageBoxScript boxes;
    TImagePicker designer(nullptr);
    QElapsedTimer started;
    started.start();
    designer.Show();
    EXPECT_TRUE(boxes.texts().isEmpty());
    ASSERT_TRUE(designer.Connected());
    EXPECT_LT(started.elapsed(), TImagePicker::StartWaitMs);
    // A second command only brings the running picker forward: still one picker.
    TImagePicker another(nullptr);
    another.Show();
    EXPECT_TRUE(another.Connected());
    designer.ClosePicker();
    QElapsedTimer closing;
    closing.start();
    while (pickerRunning() && closing.elapsed() < 15000)
        QTest::qWait(100);
    EXPECT_FALSE(pickerRunning());
    AppFolder = saved;
}

// Another user made the socket folder first: the picker started by hand still opens and says it cannot hand a
// picture over, and a designer says why instead of starting a picker it could never reach.
TEST(ImagePicker, ASocketFolderOfAnotherUserIsToldNotEndedInSilence)
{
    const test::SquattedSocketFolder squatted;
    if (!squatted.Made())
        GTEST_SKIP() << "only a test run as root can give a folder to another user";
    QProcess picker;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    picker.setProcessEnvironment(env);
    picker.start(test::appDir() + "ImgView", {"Select"});
    ASSERT_TRUE(picker.waitForStarted());
    QString said;
    test::readStderrUntil(picker, "選んだ画像をVelmoraに渡すことはできません", said);
    EXPECT_TRUE(said.contains(squatted.path())) << said.toStdString();
    EXPECT_EQ(picker.state(), QProcess::Running);
    picker.kill();
    picker.waitForFinished();

    const QString saved = AppFolder;
    AppFolder = test::appDir();
    const test::MessageBoxScript boxes;
    TImagePicker designer(nullptr);
    designer.Show();
    AppFolder = saved;
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_THAT(boxes.texts()[0].toStdString(), ::testing::HasSubstr(squatted.path().toStdString()));
    EXPECT_TRUE(boxes.texts()[0].endsWith("画像参照ツールを使用できません  "));
}

TEST(ImagePicker, ClosedIsFinalWhenAnotherDesignerAsksForwardAtOnce)
{
    TPickerServer server;
    ASSERT_TRUE(server.Listen());
    TImageViewForm form(&server);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    TImagePicker closing(nullptr), asking(nullptr);
    QSignalSpy closed(&server, &TPickerServer::CloseRequested);
    QSignalSpy activated(&server, &TPickerServer::ActivateRequested);
    closing.ClosePicker();
    asking.Show();
    ASSERT_TRUE(closed.wait(3000) || closed.count() == 1);
    if (activated.isEmpty()) {
        ASSERT_TRUE(activated.wait(3000));
    }
    QTest::qWait(50);
    EXPECT_FALSE(form.isVisible());
}

// Another user's process can neither learn the picture a designer chose, nor close the picker, nor hand a
// designer a picture of its own by taking the picker's name first.
TEST(ImagePicker, OnlyTheUsersOwnProcessesTalkToIt)
{
    const test::RuntimeFolder runtime;
    auto server = std::make_unique<TPickerServer>();
    ASSERT_TRUE(server->Listen());
    const QString path = PrivateSocketFolder() + PickerServerName();
    struct stat file {}, folder {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &file), 0);
    EXPECT_TRUE(S_ISSOCK(file.st_mode));
    ASSERT_EQ(::stat(QFile::encodeName(PrivateSocketFolder()).constData(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    QLocalSocket abstract;
    abstract.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    abstract.connectToServer(PickerServerName());
    EXPECT_FALSE(abstract.waitForConnected(300));
    if (!test::ForeignPeer::Possible())
        GTEST_SKIP() << "only a test run as root can become another user";

    QSignalSpy activated(server.get(), &TPickerServer::ActivateRequested);
    QSignalSpy closing(server.get(), &TPickerServer::CloseRequested);
    auto intruder = test::ForeignPeer::Connect(path, EncodePickerMessage(PickerActivate));
    // Had it been taken for a designer, the chosen picture would go to it.
    activated.wait(1000);
    EXPECT_FALSE(server->SendChosenFile(QByteArray("/home/someone/写真.jpg")));
    EXPECT_TRUE(intruder->HungUpOn());
    EXPECT_EQ(intruder->Received(), QByteArray());
    EXPECT_TRUE(activated.isEmpty());
    auto closer = test::ForeignPeer::Connect(path, EncodePickerMessage(PickerClose));
    EXPECT_TRUE(closer->HungUpOn());
    EXPECT_TRUE(closing.isEmpty());
    EXPECT_FALSE(server->HasDesigner());

    server = std::make_unique<TPickerServer>();
    auto squatter = test::ForeignPeer::Listen(path, EncodePickerMessage(PickerChosenFile, "/tmp/planted.jpg"));
    QTemporaryDir noProgram;
    const QString saved = AppFolder;
    AppFolder = noProgram.path() + "/";
    test::MessageBoxScript boxes;
    TImagePicker designer(nullptr);
    QSignalSpy chosen(&designer, &TImagePicker::FileChosen);
    designer.Show();
    AppFolder = saved;
    EXPECT_FALSE(designer.Connected());
    EXPECT_TRUE(squatter->HungUpOn());
    EXPECT_TRUE(chosen.isEmpty());
    // The real picker still takes its name.
    EXPECT_TRUE(server->Listen());
    designer.Show();
    EXPECT_TRUE(designer.Connected());
}

TEST(ImagePicker, EveryControlHasAnAccessibleNameInBothModes)
{
    QTemporaryDir dir;
    writePicture(dir.filePath("a.jpg"), {300, 200}, "JPG");
    TPickerServer server;
    TImageViewForm form(&server);
    form.SetFolder(dir.path());
    form.show();
    for (bool select : {false, true}) {
        SCOPED_TRACE(select);
        form.SetSelectMode(select);
        EXPECT_THAT(test::unnamedControls(&form), ::testing::IsEmpty());
    }
}
