// The filter dialog: conditions built from each kind of editor, the list buttons, the two views, and the
// named patterns of Search.ptn with their limits and damaged files.
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "mainlist/AdrsSch.h"
#include "mainlist/NarrowDown.h"
#include "platform/MemIniFile.h"
#include "widgets/UniStdCtrls.h"

#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QInputMethodEvent>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

QByteArray sjis(QStringView s) { return Sjis::encode(s); }

TNarrowDownItem text(int item, const QByteArray &value, int mode)
{
    TNarrowDownItem c;
    c.Item = item;
    c.Text = value;
    c.MatchMode = mode;
    return c;
}

TNarrowDownItem choice(int item, int value, bool negate = false)
{
    TNarrowDownItem c;
    c.Item = item;
    c.ValueKind = vkChoice;
    c.Choice = value;
    c.Negate = negate;
    return c;
}

TNarrowDownPattern pattern(const QByteArray &name, std::vector<TNarrowDownItem> conditions, bool all = true)
{
    return {name, {std::move(conditions), all}};
}

// Whether the input method engages in a field, as the platform asks the focused field.
bool imEnabled(QWidget *field)
{
    QInputMethodQueryEvent asked(Qt::ImEnabled);
    QApplication::sendEvent(field, &asked);
    return asked.value(Qt::ImEnabled).toBool();
}

// What an input method hands a field when the user commits a word.
void commit(QWidget *field, const QString &text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(field, &event);
}

class FilterDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        DataFolder = DataRootFolder = dir.path() + "/";
        CategoryFolder = test::appDir() + "Category/";
        dm = std::make_unique<TDMMirvale18>();
        DMMirvale18 = dm.get();
        dm->CreateSharedTableObjects();
        dm->DptmntHistory = std::make_unique<THistoryData>(dir.path() + "/Dptmnt.mtd", 100, true);
        dm->DptmntHistory->LoadFromFile();
        dm->DptmntHistory->Add(sjis(u"営業部"), 0);
        dm->DptmntHistory->Add(sjis(u"総務部"), 0);
    }
    void TearDown() override
    {
        dialog.reset();
        DMMirvale18 = nullptr;
    }
    // Shown in the view asked for and made active, so focus and keys reach it.
    TAddressSearch &open(int viewType)
    {
        dialog.reset();
        TMemIniFile ini(DataFolder + SettingsFileName);
        ini.WriteInteger("ADRS SCH", "ViewType", viewType);
        ini.UpdateFile();
        dialog = std::make_unique<TAddressSearch>(nullptr);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        QApplication::setActiveWindow(dialog.get());
        return *dialog;
    }
    TNarrowDownCondition conditions() const
    {
        TNarrowDownCondition filter;
        dialog->GetConditions(filter);
        return filter;
    }
    QStringList row(int index) const
    {
        const QTreeWidgetItem *item = dialog->lvCondition->topLevelItem(index);
        return item ? QStringList{item->text(0), item->text(1), item->text(2)} : QStringList();
    }
    QString patternFile() const { return DataRootFolder + "Search.ptn"; }

    QTemporaryDir dir;
    std::unique_ptr<TDMMirvale18> dm;
    std::unique_ptr<TAddressSearch> dialog;
    test::MessageBoxScript boxes;
};

}  // namespace

TEST_F(FilterDialog, BuildsConditionsOfEveryItemKind)
{
    TAddressSearch &d = open(vtAdvanced);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("絞り込み - 高度な設定"));
    EXPECT_EQ(d.cbxItem->itemText(21), KeywordNames[0]);
    EXPECT_FALSE(d.btnClear->isEnabled());  // the caller had no filter

    d.cbxItem->setCurrentIndex(1);  // 電話番号: hyphens dropped, mode kept
    d.edtContent->setText("03-1234");
    d.bbtnAdd->click();
    d.cbxItem->setCurrentIndex(12);  // 名前: Unicode edit, escaped form
    d.edtContentUni->setText(QStringLiteral("髙橋"));
    d.cbxCondition->setCurrentIndex(mmSuffix);
    d.bbtnAdd->click();
    d.cbxItem->setCurrentIndex(10);  // 部署: the history offers its entries
    EXPECT_EQ(d.cbxContentRW->count(), 2);
    EXPECT_EQ(d.cbxContentRW->itemText(1), QStringLiteral("総務部"));
    d.cbxContentRW->setEditText(QStringLiteral("営業"));
    d.cbxCondition->setCurrentIndex(mmContains);
    d.bbtnAdd->click();
    d.cbxItem->setCurrentIndex(fiPrivCorp);
    EXPECT_TRUE(d.cbxContentRO->isVisible());
    EXPECT_FALSE(d.cbxCondition->isVisible());
    d.cbxContentRO->setCurrentIndex(1);
    d.chkNotCondition->setChecked(true);
    EXPECT_EQ(d.chkNotCondition->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    d.bbtnAdd->click();
    d.cbxItem->setCurrentIndex(fiCategory);
    d.Cbx_CatMain->setCurrentIndex(d.Cbx_CatMain->findData(16));
    ASSERT_GT(d.Cbx_CatSub->count(), 2);
    EXPECT_EQ(d.Cbx_CatSub->itemText(0), QStringLiteral("指定なし"));
    d.Cbx_CatSub->setCurrentIndex(2);
    const int sub = d.Cbx_CatSub->ItemObject(2);
    const QString subName = d.Cbx_CatSub->itemText(2);
    d.bbtnAdd->click();
    // An empty text tests for an empty field; the checkbox left checked by the category item does not apply.
    d.cbxItem->setCurrentIndex(9);
    d.bbtnAdd->click();
    d.bbtnAdd->click();  // the same again is not added
    d.rbOr->setChecked(true);

    const TNarrowDownCondition expected{
        {text(1, "031234", mmPrefix), text(12, WideToEscapedAnsi(QStringLiteral("髙橋")), mmSuffix),
         text(10, sjis(u"営業"), mmContains), choice(fiPrivCorp, 1, true), choice(fiCategory, 1600 + sub, true),
         text(9, "", mmNone)},
        false};
    EXPECT_EQ(conditions(), expected);
    EXPECT_EQ(row(0), (QStringList{"電話番号", "031234", "前方一致"}));
    EXPECT_EQ(row(1), (QStringList{"名前", "髙橋", "後方一致"}));
    EXPECT_EQ(row(3), (QStringList{"個人会社区分", "会社", "以外"}));
    EXPECT_EQ(row(4), (QStringList{"カテゴリ", QStringLiteral("医療-") + subName, "以外"}));
    EXPECT_EQ(row(5), (QStringList{"会社名", "＜空白＞", ""}));
    EXPECT_EQ(d.rbOr->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(d.lvCondition->selectedItems(), QList<QTreeWidgetItem *>{d.lvCondition->topLevelItem(5)});

    // Given back, the set comes out unchanged and its first condition stands in the editors.
    open(vtAdvanced).SetConditions(expected);
    EXPECT_EQ(conditions(), expected);
    EXPECT_TRUE(dialog->btnClear->isEnabled());
    EXPECT_EQ(dialog->cbxItem->currentIndex(), 1);
    EXPECT_EQ(dialog->edtContent->text(), "031234");
    dialog->lvCondition->topLevelItem(4)->setSelected(true);
    dialog->lvConditionDblClick();
    EXPECT_EQ(dialog->Cbx_CatMain->ItemObject(dialog->Cbx_CatMain->currentIndex()), 16);
    EXPECT_EQ(dialog->Cbx_CatSub->currentText(), subName);
    EXPECT_TRUE(dialog->chkNotCondition->isChecked());
}

TEST_F(FilterDialog, ListButtonsKeepTenConditionsAndTheSelection)
{
    TAddressSearch &d = open(vtAdvanced);
    for (int i = 0; i < 10; ++i) {
        d.edtContent->setText(QString::number(i));
        d.bbtnAdd->click();
    }
    EXPECT_FALSE(d.bbtnAdd->isEnabled());
    EXPECT_TRUE(d.lvCondition->hasFocus());
    QTest::keyClick(d.lvCondition, Qt::Key_Return);
    EXPECT_TRUE(d.rbAnd->hasFocus());

    d.lvCondition->clearSelection();
    d.lvCondition->topLevelItem(3)->setSelected(true);
    d.lvCondition->topLevelItem(4)->setSelected(true);
    EXPECT_FALSE(d.bbtnUpdate->isEnabled());
    d.bbtnDelete->click();
    EXPECT_EQ(d.lvCondition->topLevelItemCount(), 8);
    EXPECT_EQ(row(3)[1], "5");
    EXPECT_EQ(d.lvCondition->selectedItems(), QList<QTreeWidgetItem *>{d.lvCondition->topLevelItem(3)});
    EXPECT_TRUE(d.bbtnAdd->isEnabled());

    d.edtContent->setText("x");
    d.bbtnUpdate->click();
    EXPECT_EQ(conditions().Conditions[3].Text, "x");
    d.edtContent->setText("0");  // already row 0: neither stored nor added
    d.bbtnUpdate->click();
    d.bbtnAdd->click();
    EXPECT_EQ(conditions().Conditions[3].Text, "x");
    EXPECT_EQ(d.lvCondition->topLevelItemCount(), 8);

    d.bbtnClear->click();
    EXPECT_TRUE(conditions().Conditions.empty());
    EXPECT_FALSE(d.bbtnClear->isEnabled());
    EXPECT_FALSE(d.bbtnSavePattern->isEnabled());
}

// The current condition of 条件の一覧 stands in the editors however it became current — arrows, Home/End, a
// screen reader setting the current item — so a keyboard user can change it with 変更 without retyping it.
TEST_F(FilterDialog, TheConditionMovedToIsTheOneLoaded)
{
    TAddressSearch &d = open(vtAdvanced);
    d.SetConditions({{text(0, "A", mmPrefix), choice(fiPrivCorp, 1, true), text(0, "C", mmContains)}, true});
    d.lvCondition->setFocus();
    d.lvCondition->setCurrentItem(d.lvCondition->topLevelItem(0));
    QTest::keyClick(d.lvCondition, Qt::Key_Down);
    EXPECT_EQ(d.cbxItem->currentIndex(), fiPrivCorp) << "Down";
    EXPECT_EQ(d.cbxContentRO->currentIndex(), 1);
    EXPECT_TRUE(d.chkNotCondition->isChecked());
    QTest::keyClick(d.lvCondition, Qt::Key_End);
    EXPECT_EQ(d.cbxItem->currentIndex(), 0) << "End";
    EXPECT_EQ(d.edtContent->text(), "C");
    EXPECT_EQ(d.cbxCondition->currentIndex(), static_cast<int>(mmContains));
    QTest::keyClick(d.lvCondition, Qt::Key_Home);
    EXPECT_EQ(d.edtContent->text(), "A") << "Home";
    EXPECT_EQ(d.cbxCondition->currentIndex(), static_cast<int>(mmPrefix));
    d.lvCondition->setCurrentItem(d.lvCondition->topLevelItem(2), 0,
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(d.edtContent->text(), "C") << "a screen reader's current item";

    // Changed with 変更 by keys alone: only that row changes.
    d.edtContent->setText("CD");
    QTest::keyClick(d.bbtnUpdate, Qt::Key_Space);
    EXPECT_EQ(conditions(), (TNarrowDownCondition{
                                {text(0, "A", mmPrefix), choice(fiPrivCorp, 1, true), text(0, "CD", mmContains)}, true}));

    // Rows taken out leave the row now current in the editors, and none of the deleted ones.
    d.lvCondition->setCurrentItem(d.lvCondition->topLevelItem(0), 0,
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QTest::keyClick(d.bbtnDelete, Qt::Key_Space);
    EXPECT_EQ(d.cbxItem->currentIndex(), fiPrivCorp);
    EXPECT_EQ(d.cbxContentRO->currentIndex(), 1);
}

TEST_F(FilterDialog, SimpleViewFiltersByTheEditorsAndTheViewIsKept)
{
    const TNarrowDownCondition given{{text(0, "A", mmPrefix), choice(fiTelDiv, 0)}, true};
    TAddressSearch &d = open(vtSimple);
    EXPECT_FALSE(d.lvCondition->isVisible());
    EXPECT_EQ(d.windowTitle(), QStringLiteral("絞り込み"));
    d.SetConditions(given);
    d.cbxItem->setCurrentIndex(0);
    d.edtContent->setFocus();
    QTest::keyClick(d.edtContent, Qt::Key_Return);  // on to the match mode
    EXPECT_TRUE(d.cbxCondition->hasFocus());
    QTest::keyClick(d.cbxCondition, Qt::Key_Return);  // simple view: on to "絞り込む"
    EXPECT_TRUE(d.btnView->hasFocus());
    d.btnView->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(conditions(), (TNarrowDownCondition{{text(0, "A", mmPrefix)}, true}));

    open(vtSimple).btnViewSwitch->click();
    EXPECT_TRUE(dialog->lvCondition->isVisible());
    EXPECT_EQ(dialog->btnViewSwitch->text(), QStringLiteral("通常の設定方法に戻す"));
    dialog.reset();
    EXPECT_EQ(TMemIniFile(DataFolder + SettingsFileName).ReadInteger("ADRS SCH", "ViewType", 0), vtAdvanced);

    dialog = std::make_unique<TAddressSearch>(nullptr);
    EXPECT_EQ(dialog->ViewType, vtAdvanced);
    dialog->SetConditions(given);
    dialog->btnClear->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(conditions().Conditions.empty());
}

TEST_F(FilterDialog, PatternsSaveReplaceViewAndDelete)
{
    TAddressSearch &d = open(vtAdvanced);
    EXPECT_FALSE(d.bbtnViewPattern->isEnabled());
    d.edtContent->setText("A");
    d.bbtnAdd->click();
    d.bbtnSavePattern->click();
    d.cbxPattern->setEditText(QStringLiteral("  東京の顧客 "));
    d.bbtnSavePattern->click();
    d.cbxPattern->setEditText(QStringLiteral("大阪"));
    d.rbOr->setChecked(true);
    d.bbtnSavePattern->click();
    // Saved again under the first name: replaced in place, the order kept.
    d.cbxItem->setCurrentIndex(fiTelDiv);
    d.bbtnAdd->click();
    d.cbxPattern->setEditText(QStringLiteral("東京の顧客"));
    d.bbtnSavePattern->click();
    const std::vector<TNarrowDownPattern> saved{
        pattern(sjis(u"東京の顧客"), {text(0, "A", mmPrefix), choice(fiTelDiv, 0)}, false),
        pattern(sjis(u"大阪"), {text(0, "A", mmPrefix)}, false)};
    EXPECT_EQ(LoadSearchPatterns(), saved);
    EXPECT_EQ(d.cbxPattern->currentText(), QStringLiteral("東京の顧客"));
    d.cbxPattern->setFocus();
    QTest::keyClick(d.cbxPattern, Qt::Key_Return);
    EXPECT_TRUE(d.cbxItem->hasFocus());

    // Read back by a new dialog and shown.
    TAddressSearch &again = open(vtAdvanced);
    EXPECT_EQ(again.cbxPattern->count(), 2);
    again.cbxPattern->setEditText(QStringLiteral("名古屋"));
    again.bbtnViewPatternClick();
    again.cbxPattern->setEditText(QStringLiteral("大阪"));
    again.bbtnViewPattern->click();
    EXPECT_EQ(conditions(), saved[1].Condition);
    EXPECT_EQ(again.cbxPattern->currentIndex(), 1);
    EXPECT_FALSE(again.btnClear->isEnabled());  // still as the caller's filter left it

    boxes.answer(IDNO);
    again.bbtnDeletePattern->click();
    EXPECT_EQ(LoadSearchPatterns().size(), 2u);
    boxes.answer(IDYES);
    again.bbtnDeletePattern->click();
    EXPECT_EQ(LoadSearchPatterns(), std::vector<TNarrowDownPattern>{saved[0]});
    EXPECT_EQ(again.cbxPattern->currentText(), "");
    again.cbxPattern->setEditText(QStringLiteral("東京の顧客"));
    boxes.answer(IDYES);
    again.bbtnDeletePattern->click();
    EXPECT_FALSE(QFile::exists(patternFile()));
    EXPECT_FALSE(again.bbtnDeletePattern->isEnabled());
    again.bbtnDeletePatternClick();

    EXPECT_EQ(boxes.texts(), (QStringList{"保存するにはパターン名を入力してください  ",
                                          "指定したパターン名は保存されていません  ",
                                          "選択しているパターンを削除します  \r\nよろしいですか？  ",
                                          "選択しているパターンを削除します  \r\nよろしいですか？  ",
                                          "選択しているパターンを削除します  \r\nよろしいですか？  ",
                                          "削除したいパターン名を入力してください  "}));
    EXPECT_EQ(boxes.shown()[2].flags, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONINFORMATION);
}

TEST_F(FilterDialog, The256thPatternIsRefusedAndAFailedWriteKeepsTheList)
{
    std::vector<TNarrowDownPattern> full;
    for (int i = 0; i < MaxNarrowDownPatterns; ++i)
        full.push_back(pattern(QByteArray::number(i), {choice(fiPrivCorp, 0)}));
    SaveSearchPatterns(full);
    std::vector<TNarrowDownPattern> tooMany = full;
    tooMany.push_back(pattern("x", {choice(fiPrivCorp, 0)}));
    EXPECT_THROW(SaveSearchPatterns(tooMany), ENarrowDownError);
    EXPECT_EQ(LoadSearchPatterns(), full);

    TAddressSearch &d = open(vtAdvanced);
    EXPECT_EQ(d.cbxPattern->count(), MaxNarrowDownPatterns);
    d.bbtnAdd->click();
    d.cbxPattern->setEditText("new");
    d.bbtnSavePattern->click();
    EXPECT_EQ(boxes.texts(), QStringList{"登録できるパターンは２５５件までです  "});
    EXPECT_EQ(LoadSearchPatterns(), full);
    d.cbxPattern->setEditText("7");  // a saved name is still replaced
    d.bbtnSavePattern->click();
    full[7].Condition = conditions();
    EXPECT_EQ(LoadSearchPatterns(), full);

    // The data root is not a folder: the file cannot be written, the dialog keeps the pattern.
    boxes.clear();
    test::writeFile(dir.path() + "/plain", "x");
    DataRootFolder = dir.path() + "/plain/";
    d.cbxPattern->setEditText("0");
    boxes.answer(IDYES);
    d.bbtnDeletePattern->click();
    EXPECT_EQ(boxes.texts().last(), "パターンが保存できませんでした  ");
    EXPECT_EQ(boxes.shown().back().flags, MB_ICONERROR);
    EXPECT_EQ(d.cbxPattern->count(), MaxNarrowDownPatterns - 1);
}

TEST_F(FilterDialog, DamagedPatternFileKeepsThePatternsBeforeTheDamage)
{
    const std::vector<TNarrowDownPattern> three{
        pattern(sjis(u"会社"), {text(9, sjis(u"株式会社"), mmContains)}),
        pattern("cat", {choice(fiCategory, 1203, true)}, false), pattern("tel", {text(1, "03", mmPrefix)})};
    SaveSearchPatterns(three);
    const QByteArray whole = test::readFile(patternFile());
    // Where each pattern ends in the file: count byte, then name length, name and filter coding.
    std::vector<qsizetype> ends;
    qsizetype at = 1;
    for (const TNarrowDownPattern &p : three) {
        QByteArray coding;
        ASSERT_TRUE(AppendConditions(coding, p.Condition));
        at += 1 + p.Name.size() + coding.size();
        ends.push_back(at);
    }
    ASSERT_EQ(ends.back(), whole.size());
    for (qsizetype n = 0; n <= whole.size(); ++n) {
        test::writeFile(patternFile(), whole.left(n));
        const size_t wholePatterns = std::count_if(ends.begin(), ends.end(), [n](qsizetype e) { return e <= n; });
        const std::vector<TNarrowDownPattern> read = LoadSearchPatterns();
        EXPECT_EQ(read, std::vector<TNarrowDownPattern>(three.begin(), three.begin() + wholePatterns)) << n;
    }

    // The category choice of the second pattern claims 5 payload bytes: refused there, never read past.
    QByteArray bad = whole;
    const qsizetype payloadSize = ends[0] + 1 + 3 + 1 + 2;  // name length, "cat", condition count, item, kind
    ASSERT_EQ(bad.mid(payloadSize, 4), QByteArray("\x04\x00\x00\x00", 4));
    bad[payloadSize] = 5;
    test::writeFile(patternFile(), bad);
    EXPECT_EQ(LoadSearchPatterns(), std::vector<TNarrowDownPattern>{three[0]});

    TAddressSearch &d = open(vtAdvanced);
    EXPECT_EQ(d.cbxPattern->count(), 1);
    EXPECT_EQ(d.cbxPattern->itemText(0), QStringLiteral("会社"));
    EXPECT_TRUE(boxes.texts().isEmpty());
}

// The items of codes, numbers and addresses take no input method, whichever way the text arrives; the names
// and addresses of places keep it.
TEST_F(FilterDialog, HalfWidthItemsTakeNoInputMethodAndKeepHalfWidth)
{
    TAddressSearch &d = open(vtAdvanced);
    for (int item : {0, 1, 3, 4, 5, 6, 13, 14, 15}) {
        SCOPED_TRACE(FilterItemTable()[static_cast<size_t>(item)].Title.toStdString());
        d.cbxItem->setCurrentIndex(item);
        d.edtContent->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return d.edtContent->hasFocus(); }));
        EXPECT_FALSE(imEnabled(d.edtContent));
        commit(d.edtContent, QStringLiteral("ｔａｒｏ．ｙａｍａｄａ＠ｅｘａｍｐｌｅ。ｃｏｍ－０１"));
        EXPECT_EQ(d.edtContent->text(),
                  QStringLiteral("taro.yamada@example.com-01").left(FilterItemTable()[static_cast<size_t>(item)].MaxLength));
        d.cbxItem->setFocus();
    }
    d.cbxItem->setCurrentIndex(7);  // 住所
    d.edtContent->setFocus();
    EXPECT_TRUE(imEnabled(d.edtContent));
    commit(d.edtContent, QStringLiteral("港区芝公園４－２－８"));
    EXPECT_EQ(d.edtContent->text(), QStringLiteral("港区芝公園４－２－８"));
}

// Each keyword is typed in the filter as the user set it to be typed (キーワード項目の設定), as in the record form:
// one set to 半角英数 takes no input method and keeps half width what one commits full width, so the record
// holding tokyo-01 is found; every other mode keeps the input method, its own mode given as the hint. In the
// simple view, the advanced view and its rows alike; the joint names and the note keep hiragana beside them.
TEST_F(FilterDialog, AKeywordIsTypedInTheModeSetForIt)
{
    const auto modes = KeywordModes;
    const auto restore = qScopeGuard([modes] { KeywordModes = modes; });
    KeywordModes = {imClose, imHira, imKata, imAlpha, imSKata, imClose, imKata, imHira};
    const auto fieldOf = [this](int keyword) -> QWidget * {
        return keyword < 5 ? static_cast<QWidget *>(dialog->edtContent) : dialog->cbxContentRW;
    };
    const auto finds = [](const TNarrowDownCondition &filter, int keyword, const QByteArray &held) {
        return RowPassesFilter(filter, [&](const QString &field) {
            return field == QStringLiteral("Keyword%1").arg(keyword + 1) ? QVariant(held) : QVariant(QByteArray());
        });
    };
    const auto typeInto = [](QWidget *field, const QString &text) {
        field->setFocus();
        EXPECT_TRUE(QTest::qWaitFor([field] { return field->hasFocus(); }));
        commit(field, text);
    };

    TAddressSearch &d = open(vtAdvanced);
    for (int keyword = 0; keyword < 8; ++keyword) {
        SCOPED_TRACE(keyword + 1);
        d.cbxItem->setCurrentIndex(21 + keyword);
        QWidget *field = fieldOf(keyword);
        ASSERT_TRUE(field->isVisible());
        EXPECT_EQ(GetImeMode(field), KeywordModes[keyword]);
        const bool halfWidth = KeywordModes[keyword] == imClose;
        typeInto(field, QStringLiteral("ｔｏｋｙｏ－０１"));
        EXPECT_EQ(imEnabled(field), !halfWidth);
        EXPECT_EQ(field->inputMethodHints().testFlag(Qt::ImhLatinOnly), halfWidth);
        d.bbtnAdd->click();
        const TNarrowDownCondition one{{conditions().Conditions.back()}, true};
        EXPECT_EQ(finds(one, keyword, "tokyo-01"), halfWidth);
        EXPECT_EQ(finds(one, keyword, sjis(u"ｔｏｋｙｏ－０１")), !halfWidth);
        EXPECT_FALSE(finds(one, keyword, "osaka-02"));
        d.cbxItem->setFocus();
    }
    // What follows a half-width keyword takes the input method again, and keeps full width.
    for (int item : {16, 20, 29}) {
        SCOPED_TRACE(FilterItemTable()[static_cast<size_t>(item)].Title.toStdString());
        d.cbxItem->setCurrentIndex(21);
        d.cbxItem->setCurrentIndex(item);
        QWidget *field = item == 29 ? static_cast<QWidget *>(d.edtContent) : d.edtContentUni;
        typeInto(field, QStringLiteral("ｔｏｋｙｏ－０１"));
        EXPECT_EQ(GetImeMode(field), imHira);
        EXPECT_TRUE(imEnabled(field));
        EXPECT_EQ(qobject_cast<QLineEdit *>(field)->text(), QStringLiteral("ｔｏｋｙｏ－０１"));
        d.cbxItem->setFocus();
    }
    // A row of the list shown again in the editors takes its keyword's mode.
    d.cbxItem->setCurrentIndex(22);  // キーワード２, hiragana
    d.lvCondition->clearSelection();
    d.lvCondition->topLevelItem(5)->setSelected(true);  // キーワード６, half width
    d.lvConditionDblClick();
    EXPECT_EQ(d.cbxItem->currentIndex(), 26);
    EXPECT_EQ(d.cbxContentRW->currentText(), QStringLiteral("tokyo-01"));
    EXPECT_FALSE(imEnabled(d.cbxContentRW));

    // The simple view: 絞り込む filters by the keyword as typed.
    TAddressSearch &simple = open(vtSimple);
    simple.cbxItem->setCurrentIndex(21);
    typeInto(simple.edtContent, QStringLiteral("ｔｏｋｙｏ－０１"));
    EXPECT_FALSE(imEnabled(simple.edtContent));
    simple.btnView->click();
    EXPECT_TRUE(finds(conditions(), 0, "tokyo-01"));
    EXPECT_FALSE(finds(conditions(), 0, "osaka-02"));
}
