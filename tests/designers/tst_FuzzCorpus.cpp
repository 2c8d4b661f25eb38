// The seeds of the designers' fuzz targets: a document of each kind as a save writes it, the shipped master
// list and user papers made from it, the shipped example index and one of its example files.
#include "../../fuzz/FuzzDesignerReaders.h"
#include "FuzzSeeds.h"
#include "SampleObjects.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Moves made into list when it is an object of the list's kind.
template <class Object> bool moveInto(std::unique_ptr<TDrawRect> &made, std::vector<std::unique_ptr<Object>> &list)
{
    auto *object = dynamic_cast<Object *>(made.get());
    if (!object)
        return false;
    made.release();
    list.emplace_back(object);
    return true;
}

}  // namespace

TEST(FuzzCorpus, SeedsAreWhatTheProgramSavesAndEveryReaderAcceptsThem)
{
    QTemporaryDir folder;
    for (uint8_t kind : {LayoutDocument, LabelDocument, CardDocument, DesignDocument}) {
        // The combined fixed set shown (a letter body has none), and one of each free object the kind holds
        // stacked in front of it.
        TPrintDocument document(kind);
        document.PrintForm = DefaultAddressPrintForm(false);
        if (kind != DesignDocument)
            for (const auto &fixed : document.CombinedObjects)
                document.ZOrderList.push_back(fixed.get());
        for (const TSampleObject &sample : SampleObjects()) {
            std::unique_ptr<TDrawRect> made = sample.Make();
            TDrawRect *object = made.get();
            if (moveInto(made, document.IllustList) || moveInto(made, document.WordList) ||
                moveInto(made, document.FigureList) || moveInto(made, document.QRCodeList) ||
                (kind == DesignDocument && moveInto(made, document.SenderList)))
                document.ZOrderList.insert(document.ZOrderList.begin(), object);
        }
        if (kind == DesignDocument) {
            document.Background->SetKind(TBackImage::Gradient);
            document.Background->SetColor2(0x00FF00);
        }
        const QString file = folder.filePath(QStringLiteral("document"));
        ASSERT_TRUE(document.Save(file, 1000, 1480, QImage(), nullptr));
        test::FuzzSeed(fuzz::PrintDocument, "printdocument", QStringLiteral("kind%1").arg(kind),
                       QByteArray(1, char(kind)) + test::readFile(file));
    }

    const QByteArray shipped = test::readFile(test::appDir() + "Common/Lyt.fmt");
    test::FuzzSeed(fuzz::PaperFormats, "paperformats", QStringLiteral("Lyt.fmt"), QByteArray(1, 0) + shipped);
    TMasterFormats master;
    ASSERT_TRUE(master.Load(test::appDir() + "Common/Lyt.fmt"));
    // A user postcard resized from the first paper, and a user label sheet with its own sheet record.
    TCustomFormats custom;
    custom.LastCustomId = 2;
    custom.Records.push_back({1, 0, ResizePaperFormat(master.Formats[0], 1100, 1600), 0});
    const auto label = std::find_if(master.Formats.begin(), master.Formats.end(),
                                    [](const TPaperFormat &paper) { return paper.Kind == 2 && paper.SheetIndex > 0; });
    ASSERT_NE(label, master.Formats.end());
    custom.Sheets.push_back(master.SheetOf(*label));
    custom.Records.push_back({2, uint32_t(label - master.Formats.begin()), *label, 0});
    custom.Records.back().Format.SheetIndex = 1;
    test::FuzzSeed(fuzz::PaperFormats, "paperformats", QStringLiteral("CstmL.fmt"), QByteArray(1, 1) + custom.Bytes());

    const QByteArray index = test::readFile(test::appDir() + "Common/Text/Index.rbf");
    test::FuzzSeed(fuzz::ExampleIndex, "exampleindex", QStringLiteral("Index.rbf"), QByteArray(1, 0) + index);
    const QByteArray examples = test::readFile(test::appDir() + "Common/Text/Nenga.rbf");
    test::FuzzSeed(fuzz::ExampleIndex, "exampleindex", QStringLiteral("Nenga.rbf"), QByteArray(1, 1) + examples);
}
