#include "core/GrpEdt.h"

#include "core/SharedHelpers.h"

#include "base/TextUtils.h"
#include "core/Globals.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

namespace {

constexpr int MaxGroupNameBytes = 20;
const QString GroupSection = QStringLiteral("GROUP");

QString groupKey(int group) { return QStringLiteral("Group") + QString::number(group); }

QString fullWidthNumber(int n) { return ToFullWidthW(QString::number(n)); }

QString groupFileName()
{
    return AdrsFolder + AdrsBookList.at(static_cast<size_t>(CurrentAdrsIndex)).Folder + QStringLiteral("/Group.dat");
}

}  // namespace

void LoadGroupNames()
{
    const TMemIniFile ini(groupFileName());
    GroupNames[0] = QStringLiteral("指定なし");
    for (int i = 1; i <= 10; ++i)
        GroupNames[i] = CopyLeftMbcsW(
            ini.ReadString(GroupSection, groupKey(i), QStringLiteral("グループ") + fullWidthNumber(i)), MaxGroupNameBytes);
}

void SaveGroupNames()
{
    TMemIniFile ini(groupFileName());
    for (int i = 1; i <= 10; ++i)
        ini.WriteString(GroupSection, groupKey(i), GroupNames[i]);
    ini.UpdateFile();
}

TGruopEdit::TGruopEdit(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("GruopEdit"));
    setWindowTitle(QStringLiteral("グループ名の設定"));
    setProperty("HelpContext", 42);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    lblTitle = Named<QLabel>("lblTitle", QStringLiteral("アドレス帳のグループ項目の名称を設定します："), this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    auto *grid = new QGridLayout;
    for (int i = 1; i <= 10; ++i) {
        lblGroup[i] = new QLabel(fullWidthNumber(i) + QStringLiteral("："), this);
        lblGroup[i]->setObjectName(QStringLiteral("lblGroup") + QString::number(i));
        lblGroup[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edtGroup[i] = new TUniEdit(this);
        edtGroup[i]->setObjectName(QStringLiteral("edtGroup") + QString::number(i));
        // The limit counts characters; the byte limit is kept when the entry ends (leaving the edit, a text a
        // screen reader sets).
        edtGroup[i]->SetMaxLength(MaxGroupNameBytes);
        TUniEdit *edit = edtGroup[i];
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { edtGroupExit(edit); });
        // The names are kept in Shift-JIS: a character it lacks is refused where it is typed.
        edtGroup[i]->setValidator(new TShiftJisValidator(0, edtGroup[i]));
        SetImeMode(edtGroup[i], imHira);
        lblGroup[i]->setBuddy(edtGroup[i]);
        edtGroup[i]->installEventFilter(this);
        grid->addWidget(lblGroup[i], i - 1, 0);
        grid->addWidget(edtGroup[i], i - 1, 1);
        if (i > 1)
            setTabOrder(edtGroup[i - 1], edtGroup[i]);
    }
    grid->setColumnMinimumWidth(1, 200);
    layout->addLayout(grid);

    layout->addLayout(MakeOkCancelButtons(this, btnOk, btnCancel));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(edtGroup[10], btnOk);
    setTabOrder(btnOk, btnCancel);

    connect(btnOk, &QPushButton::clicked, this, &TGruopEdit::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TGruopEdit::btnCancelClick);

    for (int i = 1; i <= 10; ++i)
        edtGroup[i]->SetText(GroupNames[i]);
    edtGroup[1]->setFocus();
    edtGroup[1]->end(false);
    NamesChanged = false;
}

TGruopEdit::~TGruopEdit() { DisconnectChildControls(this); }

bool TGruopEdit::eventFilter(QObject *, QEvent *event)
{
    if (IsEnterKey(event)) {
        NextFocusKeyPress();
        return true;
    }
    return false;
}

void TGruopEdit::NextFocusKeyPress()
{
    focusNextPrevChild(true);
    if (auto *edit = qobject_cast<QLineEdit *>(focusWidget()); edit && !edit->isReadOnly())
        edit->end(false);
}

void TGruopEdit::edtGroupExit(TUniEdit *edit)
{
    const QString text = edit->GetText();
    const QString cut = CopyLeftMbcsW(text, MaxGroupNameBytes);
    if (cut != text)
        edit->SetText(cut);
}

bool TGruopEdit::checkNames(const std::array<QString, 11> &names)
{
    for (int i = 1; i <= 10; ++i) {
        if (names[i].isEmpty()) {
            ShowMessageBoxAt(this, QStringLiteral("グループ項目") + fullWidthNumber(i) + QStringLiteral("が未入力です  "),
                             AppTitle, MB_ICONINFORMATION);
            edtGroup[i]->setFocus();
            return false;
        }
    }
    for (int i = 1; i <= 9; ++i) {
        for (int j = i + 1; j <= 10; ++j) {
            if (names[i] == names[j]) {
                ShowMessageBoxAt(this, QStringLiteral("同じグループ名は設定できません  "), AppTitle, MB_ICONINFORMATION);
                edtGroup[j]->end(false);
                edtGroup[j]->setFocus();
                return false;
            }
        }
    }
    return true;
}

void TGruopEdit::btnOkClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });

    std::array<QString, 11> names;
    for (int i = 1; i <= 10; ++i)
        names[i] = TrimBlanks(edtGroup[i]->GetText());
    if (!checkNames(names))
        return;
    names[0] = GroupNames[0];
    // The names in memory stay those of the file: when the file cannot be written, the old ones come back
    // and the dialog stays open.
    const std::array<QString, 11> stored = GroupNames;
    GroupNames = names;
    try {
        SaveGroupNames();
    } catch (const EIniFileError &e) {
        GroupNames = stored;
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
        return;
    }
    NamesChanged = names != stored;
    accept();
}

void TGruopEdit::btnCancelClick() { reject(); }
