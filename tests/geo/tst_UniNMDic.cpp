// The name-reading pop-up on the offscreen platform over the built Kvreading99a.so and its list: candidates
// laid out and paged with the keys, the choice posted to the asking form, the edit keeping the focus, the
// pop-up following its edit, and nothing offered without the library.
#include "Accessibility.h"
#include "TestSupport.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "geo/UniNMDic.h"
#include "platform/CustomEvents.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

QByteArray typed(const QString &hiragana) { return HalfKanaReading(hiragana); }

// The asking form: one name edit with the focus, recording the pop-up's message.
class AskingForm : public QWidget {
public:
    AskingForm()
    {
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(20, 30, 20, 200);
        edit = new QLineEdit(this);
        layout->addWidget(edit);
        resize(440, 280);
        move(100, 100);
        show();
        activateWindow();
        edit->setFocus();
        EXPECT_TRUE(QTest::qWaitForWindowActive(this));
    }
    bool event(QEvent *e) override
    {
        if (e->type() == WM_NAMEDICCHOSEN)
            ++chosen;
        return QWidget::event(e);
    }
    QLineEdit *edit;
    int chosen = 0;
};

// The asking form's steps: create, prepare, count, place, show without activating.
TUniNameDic *ask(AskingForm &form, const QString &library, const QByteArray &reading, bool given)
{
    if (!UniNameDic) {
        UniNameDic = new TUniNameDic(&form);
        UniNameDic->SetHighlightColor(QColor(0, 0, 255));
        UniNameDic->SetFolders(library, test::appDir() + QStringLiteral("Dic/"));
        UniNameDic->Prepare();
    }
    const quint32 count = UniNameDic->CountCandidates(reading, given);
    if (count < 1) {
        UniNameDic->close();
        return nullptr;
    }
    if (!UniNameDic->isVisible()) {
        UniNameDic->PlaceUnder(form.edit);
        UniNameDic->SetGivenName(given);
        UniNameDic->SetTag(3);
    }
    UniNameDic->SetReading(reading);
    UniNameDic->ShowCandidates(count);
    UniNameDic->show();
    return UniNameDic;
}

QTableWidget *grid(TUniNameDic *dic) { return dic->findChild<QTableWidget *>(QStringLiteral("sgNameList")); }

QString cell(TUniNameDic *dic, int row, int column)
{
    const QTableWidgetItem *item = grid(dic)->item(row, column);
    return item ? item->text() : QString();
}

// The selected cell as (row, column); (-1, -1) for none.
std::pair<int, int> selected(TUniNameDic *dic)
{
    const QList<QTableWidgetItem *> items = grid(dic)->selectedItems();
    if (items.isEmpty())
        return {-1, -1};
    return {items.front()->row(), items.front()->column()};
}

void expectEditKeepsFocus(AskingForm &form)
{
    EXPECT_EQ(QApplication::activeWindow(), &form);
    EXPECT_EQ(QApplication::focusWidget(), form.edit);
    EXPECT_TRUE(form.edit->hasFocus());
}

void closePopup()
{
    if (UniNameDic)
        UniNameDic->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(UniNameDic, ManyWrittenFormsArePagedWithTheKeysAndTheChoiceGoesToTheAskingForm)
{
    AskingForm form;
    // かずお: fifteen given names of its own, then かずおき and かずおみ on rows of their own.
    const QPointer<TUniNameDic> dic = ask(form, test::appDir(), typed(QStringLiteral("かずお")), true);
    ASSERT_TRUE(dic);
    ASSERT_EQ(grid(dic)->rowCount(), 5);
    EXPECT_EQ(grid(dic)->columnCount(), 6);
    EXPECT_EQ(cell(dic, 0, 0), QStringLiteral("ｶｽﾞｵ"));
    EXPECT_EQ(cell(dic, 1, 0), QString());
    EXPECT_EQ(cell(dic, 2, 0), QString());
    EXPECT_EQ(cell(dic, 0, 1), QStringLiteral("一生"));
    EXPECT_EQ(cell(dic, 2, 5), QStringLiteral("かずお"));
    EXPECT_EQ(cell(dic, 3, 0), QStringLiteral("ｶｽﾞｵｷ"));
    EXPECT_EQ(cell(dic, 4, 0), QStringLiteral("ｶｽﾞｵﾐ"));
    EXPECT_EQ(cell(dic, 4, 2), QStringLiteral("和臣"));
    EXPECT_EQ(cell(dic, 4, 3), QString());
    EXPECT_EQ(dic->pos(), form.edit->mapToGlobal(QPoint(0, form.edit->height())));
    QTest::qWait(50);
    expectEditKeepsFocus(form);

    // With nothing selected the keys stay in the edit; Down starts in the first form.
    EXPECT_FALSE(dic->HandleKey(VK_RIGHT));
    EXPECT_FALSE(dic->HandleKey(VK_UP));
    EXPECT_EQ(selected(dic), std::make_pair(-1, -1));
    EXPECT_TRUE(dic->HandleKey(VK_DOWN));
    EXPECT_EQ(selected(dic), std::make_pair(0, 1));
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(dic->HandleKey(VK_RIGHT));
    EXPECT_EQ(selected(dic), std::make_pair(0, 5));
    // Down keeps the column while the row has one, else takes the nearest filled one to its left; back up,
    // the remembered column returns.
    EXPECT_TRUE(dic->HandleKey(VK_DOWN));
    EXPECT_TRUE(dic->HandleKey(VK_DOWN));
    EXPECT_TRUE(dic->HandleKey(VK_DOWN));
    EXPECT_EQ(selected(dic), std::make_pair(3, 1));
    EXPECT_TRUE(dic->HandleKey(VK_UP));
    EXPECT_EQ(selected(dic), std::make_pair(2, 5));
    EXPECT_TRUE(dic->HandleKey(VK_NEXT));
    EXPECT_EQ(selected(dic), std::make_pair(4, 2));
    EXPECT_TRUE(dic->HandleKey(VK_RIGHT));
    EXPECT_EQ(selected(dic), std::make_pair(4, 2));
    EXPECT_TRUE(dic->HandleKey(VK_LEFT));
    EXPECT_TRUE(dic->HandleKey(VK_LEFT));
    EXPECT_TRUE(dic->HandleKey(VK_PRIOR));
    EXPECT_EQ(selected(dic), std::make_pair(0, 1));
    // Up in the first row gives the keys back to the edit.
    EXPECT_TRUE(dic->HandleKey(VK_UP));
    EXPECT_EQ(selected(dic), std::make_pair(-1, -1));
    EXPECT_FALSE(dic->HandleKey(VK_LEFT));
    expectEditKeepsFocus(form);

    // Enter on a continuation row: the written form, and the reading of the row that shows it.
    dic->HandleKey(VK_DOWN);
    dic->HandleKey(VK_DOWN);
    dic->HandleKey(VK_DOWN);
    dic->HandleKey(VK_RIGHT);
    EXPECT_EQ(selected(dic), std::make_pair(2, 2));
    EXPECT_TRUE(dic->HandleKey(VK_RETURN));
    QCoreApplication::sendPostedEvents(&form);
    EXPECT_EQ(form.chosen, 1);
    EXPECT_EQ(dic->Tag(), 3);
    EXPECT_TRUE(dic->GivenName());
    EXPECT_EQ(Sjis::decode(dic->ChosenName()), QStringLiteral("和生"));
    EXPECT_EQ(dic->Reading(), typed(QStringLiteral("かずお")));

    // A cell a screen reader makes current is the one the keys go on from and Enter chooses.
    grid(dic)->setCurrentCell(1, 4);
    EXPECT_TRUE(dic->HandleKey(VK_RIGHT));
    EXPECT_EQ(selected(dic), std::make_pair(1, 5));
    EXPECT_TRUE(dic->HandleKey(VK_RETURN));
    QCoreApplication::sendPostedEvents(&form);
    EXPECT_EQ(form.chosen, 2);
    EXPECT_EQ(Sjis::decode(dic->ChosenName()), cell(dic, 1, 5));
    EXPECT_EQ(dic->Reading(), typed(QStringLiteral("かずお")));

    // A double click chooses too, and clicks leave the focus where it was.
    const QRect lastRow = grid(dic)->visualRect(grid(dic)->model()->index(4, 2));
    QTest::mouseDClick(grid(dic)->viewport(), Qt::LeftButton, {}, lastRow.center());
    QCoreApplication::sendPostedEvents(&form);
    EXPECT_EQ(form.chosen, 3);
    EXPECT_EQ(Sjis::decode(dic->ChosenName()), QStringLiteral("和臣"));
    EXPECT_EQ(dic->Reading(), typed(QStringLiteral("かずおみ")));
    expectEditKeepsFocus(form);
    closePopup();
    EXPECT_FALSE(UniNameDic);
}

TEST(UniNameDic, TheEditKeepsTheFocusAndThePopupFollowsIt)
{
    AskingForm form;
    QTest::keyClicks(form.edit, QStringLiteral("ab"));
    const QPointer<TUniNameDic> dic = ask(form, test::appDir(), typed(QStringLiteral("ひろこ")), true);
    ASSERT_TRUE(dic);
    QTest::qWait(50);
    expectEditKeepsFocus(form);
    EXPECT_TRUE(dic->isVisible());

    // Clicking the family-name kind: no family name ひろこ, so the grid empties and the pop-up stays.
    auto *rbLineage = dic->findChild<QRadioButton *>(QStringLiteral("rbLineage"));
    QTest::mouseClick(rbLineage, Qt::LeftButton);
    EXPECT_FALSE(dic->GivenName());
    EXPECT_TRUE(rbLineage->isChecked());
    EXPECT_EQ(grid(dic)->rowCount(), 0);
    QTest::qWait(150);
    EXPECT_TRUE(dic->isVisible());
    expectEditKeepsFocus(form);
    // Typing goes on in the edit while nothing is selected.
    EXPECT_FALSE(dic->HandleKey(VK_DOWN));
    QTest::keyClicks(form.edit, QStringLiteral("c"));
    EXPECT_EQ(form.edit->text(), QStringLiteral("abc"));

    // Back to given names, a click selects a cell without taking the focus.
    QTest::mouseClick(dic->findChild<QRadioButton *>(QStringLiteral("rbFirst")), Qt::LeftButton);
    ASSERT_GT(grid(dic)->rowCount(), 0);
    const QRect second = grid(dic)->visualRect(grid(dic)->model()->index(0, 2));
    QTest::mouseClick(grid(dic)->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(selected(dic), std::make_pair(0, 2));
    expectEditKeepsFocus(form);

    form.move(form.pos() + QPoint(60, 40));
    QTest::qWait(20);
    EXPECT_EQ(dic->pos(), form.edit->mapToGlobal(QPoint(0, form.edit->height())));

    // Another window in front closes the pop-up.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QTest::qWait(250);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(UniNameDic);
}

TEST(UniNameDic, WithoutTheLibraryNothingIsOfferedAndNothingIsShown)
{
    test::MessageBoxScript boxes;
    AskingForm form;
    QTemporaryDir empty;
    QTemporaryDir wrong;  // a library without the entries
    ASSERT_TRUE(QFile::copy(test::appDir() + QStringLiteral("Kvdash.so"), wrong.path() + QStringLiteral("/Kvreading99a.so")));
    for (const QString &folder : {empty.path() + QStringLiteral("/"), wrong.path() + QStringLiteral("/")}) {
        // Every character typed asks again.
        for (const QString &reading : {QStringLiteral("さ"), QStringLiteral("さと"), QStringLiteral("さとう")})
            EXPECT_FALSE(ask(form, folder, typed(reading), false));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(UniNameDic);

        // A pop-up shown all the same offers nothing when the kind is switched or a list is asked for.
        UniNameDic = new TUniNameDic(&form);
        UniNameDic->SetFolders(folder, test::appDir() + QStringLiteral("Dic/"));
        UniNameDic->Prepare();
        UniNameDic->SetReading(typed(QStringLiteral("さとう")));
        UniNameDic->PlaceUnder(form.edit);
        UniNameDic->show();
        QTest::mouseClick(UniNameDic->findChild<QRadioButton *>(QStringLiteral("rbFirst")), Qt::LeftButton);
        EXPECT_EQ(grid(UniNameDic)->rowCount(), 0);
        EXPECT_FALSE(UniNameDic->HandleKey(VK_DOWN));
        UniNameDic->ShowCandidates(3);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(UniNameDic);
        expectEditKeepsFocus(form);
    }
    EXPECT_EQ(form.chosen, 0);
    EXPECT_TRUE(boxes.shown().empty()) << boxes.texts().join(u'|').toStdString();
}

}  // namespace

TEST(UniNameDic, EveryControlOfThePopupHasAnAccessibleName)
{
    AskingForm form;
    const QPointer<TUniNameDic> dic = ask(form, test::appDir(), typed(QStringLiteral("かずお")), true);
    ASSERT_TRUE(dic);
    EXPECT_THAT(test::unnamedControls(dic), ::testing::IsEmpty());
    closePopup();
}
