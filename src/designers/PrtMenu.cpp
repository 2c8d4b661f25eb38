#include "designers/PrtMenu.h"

#include "core/SharedHelpers.h"
#include "widgets/NamedControls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

constexpr std::array<const char *, 4> KindWords{"宛名", "ラベル", "名刺", "文面"};
constexpr std::array<const char *, 4> NewWords{"宛名面", "ラベル", "名刺", "文面"};

// The width the window manager's title bar needs for the caption: the caption in the bold form of the
// dialog's font, which title bars commonly use, beside room for the window's icon and its buttons (minimise,
// maximise, close and a spare), each about as wide as the bar is high, and the bar's padding at both ends.
int titleBarWidth(const QWidget &window)
{
    QFont font = window.font();
    font.setBold(true);
    const int bar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return QFontMetrics(font).horizontalAdvance(window.windowTitle()) + 7 * bar;
}

}  // namespace

TPrintMenuDialog::TPrintMenuDialog(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("PrintMenuDialog"));
    setWindowTitle(QStringLiteral("印刷　メニュー"));
    setProperty("HelpContext", 79);
    rbNew = Named<QRadioButton>("rbNew", QStringLiteral("新規に作成する"));
    rbOpen = Named<QRadioButton>("rbOpen", QStringLiteral("既存のファイルを開く"));
    rbContinue = Named<QRadioButton>("rbContinue", QStringLiteral("前回編集したファイルを開く"));
    ckbShowMenu = Named<QCheckBox>("ckbShowMenu", QStringLiteral("次回もこの画面を表示する"));
    ckbShowMenu->setChecked(true);
    auto *group = new QButtonGroup(this);
    auto *box = new QGroupBox(this);
    auto *choices = new QVBoxLayout(box);
    for (QRadioButton *radio : {rbNew, rbOpen, rbContinue}) {
        group->addButton(radio);
        choices->addWidget(radio);
        radio->installEventFilter(this);
        connect(radio, &QRadioButton::toggled, this, &TPrintMenuDialog::recolour);
    }
    ckbShowMenu->installEventFilter(this);
    connect(ckbShowMenu, &QCheckBox::toggled, this, &TPrintMenuDialog::recolour);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addWidget(ckbShowMenu);
    layout->addLayout(MakeOkCancelButtons(this, btnOK, btnCancel));
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    rbNew->setChecked(true);
    recolour();
}

void TPrintMenuDialog::SetKind(uint8_t kind)
{
    const size_t k = std::min<size_t>(kind, KindWords.size() - 1);
    setWindowTitle(QString::fromUtf8(KindWords[k]) + QStringLiteral("印刷　メニュー"));
    rbNew->setText(QStringLiteral("新規に") + QString::fromUtf8(NewWords[k]) + QStringLiteral("を作成する"));
    // A caption longer than the choices would be cut by the title bar.
    setMinimumWidth(std::max(minimumSizeHint().width(), titleBarWidth(*this)));
}

void TPrintMenuDialog::SetChoice(uint8_t choice)
{
    (choice == 0 ? rbNew : choice == 1 ? rbOpen : rbContinue)->setChecked(true);
    rbContinue->setEnabled(rbContinue->isChecked());
}

uint8_t TPrintMenuDialog::GetChoice() const { return rbNew->isChecked() ? 0 : rbOpen->isChecked() ? 1 : 2; }

bool TPrintMenuDialog::GetShowMenu() const { return ckbShowMenu->isChecked(); }

void TPrintMenuDialog::recolour()
{
    for (QAbstractButton *button : std::initializer_list<QAbstractButton *>{rbNew, rbOpen, rbContinue, ckbShowMenu})
        SetCaptionColour(button, button->isChecked());
}

bool TPrintMenuDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (IsEnterKey(event)) {
        focusNextChild();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
