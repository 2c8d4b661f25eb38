#include "geo/UniNMDic.h"

#include "base/SjisCodec.h"
#include "core/SharedHelpers.h"
#include "platform/CustomEvents.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

QPointer<TUniNameDic> UniNameDic;

namespace {

constexpr int DesignColumns = 6;
constexpr int DesignRows = 11;
constexpr int FormsPerRow = 5;
// The bytes of a written form, kept beside the text shown so the choice goes back exactly as the library gave it.
constexpr int BytesRole = Qt::UserRole;

QByteArray field(const char (&bytes)[KVREADING_FIELD_SIZE])
{
    return QByteArray(bytes, qstrnlen(bytes, KVREADING_FIELD_SIZE));
}

// Light grey lines along each cell's right and bottom edges while the grid holds candidates.
class TCellLines : public QStyledItemDelegate {
public:
    TCellLines(QObject *parent, const bool &gridEmpty) : QStyledItemDelegate(parent), gridEmpty_(gridEmpty) {}
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (gridEmpty_)
            return;
        const QRect r = option.rect;
        painter->save();
        painter->setPen(QColor(0xC0, 0xC0, 0xC0));
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }

private:
    const bool &gridEmpty_;
};

}  // namespace

TUniNameDic::TUniNameDic(QWidget *owner)
    : QFrame(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus), owner_(owner)
{
    // The caret and the input method stay in the asking edit: the window is never activated and none of
    // its controls takes the focus, whether shown or clicked. A tool window would be activated on showing
    // by window managers and platforms that ignore the no-focus hint; a tip-like window never is.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    setFrameStyle(QFrame::Box | QFrame::Plain);

    lblKind = Named<QLabel>("lblKind", QStringLiteral("姓名辞書の種類："), this);
    rbLineage = Named<QRadioButton>("rbLineage", QStringLiteral("姓"), this);
    rbFirst = Named<QRadioButton>("rbFirst", QStringLiteral("名"), this);
    sbtnClose = Named<QToolButton>("sbtnClose", this);
    sbtnClose->setText(QStringLiteral("×"));
    sbtnClose->setAccessibleName(QStringLiteral("閉じる"));
    sbtnClose->setAutoRaise(true);
    sgNameList = Named<QTableWidget>("sgNameList", DesignRows, DesignColumns, this);
    sgNameList->setAccessibleName(QStringLiteral("姓名の候補"));
    tmrActive.setObjectName(QStringLiteral("tmrActive"));
    tmrActive.setInterval(100);

    for (QWidget *control : {static_cast<QWidget *>(rbLineage), static_cast<QWidget *>(rbFirst),
                             static_cast<QWidget *>(sbtnClose), static_cast<QWidget *>(sgNameList)})
        control->setFocusPolicy(Qt::NoFocus);
    sgNameList->horizontalHeader()->hide();
    sgNameList->verticalHeader()->hide();
    sgNameList->setShowGrid(false);
    sgNameList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgNameList->setSelectionMode(QAbstractItemView::SingleSelection);
    sgNameList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sgNameList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sgNameList->setItemDelegate(new TCellLines(sgNameList, gridEmpty_));
    const int columnWidth = ScaleByDpi(64, true);
    const int rowHeight = 4 + sgNameList->fontMetrics().height();
    sgNameList->horizontalHeader()->setDefaultSectionSize(columnWidth);
    sgNameList->horizontalHeader()->setMinimumSectionSize(1);
    sgNameList->verticalHeader()->setDefaultSectionSize(rowHeight);
    sgNameList->verticalHeader()->setMinimumSectionSize(1);
    // The grid keeps its design size: six columns and eleven rows, whatever it shows.
    sgNameList->setFixedSize(DesignColumns * columnWidth + sgNameList->verticalScrollBar()->sizeHint().width()
                                 + 2 * sgNameList->frameWidth(),
                             DesignRows * rowHeight + 2 * sgNameList->frameWidth());

    auto *kinds = new QHBoxLayout;
    kinds->setContentsMargins(4, 0, 0, 0);
    kinds->addWidget(lblKind);
    kinds->addWidget(rbLineage);
    kinds->addWidget(rbFirst);
    kinds->addStretch();
    kinds->addWidget(sbtnClose);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addLayout(kinds);
    layout->addWidget(sgNameList);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Presses on the grid and the kind buttons are handled here and never reach the controls.
    sgNameList->viewport()->installEventFilter(this);
    rbLineage->installEventFilter(this);
    rbFirst->installEventFilter(this);
    // A cell made current from outside the edit's keys — a screen reader — is the one Enter chooses.
    connect(sgNameList, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if ((row != row_ || column != column_) && usableCell(row, column)) {
            row_ = row;
            column_ = column;
            rememberedColumn_ = column;
        }
    });
    for (QRadioButton *button : {rbLineage, rbFirst})
        connect(button, &QRadioButton::toggled, this, [this, button](bool on) {
            if (on)
                rbKindClick(button);
        });
    connect(sbtnClose, &QToolButton::clicked, this, &QWidget::close);
    connect(&tmrActive, &QTimer::timeout, this, &TUniNameDic::tmrActiveTimer);
    highlight_ = rbLineage->palette().color(QPalette::WindowText);
}

TUniNameDic::~TUniNameDic() = default;

void TUniNameDic::SetFolders(const QString &libraryFolder, const QString &dataFolder)
{
    libraryFolder_ = libraryFolder;
    dataFolder_ = dataFolder;
}

void TUniNameDic::Prepare()
{
    library_.Load(libraryFolder_, dataFolder_);
    select(-1, 1);
    gridEmpty_ = false;
    givenName_ = false;
    rbLineage->setChecked(true);
    highlightedTag_ = 0;
    QPalette palette = rbLineage->palette();
    palette.setColor(QPalette::WindowText, highlight_);
    rbLineage->setPalette(palette);
    rememberedColumn_ = 1;
}

void TUniNameDic::SetHighlightColor(const QColor &colour)
{
    highlight_ = colour;
    QRadioButton *highlighted = highlightedTag_ == 1 ? rbFirst : rbLineage;
    QPalette palette = highlighted->palette();
    palette.setColor(QPalette::WindowText, colour);
    highlighted->setPalette(palette);
}

quint32 TUniNameDic::CountCandidates(const QByteArray &reading, bool givenName) const
{
    return library_.CountCandidates(reading, givenName);
}

void TUniNameDic::ShowCandidates(quint32 count)
{
    const TNameReadingLibrary::TCandidates found =
        library_.FetchCandidates(reading_, givenName_, qint32(qMin<quint32>(count, INT32_MAX)));
    if (found.Code != KVREADING_FOUND) {
        close();
        return;
    }
    struct TRow {
        QByteArray Reading;  // empty on a continuation row
        std::vector<QByteArray> Forms;
    };
    std::vector<TRow> rows;
    QByteArray previous;
    for (const TReadingEntry &entry : found.Entries) {
        const QByteArray reading = field(entry.Reading);
        if (rows.empty() || reading != previous)
            rows.push_back({reading, {}});
        else if (rows.back().Forms.size() == FormsPerRow)
            rows.push_back({QByteArray(), {}});
        rows.back().Forms.push_back(field(entry.Written));
        previous = reading;
    }
    size_t widest = 0;
    for (const TRow &row : rows)
        widest = std::max(widest, row.Forms.size());

    sgNameList->clear();
    sgNameList->setRowCount(int(rows.size()));
    sgNameList->setColumnCount(int(widest) + 1);
    const QBrush fixed = sgNameList->palette().button();
    for (int r = 0; r < int(rows.size()); ++r) {
        auto *reading = new QTableWidgetItem(Sjis::decode(rows[r].Reading));
        reading->setData(BytesRole, rows[r].Reading);
        reading->setBackground(fixed);
        reading->setFlags(Qt::ItemIsEnabled);
        sgNameList->setItem(r, 0, reading);
        for (int c = 0; c < int(rows[r].Forms.size()); ++c) {
            auto *form = new QTableWidgetItem(Sjis::decode(rows[r].Forms[c]));
            form->setData(BytesRole, rows[r].Forms[c]);
            sgNameList->setItem(r, c + 1, form);
        }
    }
    select(-1, 1);
    sgNameList->scrollToTop();
    gridEmpty_ = false;
}

void TUniNameDic::SetGivenName(bool givenName)
{
    if (givenName == givenName_)
        return;
    givenName_ = givenName;
    (givenName ? rbFirst : rbLineage)->setChecked(true);
}

bool TUniNameDic::HandleKey(quint32 key)
{
    if (row_ < 0) {
        if ((key != VK_DOWN && key != VK_NEXT) || sgNameList->rowCount() == 0)
            return false;
        rememberedColumn_ = 1;
        select(0, 1);
        return true;
    }
    switch (key) {
    case VK_RETURN:
        if (!cellText(row_, column_).isEmpty())
            choose(row_, column_);
        break;
    case VK_LEFT:
        if (column_ > 1) {
            rememberedColumn_ = column_ - 1;
            select(row_, column_ - 1);
        }
        break;
    case VK_RIGHT:
        if (column_ + 1 < sgNameList->columnCount() && !cellText(row_, column_ + 1).isEmpty()) {
            rememberedColumn_ = column_ + 1;
            select(row_, column_ + 1);
        }
        break;
    case VK_UP:
    case VK_PRIOR:
        if (row_ == 0) {
            rememberedColumn_ = 1;
            select(-1, 1);
        } else {
            moveToRow(std::max(0, row_ - (key == VK_UP ? 1 : visibleRows())));
        }
        break;
    case VK_DOWN:
    case VK_NEXT:
        moveToRow(std::min(sgNameList->rowCount() - 1, row_ + (key == VK_DOWN ? 1 : visibleRows())));
        break;
    default:
        break;
    }
    sgNameList->viewport()->update();
    return true;
}

void TUniNameDic::PlaceUnder(QWidget *edit)
{
    edit_ = edit;
    QWidget *window = edit ? edit->window() : nullptr;
    if (window != editWindow_) {
        if (editWindow_)
            editWindow_->removeEventFilter(this);
        editWindow_ = window;
        if (window)
            window->installEventFilter(this);
    }
    followEdit();
}

void TUniNameDic::followEdit()
{
    if (edit_)
        move(edit_->mapToGlobal(QPoint(0, edit_->height())));
}

bool TUniNameDic::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == editWindow_) {
        if (type == QEvent::Move || type == QEvent::Resize)
            followEdit();
        return false;
    }
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    const bool mouse = press || type == QEvent::MouseButtonRelease || type == QEvent::MouseMove;
    if (!mouse)
        return false;
    const auto *mouseEvent = static_cast<QMouseEvent *>(event);
    const bool left = mouseEvent->button() == Qt::LeftButton;
    if (watched == rbLineage || watched == rbFirst) {
        auto *button = static_cast<QRadioButton *>(watched);
        if (type == QEvent::MouseButtonPress && left && (button == rbFirst) != givenName_)
            RadioButtonClick(button);
        return true;
    }
    if (watched == sgNameList->viewport()) {
        if (press && left) {
            const QModelIndex index = sgNameList->indexAt(mouseEvent->position().toPoint());
            if (index.isValid() && usableCell(index.row(), index.column())) {
                if (type == QEvent::MouseButtonDblClick) {
                    choose(index.row(), index.column());
                } else {
                    rememberedColumn_ = index.column();
                    select(index.row(), index.column());
                }
            }
        }
        return true;
    }
    return false;
}

void TUniNameDic::RadioButtonClick(QRadioButton *button)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SetGivenName(button == rbFirst);
    qint32 code = KVREADING_NOT_FOUND;
    const quint32 count = library_.CountCandidates(reading_, givenName_, &code);
    if (code == KVREADING_FOUND)
        ShowCandidates(count);
    else if (code == KVREADING_NOT_FOUND)
        clearGrid();
    else
        close();
    QApplication::restoreOverrideCursor();
}

void TUniNameDic::rbKindClick(QRadioButton *button)
{
    const int tag = button == rbFirst ? 1 : 0;
    if (tag == highlightedTag_)
        return;
    QRadioButton *previous = highlightedTag_ == 1 ? rbFirst : rbLineage;
    previous->setPalette(QPalette());
    QPalette palette = button->palette();
    palette.setColor(QPalette::WindowText, highlight_);
    button->setPalette(palette);
    highlightedTag_ = tag;
}

void TUniNameDic::tmrActiveTimer()
{
    // Another program or another window of this one in front: the list would hang over it.
    const QWidget *active = QApplication::activeWindow();
    if (!active || !owner_ || owner_->window() != active)
        close();
}

void TUniNameDic::showEvent(QShowEvent *event)
{
    QFrame::showEvent(event);
    tmrActive.start();
}

void TUniNameDic::hideEvent(QHideEvent *event)
{
    tmrActive.stop();
    QFrame::hideEvent(event);
}

void TUniNameDic::choose(int row, int column)
{
    chosenName_ = sgNameList->item(row, column)->data(BytesRole).toByteArray();
    for (int r = row; r >= 0; --r) {
        if (!cellText(r, 0).isEmpty()) {
            reading_ = sgNameList->item(r, 0)->data(BytesRole).toByteArray();
            break;
        }
    }
    if (owner_)
        PostMessage(owner_, WM_NAMEDICCHOSEN);
}

QString TUniNameDic::cellText(int row, int column) const
{
    const QTableWidgetItem *item = sgNameList->item(row, column);
    return item ? item->text() : QString();
}

bool TUniNameDic::usableCell(int row, int column) const { return column >= 1 && row >= 0 && !cellText(row, column).isEmpty(); }

void TUniNameDic::select(int row, int column)
{
    row_ = row;
    column_ = column;
    if (row < 0) {
        sgNameList->clearSelection();
        return;
    }
    sgNameList->setCurrentCell(row, column, QItemSelectionModel::ClearAndSelect);
    sgNameList->scrollTo(sgNameList->model()->index(row, column));
}

void TUniNameDic::moveToRow(int row)
{
    int column = rememberedColumn_;
    while (column > 1 && cellText(row, column).isEmpty())
        --column;
    select(row, column);
}

int TUniNameDic::visibleRows() const
{
    return std::max(1, sgNameList->viewport()->height() / sgNameList->verticalHeader()->defaultSectionSize());
}

void TUniNameDic::clearGrid()
{
    sgNameList->clear();
    sgNameList->setRowCount(0);
    sgNameList->setColumnCount(0);
    select(-1, 1);
    gridEmpty_ = true;
}
