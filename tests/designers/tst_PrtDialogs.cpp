// The document open and save dialogs: the listing and its thumbnails (damaged files skipped), delete and
// rename with their refusals and failures, the title rules.
#include "HostileJpegs.h"
#include "designers/PrintDocument.h"
#include "designers/PrtOpen.h"
#include "designers/PrtSave.h"

#include "TestSupport.h"
#include "core/Globals.h"
#include "base/SjisCodec.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class DocumentDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LayoutFolder = dir.path() + "/Layout/";
        QDir().mkpath(LayoutFolder);
        TPrintDocument doc;
        QString error;
        for (const char *title : {"年賀状", "Beta", "alpha"})
            ASSERT_TRUE(doc.Save(LayoutFolder + QString::fromUtf8(title) + ".gpl", 1000, 1480, QImage(), &error));
        test::writeFile(LayoutFolder + "foreign.gpl", "Mirzon Layout File, but not complemented");
        // Ours, but its thumbnail length runs past the end of the file.
        QByteArray cut = test::readFile(LayoutFolder + "alpha.gpl").left(200);
        test::writeFile(LayoutFolder + "cut.gpl", cut);
    }
    QStringList titles(QTreeWidget *list)
    {
        QStringList result;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            result << list->topLevelItem(i)->text(0);
        return result;
    }
    QTemporaryDir dir;
    test::MessageBoxScript boxes;
};

template <class T> T *control(QWidget *in, const char *name)
{
    T *c = in->findChild<T *>(QLatin1String(name));
    EXPECT_TRUE(c) << name;
    return c;
}

}  // namespace

TEST_F(DocumentDialogTest, OpenListsOursWithThumbnails)
{
    TPrintDataOpenDialog dialog(nullptr);
    dialog.SetKind(0);
    dialog.SetFileName(QStringLiteral("Beta"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto *list = control<QTreeWidget>(&dialog, "lvFile");
    EXPECT_EQ(titles(list), (QStringList{"alpha", "Beta", "cut", QStringLiteral("年賀状")}));
    EXPECT_EQ(dialog.GetFileName(), QStringLiteral("Beta"));
    EXPECT_EQ(dialog.Preview().size(), QSize(135, 200));
    EXPECT_FALSE(control<QToolButton>(&dialog, "sbtnDelete")->isEnabled()) << "the open document";
    EXPECT_EQ(control<QWidget>(&dialog, "pbxPreview")->geometry(), QRect(38, 9, 118, 175));

    list->setCurrentItem(list->topLevelItem(2));  // "cut": listed, shown without a picture
    EXPECT_TRUE(dialog.Preview().isNull());
    EXPECT_TRUE(control<QToolButton>(&dialog, "sbtnDelete")->isEnabled());
    EXPECT_TRUE(boxes.texts().isEmpty());

    QFile::remove(LayoutFolder + QStringLiteral("年賀状.gpl"));
    list->setCurrentItem(list->topLevelItem(3));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("ファイルが見つかりません  ")});
    EXPECT_EQ(list->topLevelItemCount(), 3);
}

TEST_F(DocumentDialogTest, AThumbnailLargerThanAThumbnailIsNotShown)
{
    // "Beta" with a stored picture of 1,500 pixels a side: a document of ours stores 200 at most.
    QImage large(1500, 1500, QImage::Format_RGB888);
    large.fill(QColor(30, 90, 200));
    const QString path = LayoutFolder + "Beta.gpl";
    ASSERT_TRUE(test::readFile(path).size() > 0);
    TPrintDocument doc;
    QString error;
    ASSERT_TRUE(doc.Open(path, &error));
    test::writeFile(path, doc.Bytes(EncodeJpeg(large)));
    TDocumentKind kind;
    ASSERT_TRUE(DocumentKindOf(0, kind));
    EXPECT_TRUE(ThumbnailPicture(ReadThumbnail(kind, path)).isNull());
    EXPECT_EQ(ThumbnailPicture(EncodeJpeg(large.scaled(MaxThumbnailSide, 40))).size(), QSize(MaxThumbnailSide, 40));

    TPrintDataOpenDialog dialog(nullptr);
    dialog.SetKind(0);
    dialog.SetFileName(QStringLiteral("alpha"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.Preview().size(), QSize(135, 200));
    dialog.SetFileName(QStringLiteral("Beta"));
    EXPECT_EQ(dialog.GetFileName(), QStringLiteral("Beta"));
    EXPECT_TRUE(dialog.Preview().isNull());
    EXPECT_FALSE(control<QWidget>(&dialog, "pbxPreview")->isVisible());
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(DocumentDialogTest, AThumbnailOfEndlessScansIsNotShownAndTheNextIs)
{
    // "Beta" with a stored picture of thumbnail size that repeats an empty scan 100,000 times: the decoder
    // stops at the first scan past its limit, and the dialog shows the document without a picture.
    const QString path = LayoutFolder + "Beta.gpl";
    TPrintDocument doc;
    ASSERT_TRUE(doc.Open(path, nullptr));
    test::writeFile(path, doc.Bytes(ProgressiveJpeg(1024, 1024, 100000)));
    TPrintDataOpenDialog dialog(nullptr);
    dialog.SetKind(0);
    dialog.SetFileName(QStringLiteral("Beta"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_TRUE(dialog.Preview().isNull());
    EXPECT_FALSE(control<QWidget>(&dialog, "pbxPreview")->isVisible());
    dialog.SetFileName(QStringLiteral("alpha"));
    EXPECT_EQ(dialog.Preview().size(), QSize(135, 200));
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(DocumentDialogTest, DeleteAndRename)
{
    TPrintDataOpenDialog dialog(nullptr);
    dialog.SetKind(0);
    dialog.SetFileName(QStringLiteral("Beta"));
    dialog.show();
    auto *list = control<QTreeWidget>(&dialog, "lvFile");
    list->setCurrentItem(list->topLevelItem(0));
    // A screen reader presses 削除 again while the question is open: refused, and the answer deletes the
    // document the question named.
    auto *remove = control<QToolButton>(&dialog, "sbtnDelete");
    boxes.answer(IDYES, [&] { remove->click(); });
    remove->click();
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(titles(list), (QStringList{"Beta", "cut", QStringLiteral("年賀状")}));
    EXPECT_FALSE(QFile::exists(LayoutFolder + "alpha.gpl"));
    EXPECT_TRUE(dialog.FilesChanged);

    // cut.gpl: renamed to another's letters in other case, with blanks: refused.
    QTreeWidgetItem *cut = list->findItems("cut", Qt::MatchExactly).front();
    cut->setText(0, QStringLiteral("  beta "));
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("指定されたファイル名は既に存在します  "));
    EXPECT_EQ(cut->text(0), QStringLiteral("cut"));
    cut->setText(0, QStringLiteral("a/b"));
    EXPECT_TRUE(boxes.texts().last().startsWith(QStringLiteral("ファイル名には次の文字は使えません\r\n   \\ / : ; * ? \" < > | ")));
    // 101 bytes ending in a double-byte character: 99 bytes on disk.
    const QString longTitle = QString(99, 'x') + QStringLiteral("あ");
    cut->setText(0, longTitle);
    EXPECT_EQ(cut->text(0), QString(99, 'x'));
    EXPECT_TRUE(QFile::exists(LayoutFolder + QString(99, 'x') + ".gpl"));

    // A rename the disk refuses is reported and the caption stays.
    QTreeWidgetItem *nenga = list->findItems(QStringLiteral("年賀状"), Qt::MatchExactly).front();
    QDir().mkpath(LayoutFolder + "taken.gpl/inside");
    boxes.clear();
    nenga->setText(0, QStringLiteral("taken"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("ファイルの名前を変更できませんでした  ")});
    EXPECT_EQ(nenga->text(0), QStringLiteral("年賀状"));
    EXPECT_TRUE(QFile::exists(LayoutFolder + QStringLiteral("年賀状.gpl")));

    // A delete the disk refuses is reported and the item stays.
    QFile::remove(LayoutFolder + QStringLiteral("年賀状.gpl"));
    QDir().mkpath(LayoutFolder + QStringLiteral("年賀状.gpl/inside"));
    list->setCurrentItem(nenga);
    boxes.clear();
    boxes.answer(IDYES);
    control<QToolButton>(&dialog, "sbtnDelete")->click();
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("ファイルを削除できませんでした  "));
    EXPECT_EQ(list->findItems(QStringLiteral("年賀状"), Qt::MatchExactly).size(), 1);
}

TEST_F(DocumentDialogTest, SaveAsksBeforeOverwriting)
{
    TPrintDataSaveDialog dialog(nullptr);
    dialog.SetKind(0);
    dialog.SetTitle(QStringLiteral("Beta"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto *title = control<QLineEdit>(&dialog, "edTitle");
    EXPECT_EQ(title->text(), QStringLiteral("Beta"));
    EXPECT_EQ(title->selectedText(), QStringLiteral("Beta"));
    title->setText(QStringLiteral("   "));
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    title->setText(QStringLiteral("a?b"));
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    title->setText(QStringLiteral(" ALPHA "));
    boxes.answer(IDNO);
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("同名のファイルが存在します．上書きしますか？  "));
    boxes.answer(IDYES);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetTitle(), QStringLiteral("ALPHA"));
}

TEST(DocumentTitles, CutOnCharacterBoundaries)
{
    EXPECT_EQ(Sjis::encode(CutDocumentTitle(QString(99, 'x') + QStringLiteral("あい"))).size(), 99);
    EXPECT_EQ(CutDocumentTitle(QString(98, 'x') + QStringLiteral("あい")), QString(98, 'x') + QStringLiteral("あ"));
    EXPECT_EQ(CutDocumentTitle(QStringLiteral("短い")), QStringLiteral("短い"));
}
