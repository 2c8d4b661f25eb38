// The fuzz targets' readers of the designers' files (see FuzzReaders.h for the contract): the documents, the
// paper formats and the example sentences. What a reader accepts goes on as the designers take it: drawn,
// previewed, resized and saved, and what was saved must read back.
#pragma once

#include "FuzzInput.h"

#include "designers/LayoutPrint.h"
#include "designers/PaperFormats.h"
#include "designers/PrintDocument.h"
#include "designers/WordExamples.h"
#include "drawing/BackImage.h"
#include "drawing/FigureRect.h"
#include "drawing/MetafileEx.h"
#include "drawing/WordRect.h"

#include <utility>
#include <vector>

namespace fuzz {

// The paper previewed, as the print preview draws its first page at a 600 dpi printer.
inline void PreviewPaper(TLayoutPrintJob &job, const TPaperFormat &paper, const TFormatCategory &sheet)
{
    job.Paper = paper;
    job.Sheet = sheet;
    TMetafileEx picture;
    DrawPreviewPage(job, 0, TRenderTarget{true, 600, 600, 0, 0}, picture);
}

// Byte 0 picks the kind (layout ".gpl", label ".gpa", card ".gpc", letter body ".gpd"); the rest is the file.
inline bool PrintDocument(const uint8_t *data, size_t size)
{
    if (size < 1)
        return false;
    TPrintDocument document(uint8_t(data[0] % 4));
    if (!document.Read(bytesOf(data + 1, size - 1), nullptr))
        return false;
    // As the designer opens it, then saves it on a postcard: a thumbnail drawn, the file written.
    document.ApplyPrintForm();
    TWordRect word;
    TFigureRect figure;
    document.TakeObjectDefaults(word, figure);
    TPaperFormat postcard;
    postcard.Width = 1000;
    postcard.Height = 1480;
    const QString file = Folder() + QStringLiteral("Document");
    if (document.Save(file, postcard.Width, postcard.Height, QImage(), nullptr)) {
        TPrintDocument saved(document.Kind);
        Require(saved.Open(file, nullptr), "a document read and saved again is refused");
    }
    TLayoutPrintJob job;
    job.Shown = document.ZOrderList;
    job.Background = document.Background.get();
    PreviewPaper(job, postcard, {});
    return true;
}

// Byte 0 picks the file: even the master list "Lyt.fmt", odd the user's papers "CstmL.fmt"; the rest is the
// file. Every paper is previewed with its sheet and resized to the smallest and largest user paper.
inline bool PaperFormats(const uint8_t *data, size_t size)
{
    if (size < 1)
        return false;
    const QByteArray input = bytesOf(data + 1, size - 1);
    std::vector<std::pair<TPaperFormat, TFormatCategory>> papers;
    if (data[0] % 2 == 0) {
        TMasterFormats master;
        if (!master.Load(InputFile(QStringLiteral("Common/Lyt.fmt"), input)))
            return false;
        TMasterFormats written;
        written.Load(InputFile(QStringLiteral("Common/Lyt.fmt"), master.Bytes()));
        Require(written.Loaded && written.Formats == master.Formats && written.Sheets == master.Sheets,
                "the master list written reads back otherwise");
        for (const TPaperFormat &paper : master.Formats)
            papers.emplace_back(paper, master.SheetOf(paper));
    } else {
        const QString file = InputFile(QStringLiteral("CstmL.fmt"), input);
        TCustomFormats custom;
        custom.Load(file);
        if (custom.Records.empty())
            return false;
        Require(custom.Save(file), "the user's papers cannot be written");
        TCustomFormats written;
        written.Load(file);
        Require(written.LastCustomId == custom.LastCustomId && written.Records == custom.Records &&
                    written.Sheets == custom.Sheets,
                "the user's papers written read back otherwise");
        for (const TCustomPaperRecord &record : custom.Records)
            papers.emplace_back(record.Format, custom.SheetOf(record.Format));
    }
    TLayoutPrintJob job;
    for (const auto &[paper, sheet] : papers) {
        ResizePaperFormat(paper, MinCustomPaperSize, MaxCustomPaperSize);
        ResizePaperFormat(paper, MaxCustomPaperSize, MinCustomPaperSize);
        PreviewPaper(job, paper, sheet);
    }
    return true;
}

// Byte 0 picks the file: even the index "Common/Text/Index.rbf", odd an example file; the rest is the file.
inline bool ExampleIndex(const uint8_t *data, size_t size)
{
    if (size < 1)
        return false;
    const QByteArray input = bytesOf(data + 1, size - 1);
    if (data[0] % 2 == 1)
        return ReadExampleClass(InputFile(QStringLiteral("Common/Text/Examples.txt"), input)).Error.isEmpty();
    const TExampleIndex index = ReadExampleIndex(InputFile(QStringLiteral("Common/Text/Index.rbf"), input));
    for (const TExampleClass &group : index.Classes)
        ExampleClassPath(Folder() + QStringLiteral("Common"), group.File);
    return index.Error.isEmpty();
}

}  // namespace fuzz
