// The record form's outside links: the record's place on the map (and a point picked there kept), the QR code
// of a map link, the web search for the company, the home page and the mail addresses.
#include "records/DtInqiry.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "base/Trim.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "geo/ExpMain.h"
#include "geo/MapDispatch.h"
#include "geo/NoriMain.h"
#include "geo/QRMap.h"
#include "geo/WebLinks.h"
#include "geo/WebSch.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "records/NMDEdit.h"

#include <QApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The hourglass for one handler, whichever way it leaves.
class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
};

void CaretToEnd(QLineEdit *edit)
{
    edit->setCursorPosition(int(edit->text().size()));
    edit->setFocus();
}

}  // namespace

void TDataInquiry::connectLinkButtons()
{
    connect(bbtnMap, &QPushButton::clicked, this, &TDataInquiry::bbtnMapClick);
    connect(bbtnQRMap, &QPushButton::clicked, this, &TDataInquiry::bbtnQRMapClick);
    connect(bbtnRoot, &QPushButton::clicked, this, &TDataInquiry::bbtnRootClick);
    connect(bbtnWebSearch, &QPushButton::clicked, this, &TDataInquiry::bbtnWebSearchClick);
    connect(bbtnOpenURL, &QPushButton::clicked, this, &TDataInquiry::bbtnOpenURLClick);
    connect(bbtnEMail1, &QPushButton::clicked, this, [this] { bbtnEMailClick(0); });
    connect(bbtnEMail2, &QPushButton::clicked, this, [this] { bbtnEMailClick(1); });
    UpdateMapRouteHints();
}

void TDataInquiry::UpdateMapRouteHints()
{
    const auto name = [](const auto &names, int index) { return index >= 0 && index < int(names.size()) ? names[index] : QString(); };
    bbtnMap->setToolTip(QStringLiteral("地図表示\n") + name(MapProductNames, CooperateMap));
    bbtnRoot->setToolTip(QStringLiteral("路線検索\n") + name(RouteProductNames, CooperateRoot));
}

TMapSearchParams TDataInquiry::MapRequestOfForm() const
{
    TMapSearchParams params;
    params.Kind = CooperateMapSearchKind;
    params.Latitude = Latitude;
    params.Longitude = Longitude;
    params.Tel = KeepNumberChars(Sjis::encode(edtTel->text()), NumberChars::Digits);
    params.Address = Sjis::encode(AddressOfForm());
    return params;
}

QString TDataInquiry::AddressOfForm() const
{
    return JoinAddressParts<QString>({edtTdfkn->text(), edtAdrs1->text(), edtAdrs2->text(), edtAdrs3->text()});
}

void TDataInquiry::bbtnMapClick()
{
    TWaitCursor wait;
    TMapSearchParams params = MapRequestOfForm();
    TMapDispatchHooks hooks;
    // Asked only once the program is known to be there, so that a missing program is not preceded by a
    // question that leads nowhere.
    hooks.KeepPoint = [this] {
        if (!HeldRecord)
            return true;
        if (!MapProgramMaySavePoint(CooperateMap))
            return false;
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const int answer = ShowMessageBoxAt(this, QStringLiteral("地図で指定した座標の緯度経度を保存してもよろしいですか？  "),
                                            AppTitle, MB_YESNO | MB_ICONQUESTION);
        QApplication::restoreOverrideCursor();
        return answer == IDYES;
    };
    hooks.NoTelephone = [this] { edtTel->setFocus(); };
    if (ShowMapForRequest(this, CooperateMap, params, hooks))
        KeepMapPoint(params.Latitude, params.Longitude);
}

bool TDataInquiry::KeepMapPoint(int32_t latitude, int32_t longitude)
{
    if (latitude == Latitude && longitude == Longitude)
        return true;
    if (HeldRecord && DMMirvale18 && DMMirvale18->AdrsTable) {
        // The form takes the point only once the table has it: a failed write must not look stored.
        TTable &t = *DMMirvale18->AdrsTable;
        try {
            t.SetIndexName(QString());
            if (t.FindKey({HeldRecord->RecNo})) {
                t.Edit();
                try {
                    t.FieldByName(QStringLiteral("Latitude")).SetAsInteger(latitude);
                    t.FieldByName(QStringLiteral("Longitude")).SetAsInteger(longitude);
                    t.FieldByName(QStringLiteral("UpdDateTime")).SetAsDateTime(DateTimeToDouble(QDateTime::currentDateTime()));
                    t.Post();
                } catch (const EDatabaseError &) {
                    t.Cancel();
                    throw;
                }
                t.FlushBuffers();
            }
        } catch (const EDatabaseError &e) {
            QApplication::setOverrideCursor(Qt::ArrowCursor);
            ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
            QApplication::restoreOverrideCursor();
            return false;
        }
        HeldRecord->Latitude = latitude;
        HeldRecord->Longitude = longitude;
    }
    Latitude = latitude;
    Longitude = longitude;
    return true;
}

void TDataInquiry::bbtnQRMapClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TQRCodeMap window(this);
    CenterFormOnOwner(&window, this);
    window.SetAddress(AddressOfForm());
    QApplication::restoreOverrideCursor();
    ExecDialog(window);
}

void TDataInquiry::bbtnRootClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (CooperateRoot == 0) {
        TExpertMain window(this);
        CenterFormOnOwner(&window, this);
        window.SetFolders(AppFolder, AppFolder + QStringLiteral("Dic/"));
        window.HighlightColor = QColor(Qt::blue);
        window.NormalColor = palette().color(QPalette::WindowText);
        if (Latitude != 0 && Longitude > 0) {
            window.Latitude = To256FromThousandths(Latitude);
            window.Longitude = To256FromThousandths(Longitude);
        }
        QApplication::restoreOverrideCursor();
        ExecDialog(window);
    } else if (CooperateRoot == 1) {
        TNorikaeMain window(this);
        const bool open = window.OpenRailServ(AppFolder);
        QApplication::restoreOverrideCursor();
        if (open) {
            CenterFormOnOwner(&window, this);
            window.Latitude = Latitude;
            window.Longitude = Longitude;
            ExecDialog(window);
        }
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void TDataInquiry::bbtnWebSearchClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TWebSearch window(this);
    CenterFormOnOwner(&window, this);
    window.SetKeyword(nmedtCorpKanji->isEnabled() ? nmedtCorpKanji->text() : QString());
    QApplication::restoreOverrideCursor();
    ExecDialog(window);
}

void TDataInquiry::bbtnOpenURLClick()
{
    QString url = TrimBlanks(edtURL->text());
    if (url.isEmpty()) {
        ShowMessageBoxAt(this, QStringLiteral("ホームページURLを入力してください  "), AppTitle, MB_ICONINFORMATION);
        CaretToEnd(edtURL);
        return;
    }
    if (!url.startsWith(QStringLiteral("http://")) && !url.startsWith(QStringLiteral("https://")))
        url.prepend(QStringLiteral("http://"));
    OpenWebUrl(QUrl(url));
}

void TDataInquiry::bbtnEMailClick(int tag)
{
    QLineEdit *edit = tag == 0 ? edtEMail1 : edtEMail2;
    QString address = TrimBlanks(edit->text());
    if (address.isEmpty()) {
        ShowMessageBoxAt(this, QStringLiteral("メールアドレスを入力してください  "), AppTitle, MB_ICONINFORMATION);
        CaretToEnd(edit);
        return;
    }
    if (!address.startsWith(QStringLiteral("mailto:")))
        address.prepend(QStringLiteral("mailto:"));
    if (!OpenWebUrl(QUrl(address)))
        ShowMessageBoxAt(this, QStringLiteral("メールソフトが起動できませんでした  \r\nResult = 0  "), AppTitle,
                         MB_ICONINFORMATION);
}
