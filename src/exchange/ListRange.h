// The range of the main list's rows an export window works on: all, the selected rows, or from-to (numbers
// of the list, from 1), and the box that chooses it. Shared by the text and the mark export.
#pragma once

#include <QGroupBox>

#include <cstdint>
#include <utility>
#include <vector>

class QLabel;
class QRadioButton;
class QSpinBox;
class TAddressList;

struct TListRange {
    int Kind = 0;  // 0 all, 1 the selected rows, 2 from-to
    int Begin = 0, End = 0;
    // The rows (list index, record number) of the range in list order.
    std::vector<std::pair<int, int32_t>> Rows(const TAddressList &list) const;
};

class TListRangeBox : public QGroupBox {
    Q_OBJECT
public:
    TListRangeBox(const TAddressList &list, QWidget *parent);

    QRadioButton *rbAll, *rbSelected, *rbRange;
    QSpinBox *spnBegin, *spnEnd;
    QLabel *lblCount;

    TListRange Range() const;
    int RowCount() const { return static_cast<int>(Range().Rows(list_).size()); }
    // The list's rows changed: a new row count resets from-to to the whole list; without a selection the
    // range of the selected rows gives way to all rows.
    void ListCountChanged();

signals:
    void RangeChanged();

private:
    const TAddressList &list_;
};
