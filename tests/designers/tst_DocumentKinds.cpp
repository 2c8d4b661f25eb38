// The label, card and letter-body documents: each saved, opened and saved again to the same bytes; the open
// dialog of each kind lists only its own files and reads their thumbnails; damaged files and files of
// another kind are refused whole.
#include "designers/PrintDocument.h"
#include "designers/PrtFiles.h"
#include "designers/PrtOpen.h"

#include "TestSupport.h"
#include "core/Globals.h"
#include "drawing/BackImage.h"
#include "drawing/FigureRect.h"
#include "drawing/JpegImage.h"
#include "drawing/SenderRect.h"
#include "drawing/WordRect.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

// A document of the kind with a text and a figure stacked; the label and card ones with their receiver's
// fixed objects placed and shown, the letter body with a sender block and a gradient background.
TPrintDocument documentOf(uint8_t kind)
{
    TPrintDocument doc(kind);
    doc.FormatNumber = 7;
    doc.PrintForm = DefaultAddressPrintForm(true);
    auto word = std::make_unique<TWordRect>();
    word->SetRect(TRect(20, 30, 220, 90));
    word->SetLineCount(1);
    word->SetLine(0, QStringLiteral("拝啓　時下ますますご清栄のことと"));
    auto figure = std::make_unique<TFigureRect>();
    figure->SetRect(TRect(10, 10, 120, 60));
    figure->SetKind(2);
    doc.ZOrderList = {word.get(), figure.get()};
    doc.WordList.push_back(std::move(word));
    doc.FigureList.push_back(std::move(figure));
    if (kind == DesignDocument) {
        auto sender = std::make_unique<TSenderRect>();
        sender->SetRect(TRect(40, 300, 300, 420));
        doc.ZOrderList.insert(doc.ZOrderList.begin(), sender.get());
        doc.SenderList.push_back(std::move(sender));
        doc.Background->SetKind(TBackImage::Gradient);
        doc.Background->SetColor1(0x00FFE0C0);
        doc.Background->SetColor2(0x00FFFFFF);
        doc.Background->SetGradientAngle(45);
    } else {
        for (int i = 0; i < 3; ++i) {
            doc.CombinedObjects[size_t(i)]->SetRect(TRect(10, 20 + 40 * i, 300, 50 + 40 * i));
            doc.ZOrderList.push_back(doc.CombinedObjects[size_t(i)].get());
        }
    }
    return doc;
}

struct TKindCase {
    uint8_t Kind;
    const char *Magic;
    int HeaderSize;
    int PaperWidth, PaperHeight;
};
const TKindCase Kinds[] = {
    {LabelDocument, "Mirzon Label File", 28, 864, 508},
    {CardDocument, "Mirzon Card File", 28, 910, 550},
    {DesignDocument, "Mirzon Design File", 32, 1000, 1480},
};

class DocumentKindTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LayoutFolder = dir.path() + "/Layout/";
        LabelFolder = dir.path() + "/Label/";
        CardFolder = dir.path() + "/Card/";
        DesignFolder = dir.path() + "/Design/";
    }
    QString pathOf(uint8_t kind, const QString &title)
    {
        TDocumentKind documentKind;
        EXPECT_TRUE(DocumentKindOf(kind, documentKind));
        return documentKind.Folder + title + documentKind.Extension;
    }
    QTemporaryDir dir;
    test::MessageBoxScript boxes;
};

}  // namespace

TEST_F(DocumentKindTest, EachKindSavesOpensAndSavesTheSameBytes)
{
    for (const TKindCase &c : Kinds) {
        SCOPED_TRACE(c.Magic);
        TPrintDocument doc = documentOf(c.Kind);
        QString error;
        const QString first = pathOf(c.Kind, QStringLiteral("初回"));
        ASSERT_TRUE(doc.Save(first, c.PaperWidth, c.PaperHeight, QImage(), &error)) << error.toStdString();
        const QByteArray saved = test::readFile(first);
        const QByteArray magic = ComplementedMagic(c.Magic);
        EXPECT_EQ(saved.left(magic.size()), magic);

        // The thumbnail's length lies where the document dialogs look for it, and the JPEG after it decodes.
        TDocumentKind kind;
        ASSERT_TRUE(DocumentKindOf(c.Kind, kind));
        EXPECT_EQ(kind.HeaderSize, c.HeaderSize);
        const QByteArray thumbnail = ReadThumbnail(kind, first);
        EXPECT_EQ(qFromLittleEndian<uint32_t>(saved.constData() + magic.size() + 4 + c.HeaderSize),
                  uint32_t(thumbnail.size()));
        TJpegImage jpeg;
        jpeg.LoadFromData(thumbnail);
        EXPECT_EQ(std::max(jpeg.Bitmap().width(), jpeg.Bitmap().height()), 200);

        TPrintDocument reopened(c.Kind);
        ASSERT_TRUE(reopened.Open(first, &error)) << error.toStdString();
        EXPECT_EQ(reopened.FormatNumber, 7);
        EXPECT_EQ(reopened.ZOrderList.size(), doc.ZOrderList.size());
        ASSERT_EQ(reopened.WordList.size(), 1u);
        EXPECT_EQ(reopened.WordList[0]->GetLine(0), QStringLiteral("拝啓　時下ますますご清栄のことと"));
        if (c.Kind == DesignDocument) {
            ASSERT_EQ(reopened.SenderList.size(), 1u);
            EXPECT_EQ(reopened.ZOrderList.front(), reopened.SenderList[0].get());
            EXPECT_EQ(reopened.Background->Kind(), TBackImage::Gradient);
            EXPECT_EQ(reopened.Background->GradientAngle(), 45);
        } else {
            EXPECT_EQ(reopened.ZOrderList.back(), reopened.CombinedObjects[2].get());
        }
        const QString second = pathOf(c.Kind, QStringLiteral("二回目"));
        ASSERT_TRUE(reopened.Save(second, c.PaperWidth, c.PaperHeight, QImage(), &error));
        TPrintDocument third(c.Kind);
        ASSERT_TRUE(third.Open(second, &error));
        const QString thirdPath = pathOf(c.Kind, QStringLiteral("三回目"));
        ASSERT_TRUE(third.Save(thirdPath, c.PaperWidth, c.PaperHeight, QImage(), &error));
        EXPECT_EQ(test::readFile(second), test::readFile(thirdPath));
    }
}

TEST_F(DocumentKindTest, AFileOfAnotherKindOrDamagedIsRefusedWhole)
{
    QString error;
    const QString label = pathOf(LabelDocument, QStringLiteral("宛名ラベル"));
    ASSERT_TRUE(documentOf(LabelDocument).Save(label, 864, 508, QImage(), &error));
    // A label file is no card and no layout, whatever its name says.
    for (uint8_t other : {LayoutDocument, CardDocument, DesignDocument}) {
        TPrintDocument doc = documentOf(other);
        EXPECT_FALSE(doc.Open(label, &error)) << int(other);
        EXPECT_EQ(error, DocumentInvalidMessage);
        EXPECT_TRUE(doc.ZOrderList.empty());
        EXPECT_TRUE(doc.WordList.empty());
        EXPECT_EQ(doc.Kind, other) << "a refused file leaves the document of its own kind";
    }

    // A letter body cut inside its background, or with a byte too many, is refused and leaves it empty.
    const QString design = pathOf(DesignDocument, QStringLiteral("文面"));
    ASSERT_TRUE(documentOf(DesignDocument).Save(design, 1000, 1480, QImage(), &error));
    const QByteArray whole = test::readFile(design);
    for (const QByteArray &damaged : {whole.left(whole.size() - 3), whole + QByteArray(1, '\0')}) {
        TPrintDocument doc = documentOf(DesignDocument);
        error.clear();
        EXPECT_FALSE(doc.Read(damaged, &error));
        EXPECT_EQ(error, DocumentInvalidMessage);
        EXPECT_TRUE(doc.SenderList.empty());
        EXPECT_TRUE(doc.ZOrderList.empty());
        ASSERT_TRUE(doc.Background);
        EXPECT_EQ(doc.Background->Kind(), TBackImage::None);
    }
    // A sender-block count beyond the bytes left is refused before anything is made for it.
    QByteArray counted = whole;
    qToLittleEndian<uint32_t>(0x7FFFFFFF, counted.data() + 18 + 4 + 28);
    TPrintDocument doc(DesignDocument);
    EXPECT_FALSE(doc.Read(counted, &error));
}

TEST_F(DocumentKindTest, TheOpenDialogListsOnlyItsKindWithThumbnails)
{
    QString error;
    ASSERT_TRUE(documentOf(LabelDocument).Save(pathOf(LabelDocument, "A"), 864, 508, QImage(), &error));
    ASSERT_TRUE(documentOf(CardDocument).Save(pathOf(CardDocument, "B"), 910, 550, QImage(), &error));
    ASSERT_TRUE(documentOf(DesignDocument).Save(pathOf(DesignDocument, "C"), 1000, 1480, QImage(), &error));
    // Files named like the kind but of another magic: a card renamed ".gpa", a layout renamed ".gpd".
    QFile::copy(pathOf(CardDocument, "B"), pathOf(LabelDocument, "card"));
    QDir().mkpath(LayoutFolder);
    ASSERT_TRUE(TPrintDocument().Save(pathOf(LayoutDocument, "L"), 1000, 1480, QImage(), &error));
    QFile::copy(pathOf(LayoutDocument, "L"), pathOf(DesignDocument, "layout"));

    const std::pair<uint8_t, QString> expected[] = {{LabelDocument, "A"}, {CardDocument, "B"}, {DesignDocument, "C"}};
    for (const auto &[kind, title] : expected) {
        TPrintDataOpenDialog dialog(nullptr);
        dialog.SetKind(kind);
        dialog.show();
        auto *list = dialog.findChild<QTreeWidget *>(QStringLiteral("lvFile"));
        ASSERT_TRUE(list);
        ASSERT_EQ(list->topLevelItemCount(), 1) << int(kind);
        EXPECT_EQ(list->topLevelItem(0)->text(0), title);
        EXPECT_EQ(dialog.GetFileName(), title);
        EXPECT_FALSE(dialog.Preview().isNull()) << int(kind);
    }
    EXPECT_TRUE(boxes.texts().isEmpty());
}
