// The address and postal-code conversion: records and senders whose postal code names one municipality today
// and whose address goes on with one of that code's towns get the present prefecture, municipality name and
// municipality code from the postal dictionary (so a municipality merged away takes its present name). The
// changes are listed for the user to confirm; the safety copies go to "backup.cap/".
#pragma once

#include "exchange/FieldConversion.h"

// The changes the postal dictionary of dicFolder (libraries in libraryFolder) makes to the book and senders.
std::vector<TFieldChange> FindAdrsPosChanges(const QString &adrsFile, const QString &senderFile,
                                             const QString &libraryFolder, const QString &dicFolder);

class TConvertAdrsPos : public TFieldConversion {
public:
    explicit TConvertAdrsPos(QWidget *owner);

protected:
    QString FieldCaption(const QString &field) const override;
};
