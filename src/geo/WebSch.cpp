#include "geo/WebSch.h"

#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString Section = QStringLiteral("WEB SEARCH");

}  // namespace

TWebSearch::TWebSearch(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("WebSearch"));
    setWindowTitle(QStringLiteral("Web検索"));
    setProperty("HelpContext", 59);
    auto *group = new QGroupBox(QStringLiteral(" 検索したい名称と、使用する検索エンジンを指定してください "), this);
    edtWord = Named<QLineEdit>("edtWord", group);
    edtWord->setMinimumWidth(ScaleByDpi(280, true));
    cbxEngine = Named<QComboBox>("cbxEngine", group);
    bbtnSearch = Named<QPushButton>("bbtnSearch", QIcon(QStringLiteral(":/DtInqiry/WEBSEARCH.svg")),
                                    QStringLiteral("検索"), this);
    btnClose = Named<QPushButton>("btnClose", QStringLiteral("閉じる"), this);
    auto *grid = new QGridLayout(group);
    auto *wordLabel = new QLabel(QStringLiteral("検索名称："), group);
    wordLabel->setBuddy(edtWord);
    auto *engineLabel = new QLabel(QStringLiteral("検索エンジン："), group);
    engineLabel->setBuddy(cbxEngine);
    grid->addWidget(wordLabel, 0, 0);
    grid->addWidget(edtWord, 0, 1);
    grid->addWidget(engineLabel, 1, 0);
    grid->addWidget(cbxEngine, 1, 1, Qt::AlignLeft);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bbtnSearch);
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    for (QPushButton *b : {bbtnSearch, btnClose})
        b->setAutoDefault(false);
    connect(bbtnSearch, &QPushButton::clicked, this, &TWebSearch::bbtnSearchClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    edtWord->installEventFilter(this);
    cbxEngine->installEventFilter(this);

    // FormCreate
    const TMemIniFile ini(DataFolder + SettingsFileName);
    Engines_ = WebSearchEngines(ini);
    for (const TWebSearchEngine &e : Engines_)
        cbxEngine->addItem(e.Label);
    int engine = ini.ReadInteger(Section, QStringLiteral("Engine"), 0);
    cbxEngine->setCurrentIndex(engine >= 0 && engine < webSearchEngineCount ? engine : 0);
}

void TWebSearch::SetKeyword(const QString &text)
{
    edtWord->setText(text);
    edtWord->setCursorPosition(int(text.size()));
}

void TWebSearch::bbtnSearchClick()
{
    if (edtWord->text().isEmpty()) {
        ShowMessageBoxAt(this, QStringLiteral("検索名称を入力してください  "), AppTitle, MB_ICONINFORMATION);
        edtWord->setFocus();
        return;
    }
    const int engine = cbxEngine->currentIndex();
    QString unmappable;
    const QByteArray url = WebSearchUrl(Engines_[engine], edtWord->text(), &unmappable);
    // Nothing was searched: the window stays for another word or engine, and the engine is not kept.
    if (url.isEmpty()) {
        ShowMessageBoxAt(this,
                         QStringLiteral("「%1」は、この検索エンジンでは検索できない文字です  \r\n"
                                        "文字を直すか、別の検索エンジンを選んでください  ")
                             .arg(unmappable),
                         AppTitle, MB_ICONINFORMATION);
        edtWord->setFocus();
        return;
    }
    if (!OpenWebUrl(QUrl::fromEncoded(url, QUrl::StrictMode))) {
        ShowMessageBoxAt(this, QStringLiteral("ブラウザーが起動できませんでした  "), AppTitle, MB_ICONWARNING);
        return;
    }
    TMemIniFile ini(DataFolder + SettingsFileName);
    ini.WriteInteger(Section, QStringLiteral("Engine"), engine);
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &) {
        // The engine is a preference: a read-only settings file only loses it.
    }
    accept();
}

bool TWebSearch::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == edtWord || watched == cbxEngine) && IsEnterKey(event)) {
        bbtnSearch->click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
