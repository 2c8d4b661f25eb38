#include "mainlist/KeywdEdt.h"

#include "base/TextUtils.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

namespace {

constexpr int KeywordCount = 8;
constexpr int MaxKeywordNameBytes = 12;

struct TKeywordMode {
    QString Caption;
    TImeMode Mode;
};

// The lists' rows in this order; the mode values are what the settings file stores.
const std::array<TKeywordMode, 5> &KeywordModeTable()
{
    static const std::array<TKeywordMode, 5> table{{
        {QStringLiteral("全角ひらがな"), imHira},
        {QStringLiteral("全角カタカナ"), imKata},
        {QStringLiteral("全角英数"), imAlpha},
        {QStringLiteral("半角カタカナ"), imSKata},
        {QStringLiteral("半角英数"), imClose},
    }};
    return table;
}

int rowOfMode(uint8_t mode)
{
    const auto &table = KeywordModeTable();
    for (size_t row = 0; row < table.size(); ++row)
        if (table[row].Mode == mode)
            return static_cast<int>(row);
    return 0;
}

// An edit that keeps its caret where it is when entered, instead of selecting its text.
class TKeywordNameEdit : public TUniEdit {
public:
    using TUniEdit::TUniEdit;

protected:
    void DoEnter() override { deselect(); }
};

void SaveKeywordSettings()
{
    TMemIniFile ini(DataRootFolder + QStringLiteral("AdrsList.ini"));
    const QString section = QStringLiteral("KEYWORD");
    for (int n = 1; n <= KeywordCount; ++n)
        ini.WriteString(section, QStringLiteral("Name%1").arg(n), KeywordNames[n - 1]);
    for (int n = 1; n <= KeywordCount; ++n)
        ini.WriteInteger(section, QStringLiteral("Mode%1").arg(n), KeywordModes[n - 1]);
    ini.UpdateFile();
}

}  // namespace

TKeywordEdit::TKeywordEdit(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("KeywordEdit"));
    setWindowTitle(QStringLiteral("キーワード項目の設定"));
    setProperty("HelpContext", 43);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // The program's own face at the dialog's small size: a Latin-only face would leave the names' kana and
    // kanji to another face.
    QFont dialogFont = font();
    dialogFont.setPixelSize(11);
    setFont(dialogFont);

    lblName = Named<QLabel>("lblName", QStringLiteral("名称："), this);
    lblMode = Named<QLabel>("lblMode", QStringLiteral("入力モード："), this);
    auto *grid = new QGridLayout;
    grid->addWidget(lblName, 0, 1);
    grid->addWidget(lblMode, 0, 2);
    QWidget *previous = nullptr;
    for (int i = 0; i < KeywordCount; ++i) {
        const QString number = QString::number(i + 1);
        lblKeyword[i] = new QLabel(ToFullWidthW(number), this);
        lblKeyword[i]->setObjectName(QStringLiteral("lblKeyword") + number);
        edtKeyword[i] = new TKeywordNameEdit(this);
        edtKeyword[i]->setObjectName(QStringLiteral("edtKeyword") + number);
        // The limit counts characters; the byte limit is kept when the entry ends (leaving the edit, a text a
        // screen reader sets).
        edtKeyword[i]->SetMaxLength(MaxKeywordNameBytes);
        TUniEdit *edit = edtKeyword[i];
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { edtKeywordExit(edit); });
        // The names are kept in Shift-JIS: a character it lacks is refused where it is typed.
        edtKeyword[i]->setValidator(new TShiftJisValidator(0, edtKeyword[i]));
        SetImeMode(edtKeyword[i], imHira);
        edtKeyword[i]->installEventFilter(this);
        cbxKeyword[i] = new TUniComboBox(this);
        cbxKeyword[i]->setObjectName(QStringLiteral("cbxKeyword") + number);
        for (const TKeywordMode &mode : KeywordModeTable())
            cbxKeyword[i]->AddObject(mode.Caption, mode.Mode);
        SetImeMode(cbxKeyword[i], imClose);
        cbxKeyword[i]->installEventFilter(this);
        lblKeyword[i]->setBuddy(edtKeyword[i]);
        // The row's number alone would name it: its name says which keyword and which column.
        const QString keyword = QStringLiteral("キーワード") + lblKeyword[i]->text();
        edtKeyword[i]->setAccessibleName(keyword + QStringLiteral("の名称"));
        cbxKeyword[i]->setAccessibleName(keyword + QStringLiteral("の入力モード"));
        grid->addWidget(lblKeyword[i], i + 1, 0);
        grid->addWidget(edtKeyword[i], i + 1, 1);
        grid->addWidget(cbxKeyword[i], i + 1, 2);
        if (previous)
            setTabOrder(previous, edtKeyword[i]);
        setTabOrder(edtKeyword[i], cbxKeyword[i]);
        previous = cbxKeyword[i];
    }
    grid->setColumnMinimumWidth(1, 140);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(MakeOkCancelButtons(this, btnOk, btnCancel));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(previous, btnOk);
    setTabOrder(btnOk, btnCancel);

    connect(btnOk, &QPushButton::clicked, this, &TKeywordEdit::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TKeywordEdit::btnCancelClick);

    for (int i = 0; i < KeywordCount; ++i) {
        edtKeyword[i]->SetText(KeywordNames[i]);
        cbxKeyword[i]->SetItemIndex(rowOfMode(KeywordModes[i]));
    }
    edtKeyword[0]->setFocus();
    NamesChanged = 0;
    ModesChanged = 0;
}

TKeywordEdit::~TKeywordEdit() { DisconnectChildControls(this); }

bool TKeywordEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (IsEnterKey(event)) {
        NextFocusKeyPress();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TKeywordEdit::NextFocusKeyPress()
{
    focusNextPrevChild(true);
    if (auto *edit = qobject_cast<QLineEdit *>(focusWidget()))
        edit->end(false);
}

void TKeywordEdit::edtKeywordExit(TUniEdit *edit)
{
    const QString text = edit->GetText();
    const QString cut = CopyLeftMbcsW(text, MaxKeywordNameBytes);
    if (cut != text)
        edit->SetText(cut);
}

void TKeywordEdit::btnOkClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });

    std::array<QString, KeywordCount> names;
    std::array<uint8_t, KeywordCount> modes{};
    for (int i = 0; i < KeywordCount; ++i) {
        // A click that does not take the focus leaves the edit unleft; its byte limit must hold all the same.
        edtKeywordExit(edtKeyword[i]);
        names[i] = TrimBlanks(edtKeyword[i]->GetText());
        if (names[i].isEmpty()) {
            ShowMessageBoxAt(this,
                             QStringLiteral("キーワード項目") + ToFullWidthW(QString::number(i + 1)) +
                                 QStringLiteral("が未入力です  "),
                             AppTitle, MB_ICONINFORMATION);
            edtKeyword[i]->setFocus();
            return;
        }
        modes[i] = static_cast<uint8_t>(cbxKeyword[i]->ItemObject(cbxKeyword[i]->ItemIndex()));
    }
    // The globals stay those of the file: when it cannot be written the old values come back and the
    // dialog stays open without reporting a change.
    const std::array<QString, KeywordCount> storedNames = KeywordNames;
    const std::array<uint8_t, KeywordCount> storedModes = KeywordModes;
    KeywordNames = names;
    KeywordModes = modes;
    try {
        SaveKeywordSettings();
    } catch (const EIniFileError &e) {
        KeywordNames = storedNames;
        KeywordModes = storedModes;
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
        return;
    }
    NamesChanged = names != storedNames ? 1 : 0;
    ModesChanged = modes != storedModes ? 1 : 0;
    accept();
}

void TKeywordEdit::btnCancelClick() { reject(); }
