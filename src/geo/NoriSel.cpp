#include "geo/NoriSel.h"

#include "base/SjisCodec.h"
#include "base/Trim.h"
#include "core/SharedHelpers.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TNorikaeSelectStation::TNorikaeSelectStation(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("NorikaeSelectStation"));
    setWindowTitle(QStringLiteral("駅選択"));
    setProperty("HelpContext", 65);
    edName = Named<QLineEdit>("edName", this);
    lvStation = Named<QTreeWidget>("lvStation", this);
    lvStation->setHeaderLabels({QStringLiteral("駅名")});
    lvStation->setRootIsDecorated(false);
    lvStation->setAccessibleName(QStringLiteral("駅候補一覧"));
    btnOK = Named<QPushButton>("btnOK", QStringLiteral("OK"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    for (QPushButton *b : {btnOK, btnCancel})
        b->setAutoDefault(false);
    auto *top = new QHBoxLayout;
    auto *nameLabel = new QLabel(QStringLiteral("駅名："), this);
    nameLabel->setBuddy(edName);
    top->addWidget(nameLabel);
    top->addWidget(edName, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lvStation, 1);
    layout->addLayout(buttons);
    resize(ScaleByDpi(300, true), ScaleByDpi(360, true));
    connect(btnOK, &QPushButton::clicked, this, &TNorikaeSelectStation::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(lvStation, &QTreeWidget::itemDoubleClicked, this, [this] { btnOK->click(); });
    edName->installEventFilter(this);
    lvStation->installEventFilter(this);
}

bool TNorikaeSelectStation::Prepare(const QString &folder, const QString &dataFolder)
{
    dataFolder_ = dataFolder;
    if (rail_.Load(this, folder, false, false, true))
        return true;
    ShowMessageBoxAt(parentWidget(), QStringLiteral("乗換案内が起動できませんでした  "), AppTitle, MB_OK | MB_ICONINFORMATION);
    return false;
}

void TNorikaeSelectStation::ListCandidates()
{
    lvStation->clear();
    candidates_.clear();
    const QByteArray key = Sjis::encode(TrimBlanks(edName->text()));
    const QByteArray folder = dataFolder_.toLocal8Bit();
    int32_t count = 0;
    if (!key.isEmpty() && rail_.StationListEx(key.constData(), &count, nullptr, folder.constData()) == 0 && count > 0) {
        std::vector<TRailStation> found(static_cast<size_t>(count));
        if (rail_.StationListEx(key.constData(), &count, found.data(), folder.constData()) == 0)
            for (int32_t i = 0; i < count && i < int32_t(found.size()); ++i)
                candidates_ << TrimBlanks(Sjis::decode(QByteArray(found[size_t(i)].Name, 22)));
    }
    for (const QString &name : candidates_)
        lvStation->addTopLevelItem(new QTreeWidgetItem({name}));
    if (QTreeWidgetItem *first = lvStation->topLevelItem(0)) {
        lvStation->setCurrentItem(first);
        lvStation->setFocus();
    }
}

void TNorikaeSelectStation::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (TrimBlanks(Choice.Name).isEmpty())
        return;
    edName->setText(Choice.Name);
    ListCandidates();
    const int row = Choice.Index < lvStation->topLevelItemCount() ? Choice.Index : 0;
    if (QTreeWidgetItem *item = lvStation->topLevelItem(row))
        lvStation->setCurrentItem(item);
}

void TNorikaeSelectStation::btnOKClick()
{
    const int row = lvStation->indexOfTopLevelItem(lvStation->currentItem());
    if (row < 0 || row >= candidates_.size()) {
        reject();
        return;
    }
    Choice.Name = TrimBlanks(edName->text());
    Choice.Index = row;
    Choice.Station = candidates_[row];
    accept();
}

bool TNorikaeSelectStation::eventFilter(QObject *watched, QEvent *event)
{
    if (!IsEnterKey(event))
        return QDialog::eventFilter(watched, event);
    if (watched == edName) {
        if (!TrimBlanks(edName->text()).isEmpty())
            ListCandidates();
        else
            btnCancel->setFocus();
    } else {
        (lvStation->currentItem() ? btnOK : btnCancel)->setFocus();
    }
    return true;
}
