// The label and card sheets' print job, without a window: the label (or card) document's shown objects, its
// receiver objects filled from the book's rows one record after another, and the sheet's start position and
// prints per record. The label window prints and previews through it.
#pragma once

#include "designers/LayoutPrint.h"
#include "designers/PrintDocument.h"

#include <QString>

#include <cstdint>
#include <vector>

class TTable;

// The printer settings of the label window in each mode, in the data folder.
inline const QString LabelPrinterFile = QStringLiteral("Label.pi");
inline const QString CardPrinterFile = QStringLiteral("Card.pi");
// The letter-body designer's.
inline const QString DesignPrinterFile = QStringLiteral("Design.pi");

struct TLabelSheet {
    TPaperFormat Paper;     // one label or card
    TFormatCategory Sheet;  // the sheet it is a place of
    int LabelStart = 1;     // the first place used on the first sheet, from 1
    int LabelCount = 1;     // prints of each record
};

// The job printing doc's shown objects for each of recNos, the receiver's objects bound from book (a row
// that is gone leaves its places blank). book may be null for a document that shows no receiver.
TLayoutPrintJob MakeLabelPrintJob(TPrintDocument &doc, const TLabelSheet &sheet, TTable *book,
                                  const std::vector<int32_t> &recNos);
