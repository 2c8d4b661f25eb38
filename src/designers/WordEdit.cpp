#include "designers/WordEdit.h"

#include "base/Folders.h"
#include "base/Fonts.h"
#include "base/Trim.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "designers/WordExamples.h"
#include "drawing/Canvas.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSizeGrip>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString Section = QStringLiteral("WORDEDIT");
constexpr int UnsetPosition = 0x7FFFFFFF;
constexpr int MinWidth = 500;
constexpr int MinHeightHidden = 179;
constexpr int MinHeightShown = 451;

QString commonFolder()
{
    return AppFolder + QStringLiteral("Common/");
}

QPlainTextEdit *makeMemo(const char *name, QWidget *parent)
{
    auto *memo = Named<QPlainTextEdit>(name, parent);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab goes on to the direction and the buttons: a printed text has no use for a tab character.
    memo->setTabChangesFocus(true);
    return memo;
}

}  // namespace

TWordEditDialog::TWordEditDialog(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("WordEditDialog"));
    setWindowTitle(QStringLiteral("文章の編集"));
    setProperty("HelpContext", 129);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    resize(ScaleByDpi(545, true), ScaleByDpi(443, true));

    pnlWords = Named<QWidget>("pnlWords", this);
    memWords = makeMemo("memWords", pnlWords);
    memWords->setAccessibleName(QStringLiteral("文章"));
    SetImeMode(memWords, imHira);
    LimitToShiftJis(memWords);
    pnlBack = Named<QWidget>("pnlBack", pnlWords);
    lblItem2 = Named<QLabel>("lblItem2", QStringLiteral("方向"), pnlBack);
    rbVertical = Named<QRadioButton>("rbVertical", QStringLiteral("縦書き"), pnlBack);
    rbHorizontal = Named<QRadioButton>("rbHorizontal", QStringLiteral("横書き"), pnlBack);
    auto *back = new QHBoxLayout(pnlBack);
    back->setContentsMargins(0, 0, 0, 0);
    back->addWidget(lblItem2);
    back->addWidget(rbVertical);
    back->addWidget(rbHorizontal);
    auto *words = new QVBoxLayout(pnlWords);
    words->setContentsMargins(0, 0, 0, 0);
    words->addWidget(memWords, 1);
    auto *backRow = new QHBoxLayout;
    backRow->addStretch(1);
    backRow->addWidget(pnlBack);
    words->addLayout(backRow);

    pnlExample = Named<QWidget>("pnlExample", this);
    lblItem3 = Named<QLabel>("lblItem3", QStringLiteral("分類"), pnlExample);
    lbClass = Named<QListWidget>("lbClass", pnlExample);
    lblItem4 = Named<QLabel>("lblItem4", QStringLiteral("見出し"), pnlExample);
    lbIndex = Named<QListWidget>("lbIndex", pnlExample);
    lblItem5 = Named<QLabel>("lblItem5", QStringLiteral("内容"), pnlExample);
    memExample = makeMemo("memExample", pnlExample);
    memExample->setReadOnly(true);
    SetViewLabel(lblItem3, lbClass);
    SetViewLabel(lblItem4, lbIndex);
    lblItem5->setBuddy(memExample);
    auto *example = new QGridLayout(pnlExample);
    example->setContentsMargins(0, 0, 0, 0);
    example->addWidget(lblItem3, 0, 0);
    example->addWidget(lblItem4, 0, 1);
    example->addWidget(lbClass, 1, 0);
    example->addWidget(lbIndex, 1, 1);
    example->addWidget(lblItem5, 2, 0, 1, 2);
    example->addWidget(memExample, 3, 0, 1, 2);
    example->setColumnStretch(0, 2);
    example->setColumnStretch(1, 3);

    // Made in the order the button row is read, which is the order Tab takes.
    bbtnExample = Named<QPushButton>("bbtnExample", QStringLiteral("文例を隠す(&E)"), this);
    bbtnAppend = Named<QPushButton>("bbtnAppend", QStringLiteral("追加(&A)"), this);
    bbtnRewrite = Named<QPushButton>("bbtnRewrite", QStringLiteral("書き換え(&R)"), this);
    btnOK = Named<QPushButton>("btnOK", QStringLiteral("OK"), this);
    btnOK->setDefault(true);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    pnlGrip = Named<QSizeGrip>("pnlGrip", this);
    pnlGrip->setFixedSize(14, 15);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(bbtnExample);
    buttons->addWidget(bbtnAppend);
    buttons->addWidget(bbtnRewrite);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addWidget(pnlGrip, 0, Qt::AlignBottom);
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(8, 8, 6, 2);
    root->setSpacing(6);
    // The pane with its gap is what separates the least heights with and without it.
    pnlExample->setFixedHeight(ScaleByDpi(MinHeightShown - MinHeightHidden, true) - root->spacing());
    root->addWidget(pnlWords, 1);
    root->addWidget(pnlExample);
    root->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(bbtnExample, &QPushButton::clicked, this, &TWordEditDialog::bbtnExampleClick);
    connect(bbtnAppend, &QPushButton::clicked, this, &TWordEditDialog::bbtnAppendClick);
    connect(bbtnRewrite, &QPushButton::clicked, this, &TWordEditDialog::bbtnRewriteClick);
    connect(lbClass, &QListWidget::currentRowChanged, this, &TWordEditDialog::lbClassClick);
    connect(lbIndex, &QListWidget::currentRowChanged, this, &TWordEditDialog::lbIndexClick);
    connect(lbIndex, &QListWidget::itemDoubleClicked, this, &TWordEditDialog::bbtnAppendClick);
    connect(rbVertical, &QRadioButton::toggled, this, &TWordEditDialog::rbDirectionClick);
    connect(rbHorizontal, &QRadioButton::toggled, this, &TWordEditDialog::rbDirectionClick);

    LoadSettings();
}

TWordEditDialog::~TWordEditDialog() = default;

void TWordEditDialog::LoadSettings()
{
    const TMemIniFile ini(DataFolder + SettingsFileName);
    const int example = ini.ReadInteger(Section, QStringLiteral("Example"), 0);
    FExample = example == 1 ? 1 : 0;
    if (FExample == 0) {
        pnlExample->hide();
        bbtnAppend->hide();
        bbtnRewrite->hide();
        bbtnExample->setText(QStringLiteral("文例を表示(&E)"));
        resize(width(), height() - pnlExample->height() - layout()->spacing());
    }
    applyMinimumSize();
    const int width = ini.ReadInteger(Section, QStringLiteral("Width"), UnsetPosition);
    const int height = ini.ReadInteger(Section, QStringLiteral("Height"), UnsetPosition);
    if (width != UnsetPosition && height != UnsetPosition)
        resize(ScaleByDpi(std::max(width, MinWidth), true),
               ScaleByDpi(std::max(height, FExample ? MinHeightShown : MinHeightHidden), true));
}

void TWordEditDialog::SaveSettings()
{
    TMemIniFile ini(DataFolder + SettingsFileName);
    ini.WriteInteger(Section, QStringLiteral("Example"), FExample);
    ini.WriteInteger(Section, QStringLiteral("Width"), ScaleByDpi(width(), false));
    ini.WriteInteger(Section, QStringLiteral("Height"), ScaleByDpi(height(), false));
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &) {
        // The size and the pane are conveniences of the next use; the text the user entered counts.
    }
}

void TWordEditDialog::applyMinimumSize()
{
    setMinimumSize(ScaleByDpi(MinWidth, true), ScaleByDpi(FExample ? MinHeightShown : MinHeightHidden, true));
}

QStringList TWordEditDialog::GetLines() const
{
    const QString text = memWords->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

void TWordEditDialog::SetLines(const QStringList &lines)
{
    memWords->setPlainText(lines.join(u'\n'));
}

int TWordEditDialog::GetDirection() const
{
    return rbVertical->isChecked() ? 0 : 1;
}

void TWordEditDialog::SetDirection(int direction)
{
    if (direction == 0)
        rbVertical->setChecked(true);
    else if (direction == 1)
        rbHorizontal->setChecked(true);
}

void TWordEditDialog::SetEditFont(const TFont &font)
{
    TLogFont log = font.Log;
    QString face = log.Font.family();
    if (face.startsWith(u'@'))
        log.Font.setFamily(face.mid(1));
    MakeHorizontalFont(log);
    log.Font.setPointSize(11);
    memWords->setFont(log.Font);
}

void TWordEditDialog::rbDirectionClick()
{
    SetCaptionColour(rbVertical, rbVertical->isChecked());
    SetCaptionColour(rbHorizontal, rbHorizontal->isChecked());
}

void TWordEditDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    LoadIndex();
}

void TWordEditDialog::LoadIndex()
{
    const QString indexFile = commonFolder() + QStringLiteral("Text/Index.rbf");
    if (!FileExists(indexFile)) {
        ShowMessageBoxAt(this, QStringLiteral("例分ファイルが見つかりません"), QStringLiteral("Velmora"),
                         MB_OK | MB_ICONERROR);
        return;
    }
    const TExampleIndex index = ReadExampleIndex(indexFile);
    const QSignalBlocker blocker(lbClass);
    lbClass->clear();
    FClassFiles.clear();
    for (const TExampleClass &entry : index.Classes) {
        lbClass->addItem(QString::number(lbClass->count() + 1) + QStringLiteral(": ") + entry.Name);
        FClassFiles.append(entry.File);
    }
    if (!index.Error.isEmpty())
        ShowMessageBoxAt(this, index.Error, QStringLiteral("Velmora"), MB_OK | MB_ICONERROR);
    if (lbClass->count() > 0) {
        lbClass->setCurrentRow(0);
        lbClassClick();
    }
}

bool TWordEditDialog::LoadClass(int index)
{
    if (index < 0 || index > FClassFiles.size() - 1) {
        ShowMessageBoxAt(this, QStringLiteral("例文データがありません"), QStringLiteral("Velmora"),
                         MB_OK | MB_ICONERROR);
        return false;
    }
    // A class file is one of ours beside the index; a name that leads elsewhere is not opened.
    const QString path = ExampleClassPath(commonFolder(), FClassFiles[index]);
    const TExampleClassData data = path.isEmpty() ? TExampleClassData{{}, QStringLiteral("例文ファイルが正しくありません  \r\n") + FClassFiles[index]}
                                                  : ReadExampleClass(path);
    const QSignalBlocker blocker(lbIndex);
    FExamples = data.Examples;
    lbIndex->clear();
    for (int i = 0; i < FExamples.size(); ++i)
        lbIndex->addItem(QString::number(i + 1) + QStringLiteral(": ") + FExamples[i].section(QStringLiteral("\r\n"), 0, 0));
    if (!data.Error.isEmpty())
        ShowMessageBoxAt(this, data.Error, QStringLiteral("Velmora"), MB_OK | MB_ICONERROR);
    return true;
}

void TWordEditDialog::lbClassClick()
{
    LoadClass(lbClass->currentRow());
    if (lbIndex->count() > 0) {
        const QSignalBlocker blocker(lbIndex);
        lbIndex->setCurrentRow(0);
    } else {
        memExample->clear();
    }
    lbIndexClick();
}

void TWordEditDialog::lbIndexClick()
{
    const int row = lbIndex->currentRow();
    memExample->setPlainText(row >= 0 && row < FExamples.size() ? QString(FExamples[row]).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) : QString());
}

void TWordEditDialog::bbtnAppendClick()
{
    QString text = memWords->toPlainText();
    const QString trimmed = TrimBlanks(text);
    if (!trimmed.isEmpty())
        text = trimmed + u'\n';
    memWords->setPlainText(text + memExample->toPlainText());
}

void TWordEditDialog::bbtnRewriteClick()
{
    memWords->setPlainText(memExample->toPlainText());
}

void TWordEditDialog::bbtnExampleClick()
{
    FExample = FExample == 0 ? 1 : 0;
    ShowExamples(FExample == 1);
}

void TWordEditDialog::ShowExamples(bool show)
{
    const int paneHeight = pnlExample->height() + layout()->spacing();
    if (show) {
        bbtnExample->setText(QStringLiteral("文例を隠す(&E)"));
        const QRect work = (screen() ? screen() : QGuiApplication::primaryScreen())->availableGeometry();
        const int frame = frameGeometry().height() - height();
        // The text pane keeps its height: the window grows by the pane, unless that passes the work area.
        const int wanted = frameGeometry().height() + paneHeight;
        const int newHeight = wanted > work.height() ? work.height() - frame : height() + paneHeight;
        pnlExample->show();
        bbtnAppend->show();
        bbtnRewrite->show();
        applyMinimumSize();
        setMinimumHeight(std::min(minimumHeight(), newHeight));
        resize(width(), newHeight);
        if (frameGeometry().top() + frame + newHeight > work.bottom() + 1)
            move(x(), std::max(work.top(), work.bottom() + 1 - frame - newHeight));
    } else {
        bbtnExample->setText(QStringLiteral("文例を表示(&E)"));
        pnlExample->hide();
        bbtnAppend->hide();
        bbtnRewrite->hide();
        applyMinimumSize();
        resize(width(), std::max(minimumHeight(), height() - paneHeight));
    }
}

void TWordEditDialog::done(int result)
{
    SaveSettings();
    QDialog::done(result);
}
