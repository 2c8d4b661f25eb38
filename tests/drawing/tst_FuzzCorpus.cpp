// The seeds of the drawing layer's fuzz targets: objects, pictures, printer records and INI files.
#include "../../fuzz/FuzzReaders.h"
#include "ExifJpegs.h"
#include "FuzzSeeds.h"
#include "HostileJpegs.h"
#include "ObjectTestSupport.h"
#include "SampleObjects.h"

#include <gtest/gtest.h>

namespace {

class FuzzCorpus : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InstallFontSubstitutions(); }
    // The prefix that picks a kind or reader and the current stream version.
    static QByteArray prefix(int choice)
    {
        return QByteArray(1, char(choice)) + char(fuzz::StreamVersions.size() - 1);
    }
};

}  // namespace

TEST_F(FuzzCorpus, SeedsAreWhatTheProgramSavesAndEveryReaderAcceptsThem)
{
    static_assert(fuzz::StreamVersions.back() == CurrentStreamVersion);
    const std::vector<TSampleObject> kinds = SampleObjects();
    for (int i = 0; i < int(kinds.size()); ++i)
        test::FuzzSeed(fuzz::ObjectStream, "objectstream", QString::number(i), prefix(i) + SavedObject(*kinds[size_t(i)].Make()));

    QImage picture(12, 8, QImage::Format_RGB32);
    picture.fill(QColor(200, 40, 90));
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB888, QImage::Format_Indexed8,
                                  QImage::Format_Mono}) {
        QBuffer file;
        file.open(QIODevice::WriteOnly);
        WriteBitmapImage(file, picture.convertToFormat(format));
        test::FuzzSeed(fuzz::Pictures, "pictures", QStringLiteral("bitmap%1").arg(int(format)), prefix(0) + file.data());
    }
    const QByteArray jpeg = JpegFileOf(picture);
    test::FuzzSeed(fuzz::Pictures, "pictures", QStringLiteral("jpeg"), prefix(1) + jpeg);
    // A camera's picture with its EXIF orientation (mirrored across the other diagonal), after a JFIF segment.
    test::FuzzSeed(fuzz::Pictures, "pictures", QStringLiteral("exif"), prefix(1) + test::WithExifOrientation(jpeg, 7, true, true));
    // A progressive picture of several scans, decoded at a quarter to cover 32 pixels.
    test::FuzzSeed(fuzz::Pictures, "pictures", QStringLiteral("progressive"),
                   QByteArray("\x01\x02", 2) + ProgressiveJpeg(128, 96, 9));
    TJpegImage graphic;
    graphic.LoadFromData(jpeg);
    for (uint8_t kind : {TBackImage::Tiled, TBackImage::Colour, TBackImage::Gradient}) {
        TBackImage background;
        background.SetPictureFile(graphic);
        background.SetKind(kind);
        background.SetColor2(0x00FF00);
        test::FuzzSeed(fuzz::Pictures, "pictures", QStringLiteral("background%1").arg(kind),
             prefix(2) + SavedObject(background));
    }

    TPrinterSetting setting;
    setting.PrinterName = QStringLiteral("Office");
    setting.Model = QStringLiteral("Office Laser 600");
    setting.PaperNumber = 43;
    setting.PaperWidth = 1000;
    setting.PaperLength = 1480;
    setting.Orientation = 1;
    setting.Copies = 1;
    setting.Dpi = 600;
    setting.Margins = QMargins(50, 60, 70, 80);
    test::FuzzSeed(fuzz::PrinterRecord, "printerrecord", QStringLiteral("postcard"), EncodePrinterSetting(setting));

    TMemIniFile ini(QString{});
    ini.WriteString(QStringLiteral("Main"), QStringLiteral("Name"), QStringLiteral("山田"));
    ini.WriteInteger(QStringLiteral("Main"), QStringLiteral("Left"), -120);
    ini.WriteBool(QStringLiteral("Print"), QStringLiteral("Reverse"), true);
    ini.WriteString(QStringLiteral("Print"), QStringLiteral("Mask"), QStringLiteral("$FFFFFFFF"));
    test::FuzzSeed(fuzz::IniFile, "inifile", QStringLiteral("settings"), ini.GetText());
}
