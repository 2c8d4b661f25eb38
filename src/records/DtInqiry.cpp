#include "records/DtInqiry.h"

#include "records/EntryHelpers.h"

#include "base/Folders.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "directory/ExportItemSelect.h"
#include "directory/NmAdSch.h"
#include "directory/SearchWindow.h"
#include "geo/ContinualAdrsSearch.h"
#include "geo/DicSch.h"
#include "geo/UniNMDic.h"
#include "mainlist/AdrsList.h"
#include "mainlist/RecordListing.h"
#include "platform/CustomEvents.h"
#include "platform/Forms.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "records/InputLst.h"
#include "records/ItemCopy.h"
#include "records/NMDEdit.h"
#include "records/UniNMDEdit.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"
#include "widgets/WindowRole.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QTreeWidget>
#include <QWheelEvent>

#include <set>

namespace {

const QString InquirySection = QStringLiteral("DATA INQUIRY");
const QString CaptionInquiry = QStringLiteral("アドレス帳情報照会");
const QString CaptionRegister = QStringLiteral("アドレス帳情報登録");

// The user's documents folder (or home folder), or the data folder when there is neither.
QString GetMyDocumentsFolder()
{
    const QString folder = UserDocumentsFolder();
    return folder.isEmpty() ? DataFolder : folder;
}

}  // namespace

QByteArray TDataInquiry::digitsOf(const QString &text)
{
    return KeepNumberChars(Sjis::encode(text), NumberChars::Digits);
}

QString TDataInquiry::linesText(const std::optional<QByteArrayList> &lines)
{
    QString text;
    if (lines)
        for (const QByteArray &line : *lines)
            text += Sjis::decode(line) + QLatin1Char('\n');
    return text;
}

QString TDataInquiry::formatDateTime(double value, const QString &format)
{
    return DoubleToDateTime(value).toString(format);
}

// ---- Creation ----

TDataInquiry::TDataInquiry(TAddressList *owner) : QWidget(nullptr), owner_(owner)
{
    // A window of its own on the taskbar, yet it must not outlive the main list it reads.
    setObjectName(QStringLiteral("DataInquiry"));
    UseWindowRoleForPlainWindows();
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setProperty("HelpContext", 52);
    setWindowTitle(CaptionRegister);
    if (owner)
        connect(owner, &QObject::destroyed, this, [this] { delete this; });

    createControls();
    connectHandlers();
    bindEnterKeys();

    LoadSettings();
    InitInputLists();
    ClearControls();
    btnUpdate->setEnabled(false);
    btnDelete->setEnabled(false);
    UpdateRecordNavigator();
    SourceList = -1;
    Linked = -1;
    SkipUnsavedCheck = false;
    setActivePage(tabstMain);
    loadGlyphs();
}

TDataInquiry::~TDataInquiry()
{
    DisconnectChildControls(this);
    SaveSettings();
    if (RecordForm == this)
        RecordForm = nullptr;
}

// ---- Settings ----

void TDataInquiry::LoadSettings()
{
    const TMemIniFile ini(DataFolder + SettingsFileName);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1024, 768);
    const int left = ini.ReadInteger(InquirySection, QStringLiteral("Left"),
                                     (ScaleByDpi(screenSize.width(), false) - 574) / 2);
    const int top = ini.ReadInteger(InquirySection, QStringLiteral("Top"),
                                    (ScaleByDpi(screenSize.height(), false) - 627) / 2);
    move(ScaleByDpi(left, true), ScaleByDpi(top, true));
    chkContinualAdd->setChecked(ini.ReadBool(InquirySection, QStringLiteral("ContinualAdd"), false));
    TCopySettings copy = LoadCopySettings(ini);
    CopyItems = std::move(copy.Items);
    CopyLastReturn = copy.LastReturn;
}

void TDataInquiry::SaveSettings()
{
    TMemIniFile ini(DataFolder + SettingsFileName);
    ini.WriteInteger(InquirySection, QStringLiteral("Left"), ScaleByDpi(pos().x(), false));
    ini.WriteInteger(InquirySection, QStringLiteral("Top"), ScaleByDpi(pos().y(), false));
    ini.WriteBool(InquirySection, QStringLiteral("ContinualAdd"), chkContinualAdd->isChecked());
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(nullptr, e.Message, AppTitle, MB_ICONERROR, mbpSystem);
    }
}

void TDataInquiry::SaveCopySettings()
{
    TMemIniFile ini(DataFolder + SettingsFileName);
    StoreCopySettings(ini, {CopyItems, CopyLastReturn});
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
}

void TDataInquiry::InitInputLists()
{
    InitGroupList();
    RefillDptmntList();
    RefillPostList();
    RefillHonorLists();
    for (int n = 0; n < 3; ++n)
        RefillKeywordList(n);
    InitSenderList();
    ApplyKeywordNames();
    ApplyKeywordInputModes();
    sbtnPriv->setChecked(true);
    UpdatePrivCorp();
    InitSymbolMarkList();
}

// ---- Record display ----

void TDataInquiry::HoldRecord(const TAddressRecord &record)
{
    HeldRecord = std::make_unique<TAddressRecord>(record);
}

void TDataInquiry::TakeEntrySnapshot(bool take)
{
    EntrySnapshot.reset();
    if (take)
        EntrySnapshot = std::make_unique<TAddressRecord>(ControlsToRecord(false));
}

void TDataInquiry::ShowRecord(const TAddressRecord &record)
{
    SetLinked(1);
    setWindowTitle(CaptionInquiry);
    if (EntrySnapshot && NameAdrsSearch)
        NameAdrsSearch->SetCurrentHit(-1);
    EntrySnapshot.reset();
    chkContinualAdd->setEnabled(false);
    TAddressRecord shown = record;
    RecordToControls(shown);
    HoldRecord(shown);
    UpdateRecordNavigator();
    btnUpdate->setEnabled(true);
    btnDelete->setEnabled(true);
    if (isVisible() && pgctlData->currentWidget() == tabstMain)
        cbxGroup->setFocus();
}

void TDataInquiry::BeginNewRecord()
{
    if (!isVisible())
        SetLinked(0);
    else
        bbtnNew->click();
}

void TDataInquiry::bbtnNewClick()
{
    {
        // A close pressed while the unsaved input is asked about takes that answer and ends the command: no new
        // record is begun on a form that closes.
        const TWindowCommand command(this);
        if (!command)
            return;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        if (CheckUnsavedChanges(false, true) == ucCancelled || command.CloseAsked())
            return;
        SetLinked(0);
        setWindowTitle(CaptionRegister);
        EntrySnapshot.reset();
        HeldRecord.reset();
        LeaveHits();
        if (AddressList)
            AddressList->SetCurrentIndex(-1);
        chkContinualAdd->setEnabled(true);
        UpdateRecordNavigator();
        btnUpdate->setEnabled(false);
        btnDelete->setEnabled(false);
        ClearControls();
    }
    // The dictionary window, a command of its own, waits for the user: no hourglass over it.
    StartNewRecordLookUp();
}

void TDataInquiry::FormShow()
{
    if (Linked == 0) {
        setWindowTitle(CaptionRegister);
        PostMessage(this, WM_INQUIRYSETUP);
    } else {
        cbxGroup->setFocus();
    }
}

void TDataInquiry::WMInquirySetup() { StartNewRecordLookUp(); }

// A new record usually starts from a number the user has at hand: the telephone page, with the saved area code.
void TDataInquiry::StartNewRecordLookUp()
{
    RunDictionarySearch(dicResultTel, QString(), true);
    cbxGroup->setFocus();
}

void TDataInquiry::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    if (!shownOnce_) {
        shownOnce_ = true;
        // The tab rectangles exist once the page control has been laid out.
        for (int i = 0; i < pgctlData->count(); ++i) {
            const QRect tab = pgctlData->tabBar()->tabRect(i);
            TabRects[i] = QRect(pgctlData->tabBar()->mapTo(pgctlData, tab.topLeft()), tab.size());
        }
    }
    FormShow();
}

bool TDataInquiry::event(QEvent *event)
{
    if (event->type() == static_cast<QEvent::Type>(WM_INQUIRYSETUP)) {
        WMInquirySetup();
        return true;
    }
    if (event->type() == static_cast<QEvent::Type>(WM_NAMEDICCHOSEN)) {
        WMNameDicSelected();
        return true;
    }
    return QWidget::event(event);
}

void TDataInquiry::sbtnMoveRecordClick(int tag)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int r = CheckUnsavedChanges(false, false);
    if (r == ucCancelled) {
        QApplication::restoreOverrideCursor();
        return;
    }
    if (SourceList == 1 && AddressList) {
        TAddressRecord record;
        bool read = false;
        switch (tag) {
        case 0: read = AddressList->ReadFirstRecord(&record); break;
        case 1: read = AddressList->ReadPriorRecord(&record); break;
        case 2: read = AddressList->ReadNextRecord(&record); break;
        case 3: read = AddressList->ReadLastRecord(&record); break;
        default: break;
        }
        if (read)
            ShowRecord(record);
    } else {
        StepThroughHits(tag);
    }
    if (r == ucSaved && AddressList) {
        AddressList->RefreshList(false, true, true);
        AddressList->SelectItem(AddressList->CurrentIndex, false, false);
        UpdateRecordNavigator();
    }
    QApplication::restoreOverrideCursor();
}

void TDataInquiry::UpdateRecordNavigator()
{
    if (const TDirectorySearchWindow *hits = HitList()) {
        ShowNavigator(hits->IsFirstHit(), hits->IsLastHit(), hits->CurrentHit(), hits->GetHitCount());
        return;
    }
    if (SourceList != 1 || !AddressList) {
        DisableRecordNavigator();
        return;
    }
    ShowNavigator(AddressList->IsFirstRecord(), AddressList->IsLastRecord(), AddressList->CurrentIndex,
                  AddressList->GetRecordCount());
}

void TDataInquiry::ShowNavigator(bool first, bool last, int index, int count)
{
    sbtnFirst->setEnabled(!first);
    sbtnPrior->setEnabled(!first);
    sbtnNext->setEnabled(!last);
    sbtnLast->setEnabled(!last);
    lblNowRec->setText(index < 0 ? QStringLiteral("---") : QString::number(index + 1));
    lblTotalRec->setText(count == 0 ? QStringLiteral("---") : QString::number(count));
}

void TDataInquiry::DisableRecordNavigator()
{
    for (QToolButton *b : {sbtnFirst, sbtnPrior, sbtnNext, sbtnLast})
        b->setEnabled(false);
    lblNowRec->setText(QStringLiteral("---"));
    lblTotalRec->setText(QStringLiteral("---"));
}

int TDataInquiry::CheckUnsavedChanges(bool closing, bool refreshList)
{
    if (SkipUnsavedCheck) {
        SkipUnsavedCheck = false;
        return ucNothingSaved;
    }
    if (!(closing ? AddressFormClose : AddressChangeData) || !IsInputChanged())
        return ucNothingSaved;
    // A close pressed meanwhile (a screen reader can, over the question) takes the answer given here instead of
    // asking it again: after a save or a discard it goes on, after キャンセル the form stays.
    TWindowCommand asking(this);
    const int result = saveOrDiscard(refreshList);
    if (asking.CloseAsked()) {
        if (result == ucCancelled)
            asking.ForgetClose();
        else
            SkipUnsavedCheck = true;
    }
    return result;
}

int TDataInquiry::saveOrDiscard(bool refreshList)
{
    if (AddressConfirmation) {
        const QString text = (HeldRecord ? QStringLiteral("照会中のデータが変更されています  ")
                                         : QStringLiteral("入力途中のデータがあります  "))
                             + QStringLiteral("\r\n\r\n") + QStringLiteral("アドレス帳に保存する場合は「はい」  ")
                             + QStringLiteral("\r\n") + QStringLiteral("破棄する場合は「いいえ」  ")
                             + QStringLiteral("\r\n") + QStringLiteral("中止する場合は「キャンセル」  ")
                             + QStringLiteral("\r\n\r\n") + QStringLiteral("を押してください  ");
        const int answer = ShowMessageBoxAt(this, text, AppTitle, MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDNO)
            return ucNothingSaved;
        if (answer != IDYES)
            return ucCancelled;
    }
    if (!ValidateInput(!HeldRecord))
        return ucCancelled;
    int32_t newRecNo = -1;
    const int stored = StoreRecord(HeldRecord ? 1 : 0, &newRecNo);
    if (stored == srError)
        ShowMessageBoxAt(this, storeFailure_, AppTitle, MB_OK | MB_ICONERROR);
    // A row not stored keeps the input on the form, as キャンセル does: the close, the move or the end that asked
    // would throw away what the user typed, who can make room (or wait for the other program) and save, or
    // discard.
    if (stored != srStored)
        return ucCancelled;
    if (AddressList && refreshList) {
        const int32_t recNo = HeldRecord ? HeldRecord->RecNo : newRecNo;
        AddressList->RefreshList(false, true, true);
        AddressList->SelectItem(AddressList->IndexOfRecNo(recNo), false, true);
    }
    return ucSaved;
}

void TDataInquiry::btnCloseClick() { close(); }

// Esc is 閉じる, with its question over what was typed.
void TDataInquiry::keyPressEvent(QKeyEvent *event)
{
    if (!EscPresses(event, btnClose))
        QWidget::keyPressEvent(event);
}

void TDataInquiry::closeEvent(QCloseEvent *event)
{
    if (!AskBeforeClose(this, [this] { return CheckUnsavedChanges(true, true) != ucCancelled; })) {
        event->ignore();
        return;
    }
    EntrySnapshot.reset();
    HeldRecord.reset();
    SourceList = -1;
    LeaveHits();
    if (AddressList)
        AddressList->SetCurrentIndex(-1);
    event->accept();
    if (RecordForm == this)
        RecordForm = nullptr;
    RecolourHitLists();
    if (AddressList)
        AddressList->UpdateListColor();
}

void TDataInquiry::SetSourceList(int kind)
{
    if (SourceList == kind)
        return;
    SourceList = kind;
    RecolourHitLists();
    if (AddressList)
        AddressList->UpdateListColor();
}

void TDataInquiry::SetLinked(int flag)
{
    if (Linked == flag)
        return;
    Linked = flag;
    RecolourHitLists();
    if (AddressList)
        AddressList->UpdateListColor();
}

int32_t TDataInquiry::GetRecNo() const { return HeldRecord ? HeldRecord->RecNo : -1; }

// ---- Services for the other windows ----

void TDataInquiry::RefreshGroupList()
{
    InitGroupList();
    cbxGroup->setCurrentIndex(GroupNo);
}

void TDataInquiry::RefreshSenderList()
{
    InitSenderList();
    int found = -1;
    for (int i = 1; i < cbxSender->count() && found < 0; ++i)
        if (cbxSender->ItemObject(i) == SenderNo)
            found = i;
    if (found < 0) {
        cbxSender->setCurrentIndex(0);
        SenderNo = 0;
        if (HeldRecord)
            HeldRecord->Sender = 0;
    } else {
        cbxSender->setCurrentIndex(found);
    }
}

void TDataInquiry::SelectSender(int32_t senderNo)
{
    if (!HeldRecord)
        return;
    HeldRecord->Sender = senderNo;
    cbxSender->setCurrentIndex(0);
    for (int i = 1; i < cbxSender->count(); ++i)
        if (cbxSender->ItemObject(i) == senderNo) {
            cbxSender->setCurrentIndex(i);
            break;
        }
    SenderNo = cbxSender->ItemObject(cbxSender->currentIndex());
}

void TDataInquiry::ApplyKeywordNames()
{
    for (int i = 0; i < 8; ++i)
        lblKeyword[i]->setText(KeywordNames[i]);
    for (int i = 0; i < 3; ++i) {
        bbtnKeyword[i]->setToolTip(KeywordNames[i + 5] + QStringLiteral("の編集"));
        bbtnKeyword[i]->setAccessibleName(bbtnKeyword[i]->toolTip());
    }
}

void TDataInquiry::ApplyKeywordInputModes()
{
    for (int i = 0; i < 5; ++i)
        SetKeywordImeMode(edtKeyword[i], i);
    for (int i = 0; i < 3; ++i)
        SetKeywordImeMode(cbxKeyword[i], i + 5);
}

void TDataInquiry::ApplyBatchChange(const TAddressRecord &record, const std::array<uint8_t, 17> &flags)
{
    if (!HeldRecord)
        return;
    TAddressRecord &held = *HeldRecord;
    if (flags[0]) {
        cbxGroup->setCurrentIndex(record.Group);
        GroupNo = held.Group = record.Group;
    }
    if (flags[1]) {
        edtJisCode->setText(Sjis::decode(record.JisCode));
        lblKajoCode->setText(Sjis::decode(record.KajoCode));
        held.JisCode = record.JisCode;
        held.KajoCode = record.KajoCode;
    }
    if (flags[2]) {
        (record.PrivCorp ? sbtnPriv : sbtnCorp)->setChecked(true);
        UpdatePrivCorp();
        held.PrivCorp = record.PrivCorp;
    }
    if (flags[3]) {
        chkIgnoreName->setChecked(record.IgnoreName);
        held.IgnoreName = record.IgnoreName;
    }
    if (flags[4]) {
        SelectMainCategory(record.CodeMain);
        SelectSubCategory(record.CodeMain, record.CodeSub);
        ShownCatMain = record.CodeMain;
        held.CodeMain = record.CodeMain;
        held.CodeSub = record.CodeSub;
    }
    if (flags[5]) {
        setPrintTarget(record.PrintTarget);
        held.PrintTarget = record.PrintTarget;
    }
    if (flags[6]) {
        const int sender = cbxSender->findData(record.Sender);
        if (sender >= 0) {
            cbxSender->setCurrentIndex(sender);
            SenderNo = record.Sender;
        }
        held.Sender = record.Sender;
    }
    for (int i = 0; i < 8; ++i) {
        if (!flags[7 + i])
            continue;
        if (i < 5)
            edtKeyword[i]->setText(Sjis::decode(record.Keyword[i]));
        else
            cbxKeyword[i - 5]->setEditText(Sjis::decode(record.Keyword[i]));
        held.Keyword[i] = Sjis::cutToBytes(record.Keyword[i], 100);
    }
    if (flags[15]) {
        selectSymbolMark(record.SymbolMark);
        held.SymbolMark = record.SymbolMark;
    }
    if (flags[16]) {
        setSymbolColor(record.SymbolColor);
        held.SymbolColor = record.SymbolColor;
    }
    edtUpdDateTime->setText(formatDateTime(record.UpdDateTime, QStringLiteral("yyyy/MM/dd hh:mm:ss")));
    held.UpdDateTime = record.UpdDateTime;
}

// ---- Editing sections ----

void TDataInquiry::InitGroupList()
{
    cbxGroup->clear();
    cbxGroup->addItem(QStringLiteral("指定しない"));
    for (int n = 1; n <= 10; ++n)
        cbxGroup->addItem(QStringLiteral("%1： ").arg(n, 2) + GroupNames[n]);
    cbxGroup->setCurrentIndex(0);
}

void TDataInquiry::cbxGroupClick() { GroupNo = cbxGroup->currentIndex(); }

void TDataInquiry::bbtnEditGroupClick()
{
    // The names dialog is the main list's; the form's code goes on after it, so it is the form's command too.
    if (owner_ && !RunAsCommandOf(this, [this] { owner_->actEditGroup->trigger(); }))
        return;
    cbxGroup->setFocus();
}

void TDataInquiry::UpdatePrivCorp()
{
    const bool corp = sbtnCorp->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{nmedtCorpKanji, edtCorpKana, cbxDptmnt, cbxPost, lblCorpKanji,
                                                       lblCorpKana, lblDptmnt, lblPost, bbtnDptmnt, bbtnPost})
        w->setEnabled(corp);
    chkIgnoreName->setVisible(corp);
    for (QWidget *w : std::initializer_list<QWidget *>{nmedtCorpKanji, edtCorpKana, cbxDptmnt, cbxPost})
        SetInputColour(w, corp);
    // The switch is one stop in the tab order, at its button that is down.
    sbtnPriv->setFocusPolicy(corp ? Qt::NoFocus : Qt::TabFocus);
    sbtnCorp->setFocusPolicy(corp ? Qt::TabFocus : Qt::NoFocus);
}

void TDataInquiry::sbtnPrivCorpClick()
{
    if (isVisible())
        focusPersonOrCompany();
}

void TDataInquiry::focusPersonOrCompany()
{
    focusAtEnd(sbtnPriv->isChecked() ? static_cast<QWidget *>(nmedtNameKanji) : nmedtCorpKanji);
}

void TDataInquiry::chkIgnoreNameClick() { SetCaptionColour(chkIgnoreName, chkIgnoreName->isChecked()); }

void TDataInquiry::nmedtJointChange(int n)
{
    const bool filled = !nmedtJoint[n - 1]->text().isEmpty();
    if (filled && JointOwner == n && cbxJointOwner->currentIndex() >= 0)
        cbxJointOwner->setItemText(cbxJointOwner->currentIndex(), nmedtJoint[n - 1]->text());
    QComboBox *honor = cbxJointHonor[n - 1];
    if (honor->isEnabled() != filled) {
        honor->setEnabled(filled);
        SetInputColour(honor, filled);
        if (!filled) {
            if (JointOwner == n) {
                cbxJointOwner->setCurrentIndex(0);
                JointOwner = 0;
            }
            honor->setEditText(QString());
            sbtnJointPrint[n - 1]->setChecked(false);
            UpdateJointPrintGlyph(sbtnJointPrint[n - 1]);
        }
    }
    bbtnJointHonor->setEnabled(std::any_of(cbxJointHonor.begin(), cbxJointHonor.end(),
                                           [](const QComboBox *c) { return c->isEnabled(); }));
}

void TDataInquiry::nmedtJointExit(int n)
{
    const QString text = nmedtJoint[n - 1]->text();
    int pos = -1;
    for (int i = 1; i < cbxJointOwner->count() && pos < 0; ++i)
        if (cbxJointOwner->ItemObject(i) == n)
            pos = i;
    if (!text.isEmpty()) {
        if (pos < 0) {
            int after = cbxJointOwner->count() - 1;
            while (after > 0 && cbxJointOwner->ItemObject(after) >= n)
                --after;
            cbxJointOwner->InsertObject(after + 1, text, n);
        } else if (cbxJointOwner->itemText(pos) != text) {
            cbxJointOwner->setItemText(pos, text);
        }
    } else if (pos >= 1) {
        cbxJointOwner->removeItem(pos);
    }
    cbxJointOwner->setCurrentIndex(cbxJointOwner->findData(JointOwner));
}

void TDataInquiry::rebuildJointOwnerList()
{
    cbxJointOwner->clear();
    cbxJointOwner->AddObject(QStringLiteral("本人"), 0);
    for (int n = 1; n <= 5; ++n)
        if (!nmedtJoint[n - 1]->text().isEmpty())
            cbxJointOwner->AddObject(nmedtJoint[n - 1]->text(), n);
    cbxJointOwner->setCurrentIndex(cbxJointOwner->findData(JointOwner));
}

void TDataInquiry::cbxJointOwnerClick()
{
    const int n = cbxJointOwner->ItemObject(cbxJointOwner->currentIndex());
    if (n == JointOwner)
        return;
    JointOwner = n;
    QToolButton *flag = n == 0 ? sbtnJointPrintM : sbtnJointPrint[n - 1];
    flag->setChecked(true);
    UpdateJointPrintGlyph(flag);
}

void TDataInquiry::sbtnJointPrintClick(int tag)
{
    QToolButton *flag = tag == 0 ? sbtnJointPrintM : sbtnJointPrint[tag - 1];
    if (flag->isChecked()) {
        if (tag >= 1 && !cbxJointHonor[tag - 1]->isEnabled())
            flag->setChecked(false);
    } else if (tag == JointOwner) {
        flag->setChecked(true);
    }
    UpdateJointPrintGlyph(flag);
}

void TDataInquiry::InitSenderList()
{
    cbxSender->clear();
    cbxSender->AddObject(QStringLiteral("標準"), 0);
    if (AddressList)
        for (int i = 0; i < AddressList->GetSenderCount(); ++i)
            cbxSender->AddObject(AddressList->GetSenderTitle(i), AddressList->GetSenderRecNo(i));
    cbxSender->setCurrentIndex(0);
}

void TDataInquiry::cbxSenderClick() { SenderNo = cbxSender->ItemObject(cbxSender->currentIndex()); }

void TDataInquiry::InitSymbolMarkList()
{
    cbxSymbolMark->clear();
    cbxSymbolMark->addItem(QStringLiteral("指定しない"));
    for (const QString &mark : MarkSymbols)
        cbxSymbolMark->addItem(mark);
    cbxSymbolMark->setCurrentIndex(0);
}

void TDataInquiry::selectSymbolMark(const QByteArray &mark)
{
    int index = 0;
    if (!mark.isEmpty())
        for (int i = 0; i < static_cast<int>(MarkSymbols.size()); ++i)
            if (MarkSymbols[i] == Sjis::decode(mark))
                index = i + 1;
    cbxSymbolMark->setCurrentIndex(index);
}

void TDataInquiry::setSymbolColor(int32_t bgr)
{
    QPalette palette = pnlSymbolColor->palette();
    palette.setColor(QPalette::Window, ColorFromBgr(bgr));
    pnlSymbolColor->setPalette(palette);
}

int32_t TDataInquiry::SymbolColor() const { return BgrFromColor(pnlSymbolColor->palette().color(QPalette::Window)); }

int TDataInquiry::printTargetValue() const
{
    return sbtnPrintTarget->isChecked() ? 1 : sbtnPrintException->isChecked() ? 2 : 0;
}

void TDataInquiry::setPrintTarget(int value)
{
    sbtnPrintTarget->setChecked(value == 1);
    sbtnPrintException->setChecked(value == 2);
}

void TDataInquiry::refillFromHistory(QComboBox *combo, const THistoryData *history)
{
    const QString kept = combo->currentText();
    combo->clear();
    if (history && history->IsLoaded())
        for (int i = 0; i < history->GetCount(); ++i)
            combo->addItem(Sjis::decode(history->GetText(i)));
    int selected = -1;
    if (!TrimBlanks(kept).isEmpty())
        for (int i = 0; i < combo->count() && selected < 0; ++i)
            if (TrimBlanks(combo->itemText(i)) == TrimBlanks(kept))
                selected = i;
    combo->setCurrentIndex(selected);
    combo->setEditText(TrimBlanks(kept).isEmpty() ? QString() : kept);
}

void TDataInquiry::RefillDptmntList() { refillFromHistory(cbxDptmnt, DMMirvale18 ? DMMirvale18->DptmntHistory.get() : nullptr); }

void TDataInquiry::RefillPostList() { refillFromHistory(cbxPost, DMMirvale18 ? DMMirvale18->PostHistory.get() : nullptr); }

void TDataInquiry::RefillHonorLists()
{
    const THistoryData *honors = DMMirvale18 ? DMMirvale18->HonorHistory.get() : nullptr;
    refillFromHistory(cbxHonor, honors);
    for (QComboBox *c : cbxJointHonor)
        refillFromHistory(c, honors);
}

void TDataInquiry::RefillKeywordList(int n)
{
    refillFromHistory(cbxKeyword[n], DMMirvale18 ? DMMirvale18->KeywordHistory[n].get() : nullptr);
}

void TDataInquiry::bbtnEditListClick(int tag)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const uint8_t changed = EditInputLists(this, tag);
    if (changed & 1)
        RefillDptmntList();
    if (changed & 2)
        RefillPostList();
    if (changed & 4)
        RefillHonorLists();
    for (int n = 0; n < 3; ++n)
        if (changed & (8 << n))
            RefillKeywordList(n);
    QApplication::restoreOverrideCursor();
}

// ---- Attached files ----

QStringList TDataInquiry::ExtFilePaths() const
{
    QStringList paths;
    for (int i = 0; i < lvExtFile->topLevelItemCount(); ++i)
        paths << lvExtFile->topLevelItem(i)->text(1) + lvExtFile->topLevelItem(i)->text(2);
    return paths;
}

void TDataInquiry::addExtFileRow(const QString &path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    auto *row = new QTreeWidgetItem(lvExtFile);
    row->setText(0, QString::number(lvExtFile->topLevelItemCount()));
    row->setText(1, path.left(slash + 1));
    row->setText(2, path.mid(slash + 1));
}

void TDataInquiry::bbtnAddExtFileClick()
{
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setNameFilter(QStringLiteral("すべてのファイル (*)"));
    dialog.setDirectory(GetMyDocumentsFolder());
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (const QString path = ChooseFile(dialog); !path.isEmpty()) {
        if (ExtFilePaths().contains(path, Qt::CaseInsensitive))
            return;
        addExtFileRow(path);
        bbtnAddExtFile->setEnabled(lvExtFile->topLevelItemCount() < MaxExtFiles);
        bbtnDelExtFile->setEnabled(true);
    }
    lvExtFile->setFocus();
}

void TDataInquiry::bbtnDelExtFileClick()
{
    QTreeWidgetItem *selected = lvExtFile->currentItem();
    if (!selected || !selected->isSelected())
        return;
    const int position = lvExtFile->indexOfTopLevelItem(selected);
    delete lvExtFile->takeTopLevelItem(position);
    for (int i = 0; i < lvExtFile->topLevelItemCount(); ++i)
        lvExtFile->topLevelItem(i)->setText(0, QString::number(i + 1));
    const int rows = lvExtFile->topLevelItemCount();
    if (rows > 0)
        lvExtFile->setCurrentItem(lvExtFile->topLevelItem(std::min(position, rows - 1)),
                                  0, QItemSelectionModel::NoUpdate);
    edtDetailPath->clear();
    edtDetailFile->clear();
    bbtnAddExtFile->setEnabled(true);
    bbtnDelExtFile->setEnabled(rows > 0);
}

void TDataInquiry::bbtnOpenExtFileClick()
{
    const QTreeWidgetItem *selected = lvExtFile->currentItem();
    if (selected && selected->isSelected())
        ShellExecuteAndWait(selected->text(1) + selected->text(2), QString(), QStringLiteral("@"), SW_SHOWNORMAL, true);
}

void TDataInquiry::lvExtFileSelectItem()
{
    const QTreeWidgetItem *selected = lvExtFile->currentItem();
    if (!selected || !selected->isSelected())
        return;
    edtDetailPath->setText(selected->text(1));
    edtDetailFile->setText(selected->text(2));
}

// ---- Symbol colour ----

void TDataInquiry::bbtnSymbolColorClick()
{
    int32_t bgr = SymbolColor();
    if (ChooseColor(this, bgr))
        setSymbolColor(bgr);
}

// ---- Categories ----

void TDataInquiry::SelectMainCategory(int code) { FillMainCategories(Cbx_CatMain, Cbx_CatSub, code); }

void TDataInquiry::SelectSubCategory(int mainCode, int subCode)
{
    if (mainCode == 0 || Cbx_CatMain->currentIndex() < 0) {
        Cbx_CatSub->clear();
        SetInputColour(Cbx_CatSub, false);
        Cbx_CatSub->setEnabled(false);
        return;
    }
    if (!FillSubCategories(Cbx_CatSub, mainCode, subCode)) {
        SelectMainCategory(0);
        ShownCatMain = 0;
    }
}

void TDataInquiry::Cbx_CatMainChange()
{
    const int code = Cbx_CatMain->ItemObject(Cbx_CatMain->currentIndex());
    if (code == ShownCatMain)
        return;
    SelectSubCategory(code, 1);
    ShownCatMain = code;
}

// ---- Keyboard and pages ----

QWidget *TDataInquiry::holdOrAddButton() const { return HeldRecord ? btnUpdate : btnAdd; }

void TDataInquiry::setActivePage(QWidget *page)
{
    // Only the user's page changes move the focus.
    const QSignalBlocker blocker(pgctlData);
    pgctlData->setCurrentWidget(page);
}

void TDataInquiry::focusAtEnd(QWidget *control)
{
    if (auto *edit = qobject_cast<QLineEdit *>(control))
        edit->end(false);
    else if (auto *combo = qobject_cast<QComboBox *>(control); combo && combo->lineEdit())
        combo->lineEdit()->end(false);
    focusOrNext(control);
}

void TDataInquiry::focusOrNext(QWidget *control)
{
    // A control switched off for this record cannot take the focus: Enter goes on to the next one that can,
    // rather than leaving the focus where it was.
    if (control->isEnabled())
        control->setFocus();
    else
        NextFocusKeyPress(control);
}

void TDataInquiry::focusMain(QWidget *control, bool selectAll)
{
    setActivePage(tabstMain);
    if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        if (selectAll)
            edit->selectAll();
        else
            edit->end(false);
    }
    control->setFocus();
}

void TDataInquiry::NextFocusKeyPress(QWidget *sender) { focusNext(sender, false); }

void TDataInquiry::focusNext(QWidget *sender, bool fieldsOnly)
{
    const auto takesInput = [](QWidget *w) {
        const auto *edit = qobject_cast<QLineEdit *>(w);
        return !qobject_cast<QPushButton *>(w) && !(edit && edit->isReadOnly());
    };
    for (QWidget *w = sender->nextInFocusChain(); w && w != sender; w = w->nextInFocusChain()) {
        if (w->window() != this || !w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus)
            || w->focusProxy() || (fieldsOnly && !takesInput(w)))
            continue;
        if (auto *edit = qobject_cast<QLineEdit *>(w); edit && !qobject_cast<TUniNMDEdit *>(w))
            edit->end(false);
        w->setFocus();
        return;
    }
}

void TDataInquiry::mmoNoteExit()
{
    const QString text = mmoNote->toPlainText();
    if (!TrimBlanks(text).isEmpty() && !text.endsWith(QLatin1Char('\n')))
        mmoNote->setPlainText(text + QLatin1Char('\n'));
}

void TDataInquiry::chkContinualAddClick() { SetCaptionColour(chkContinualAdd, chkContinualAdd->isChecked()); }

void TDataInquiry::chkMainNumberClick() { SetCaptionColour(chkMainNumber, chkMainNumber->isChecked()); }

void TDataInquiry::pgctlDataChange()
{
    QWidget *page = pgctlData->currentWidget();
    if (page == tabstMain)
        cbxGroup->setFocus();
    else if (page == tabstSub)
        focusAtEnd(edtURL);
    else if (page == tabstMemo1)
        focusAtEnd(edtKeyword[0]);
    else if (page == tabstOther)
        lvExtFile->setFocus();
}

bool TDataInquiry::FormMouseWheel(QWheelEvent *event)
{
    const QPoint at = pgctlData->mapFromGlobal(event->globalPosition().toPoint());
    const bool overTab = std::any_of(TabRects.begin(), TabRects.end(), [&](const QRect &r) {
        return at.x() >= r.left() && at.x() <= r.right() + 1 && at.y() >= r.top() && at.y() <= r.bottom() + 1;
    });
    if (!overTab)
        return false;
    const int count = pgctlData->count();
    const int page = pgctlData->currentIndex();
    pgctlData->setCurrentIndex(event->angleDelta().y() < 0 ? (page + 1) % count : (page + count - 1) % count);
    return true;
}

bool TDataInquiry::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *press = static_cast<QKeyEvent *>(event);
        const int key = press->key();
        // Space turns the person/company switch over, whichever of its two buttons has the focus.
        if (key == Qt::Key_Space && press->modifiers() == Qt::NoModifier
            && (watched == sbtnPriv || watched == sbtnCorp)) {
            if (!press->isAutoRepeat())
                (sbtnPriv->isChecked() ? sbtnCorp : sbtnPriv)->click();
            return true;
        }
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            break;
        const auto action = enterActions_.find(watched);
        if (action == enterActions_.end())
            break;
        action->second();
        return true;
    }
    case QEvent::FocusOut:
        if (watched == mmoNote)
            mmoNoteExit();
        break;
    case QEvent::Wheel:
        if (watched == pgctlData->tabBar() && FormMouseWheel(static_cast<QWheelEvent *>(event)))
            return true;
        break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Item copy ----

std::array<QString, CopyItemCount> TDataInquiry::CopyItemValues() const
{
    // A new record has no times: an invalid date-time formats as empty.
    const QDateTime added = HeldRecord ? DoubleToDateTime(HeldRecord->AddDateTime) : QDateTime();
    const QDateTime updated = HeldRecord ? DoubleToDateTime(HeldRecord->UpdDateTime) : QDateTime();
    std::array<QString, CopyItemCount> v;
    v[0] = GroupNo > 0 && GroupNo < static_cast<int>(GroupNames.size()) ? TrimBlanks(GroupNames[GroupNo]) : QString();
    v[1] = TrimBlanks(edtCustomCode->text());
    v[2] = TrimBlanks(edtTel->text());
    v[3] = chkMainNumber->isChecked() ? QStringLiteral("代表") : QString();
    v[4] = TrimBlanks(edtFax->text());
    v[5] = TrimBlanks(edtPortable1->text());
    v[6] = TrimBlanks(edtPortable2->text());
    v[7] = TrimBlanks(edtPos->text());
    v[8] = TrimBlanks(edtTdfkn->text());
    v[9] = TrimBlanks(edtAdrs1->text());
    v[10] = TrimBlanks(edtAdrs2->text());
    v[11] = TrimBlanks(edtAdrs3->text());
    v[12] = JoinAddressParts<QString>({v[8], v[9], v[10], v[11]});
    v[13] = TrimBlanks(edtAdrsKana->text());
    v[14] = TrimBlanks(edtJisCode->text());
    v[15] = TrimBlanks(nmedtCorpKanji->text());
    v[16] = TrimBlanks(edtCorpKana->text());
    v[17] = TrimBlanks(cbxDptmnt->currentText());
    v[18] = TrimBlanks(cbxPost->currentText());
    v[19] = TrimBlanks(nmedtNameKanji->text());
    v[20] = TrimBlanks(nmedtNameKana->text());
    v[21] = TrimBlanks(cbxHonor->currentText());
    v[22] = TrimBlanks(edtURL->text());
    v[23] = TrimBlanks(edtEMail1->text());
    v[24] = TrimBlanks(edtEMail2->text());
    for (int i = 0; i < 5; ++i) {
        v[25 + i] = TrimBlanks(nmedtJoint[i]->text());
        v[30 + i] = TrimBlanks(cbxJointHonor[i]->currentText());
    }
    v[35] = TrimBlanks(cbxJointOwner->currentText());
    v[36] = sbtnPrintTarget->isChecked()      ? QStringLiteral("印刷対象")
            : sbtnPrintException->isChecked() ? QStringLiteral("印刷除外")
                                              : QStringLiteral("指定なし");
    v[37] = TrimBlanks(cbxSender->currentText());
    for (int i = 0; i < 5; ++i)
        v[38 + i] = TrimBlanks(edtKeyword[i]->text());
    for (int i = 0; i < 3; ++i)
        v[43 + i] = TrimBlanks(cbxKeyword[i]->currentText());
    // The note's lines become one value, separated by tabs; the break that ends the last line separates nothing.
    QString note = mmoNote->toPlainText();
    if (note.endsWith(QLatin1Char('\n')))
        note.chop(1);
    v[46] = note.replace(QLatin1Char('\n'), QLatin1Char('\t'));
    v[47] = ExtFilePaths().join(QLatin1Char('\t'));
    v[48] = cbxSymbolMark->currentIndex() > 0 ? TrimBlanks(cbxSymbolMark->currentText()) : QString();
    v[49] = added.toString(QStringLiteral("yyyy/MM/dd"));
    v[50] = added.toString(QStringLiteral("hh:mm:ss"));
    v[51] = updated.toString(QStringLiteral("yyyy/MM/dd"));
    v[52] = updated.toString(QStringLiteral("hh:mm:ss"));
    v[53] = TrimBlanks(Cbx_CatMain->currentText());
    v[54] = TrimBlanks(Cbx_CatSub->currentText());
    return v;
}

void TDataInquiry::btnCopyClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    PutCopyTextOnClipboard(BuildCopyText(CopyItemValues(), CopyItems, CopyLastReturn));
}

void TDataInquiry::bbtnCopySettingClick()
{
    TCopyItemSet dialog(this);
    CenterFormOnOwner(&dialog, this);
    dialog.SetItems(CopyItems, CopyItemCount - 1, CopyLastReturn);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return;
    dialog.GetItems(CopyItems, CopyLastReturn);
    SaveCopySettings();
}

// ---- Add, update, delete ----

bool TDataInquiry::IsInputChanged() const
{
    // What a new record keeps from the one before (the group, person or company) is none of its input.
    TAddressRecord fresh = NewAddressRecord();
    fresh.PrivCorp = sbtnPriv->isChecked();
    fresh.Group = CarriedGroup;
    const TAddressRecord &ref = HeldRecord ? *HeldRecord : EntrySnapshot ? *EntrySnapshot : fresh;

    auto textDiffers = [](const QString &control, const QByteArray &stored) {
        return TrimBlanks(control) != TrimBlanks(Sjis::decode(stored));
    };
    auto digitsDiffer = [](const QLineEdit *control, const QByteArray &stored) {
        return digitsOf(control->text()) != KeepNumberChars(stored, NumberChars::Digits);
    };
    auto wideDiffers = [](const QString &control, const QByteArray &stored) {
        return TrimBlanks(control) != TrimBlanks(EscapedAnsiToWide(stored));
    };
    const TAddressRecord now = ControlsToRecord(false);

    if (GroupNo != ref.Group || textDiffers(edtCustomCode->text(), ref.CustomCode) || digitsDiffer(edtTel, ref.Tel)
        || (ref.TelDiv == 3) != chkMainNumber->isChecked() || digitsDiffer(edtFax, ref.Fax)
        || digitsDiffer(edtPortable1, ref.Portable1) || digitsDiffer(edtPortable2, ref.Portable2)
        || digitsDiffer(edtPos, ref.Pos))
        return true;
    const std::pair<const QLineEdit *, const QByteArray *> address[] = {
        {edtTdfkn, &ref.Tdfkn}, {edtAdrs1, &ref.Adrs1},       {edtAdrs2, &ref.Adrs2},
        {edtAdrs3, &ref.Adrs3}, {edtAdrsKana, &ref.AdrsKana}, {edtJisCode, &ref.JisCode}};
    for (const auto &[control, stored] : address)
        if (textDiffers(control->text(), *stored))
            return true;
    if (textDiffers(lblKajoCode->text(), ref.KajoCode) || Latitude != ref.Latitude || Longitude != ref.Longitude
        || now.PrivCorp != ref.PrivCorp || textDiffers(nmedtCorpKanji->text(), ref.CorpKanji)
        || textDiffers(edtCorpKana->text(), ref.CorpKana) || textDiffers(cbxDptmnt->currentText(), ref.Dptmnt)
        || textDiffers(cbxPost->currentText(), ref.Post) || wideDiffers(nmedtNameKanji->text(), ref.NameKanji)
        || textDiffers(nmedtNameKana->text(), ref.NameKana) || textDiffers(cbxHonor->currentText(), ref.Honor)
        || now.IgnoreName != ref.IgnoreName || now.CodeMain != ref.CodeMain || now.CodeSub != ref.CodeSub
        || textDiffers(edtURL->text(), ref.URL) || textDiffers(edtEMail1->text(), ref.EMail1)
        || textDiffers(edtEMail2->text(), ref.EMail2))
        return true;
    for (int i = 0; i < 5; ++i)
        if (wideDiffers(nmedtJoint[i]->text(), ref.Joint[i]))
            return true;
    for (int i = 0; i < 5; ++i)
        if (textDiffers(cbxJointHonor[i]->currentText(), ref.JointHonor[i]))
            return true;
    if (JointOwner != ref.JointOwner || now.JointPrint != ref.JointPrint || now.JointPrints != ref.JointPrints
        || now.PrintTarget != ref.PrintTarget || SenderNo != ref.Sender)
        return true;
    for (int i = 0; i < 8; ++i)
        if (textDiffers(i < 5 ? edtKeyword[i]->text() : cbxKeyword[i - 5]->currentText(), ref.Keyword[i]))
            return true;
    if (mmoNote->toPlainText() != linesText(ref.Note))
        return true;
    const QStringList paths = ExtFilePaths();
    const qsizetype storedFiles = ref.ExtFile ? ref.ExtFile->size() : 0;
    if (paths.size() != storedFiles)
        return true;
    for (qsizetype i = 0; i < storedFiles; ++i)
        if (paths[i].compare(Sjis::decode(ref.ExtFile->at(i)), Qt::CaseInsensitive) != 0)
            return true;
    const bool markDiffers = ref.SymbolMark.isEmpty() ? cbxSymbolMark->currentIndex() > 0
                                                      : cbxSymbolMark->currentText() != Sjis::decode(ref.SymbolMark);
    return markDiffers || now.SymbolColor != ref.SymbolColor;
}

bool TDataInquiry::ValidateInput(bool isNew)
{
    auto fail = [this](const QString &message, QLineEdit *control, bool selectAll) {
        ShowMessageBoxAt(this, message, AppTitle, MB_OK | MB_ICONINFORMATION);
        focusMain(control, selectAll);
        return false;
    };
    const QByteArray code = TrimBlanks(Sjis::encode(edtCustomCode->text()));
    if (!code.isEmpty()) {
        const bool allowed = std::all_of(code.begin(), code.end(), [](char c) {
            return c == ' ' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-'
                   || c == '/';
        });
        if (!allowed)
            return fail(QStringLiteral("顧客コードは、以下の半角文字で入力してください  \r\n　　英数字  \r\n　　スペース  \r\n"
                                       "　　ハイフン（ - ）  \r\n　　スラッシュ（ / ）  "),
                        edtCustomCode, true);
        if (isNew || !HeldRecord || code != HeldRecord->CustomCode) {
            bool used = false;
            try {
                TTable &t = *DMMirvale18->AdrsTable;
                t.SetIndexName(QStringLiteral("CustomCode"));
                used = t.FindKey({code});
            } catch (const EDatabaseError &e) {
                ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
                return false;
            }
            if (used)
                return fail(QStringLiteral("入力した顧客コードは既に使われています  \r\n別のコードに変更してください  "),
                            edtCustomCode, true);
        }
    }
    auto digitsAndHyphens = [](const QLineEdit *e) {
        const QByteArray text = Sjis::encode(e->text());
        return KeepNumberChars(text, NumberChars::Digits | NumberChars::Minus) == TrimBlanks(text);
    };
    const std::pair<QLineEdit *, QString> numbers[] = {
        {edtTel, QStringLiteral("電話番号は半角数字かハイフンのみが有効です  ")},
        {edtFax, QStringLiteral("FAX番号は半角数字かハイフンのみが有効です  ")},
        {edtPortable1, QStringLiteral("携帯番号は半角数字かハイフンのみが有効です  ")},
        {edtPortable2, QStringLiteral("携帯番号は半角数字かハイフンのみが有効です  ")}};
    for (const auto &[control, message] : numbers)
        if (!digitsAndHyphens(control))
            return fail(message, control, true);
    if (!TrimBlanks(edtPos->text()).isEmpty()) {
        if (!digitsAndHyphens(edtPos))
            return fail(QStringLiteral("正しい郵便番号を入力してください  "), edtPos, false);
        const qsizetype digits = digitsOf(edtPos->text()).size();
        if (digits != 3 && digits != 5 && digits != 7)
            return fail(QStringLiteral("正しい桁数の郵便番号を入力してください  "), edtPos, false);
    }
    return true;
}

bool TDataInquiry::confirmSameNumbers()
{
    const std::pair<const char *, QLineEdit *> numbers[] = {
        {"Tel", edtTel}, {"Fax", edtFax}, {"Portable1", edtPortable1}, {"Portable2", edtPortable2}};
    const QString labels[] = {QStringLiteral("電話番号"), QStringLiteral("FAX番号"), QStringLiteral("携帯番号１"),
                              QStringLiteral("携帯番号２")};
    TTable &t = *DMMirvale18->AdrsTable;
    for (int i = 0; i < 4; ++i) {
        const QByteArray digits = digitsOf(numbers[i].second->text());
        if (digits.isEmpty())
            continue;
        t.SetIndexName(QLatin1String(numbers[i].first));
        if (!t.FindKey({digits}))
            continue;
        return ShowMessageBoxAt(this,
                                QStringLiteral("既に同一の") + labels[i] + QStringLiteral("のデータが登録されています  ")
                                    + QStringLiteral("\r\n") + QStringLiteral("登録しますか？  "),
                                AppTitle, MB_YESNO | MB_ICONQUESTION)
               == IDYES;
    }
    return true;
}

int TDataInquiry::StoreRecord(int mode, int32_t *newRecNo)
{
    const QString failed =
        mode == 0 ? QStringLiteral("データを登録できませんでした  ") : QStringLiteral("データを更新できませんでした  ");
    storeFailure_ = failed;
    if (!DMMirvale18 || !DMMirvale18->AdrsTable)
        return srError;
    TTable &t = *DMMirvale18->AdrsTable;
    try {
        if (mode == 0) {
            if (AddressList && AddressList->GetRecordCount() >= MaxAdrsRecords) {
                ShowMessageBoxAt(this, QStringLiteral("最大登録件数10万件に達しました  \r\nこれ以上登録できません  "),
                                 AppTitle, MB_OK | MB_ICONINFORMATION);
                return srNotStored;
            }
            if (AddressSameNum && !confirmSameNumbers())
                return srNotStored;
        }
        t.SetIndexName(QString());
        if (mode == 1 && !t.FindKey({HeldRecord->RecNo})) {
            ShowMessageBoxAt(this, QStringLiteral("変更データを参照できませんでした  "), AppTitle, MB_OK | MB_ICONERROR);
            return srNotStored;
        }
        TAddressRecord row = ControlsToRecord(true);
        const QDateTime now = QDateTime::currentDateTime();
        int32_t recNo = 0;
        // The row and everything the store reads back are one transaction: a failure anywhere leaves the
        // table as it was and never in insert or edit mode for a later post to finish.
        t.StartTransaction();
        try {
            if (mode == 0)
                t.Append();
            else
                t.Edit();
            // The note is kept exactly as typed, its last line break included.
            row.Note = Sjis::encode(mmoNote->toPlainText()).split('\n');
            if (mode == 0)
                row.AddDateTime = DateTimeToDouble(TruncateToSeconds(now));
            row.UpdDateTime = DateTimeToDouble(now);
            SetAddressRecordFields(t, row, mode == 0 ? TAddedTime::Write : TAddedTime::Keep);
            t.Post();
            recNo = t.FieldByName(QStringLiteral("RecNo")).AsInteger();
            t.Commit();
        } catch (const EDatabaseError &) {
            t.Cancel();
            t.Rollback();
            throw;
        }
        t.FlushBuffers();
        UpdateInputHistories();
        if (newRecNo)
            *newRecNo = recNo;
        return srStored;
    } catch (const EDatabaseError &e) {
        storeFailure_ = DatabaseErrorText(failed, e);
        return srError;
    }
}

void TDataInquiry::UpdateInputHistories()
{
    if (!DMMirvale18)
        return;
    TDMMirvale18 &dm = *DMMirvale18;
    std::vector<std::pair<QComboBox *, THistoryData *>> feeds = {{cbxDptmnt, dm.DptmntHistory.get()},
                                                                 {cbxPost, dm.PostHistory.get()},
                                                                 {cbxHonor, dm.HonorHistory.get()}};
    for (QComboBox *c : cbxJointHonor)
        feeds.emplace_back(c, dm.HonorHistory.get());
    for (int i = 0; i < 3; ++i)
        feeds.emplace_back(cbxKeyword[i], dm.KeywordHistory[i].get());
    std::set<const THistoryData *> changed;
    for (const auto &[combo, history] : feeds) {
        const QByteArray text = Sjis::encode(combo->currentText());
        if (text.isEmpty() || !history || !history->IsLoaded())
            continue;
        const int i = history->IndexOf(text);
        if (i == 0)
            continue;
        if (i != -1)
            history->Delete(i);
        history->Insert(0, text, 0);
        changed.insert(history);
        // The record is stored already; a history that cannot be saved is reported and the store stands.
        try {
            history->SaveToFile();
        } catch (const EHistoryDataError &e) {
            ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONWARNING);
        }
    }
    if (changed.count(dm.DptmntHistory.get()))
        RefillDptmntList();
    if (changed.count(dm.PostHistory.get()))
        RefillPostList();
    if (changed.count(dm.HonorHistory.get()))
        RefillHonorLists();
    for (int i = 0; i < 3; ++i)
        if (changed.count(dm.KeywordHistory[i].get()))
            RefillKeywordList(i);
}

void TDataInquiry::btnAddClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    if (!ValidateInput(true))
        return;
    int32_t newRecNo = -1;
    const int r = StoreRecord(0, &newRecNo);
    if (r == srNotStored)
        return;
    if (r == srError) {
        ShowMessageBoxAt(this, storeFailure_, AppTitle, MB_OK | MB_ICONERROR);
        return;
    }
    if (AddressList) {
        AddressList->RefreshList(false, true, true);
        AddressList->SelectItem(AddressList->IndexOfRecNo(newRecNo), false, true);
    }
    if (!HeldRecord && chkContinualAdd->isChecked()) {
        SkipUnsavedCheck = true;
        bbtnNew->click();
        return;
    }
    if (HeldRecord) {
        TAddressRecord record;
        if (AddressList && AddressList->ReadRecordAt(AddressList->IndexOfRecNo(newRecNo), &record)) {
            ShowRecord(record);
            return;
        }
    }
    // Walking on through the hits asks nothing about the hit just stored.
    if (!HeldRecord && OnDirectoryHit()) {
        TakeEntrySnapshot(true);
        return;
    }
    SkipUnsavedCheck = true;
    btnClose->click();
}

void TDataInquiry::btnUpdateClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    if (!ValidateInput(false) || !IsInputChanged())
        return;
    const int r = StoreRecord(1, nullptr);
    if (r == srNotStored)
        return;
    if (r == srError) {
        ShowMessageBoxAt(this, storeFailure_, AppTitle, MB_OK | MB_ICONERROR);
        return;
    }
    if (!AddressList) {
        SkipUnsavedCheck = true;
        btnClose->click();
        return;
    }
    const int remembered = AddressList->CurrentIndex;
    AddressList->RefreshList(false, true, true);
    int index = AddressList->CurrentIndex;
    if (index == -1)
        index = std::min(remembered, AddressList->GetRecordCount() - 1);
    AddressList->SelectItem(index, false, true);
    TAddressRecord record;
    if (AddressList->ReadRecordAt(AddressList->CurrentIndex, &record)) {
        ShowRecord(record);
        return;
    }
    SkipUnsavedCheck = true;
    btnClose->click();
}

void TDataInquiry::btnDeleteClick()
{
    if (ShowMessageBoxAt(this, QStringLiteral("このデータを削除します  \r\nよろしいですか？  "), AppTitle,
                         MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2)
        != IDYES)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        TTable &t = *DMMirvale18->AdrsTable;
        t.SetIndexName(QString());
        if (HeldRecord && t.FindKey({HeldRecord->RecNo})) {
            t.Delete();
            t.FlushBuffers();
        }
    } catch (const EDatabaseError &e) {
        // The list shows the record still there; the box says why.
        QApplication::restoreOverrideCursor();
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    if (AddressList) {
        const int remembered = AddressList->CurrentIndex;
        AddressList->RefreshList(false, true, true);
        AddressList->SelectItem(remembered, false, true);
    }
    SkipUnsavedCheck = true;
    QApplication::restoreOverrideCursor();
    btnClose->click();
}

void RegisterRecordForm()
{
    MakeRecordForm = [](TAddressList *owner) -> TRecordFormServices * { return new TDataInquiry(owner); };
}
