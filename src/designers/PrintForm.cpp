#include "designers/PrintForm.h"

#include "base/SjisCodec.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <type_traits>

QString THonorific::Value() const
{
    return Sjis::decode(QByteArrayView(Text.data(), std::min<int>(Length, MaxBytes)));
}

void THonorific::SetValue(const QString &value)
{
    const QByteArray bytes = Sjis::cutToBytes(Sjis::encode(value), MaxBytes);
    Text.fill(0);
    std::memcpy(Text.data(), bytes.constData(), size_t(bytes.size()));
    Length = uint8_t(bytes.size());
}

double LayoutRatio(uint32_t index)
{
    return LayoutRatioTable[std::min<size_t>(index, LayoutRatioTable.size() - 1)] / 10.0;
}

namespace {

// Walks the record's fields in their stored order, for writing and reading alike.
template <class Form, class Visit> void visitFields(Form &f, Visit &&visit)
{
    visit(f.HidePrefecture);
    visit(f.DigitsUpright);
    visit(f.KanjiNumerals);
    visit(f.DashToNo);
    visit(f.CorpTypeForm);
    visit(f.PostalMark);
    visit(f.SenderPostalMark);
    for (auto *h : {&f.DefaultHonor, &f.CorpHonor, &f.PostHonor, &f.SenderHonor}) {
        visit(h->Length);
        visit(h->Text);
    }
    visit(f.AddressSize);
    visit(f.NameSize);
    visit(f.AdditionSize);
    visit(f.SenderAddressSize);
    visit(f.SenderNameSize);
    visit(f.SenderAdditionSize);
    visit(f.CorpRatio);
    visit(f.DptmntRatio);
    visit(f.PostRatio);
    visit(f.WidenNameSpacing);
    visit(f.NameAlign);
    visit(f.SenderNameAlign);
    visit(f.SenderJointSeries);
    visit(f.CorpBreak);
    visit(f.Reserved);
}

}  // namespace

QByteArray PrintFormBytes(const TPrintForm &form)
{
    QByteArray bytes;
    bytes.reserve(TPrintForm::Size);
    visitFields(form, [&](const auto &field) {
        auto value = field;
        if constexpr (std::is_arithmetic_v<decltype(value)>)
            value = qToLittleEndian(value);
        bytes.append(reinterpret_cast<const char *>(&value), sizeof value);
    });
    Q_ASSERT(bytes.size() == TPrintForm::Size);
    return bytes;
}

TPrintForm PrintFormFromBytes(const char *bytes)
{
    TPrintForm form;
    size_t at = 0;
    visitFields(form, [&](auto &field) {
        std::memcpy(&field, bytes + at, sizeof field);
        if constexpr (std::is_arithmetic_v<std::remove_reference_t<decltype(field)>>)
            field = qFromLittleEndian(field);
        at += sizeof field;
    });
    return form;
}

TPrintForm DefaultAddressPrintForm(bool paperHasPicture)
{
    TPrintForm form;
    form.PostalMark = paperHasPicture ? 0 : 2;
    form.SenderPostalMark = paperHasPicture ? 0 : 1;
    form.DefaultHonor.SetValue(QStringLiteral("様"));
    form.CorpHonor.SetValue(QStringLiteral("御中"));
    form.PostHonor.SetValue(QStringLiteral("様"));
    form.SenderHonor.SetValue(QStringLiteral("行"));
    form.AddressSize = form.NameSize = form.AdditionSize = 3;
    form.SenderAddressSize = form.SenderNameSize = form.SenderAdditionSize = 3;
    form.CorpRatio = 3;
    form.DptmntRatio = 4;
    form.PostRatio = 5;
    form.WidenNameSpacing = 1;
    return form;
}

TPrintForm DefaultLabelPrintForm()
{
    // A label is read at a glance: the code behind its mark, the name from the left at its own spacing.
    TPrintForm form = DefaultAddressPrintForm(false);
    form.PostalMark = 1;
    form.WidenNameSpacing = 0;
    form.NameAlign = 1;
    return form;
}
