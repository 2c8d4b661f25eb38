#include "records/ItemCopy.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "directory/ItemChoiceSettings.h"
#include "platform/MemIniFile.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringList>

namespace {

const QString InquirySection = QStringLiteral("DATA INQUIRY");

}  // namespace

TCopySettings LoadCopySettings(const TMemIniFile &ini)
{
    TCopySettings settings;
    settings.Items = ItemChoiceFromTexts(CopyItemTable(),
                                         ini.ReadString(InquirySection, QStringLiteral("CopyItemIndex"), {}),
                                         ini.ReadString(InquirySection, QStringLiteral("CopyItemCopy"), {}));
    settings.LastReturn = ini.ReadBool(InquirySection, QStringLiteral("LastReturn"), true);
    return settings;
}

void StoreCopySettings(TMemIniFile &ini, const TCopySettings &settings)
{
    ini.WriteString(InquirySection, QStringLiteral("CopyItemIndex"), ItemChoiceIndexText(settings.Items));
    ini.WriteString(InquirySection, QStringLiteral("CopyItemCopy"), ItemChoiceChosenText(settings.Items));
    ini.WriteBool(InquirySection, QStringLiteral("LastReturn"), settings.LastReturn);
}

QString BuildCopyText(const std::array<QString, CopyItemCount> &values, const std::vector<TItemChoice> &items,
                      bool lastReturn)
{
    QStringList fields;
    for (const TItemChoice &entry : items)
        if (entry.Chosen && entry.TableRow < values.size())
            fields << CsvField(values[entry.TableRow]);
    QString text = fields.join(QLatin1Char(','));
    if (lastReturn)
        text += QStringLiteral("\r\n");
    return text;
}

void PutCopyTextOnClipboard(const QString &text)
{
    const QByteArray bytes = Sjis::encode(text);
    auto *data = new QMimeData;
    data->setText(Sjis::decode(bytes));
    data->setData(QStringLiteral("text/plain;charset=Shift_JIS"), bytes);
    QGuiApplication::clipboard()->setMimeData(data);
}
