#include "designers/LabelPrint.h"

#include "designers/AddressBinding.h"
#include "drawing/AddressRect.h"
#include "drawing/BarcodeRect.h"
#include "drawing/CorpRect.h"
#include "drawing/NameRect.h"
#include "drawing/PosRect.h"

#include <algorithm>

TLayoutPrintJob MakeLabelPrintJob(TPrintDocument &doc, const TLabelSheet &sheet, TTable *book,
                                  const std::vector<int32_t> &recNos)
{
    TLayoutPrintJob job;
    job.Shown = doc.ZOrderList;
    const TFixedObjects receiver = ReceiverObjects(doc, doc.SplitLayout != 0);
    std::vector<TDrawRect *> receiverObjects{receiver.Postal, receiver.Name, receiver.Barcode};
    receiverObjects.insert(receiverObjects.end(), receiver.Address.begin(), receiver.Address.end());
    receiverObjects.insert(receiverObjects.end(), receiver.Corp.begin(), receiver.Corp.end());
    for (TDrawRect *object : doc.ZOrderList)
        if (std::find(receiverObjects.begin(), receiverObjects.end(), object) != receiverObjects.end())
            job.Fixed.push_back(object);
    if (book && !job.Fixed.empty()) {
        const TBindContext context = ProgramBindContext(doc.PrintForm, sheet.Paper.Direction);
        job.BindRecord = [receiver, book, context](int32_t recNo) {
            return BindReceiverRecord(receiver, *book, recNo, context, nullptr);
        };
        job.RecordNumbers = recNos;
    }
    job.LabelStart = sheet.LabelStart;
    job.LabelCount = sheet.LabelCount;
    job.Paper = sheet.Paper;
    job.Sheet = sheet.Sheet;
    return job;
}
