#include "widgets/ShiftJisValidator.h"

#include "platform/SjisCodec.h"

TShiftJisValidator::TShiftJisValidator(int maxBytes, QObject *parent) : QValidator(parent), maxBytes_(maxBytes) {}

QValidator::State TShiftJisValidator::validate(QString &input, int &) const
{
    QString unmappable;
    const QByteArray bytes = Sjis::encode(input, &unmappable);
    return unmappable.isEmpty() && (maxBytes_ <= 0 || bytes.size() <= maxBytes_) ? Acceptable : Invalid;
}
