// The QR map link window (its code read back by a barcode reader, its size rules and setting) and the web
// search window (the address it hands to the browser, its messages and setting), offscreen.
#include "geo/QRMap.h"
#include "geo/WebSch.h"

#include "Accessibility.h"
#include "TestSupport.h"
#include "core/Globals.h"
#include "platform/MemIniFile.h"
#include "widgets/ShiftJisValidator.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

class WebLinkWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        previousData_ = DataFolder;
        DataFolder = dir_.path() + QLatin1Char('/');
        previousOpener_ = SetUrlOpener([this](const QUrl &url) { opened_ << url; return true; });
    }
    void TearDown() override
    {
        SetUrlOpener(previousOpener_);
        DataFolder = previousData_;
    }
    QString settings() const { return DataFolder + SettingsFileName; }

    QTemporaryDir dir_;
    QString previousData_;
    TUrlOpener previousOpener_;
    QList<QUrl> opened_;
    test::MessageBoxScript boxes_;
};

// What zbarimg reads in the image, enlarged so that every module is several pixels wide.
QByteArray decoded(const QImage &image, const QString &folder)
{
    const QString file = folder + QStringLiteral("/qr.png");
    image.scaled(image.size() * 4).save(file);
    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), file});
    EXPECT_TRUE(zbar.waitForFinished(60000)) << "zbarimg (zbar-tools) is needed";
    return zbar.readAllStandardOutput().trimmed();
}

}  // namespace

TEST_F(WebLinkWindows, QRCodeCarriesTheLinkOfTheAddressAndFollowsTheSize)
{
    test::writeFile(settings(), "[QRMAP]\r\nSize=9\r\nLink=http://m.example/link.cgi?W=D&ZM=11&ADDR=%s\r\n");
    QByteArray link;
    {
        TQRCodeMap window(nullptr);
        EXPECT_EQ(window.Size(), 3);  // a stored size outside 1 to 5
        window.SetAddress(QStringLiteral(" 東京都千代田区 1-1 "));
        EXPECT_EQ(window.edtAdrs->text(), QStringLiteral("東京都千代田区 1-1"));
        EXPECT_TRUE(window.Image().isNull());  // built when shown
        window.show();
        ASSERT_FALSE(window.Image().isNull());
        link = window.Link();
        EXPECT_EQ(link, QByteArray("http://m.example/link.cgi?W=D&ZM=11&ADDR=%93%8C%8B%9E%93s%90%E7%91%E3%93c%8B%E6+1-1"));
        EXPECT_EQ(decoded(window.Image(), dir_.path()), link);
        const int side = window.Image().width();

        // Typing a digit and a letter and leaving restores the size; a size of 5 makes a larger code.
        window.edtSize->setFocus();
        window.edtSizeEnter();
        window.edtSize->setText(QStringLiteral("4x"));
        window.edtSizeExit();
        EXPECT_EQ(window.edtSize->text(), QStringLiteral("3"));
        EXPECT_EQ(window.Size(), 3);
        window.edtSize->setText(QStringLiteral("５"));  // as the input method gives it
        window.edtSizeExit();
        EXPECT_EQ(window.Size(), 5);
        EXPECT_EQ(window.Image().width(), side / 3 * 5);
        EXPECT_FALSE(window.udSizeChangingEx(6));
        EXPECT_EQ(window.Size(), 5);
        EXPECT_EQ(decoded(window.Image(), dir_.path()), link);

        // A new address while shown makes a new code at once.
        window.SetAddress(QStringLiteral("大阪府"));
        EXPECT_EQ(decoded(window.Image(), dir_.path()), QByteArray("http://m.example/link.cgi?W=D&ZM=11&ADDR=%91%E5%8D%E3%95%7B"));
    }
    EXPECT_EQ(TMemIniFile(settings()).ReadInteger(QStringLiteral("QRMAP"), QStringLiteral("Size"), 0), 5);
}

// A size a screen reader sets over the accessibility bus, never leaving the edit, makes the code of that size and
// is what the window keeps; a size outside one to five is held to the nearest end.
TEST_F(WebLinkWindows, QRCodeSizeSetOverTheAccessibilityBusIsTaken)
{
    InstallTypedTextAccessibility();  // as the program does at start
    {
        TQRCodeMap window(nullptr);
        window.SetAddress(QStringLiteral("東京都千代田区 1-1"));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        const int side = window.Image().width();
        ASSERT_TRUE(test::setTextOnTheBus(window.edtSize, QStringLiteral("5")));
        EXPECT_EQ(window.Size(), 5);
        EXPECT_EQ(window.Image().width(), side / 3 * 5);
        ASSERT_TRUE(test::setTextOnTheBus(window.edtSize, QStringLiteral("0")));
        EXPECT_EQ(window.edtSize->text(), QStringLiteral("1"));
        EXPECT_EQ(window.Size(), 1);
    }
    EXPECT_EQ(TMemIniFile(settings()).ReadInteger(QStringLiteral("QRMAP"), QStringLiteral("Size"), 0), 1);
}

TEST_F(WebLinkWindows, WebSearchOpensTheEnginesAddressAndRemembersTheEngine)
{
    test::writeFile(settings(), "[WEB SEARCH]\r\nEngine=7\r\n");
    {
        TWebSearch window(nullptr);
        EXPECT_EQ(window.cbxEngine->currentIndex(), 0);  // a stored engine outside 0 to 4
        ASSERT_EQ(window.cbxEngine->count(), 5);
        EXPECT_EQ(window.cbxEngine->itemText(3), QStringLiteral("インフォシーク"));
        window.show();

        // No word: a message and nothing opened.
        window.bbtnSearch->click();
        EXPECT_EQ(boxes_.texts(), QStringList{QStringLiteral("検索名称を入力してください  ")});
        EXPECT_TRUE(opened_.isEmpty());
        EXPECT_TRUE(window.isVisible());

        window.SetKeyword(QStringLiteral("山田 商店"));
        EXPECT_EQ(window.edtWord->cursorPosition(), 5);
        window.cbxEngine->setCurrentIndex(1);
        QTest::keyClick(window.edtWord, Qt::Key_Return);  // Enter presses 検索
        EXPECT_EQ(window.result(), QDialog::Accepted);
    }
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(opened_[0].scheme(), QStringLiteral("https"));
    EXPECT_TRUE(opened_[0].toEncoded().endsWith("p=%E5%B1%B1%E7%94%B0+%E5%95%86%E5%BA%97")) << opened_[0].toEncoded().constData();
    EXPECT_EQ(TMemIniFile(settings()).ReadInteger(QStringLiteral("WEB SEARCH"), QStringLiteral("Engine"), 0), 1);
}

// A search that opens nothing says why and leaves the window open with the word, the engine not kept.
TEST_F(WebLinkWindows, WebSearchThatOpensNothingSaysSoAndStaysOpen)
{
    test::writeFile(settings(), "[WEB SEARCH]\r\nEngine=0\r\nUrl2=http://s.example/search.gw?search=\r\n"
                                "Encoding2=Shift_JIS\r\n");
    TWebSearch window(nullptr);
    window.show();
    window.cbxEngine->setCurrentIndex(2);

    // A character the engine's Shift-JIS lacks.
    window.SetKeyword(QStringLiteral("한 商店"));
    window.bbtnSearch->click();
    EXPECT_EQ(boxes_.texts(), QStringList{QStringLiteral("「한」は、この検索エンジンでは検索できない文字です  \r\n"
                                                         "文字を直すか、別の検索エンジンを選んでください  ")});
    EXPECT_TRUE(opened_.isEmpty());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.result(), 0);

    // A browser that does not start.
    boxes_.clear();
    SetUrlOpener([this](const QUrl &url) { opened_ << url; return false; });
    window.SetKeyword(QStringLiteral("山田 商店"));
    window.bbtnSearch->click();
    EXPECT_EQ(opened_.size(), 1);
    EXPECT_EQ(boxes_.texts(), QStringList{QStringLiteral("ブラウザーが起動できませんでした  ")});
    ASSERT_EQ(boxes_.shown().size(), 1u);
    EXPECT_EQ(boxes_.shown()[0].caption, AppTitle);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.result(), 0);
    EXPECT_EQ(TMemIniFile(settings()).ReadInteger(QStringLiteral("WEB SEARCH"), QStringLiteral("Engine"), -1), 0);
}

TEST_F(WebLinkWindows, EveryControlOfBothWindowsHasAnAccessibleName)
{
    TQRCodeMap code(nullptr);
    code.SetAddress(QStringLiteral("東京都千代田区 1-1"));
    code.show();
    EXPECT_THAT(test::unnamedControls(&code), ::testing::IsEmpty());
    TWebSearch search(nullptr);
    search.show();
    EXPECT_THAT(test::unnamedControls(&search), ::testing::IsEmpty());
}
