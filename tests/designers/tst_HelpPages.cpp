// F1 in a window opens the operation guide at the page of the window's help context, and that page is the
// window's own: its heading names the window as the window's title bar does. Shift+F10, the main form's other key
// of every window, asks for the pop-up menu.
#include "LayoutFixture.h"

#include "../platform/FakePrograms.h"
#include "GuidePages.h"

#include "core/AdrsSel.h"
#include "core/GrpEdt.h"
#include "core/InputPW.h"
#include "core/Main.h"
#include "designers/AddInfo.h"
#include "designers/CstmLyt.h"
#include "designers/DataFrm.h"
#include "designers/Design.h"
#include "designers/FgrSet.h"
#include "designers/IlstSet.h"
#include "designers/Label.h"
#include "designers/LytDtl.h"
#include "designers/LytFmt.h"
#include "designers/LytFont.h"
#include "designers/LytPrt.h"
#include "designers/PrintRange.h"
#include "designers/PrtMenu.h"
#include "designers/PrtOpen.h"
#include "designers/PrtSave.h"
#include "designers/QRCode.h"
#include "designers/WordEdit.h"
#include "designers/WordSet.h"
#include "directory/CtgryLst.h"
#include "directory/ExportItemSelect.h"
#include "directory/TgtExcpt.h"
#include "drawing/FigureRect.h"
#include "drawing/QRCodeRect.h"
#include "geo/DicSch.h"
#include "geo/ExpCond.h"
#include "geo/ExpMain.h"
#include "geo/ExpSel.h"
#include "geo/MapView.h"
#include "geo/NoriMain.h"
#include "geo/NoriSel.h"
#include "mainlist/AdrsSch.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>

#include <functional>
#include <map>
#include <set>

namespace {

using test::ContentsEntry;
using test::Guide;
using test::headingOf;
using test::pageText;
using test::viewerPageOf;
using test::withoutBlanks;

// The text of every page of the guide, the running title and the page number left out.
QStringList pageBodies()
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {Guide, QStringLiteral("-")});
    pdftotext.waitForFinished();
    QStringList pages = QString::fromUtf8(pdftotext.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty())
        pages.removeLast();
    static const QRegularExpression runningParts(QStringLiteral("^(Velmora 操作ガイド|― \\d+ ―)$"));
    for (QString &page : pages) {
        QStringList lines = page.split(QLatin1Char('\n'));
        lines.removeIf([](const QString &line) { return line.trimmed().isEmpty() || runningParts.match(line.trimmed()).hasMatch(); });
        page = lines.join(QLatin1Char('\n'));
    }
    return pages;
}

class HelpPages : public LayoutFormTest {};

// How often each character of text stands in it, blanks and line breaks left out.
std::map<char32_t, int> characterCounts(const QString &text)
{
    std::map<char32_t, int> counts;
    for (char32_t c : text.toUcs4())
        if (!QChar::isSpace(c))
            ++counts[c];
    return counts;
}

// The characters whose counts differ, each as "U+XXXX x: pdf n, source m".
QStringList differences(const std::map<char32_t, int> &pdf, const std::map<char32_t, int> &source)
{
    std::set<char32_t> all;
    for (const auto *counts : {&pdf, &source})
        for (const auto &[c, n] : *counts)
            all.insert(c);
    QStringList differing;
    for (char32_t c : all) {
        const auto count = [c](const std::map<char32_t, int> &counts) {
            const auto it = counts.find(c);
            return it == counts.end() ? 0 : it->second;
        };
        if (count(pdf) != count(source))
            differing.append(QStringLiteral("U+%1 %2: pdf %3, source %4")
                                 .arg(QString::number(uint(c), 16).toUpper(), QString::fromUcs4(&c, 1))
                                 .arg(count(pdf))
                                 .arg(count(source)));
    }
    return differing;
}

}  // namespace

TEST_F(HelpPages, EveryWindowsHelpContextOpensAPageHeadedWithItsTitle)
{
    ASSERT_TRUE(QFileInfo::exists(Guide));
    open();  // registers the cut-out shapes the illustration dialog lists
    NoPrintRows rows;
    TNewLayoutDialog papers(nullptr);
    auto wizard = [&rows](uint8_t kind) { return newPrintDialog(rows, kind); };
    auto addition = [](uint8_t mode) {
        auto *d = new TAdditionInfoDialog(nullptr);
        d->SetMode(mode);
        return d;
    };
    auto bookDialog = [](int mode) {
        auto *d = new TAddressSelect(nullptr);
        d->SetMode(mode);
        return d;
    };
    const struct {
        const char *name;
        int context;
        std::function<QWidget *()> make;
    } windows[] = {
        {"address designer", 80, [this] { return new TLayoutForm(list.get()); }},
        {"label designer", 93, [this] { return new TLabelForm(list.get(), false); }},
        {"card designer", 101, [this] { return new TLabelForm(list.get(), true); }},
        {"letter designer", 80, [this] { return new TDesignForm(list.get()); }},
        {"address print menu", 79, [] { auto *d = new TPrintMenuDialog(nullptr); d->SetKind(0); return d; }},
        {"label print menu", 79, [] { auto *d = new TPrintMenuDialog(nullptr); d->SetKind(1); return d; }},
        {"card print menu", 79, [] { auto *d = new TPrintMenuDialog(nullptr); d->SetKind(2); return d; }},
        {"letter print menu", 79, [] { auto *d = new TPrintMenuDialog(nullptr); d->SetKind(3); return d; }},
        {"new paper", 83, [] { return new TNewLayoutDialog(nullptr); }},
        {"label paper", 83, [] { return new TLabelPaperDialog(nullptr, 2); }},
        {"card paper", 83, [] { return new TLabelPaperDialog(nullptr, 3); }},
        {"user paper", 84,
         [&papers] { auto *d = new TCustomLayoutFormatDialog(papers, nullptr); d->SetBaseFormat(0); return d; }},
        {"postcard print", 85, [&wizard] { return wizard(0); }},
        {"envelope print", 85, [&wizard] { return wizard(1); }},
        {"label print", 93, [&wizard] { return wizard(2); }},
        {"card print", 101, [&wizard] { return wizard(3); }},
        {"open", 109, [] { auto *d = new TPrintDataOpenDialog(nullptr); d->SetKind(1); return d; }},
        {"save", 109, [] { auto *d = new TPrintDataSaveDialog(nullptr); d->SetKind(2); return d; }},
        {"font", 115, [] { return new TLayoutFontDialog(nullptr); }},
        {"layout details", 116, [] { auto *d = new TLayoutDetailDialog(nullptr); d->SetPrintKind(0); return d; }},
        {"data form", 118, [] { return new TDataFormDialog(nullptr); }},
        {"barcode", 119, [&addition] { return addition(0); }},
        {"addition items", 120, [&addition] { return addition(2); }},
        {"illustration", 127, [] { return new TIllustSettingDialog(nullptr); }},
        {"text entry", 129, [] { return new TWordEditDialog(nullptr); }},
        {"text settings", 130, [] { auto *d = new TWordSettingDialog(nullptr); d->SetWordRect(TWordRect()); return d; }},
        {"figure", 132, [] { auto *d = new TFigureSettingDialog(nullptr); d->SetFigureRect(TFigureRect()); return d; }},
        {"QR code", 133, [] { auto *d = new TQRCodeSettingDialog(nullptr); d->ResetPreview(TQRCodeRect()); return d; }},
        {"start-up password", 1, [] { return new TInputPassword(nullptr); }},
        {"search names", 21, [] { return new TCategoryList(nullptr); }},
        {"target and exclusion", 22, [] { return new TTargetException(nullptr); }},
        {"export items", 26, [] { return new TExportItemSelect(nullptr); }},
        {"group names", 42, [] { return new TGruopEdit(nullptr); }},
        {"new book", 44, [&bookDialog] { return bookDialog(0); }},
        {"switch book", 44, [&bookDialog] { return bookDialog(9); }},
        {"narrowing", 47, [] { return new TAddressSearch(nullptr); }},
        {"copy items", 61, [] { return new TCopyItemSet(nullptr); }},
        {"map", 64, [] { return new TMapView(nullptr, 1); }},
        {"map of the second maker", 64, [] { return new TMapView(nullptr, 5); }},
        {"route", 65, [] { return new TExpertMain(nullptr); }},
        {"route of the second maker", 65, [] { return new TNorikaeMain(nullptr); }},
        {"station", 65, [] { return new TExpertSelectStation(nullptr); }},
        {"station of the second maker", 65, [] { return new TNorikaeSelectStation(nullptr); }},
        {"route conditions", 65, [] { return new TExpertSearchCondition(nullptr); }},
    };
    for (const auto &entry : windows) {
        SCOPED_TRACE(entry.name);
        std::unique_ptr<QWidget> window(entry.make());
        const int context = window->property("HelpContext").toInt();
        EXPECT_EQ(context, entry.context);
        const QString title = window->windowTitle().trimmed();
        ASSERT_FALSE(title.isEmpty());
        const QString heading = headingOf(pageText(viewerPageOf(context)));
        EXPECT_TRUE(heading.contains(withoutBlanks(title))) << title.toStdString() << " / " << heading.toStdString();
    }
}

TEST_F(HelpPages, TheDictionaryWindowsPagesEachHaveTheirOwnPage)
{
    TDicSearch dictionary(nullptr);
    dictionary.SetListHelpContext(34);
    dictionary.SetPages(15, false, true);
    auto *pages = dictionary.findChild<QTabWidget *>(QStringLiteral("pgctlDicType"));
    ASSERT_NE(pages, nullptr);
    const int expected[] = {34, 36, 38};
    for (int i = 0; i < 3; ++i) {
        pages->setCurrentIndex(i);
        const QString tab = pages->tabText(i);
        SCOPED_TRACE(tab.toStdString());
        EXPECT_EQ(dictionary.property("HelpContext").toInt(), expected[i]);
        const QString heading = headingOf(pageText(viewerPageOf(expected[i])));
        EXPECT_TRUE(heading.contains(dictionary.windowTitle()) && heading.contains(tab)) << heading.toStdString();
    }
}

TEST_F(HelpPages, WindowsThatNeedABookOrAPrintHaveTheirPagesToo)
{
    // The record form, the directory searches, the advanced narrowing and the preview are made on a running book
    // or by a print; their pages are read by the titles they show. Context 0 is the guide's first page.
    const struct {
        int context;
        const char *heading;
    } pagesByHeading[] = {
        {20, "名称住所検索"}, {23, "項目の作成"}, {27, "カテゴリ検索"}, {48, "絞り込み-高度な設定"},
        {52, "アドレス帳情報登録"}, {52, "アドレス帳情報照会"}, {87, "プレビュー"},
    };
    for (const auto &entry : pagesByHeading) {
        SCOPED_TRACE(entry.heading);
        EXPECT_TRUE(headingOf(pageText(viewerPageOf(entry.context))).contains(QString::fromUtf8(entry.heading)));
    }
    // The main window asks for the first page; it sends the reader on to the main window's chapter.
    const QString first = pageText(viewerPageOf(0));
    EXPECT_TRUE(first.contains(QStringLiteral("Velmora 操作ガイド")));
    EXPECT_TRUE(first.contains(QStringLiteral("「Velmora（メイン画面）」の章")));
    EXPECT_TRUE(pageText(2).contains(QStringLiteral("Velmora（メイン画面）")));
}

namespace {

// The pop-up requests a control gets, by how they came.
class PopUpRequests : public QObject {
public:
    std::vector<QContextMenuEvent::Reason> Reasons;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::ContextMenu)
            Reasons.push_back(static_cast<QContextMenuEvent *>(event)->reason());
        return false;
    }
};

// The program's help and its keys of every window as the hidden main form sets them up, with a viewer that writes
// out the text of the page it was asked for.
class HelpKey : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(viewers);
        test::writeScript(viewers + QStringLiteral("/evince"),
                          "pdftotext -f \"$2\" -l \"$2\" \"$3\" '" + log.toLocal8Bit() + ".part'\nmv '" +
                              log.toLocal8Bit() + ".part' '" + log.toLocal8Bit() + "'\n");
        AppFolder = test::appDir();
        DataFolder = tmp.path() + QStringLiteral("/data/");
        // A disc folder of its own keeps the no-drive message of the settings loader away.
        QDir().mkpath(tmp.path() + QStringLiteral("/disc"));
        test::writeFile(DataFolder + QStringLiteral("Mirvale18.ini"),
                        "[HIDDEN PARAMETER]\r\nPath=" + tmp.path().toLocal8Bit() + "/disc\r\n");
        main.FormCreate();
        // The start message would run the main list; these tests need only the help.
        QCoreApplication::removePostedEvents(&main, WM_STARTUP);
    }

    // The page text the viewer was opened at by F1 in the window.
    QString pressF1(QWidget &window, QWidget *focus = nullptr)
    {
        QFile::remove(log);
        window.show();
        QApplication::setActiveWindow(&window);
        (focus ? focus : &window)->setFocus();
        QTest::keyClick(focus ? focus : &window, Qt::Key_F1);
        if (!test::waitForFile(log))
            return {};
        return QString::fromUtf8(test::readFile(log));
    }

    QTemporaryDir tmp;
    const QString viewers = tmp.path() + QStringLiteral("/viewers");
    const QString log = tmp.path() + QStringLiteral("/page.txt");
    test::ScopedPath path{viewers};
    test::MessageBoxScript boxes;
    TMainForm main;
};

}  // namespace

TEST_F(HelpKey, F1InAWindowOpensTheGuideAtThatWindowsPage)
{
    {
        SCOPED_TRACE("text entry");
        TWordEditDialog dialog(nullptr);
        EXPECT_EQ(headingOf(pressF1(dialog)), QStringLiteral("文章の編集"));
    }
    {
        SCOPED_TRACE("label print settings");
        TWizardPrinter printer;
        printer.Device = QStringLiteral("PDF出力");
        TLayoutPrintDialog dialog(nullptr, printer);
        dialog.SetPrintKind(2);
        EXPECT_EQ(headingOf(pressF1(dialog)), QStringLiteral("ラベル印刷"));
    }
    {
        SCOPED_TRACE("dictionary, postal-code page");
        TDicSearch dictionary(nullptr);
        dictionary.SetPages(15, false, true);
        auto *pages = dictionary.findChild<QTabWidget *>(QStringLiteral("pgctlDicType"));
        ASSERT_NE(pages, nullptr);
        pages->setCurrentIndex(1);
        EXPECT_EQ(headingOf(pressF1(dictionary)), QStringLiteral("検索（郵便番号検索）"));
    }
    for (const auto &box : boxes.shown())
        ADD_FAILURE() << box.text.toStdString();
}

// Shift+F10 asks the control that has the keys for its pop-up menu once, from the keys, as the Menu key does;
// F10 alone or with Ctrl as well asks nothing.
TEST_F(HelpKey, ShiftF10AsksTheControlWithTheKeysForItsPopUpMenuAsTheMenuKeyDoes)
{
    QWidget window;
    auto *control = new QListWidget(&window);
    PopUpRequests asked;
    control->installEventFilter(&asked);
    window.show();
    QApplication::setActiveWindow(&window);
    control->setFocus();
    QTest::keyClick(control, Qt::Key_F10, Qt::ShiftModifier);
    QTest::keyClick(control, Qt::Key_F10);
    QTest::keyClick(control, Qt::Key_F10, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(asked.Reasons, std::vector<QContextMenuEvent::Reason>{QContextMenuEvent::Keyboard});
}

TEST(GuidePages, EveryPageSaysSomethingAndNoneIsLeftBlank)
{
    const QStringList pages = pageBodies();
    ASSERT_GE(pages.size(), 137);
    for (int i = 1; i < pages.size(); ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_FALSE(pages[i].contains(QStringLiteral("白紙")));
        // A heading and a line of text at the least: a page is not a line carried over from the page before.
        EXPECT_GE(pages[i].count(QLatin1Char('\n')) + 1, 4) << pages[i].toStdString();
    }
}

// The guide's text, searched or copied, holds what its pages show: 長 where 長 is printed, though IPAex draws it
// with the glyph of the radicals ⻑ and ⾧, ～ beside 〜 that shares its glyph, 黒, 𠮷 from the face that stands
// in, and each half-width kana with its sound mark once. The chapters' characters are those of guide.txt, each as
// often as it writes it; the title page's those of its title lines.
TEST(GuidePages, TheTextHoldsTheCharactersThePagesShow)
{
    QFile file(test::sourceDir() + QStringLiteral("data/guide/guide.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QString chapters, titlePage;
    bool inChapters = false;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'@')) {
            const QString word = line.section(u' ', 0, 0);
            const QString rest = line.section(u' ', 1);
            inChapters = inChapters || word == QStringLiteral("@chapter");
            if (word == QStringLiteral("@chapter") || word == QStringLiteral("@section"))
                chapters += rest;
            else if (word == QStringLiteral("@title") || word == QStringLiteral("@subtitle")
                     || word == QStringLiteral("@titlenote"))
                titlePage += rest;
        } else if (inChapters) {
            // A bullet is printed with its mark.
            chapters += line.startsWith(QStringLiteral("- ")) ? QStringLiteral("・") + line.mid(2) : line;
        }
    }
    const QStringList pages = pageBodies();
    ASSERT_GE(pages.size(), 137);
    static const QRegularExpression pageNumber(QStringLiteral("―\\s*\\d+\\s*―"));
    const QString printed = pages.mid(2).join(QString()).remove(pageNumber);
    EXPECT_EQ(differences(characterCounts(printed), characterCounts(chapters)).join(u'\n').toStdString(), "");
    EXPECT_EQ(differences(characterCounts(pageText(1)), characterCounts(titlePage)).join(u'\n').toStdString(), "");

    // The words searched for first: every 長 of the guide.
    for (const QString &word : {QStringLiteral("長形"), QStringLiteral("長い"), QStringLiteral("細長"), QStringLiteral("長さ"),
                                QStringLiteral("ｶﾃｺﾞﾘ")})
        EXPECT_EQ(withoutBlanks(printed).remove(u'\n').count(word), chapters.count(word)) << word.toStdString();
    EXPECT_FALSE(printed.contains(QChar(0x2ED1)));
    EXPECT_EQ(printed.count(QStringLiteral("長")), chapters.count(QStringLiteral("長")));
}

TEST(GuidePages, TheContentsListEveryChapterAtThePageItBeginsOn)
{
    const QStringList pages = pageBodies();
    const std::vector<ContentsEntry> entries = test::contentsEntries();
    ASSERT_GE(entries.size(), 80u);
    int before = 2;
    for (const ContentsEntry &e : entries) {
        SCOPED_TRACE(e.title.toStdString());
        EXPECT_GT(e.page, before);  // in the order of the pages
        before = e.page;
        ASSERT_LE(e.page, pages.size());
        EXPECT_TRUE(withoutBlanks(pages[e.page - 1]).remove(QLatin1Char('\n')).startsWith(withoutBlanks(e.title))) << pages[e.page - 1].left(80).toStdString();
    }
    // The windows an office opens every week without a help page of their own have a chapter under their title.
    const char *const captions[] = {
        "テキストファイルの取り込み", "テキストファイルの出力", "マークファイルの出力", "他のアドレス帳にコピー",
        "アドレス帳の一括編集", "一覧内のワード検索", "重複データの表示", "キーワード項目の設定", "表示項目の設定",
        "環境設定", "バックアップ", "復元", "データの最適化", "インデックス修復", "局番変換", "住所・郵便番号変換",
        "電話帳データのHDDインストール", "アップデートの確認", "バージョン情報", "お知らせ", "一覧表印刷", "差出人の編集",
        "入力リストの編集", "Web検索", "iMapFan/ケータイ地図MapFan", "画像参照ツール",
    };
    for (const char *caption : captions) {
        const QString title = QString::fromUtf8(caption);
        EXPECT_TRUE(std::any_of(entries.begin(), entries.end(), [&](const ContentsEntry &e) {
            return e.title.split(QStringLiteral("／")).contains(title);
        })) << caption;
    }
}
