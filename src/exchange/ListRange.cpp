#include "exchange/ListRange.h"

#include "mainlist/AdrsList.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

std::vector<std::pair<int, int32_t>> TListRange::Rows(const TAddressList &list) const
{
    std::vector<std::pair<int, int32_t>> rows;
    int first = 0, last = list.GetRecordCount() - 1;
    if (Kind == 2) {
        first = std::max(Begin, 1) - 1;
        last = std::min(End, list.GetRecordCount()) - 1;
    }
    for (int i = first; i <= last; ++i)
        if (Kind != 1 || list.IsSelected(i))
            rows.emplace_back(i, list.GetRecNoAt(i));
    return rows;
}

TListRangeBox::TListRangeBox(const TAddressList &list, QWidget *parent)
    : QGroupBox(QStringLiteral("出力範囲"), parent), list_(list)
{
    setObjectName(QStringLiteral("gbxRange"));
    auto *grid = new QGridLayout(this);
    rbAll = Named<QRadioButton>("rbAll", QStringLiteral("すべてのデータ"), this);
    rbSelected = Named<QRadioButton>("rbSelected", QStringLiteral("選択しているデータ"), this);
    rbRange = Named<QRadioButton>("rbRange", QStringLiteral("範囲指定"), this);
    spnBegin = Named<TNumberSpinBox>("spnBegin", this);
    spnEnd = Named<TNumberSpinBox>("spnEnd", this);
    spnBegin->setAccessibleName(QStringLiteral("出力範囲の開始"));
    spnEnd->setAccessibleName(QStringLiteral("出力範囲の終了"));
    lblCount = Named<QLabel>("lblCount", this);
    auto *kinds = new QButtonGroup(this);
    kinds->addButton(rbAll, 0);
    kinds->addButton(rbSelected, 1);
    kinds->addButton(rbRange, 2);
    rbAll->setChecked(true);
    grid->addWidget(rbAll, 0, 0, 1, 5);
    grid->addWidget(rbSelected, 1, 0, 1, 5);
    grid->addWidget(rbRange, 2, 0);
    grid->addWidget(spnBegin, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("件目から"), this), 2, 2);
    grid->addWidget(spnEnd, 2, 3);
    grid->addWidget(new QLabel(QStringLiteral("件目まで"), this), 2, 4);
    grid->addWidget(lblCount, 3, 0, 1, 5);
    grid->setColumnStretch(5, 1);
    // However the button was checked: a screen reader ticks it without a click.
    connect(kinds, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            emit RangeChanged();
    });
    connect(spnBegin, &QSpinBox::valueChanged, this, &TListRangeBox::RangeChanged);
    connect(spnEnd, &QSpinBox::valueChanged, this, &TListRangeBox::RangeChanged);
    ListCountChanged();
}

TListRange TListRangeBox::Range() const
{
    TListRange range;
    range.Kind = rbSelected->isChecked() ? 1 : rbRange->isChecked() ? 2 : 0;
    range.Begin = spnBegin->value();
    range.End = spnEnd->value();
    return range;
}

void TListRangeBox::ListCountChanged()
{
    const int count = list_.GetRecordCount();
    if (spnEnd->maximum() != count || spnEnd->value() > count) {
        const QSignalBlocker b1(spnBegin), b2(spnEnd);
        spnBegin->setRange(count > 0 ? 1 : 0, count);
        spnEnd->setRange(count > 0 ? 1 : 0, count);
        spnBegin->setValue(count > 0 ? 1 : 0);
        spnEnd->setValue(count);
    }
    rbSelected->setEnabled(list_.GetSelectedCount() > 0);
    if (!rbSelected->isEnabled() && rbSelected->isChecked())
        rbAll->setChecked(true);  // its toggle tells of the change
    else
        emit RangeChanged();
}
