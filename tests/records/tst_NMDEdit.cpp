// The Japanese name edits driven as an input method drives them: pre-edit and commit events to the focus widget.
#include "records/NMDEdit.h"
#include "records/UniNMDEdit.h"

#include "base/SjisCodec.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>
#include <QTextCharFormat>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

std::string u8(const QString &text) { return text.toStdString(); }
std::string u8(const QByteArray &sjis) { return Sjis::decode(sjis).toStdString(); }
QByteArray sjis(const QString &text) { return Sjis::encode(text); }

struct ConvertNeedCall {
    QObject *sender;
    TNameDicKind kind;
    bool show;
    std::string value;
};

// A shown, active window whose focus widget receives the input method's events.
class NameEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        QApplication::setActiveWindow(&window_);
    }

    template <typename Control>
    Control *add(Control *control)
    {
        control->setParent(&window_);
        control->show();
        return control;
    }

    // Declared before the window: the controls raise the event once more when they are destroyed.
    template <typename Control>
    void record(Control *control, std::vector<ConvertNeedCall> &into)
    {
        QObject::connect(control, &Control::OnConvertNeed,
                         [&into](QObject *sender, TNameDicKind kind, bool show, const QByteArray &value) {
                             into.push_back({sender, kind, show, u8(value)});
                         });
    }

    static void focus(QWidget *control) { control->setFocus(); }

    // One input method event; the look-up requests it posts are delivered before it returns.
    static void send(const QString &preedit, const QString &commit = {},
                     const QList<QInputMethodEvent::Attribute> &attributes = {})
    {
        QInputMethodEvent event(preedit, attributes);
        event.setCommitString(commit);
        QApplication::sendEvent(QApplication::focusWidget(), &event);
        QCoreApplication::sendPostedEvents();
    }

    // Types the reading in the given steps, converts it and commits it.
    static void compose(const QStringList &steps, const QString &written)
    {
        for (const QString &step : steps)
            send(step);
        send(written);
        send({}, written);
    }

    using Log = std::vector<std::string>;
    // Each call as "+" (show) or "-" (hide) and the reading.
    static Log log(const std::vector<ConvertNeedCall> &seen)
    {
        Log out;
        for (const ConvertNeedCall &call : seen)
            out.push_back((call.show ? "+" : "-") + call.value);
        return out;
    }
    // The readings of the look-up requests (Show true).
    Log requested() const
    {
        Log values;
        for (const ConvertNeedCall &call : calls) {
            if (call.show)
                values.push_back(call.value);
        }
        return values;
    }

    std::vector<ConvertNeedCall> calls;
    std::vector<ConvertNeedCall> otherCalls;
    QWidget window_;
};

// Commits a text to a control when the focus is about to leave it, as an input method commits the composition it
// holds (Qt asks it to as the focus leaves, also when the control is being deleted).
class CommitOnLeaving : public QObject {
public:
    CommitOnLeaving(QWidget *control, const QString &text) : text_(text) { control->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusAboutToChange) {
            QInputMethodEvent commit;
            commit.setCommitString(text_);
            QApplication::sendEvent(watched, &commit);
        }
        return false;
    }

private:
    const QString text_;
};

using NMDEdit = NameEditTest;
using NMDComboBox = NameEditTest;
using UniNMDEdit = NameEditTest;

}  // namespace

TEST_F(NMDEdit, CommittedReadingsFillThePartnerInHalfWidth)
{
    auto *name = add(new TNMDEdit);
    auto *kana = add(new QLineEdit);
    name->SetAssociate(kana);
    record(name, calls);
    focus(name);

    kana->setText(u"ﾃｽﾄ"_s);  // a reading typed by hand before the name is replaced
    compose({u"や"_s, u"やま"_s, u"やまだ"_s}, u"山田"_s);
    EXPECT_EQ(u8(name->GetText()), "山田");
    EXPECT_EQ(u8(kana->text()), "ﾔﾏﾀﾞ");
    EXPECT_EQ(requested(), (Log{"ﾔ", "ﾔﾏ", "ﾔﾏﾀﾞ"}));
    EXPECT_EQ(calls.back().sender, name);
    EXPECT_EQ(calls.back().kind, nkLineage);
    EXPECT_FALSE(calls.back().show);
    EXPECT_EQ(calls.back().value, "");

    // The blank the input method commits for Space separates the readings too.
    send({}, u"　"_s);
    calls.clear();
    compose({u"たろう"_s}, u"太郎"_s);
    EXPECT_EQ(u8(name->text()), "山田　太郎");
    EXPECT_EQ(u8(kana->text()), "ﾔﾏﾀﾞ ﾀﾛｳ");
    EXPECT_EQ(calls.front().kind, nkFirst);

    // Typing over the whole name replaces its reading, and it is a family name again.
    name->selectAll();
    calls.clear();
    compose({u"すずき"_s}, u"鈴木"_s);
    EXPECT_EQ(u8(kana->text()), "ｽｽﾞｷ");
    EXPECT_EQ(calls.front().kind, nkLineage);
}

TEST_F(NMDEdit, RomajiStillBeingTypedIsNotLookedUp)
{
    auto *name = add(new TNMDEdit);
    record(name, calls);
    focus(name);
    name->setText(u"  "_s);  // blanks alone are no family name yet
    for (const QString &step :
         {u"k"_s, u"か"_s, u"かｓ"_s, u"かsh"_s, u"かし"_s, u"かしt"_s, u"かしtt"_s, u"かしttt"_s})
        send(step);
    EXPECT_EQ(requested(), (Log{"ｶ", "ｶｼ", "ｶｼttt"}));
    EXPECT_EQ(calls.front().kind, nkLineage);
}

// A word ending in ん typed with one n: the pre-edit still shows the n when the input method commits it as ん,
// converted or not; the reading is the kana, never the Latin letter.
TEST_F(NMDEdit, RomajiTheCommitFinishesIsNotKeptInTheReading)
{
    auto *name = add(new TNMDEdit);
    auto *kana = add(new QLineEdit);
    name->SetAssociate(kana);
    record(name, calls);
    focus(name);
    compose({u"g"_s, u"ぎ"_s, u"ぎk"_s, u"ぎけ"_s, u"ぎけn"_s}, u"技研"_s);
    EXPECT_EQ(u8(kana->text()), "ｷﾞｹﾝ");

    // Committed unconverted (Enter): the list opens for the committed reading, as for any other.
    name->clear();
    kana->clear();
    calls.clear();
    for (const QString &step : {u"k"_s, u"け"_s, u"けｎ"_s})
        send(step);
    send({}, u"けん"_s);
    EXPECT_EQ(u8(kana->text()), "ｹﾝ");
    ASSERT_FALSE(calls.empty());
    EXPECT_TRUE(calls.back().show);
    EXPECT_EQ(calls.back().value, "ｹﾝ");

    // Typed out ("kenn") the pre-edit already holds ん; other unfinished letters are left out.
    name->clear();
    kana->clear();
    compose({u"け"_s, u"けn"_s, u"けん"_s}, u"健"_s);
    EXPECT_EQ(u8(kana->text()), "ｹﾝ");
    name->clear();
    kana->clear();
    compose({u"やま"_s, u"やまd"_s}, u"山"_s);
    EXPECT_EQ(u8(kana->text()), "ﾔﾏ");
}

TEST_F(NMDEdit, PartnerGetsSingleByteReadingsWithinItsLength)
{
    auto *name = add(new TNMDEdit);
    auto *kana = add(new QLineEdit);
    name->SetAssociate(kana);
    record(name, calls);
    focus(name);

    // ゐ has no half-width form and stays the hiragana typed: the look-up sees it, the reading field does not.
    compose({u"ゐなか"_s}, u"田舎"_s);
    EXPECT_EQ(requested(), (Log{"ゐﾅｶ"}));
    EXPECT_EQ(u8(kana->text()), "ﾅｶ");

    // 15 kana are 30 bytes: too long to look up, yet the reading still reaches the partner.
    calls.clear();
    name->clear();
    compose({u"あいうえおかきくけこさしすせそ"_s}, u"長い名前"_s);
    EXPECT_TRUE(requested().empty());
    EXPECT_EQ(u8(kana->text()), "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿ");

    // The 8-bit partner's length counts bytes.
    kana->setMaxLength(5);
    kana->setText(u"阿"_s);
    compose({u"やまだ"_s}, u"山田"_s);
    EXPECT_EQ(u8(kana->text()), "阿ﾔﾏﾀ");
}

TEST_F(NMDEdit, OwnerTakesKeysOnlyDuringComposition)
{
    auto *name = add(new TNMDEdit);
    focus(name);
    std::vector<quint32> offered;
    QObject::connect(name, &TNMDEdit::OnConvertKeyDown, [&](QObject *, quint32 &key, bool &result) {
        offered.push_back(key);
        result = key == 0x25;
    });
    name->setText(u"abc"_s);
    QTest::keyClick(name, Qt::Key_Left);
    EXPECT_TRUE(offered.empty());

    send(u"か"_s);
    QTest::keyClick(name, Qt::Key_Left);
    EXPECT_EQ(name->cursorPosition(), 2);  // the taken key never reached the edit
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Return, Qt::Key_PageDown, Qt::Key_Home})
        QTest::keyClick(name, key);
    EXPECT_EQ(offered, (std::vector<quint32>{0x25, 0x28, 0x0D, 0x22}));
}

TEST_F(NMDEdit, ClearingAndDeletingThePartner)
{
    auto *name = add(new TNMDEdit);
    auto *reading = add(new TNMDEdit);
    auto *kana = add(new QLineEdit);
    name->SetAssociate(kana);
    name->SetAssociate(name);
    EXPECT_EQ(name->Associate(), kana);
    reading->SetInputType(itKana);
    reading->SetAssociate(name);

    name->setText(u"山田"_s);
    kana->setText(u"ﾔﾏﾀﾞ"_s);
    reading->setText(u"ﾔﾏﾀﾞ"_s);
    reading->clear();
    EXPECT_EQ(u8(name->text()), "山田");
    name->clear();
    EXPECT_EQ(kana->text(), QString());

    delete kana;
    EXPECT_EQ(name->Associate(), nullptr);
    focus(name);
    compose({u"やまだ"_s}, u"山田"_s);  // no partner to fill, and no fault
}

TEST_F(NMDEdit, LeavingHidesTheListAndDropsTheComposition)
{
    auto *name = add(new TNMDEdit);
    auto *kana = add(new QLineEdit);
    auto *other = add(new QLineEdit);
    name->SetAssociate(kana);
    record(name, calls);
    focus(name);
    name->setText(u"山田"_s);
    send(u"たろ"_s);
    calls.clear();
    focus(other);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_FALSE(calls[0].show);
    EXPECT_EQ(u8(name->text()), "山田");

    // The dropped composition is over: a blank committed on return is a Space, not its end.
    focus(name);
    send({}, u"　"_s);
    EXPECT_EQ(kana->text(), u" "_s);

    calls.clear();
    delete name;
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_FALSE(calls[0].show);
}

// A name field deleted while it has the focus and a composition runs: the input method commits the composition as
// the focus leaves the going control, when it is no longer the edit its watcher reads. The watcher takes none of
// it: the reading field keeps its text, and the owner hears only that the list is hidden.
TEST_F(NMDEdit, AFieldDeletedWhileComposingTakesNothingAsItGoes)
{
    const auto deleteWhileComposing = [this](auto *control, auto *partner) {
        add(partner)->setText(u"ｽｽﾞｷ "_s);
        add(control)->SetAssociate(partner);
        record(control, calls);
        focus(control);
        ASSERT_TRUE(control->hasFocus());
        send(u"やまだ"_s);
        const CommitOnLeaving inputMethod(control, u"山田"_s);
        calls.clear();
        delete control;
        EXPECT_EQ(partner->text(), u"ｽｽﾞｷ "_s);
        EXPECT_EQ(log(calls), Log{"-"});
    };
    {
        SCOPED_TRACE("TNMDEdit");
        deleteWhileComposing(new TNMDEdit, new QLineEdit);
    }
    {
        SCOPED_TRACE("TNMDComboBox");
        deleteWhileComposing(new TNMDComboBox, new QLineEdit);
    }
    {
        SCOPED_TRACE("TUniNMDEdit");
        deleteWhileComposing(new TUniNMDEdit, new TUniEdit);
    }
}

TEST_F(NMDEdit, EightBitTextAndByteSelection)
{
    auto *name = add(new TNMDEdit);
    const QByteArray text = sjis(u"山田 ﾀﾛｳ様"_s);
    name->SetText(text);
    EXPECT_EQ(name->GetText(), text);

    name->SetXPSelStart(5);
    EXPECT_EQ(name->cursorPosition(), 3);
    name->SetXPSelLength(5);
    EXPECT_EQ(u8(name->selectedText()), "ﾀﾛｳ様");
    EXPECT_EQ(name->XPSelStart(), 5);
    EXPECT_EQ(name->XPSelLength(), 5);
    // A byte count ending inside a double-byte character takes the whole character.
    name->SetXPSelStart(3);
    EXPECT_EQ(name->cursorPosition(), 2);
    name->SetXPSelStart(0);
    name->SetXPSelLength(1);
    EXPECT_EQ(name->XPSelLength(), 2);
}

TEST_F(NMDComboBox, WorksInItsEditWhileEditable)
{
    auto *box = add(new TNMDComboBox);
    auto *kana = add(new QLineEdit);
    box->SetAssociate(kana);
    record(box, calls);
    box->addItems({u"佐藤"_s, u"鈴木"_s});
    box->SetText(sjis(u"山田"_s));
    focus(box);
    box->lineEdit()->end(false);
    QObject::connect(box, &TNMDComboBox::OnConvertKeyDown,
                     [](QObject *, quint32 &key, bool &result) { result = key == 0x28; });

    // 10 kana are 20 bytes, already too long here.
    send(u"さんあいうえおかき"_s);
    send(u"さんあいうえおかきく"_s);
    send(u"さん"_s);
    EXPECT_EQ(requested(), (Log{"ｻﾝｱｲｳｴｵｶｷ", "ｻﾝ"}));
    EXPECT_EQ(calls.back().sender, box);
    QTest::keyClick(box, Qt::Key_Down);  // taken, so the list does not move to 佐藤
    send({}, u"さん"_s);
    EXPECT_EQ(u8(box->GetText()), "山田さん");
    EXPECT_EQ(u8(kana->text()), "ｻﾝ");
    EXPECT_EQ(box->XPSelStart(), 8);

    box->setEditable(false);
    calls.clear();
    send(u"や"_s);
    EXPECT_TRUE(calls.empty());
}

TEST_F(UniNMDEdit, ShowNeedsTheWholeReadingUnconverted)
{
    auto *uni = add(new TUniNMDEdit);
    auto *ansi = add(new TNMDEdit);
    record(uni, otherCalls);
    record(ansi, calls);
    QTextCharFormat highlighted;
    highlighted.setBackground(Qt::darkBlue);
    const QList<QInputMethodEvent::Attribute> clause{{QInputMethodEvent::TextFormat, 0, 3, highlighted}};
    for (QWidget *edit : {static_cast<QWidget *>(uni), static_cast<QWidget *>(ansi)}) {
        focus(edit);
        send(u"やまだ"_s);
        send(u"やま田"_s);           // the last clause converted
        send(u"ヤマダ"_s, {}, clause);  // the whole reading being converted to katakana
        send({});
    }
    EXPECT_EQ(log(otherCalls), (Log{"+ﾔﾏﾀﾞ", "-ﾔﾏﾀﾞ", "-ﾔﾏﾀﾞ", "-", "-"}));
    EXPECT_EQ(log(calls), (Log{"+ﾔﾏﾀﾞ", "+ﾔﾏﾀﾞ", "-ﾔﾏﾀﾞ", "-"}));
}

TEST_F(UniNMDEdit, InsertConvertedNameFillsBothFields)
{
    auto *name = add(new TUniNMDEdit);
    auto *kana = add(new TUniNMDEdit);
    name->SetAssociate(kana);
    kana->SetInputType(itKana);
    kana->SetAssociate(name);
    focus(name);

    send(u"やまだ"_s);
    name->InsertConvertedName(sjis(u"山田"_s), sjis(u"ﾔﾏﾀﾞ"_s), nkLineage);
    EXPECT_EQ(u8(name->GetText()), "山田　");
    EXPECT_EQ(u8(kana->GetText()), "ﾔﾏﾀﾞ ");
    EXPECT_EQ(name->SelStart(), 3);
    name->InsertConvertedName(sjis(u"太郎"_s), sjis(u"ﾀﾛｳ"_s), nkFirst);
    EXPECT_EQ(u8(name->GetText()), "山田　太郎");
    EXPECT_EQ(u8(kana->GetText()), "ﾔﾏﾀﾞ ﾀﾛｳ");

    // In the reading field the roles turn round; replacing its whole text replaces the name too.
    kana->SetMaxLength(4);
    kana->SelectAll();
    kana->InsertConvertedName(sjis(u"鈴木"_s), sjis(u"ｽｽﾞｷ"_s), nkFirst);
    EXPECT_EQ(u8(kana->GetText()), "ｽｽﾞｷ");
    EXPECT_EQ(u8(name->GetText()), "鈴木");
    name->SetMaxLength(2);
    name->SelectAll();
    name->InsertConvertedName(sjis(u"佐々木"_s), sjis(u"ｻｻｷ"_s), nkLineage);
    EXPECT_EQ(u8(name->GetText()), "佐々");
    EXPECT_EQ(u8(kana->GetText()), "ｻｻｷ ");
}
