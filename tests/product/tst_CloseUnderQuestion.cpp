// Windows closed while they ask: closed again while the close of the main window asks about them, the question
// decides, and every answer leaves the program usable; closed while a dialog of theirs is open, the close waits
// for what the dialog was given, and the program's end that waited for it ends the program.
#include "ProductWindows.h"

#include "Accessibility.h"

#include "drawing/QRCodeRect.h"
#include "drawing/WordRect.h"
#include "designers/LytFmt.h"
#include "records/UniNMDEdit.h"
#include "base/TextUtils.h"

#include <QCloseEvent>
#include <QDirIterator>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QWindow>

namespace {

using test::ProductWindows;

// A close as the window manager asks it: Qt hands it to the window's platform window, which passes it on to
// the widget.
void CloseAsTheWindowManagerDoes(QWidget *window)
{
    ASSERT_TRUE(window && window->windowHandle());
    QCloseEvent close;
    QCoreApplication::sendEvent(window->windowHandle(), &close);
}

// A designer as the main list opens it, with the paper a user picks for a new layout.
struct TDesignerCase {
    const char *Name;
    QAction *TAddressList::*Command;
    TLayoutServices *const &Form;
    bool Envelope;
};

const TDesignerCase DesignerCases[] = {
    {"postcard", &TAddressList::actLayoutPrint, LayoutForm, false},
    {"envelope", &TAddressList::actLayoutPrint, LayoutForm, true},
    {"label", &TAddressList::actLabelPrint, LabelForm, false},
    {"card", &TAddressList::actCardPrint, LabelForm, false},
    {"letter", &TAddressList::actDesignPrint, DesignForm, false},
};

class CloseUnderQuestion : public ProductWindows {
protected:
    void SetUp() override
    {
        ProductWindows::SetUp();
        // As the program runs: its windows closing never end it by themselves.
        QApplication::setQuitOnLastWindowClosed(false);
        // The start-up's information is another test's affair.
        list->show();
        QCoreApplication::removePostedEvents(list.get(), WM_AFTERSHOW);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    }

    // Hands the next modal dialog to act once it is open.
    void onNextDialog(const std::function<void(QDialog &)> &act)
    {
        auto *poll = new QTimer(&answering);
        QObject::connect(poll, &QTimer::timeout, [poll, act] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll->stop();
            poll->deleteLater();
            act(*dialog);
        });
        poll->start(5);
    }

    // Answers the next modal dialog once it is open: fill sets it up, then OK.
    void answerNextDialog(const std::function<void(QDialog &)> &fill)
    {
        onNextDialog([fill](QDialog &dialog) {
            fill(dialog);
            if (auto *ok = dialog.findChild<QPushButton *>(QStringLiteral("btnOK")))
                ok->click();
            else
                dialog.accept();
        });
    }

    TLayoutForm *openDesigner(const TDesignerCase &c)
    {
        QWidget *window = fromMainList(list.get()->*c.Command, [&c] { return c.Form ? c.Form->FormWindow() : nullptr; });
        auto *form = dynamic_cast<TLayoutForm *>(window);
        if (!form)
            return nullptr;
        answerNextDialog([&c](QDialog &dialog) {
            auto *papers = qobject_cast<TNewLayoutDialog *>(&dialog);
            if (!c.Envelope || !papers)
                return;
            const auto &formats = papers->MasterFormats().Formats;
            const auto envelope = std::find_if(formats.begin(), formats.end(),
                                               [](const TPaperFormat &f) { return f.Kind == 1; });
            ASSERT_NE(envelope, formats.end());
            papers->SelectFormatByNumber(int(envelope - formats.begin()));
        });
        form->actNew->trigger();
        // A QR code added and not saved.
        answerNextDialog([](QDialog &dialog) {
            dialog.findChild<QPlainTextEdit *>(QStringLiteral("memText"))->setPlainText(QStringLiteral("TEL:03-1234-5678"));
        });
        form->UpdateActions();
        form->actQRCode->trigger();
        EXPECT_EQ(form->QRCodeList.size(), 1u);
        EXPECT_TRUE(form->Modified);
        EXPECT_EQ(form->PaperFormat.Kind == 1, c.Envelope);
        return form;
    }

    // Scripts the answer to a designer's question about its layout, given once whileOpen has run under it: いいえ
    // confirmed where the designer makes sure a new layout is to be thrown away (the address and letter
    // designers), はい saving under title.
    void answerLayoutQuestion(TLayoutForm *form, int answer, const QString &title, std::function<void()> whileOpen)
    {
        boxes.answer(answer, std::move(whileOpen));
        if (answer == IDNO && form->Family().ConfirmsDiscard)
            boxes.answer(IDYES);
        if (answer == IDYES)
            answerNextDialog([title](QDialog &dialog) {
                dialog.findChild<QLineEdit *>(QStringLiteral("edTitle"))->setText(title);
            });
    }

    // The main window closed by the window manager; while the designer asks about its layout, the designer is
    // closed the same way and 終了 is pressed (as a screen reader does behind the question). Then answer.
    void closeUnderTheQuestion(QPointer<TLayoutForm> form, int answer, const QString &savedTitle = {})
    {
        bool keptMeanwhile = false;
        boxes.clear();
        answerLayoutQuestion(form, answer, savedTitle, [&] {
            CloseAsTheWindowManagerDoes(form);
            list->actExit->trigger();
            keptMeanwhile = form && form->isVisible() && list->isVisible();
        });
        CloseAsTheWindowManagerDoes(list.get());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(keptMeanwhile);
        ASSERT_FALSE(boxes.texts().isEmpty());
        EXPECT_TRUE(boxes.texts().first().endsWith(QStringLiteral("のレイアウトの変更を保存しますか？  ")))
            << boxes.texts().first().toStdString();
    }

    // 文章の追加 pressed over the accessibility bus, as a screen reader does; in 文章の編集 the text is set the same
    // way, then duringTheDialog runs and OK is pressed. Returns once the designer's command has returned and the
    // event loop has come round.
    void addTextOverTheBus(TLayoutForm *form, const QString &text, const std::function<void()> &duringTheDialog)
    {
        QToolButton *addText = nullptr;
        for (QToolButton *button : form->findChildren<QToolButton *>())
            if (button->defaultAction() == form->actWord)
                addText = button;
        ASSERT_TRUE(addText);
        bool asked = false;
        onNextDialog([&](QDialog &dialog) {
            asked = dialog.windowTitle() == QStringLiteral("文章の編集");
            EXPECT_TRUE(test::setTextOnTheBus(dialog.findChild<QPlainTextEdit *>(QStringLiteral("memWords")), text));
            duringTheDialog();
            EXPECT_TRUE(test::pressOnTheBus(dialog.findChild<QPushButton *>(QStringLiteral("btnOK"))));
        });
        ASSERT_TRUE(test::pressOnTheBus(addText));
        test::handlerReturned();
        EXPECT_TRUE(asked);
    }

    // The layout saved under title, as はい to the question or 名前を付けて保存 saves it: its path.
    QString saveAs(TLayoutForm *form, const QString &title)
    {
        answerNextDialog([title](QDialog &dialog) {
            dialog.findChild<QLineEdit *>(QStringLiteral("edTitle"))->setText(title);
        });
        form->actSaveAs->trigger();
        EXPECT_FALSE(form->Modified);
        return form->DocumentFile;
    }

    // The texts of the free text objects of a saved layout, as the designer opened again by the command shows
    // them.
    QStringList savedTexts(const TDesignerCase &c, const QString &path)
    {
        auto *form = dynamic_cast<TLayoutForm *>(
            fromMainList(list.get()->*c.Command, [&c] { return c.Form ? c.Form->FormWindow() : nullptr; }));
        if (!form || !form->OpenDocument(path))
            return {QStringLiteral("(not opened)")};
        QStringList texts;
        for (const auto &word : form->Objects().WordList) {
            QStringList lines;
            for (int i = 0; i < word->GetLineCount(); ++i)
                lines << word->GetLine(i);
            texts << lines.join(QLatin1Char('\n'));
        }
        delete form;
        return texts;
    }

    int savedLayouts(const QString &title) const
    {
        int found = 0;
        for (QDirIterator it(book.Dir.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            found += QFileInfo(it.next()).completeBaseName() == title;
        return found;
    }

    // A new entry in the record form, opened from the main list, with a name set as a screen reader sets it.
    QPointer<TDataInquiry> newEntry(const QString &name)
    {
        QPointer<TDataInquiry> form = dynamic_cast<TDataInquiry *>(
            fromMainList(list->actInquiry, [] { return RecordForm ? RecordForm->FormWindow() : nullptr; }));
        if (!form)
            return nullptr;
        // A new entry starts with the telephone number's look-up, closed untaken.
        bool lookedUp = false;
        onNextDialog([&lookedUp](QDialog &lookUp) {
            lookedUp = true;
            lookUp.reject();
        });
        EXPECT_TRUE(test::pressOnTheBus(form->bbtnNew));
        EXPECT_TRUE(QTest::qWaitFor([&lookedUp] { return lookedUp; }, 10000));
        EXPECT_TRUE(test::setTextOnTheBus(form->nmedtNameKanji, name));
        return form;
    }

    static int rows() { return int(DMMirvale18->AdrsTable->RecordCount()); }

    // Whether a stored entry carries the name.
    static bool stored(const QString &name)
    {
        bool found = false;
        DMMirvale18->AdrsTable->Scan({QStringLiteral("NameKanji")}, true, [&](const QVariantList &v) {
            found = found || EscapedAnsiToWide(v[0].toByteArray()) == name;
        });
        return found;
    }

    QAbstractButton *end() const { return list->findChild<QAbstractButton *>(QStringLiteral("tbtnExit")); }

    QObject answering;
};

const char *answerName(int answer) { return answer == IDYES ? "はい" : answer == IDNO ? "いいえ" : "キャンセル"; }

// はい saves and closes both windows, いいえ closes them without saving.
TEST_F(CloseUnderQuestion, YesSavesAndNoDiscardsAndBothWindowsClose)
{
    for (const TDesignerCase &c : DesignerCases)
        for (const int answer : {IDYES, IDNO}) {
            SCOPED_TRACE(std::string(c.Name) + (answer == IDYES ? " はい" : " いいえ"));
            list->show();
            QPointer<TLayoutForm> form = openDesigner(c);
            ASSERT_TRUE(form);
            const QString title = QStringLiteral("閉じる前の保存") + QString::fromLatin1(c.Name);
            const int before = savedLayouts(title);
            closeUnderTheQuestion(form, answer, title);
            EXPECT_FALSE(form);
            EXPECT_EQ(c.Form, nullptr);
            EXPECT_FALSE(list->isVisible());
            EXPECT_EQ(savedLayouts(title), before + (answer == IDYES ? 1 : 0));
        }
}

// キャンセル keeps both windows as they were, and the program goes on: the designers open again and 終了 ends it.
TEST_F(CloseUnderQuestion, CancelKeepsBothWindowsUsable)
{
    for (const TDesignerCase &c : DesignerCases) {
        SCOPED_TRACE(c.Name);
        list->show();
        QPointer<TLayoutForm> form = openDesigner(c);
        ASSERT_TRUE(form);
        closeUnderTheQuestion(form, IDCANCEL);
        ASSERT_TRUE(form);
        EXPECT_TRUE(form->isVisible());
        EXPECT_TRUE(form->windowHandle() && form->windowHandle()->handle());
        EXPECT_EQ(c.Form, form.data());
        EXPECT_EQ(form->QRCodeList.size(), 1u);
        EXPECT_TRUE(form->Modified);
        EXPECT_TRUE(list->isVisible());
        EXPECT_EQ(boxes.texts().size(), 1);

        // The same designer comes up again as it was; another one opens once this one has asked.
        (list.get()->*c.Command)->trigger();
        EXPECT_EQ(c.Form, form.data());
        EXPECT_TRUE(form->isVisible());
        QAction *other = c.Command == &TAddressList::actLayoutPrint ? list->actLabelPrint : list->actLayoutPrint;
        TLayoutServices *const &otherForm = c.Command == &TAddressList::actLayoutPrint ? LabelForm : LayoutForm;
        boxes.clear();
        boxes.answer(IDNO);
        if (form->Family().ConfirmsDiscard)
            boxes.answer(IDYES);
        other->trigger();
        QCoreApplication::removePostedEvents(nullptr, WM_STARTMENU);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(form);
        ASSERT_TRUE(otherForm);
        EXPECT_TRUE(otherForm->FormWindow()->isVisible());

        // 終了 ends the program.
        QPointer<QWidget> opened = otherForm->FormWindow();
        list->actExit->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(list->isVisible());
        EXPECT_FALSE(opened);
        EXPECT_EQ(LayoutForm, nullptr);
        EXPECT_EQ(LabelForm, nullptr);
        EXPECT_EQ(DesignForm, nullptr);
    }
}

// The designer closed while 文章の編集 is open (文章の追加), by the window manager as a screen reader offers it
// (the designer's own buttons do nothing while it asks), then OK: the close waits until the text is in the
// layout, and asks about the layout as it then stands, whether it was unchanged before or not; はい writes the
// text.
TEST_F(CloseUnderQuestion, ACloseWaitingForTheTextDialogAsksAboutTheLayoutWithTheText)
{
    const QString text = QStringLiteral("株式会社山田商事　東京支店\n営業第一部　部長\nTEL 03-1234-5678");
    for (const TDesignerCase &c : DesignerCases)
        for (const bool changedBefore : {false, true}) {
            SCOPED_TRACE(std::string(c.Name) + (changedBefore ? " changed" : " unchanged"));
            list->show();
            QPointer<TLayoutForm> form = openDesigner(c);
            ASSERT_TRUE(form);
            const QString path = saveAs(form, QStringLiteral("文章の追加中に終了") + QString::fromLatin1(c.Name));
            if (changedBefore) {
                answerNextDialog([](QDialog &dialog) {
                    dialog.findChild<QPlainTextEdit *>(QStringLiteral("memText"))->setPlainText(QStringLiteral("TEL:03-1234-5678"));
                });
                form->actQRCode->trigger();
                ASSERT_TRUE(form->Modified);
            }
            boxes.clear();
            boxes.answer(IDYES);
            bool keptMeanwhile = false;
            addTextOverTheBus(form, text, [&] {
                CloseAsTheWindowManagerDoes(form);
                keptMeanwhile = form && form->isVisible();
            });
            EXPECT_TRUE(keptMeanwhile);
            EXPECT_FALSE(form);
            EXPECT_EQ(c.Form, nullptr);
            ASSERT_EQ(boxes.texts().size(), 1);
            EXPECT_TRUE(boxes.texts().first().endsWith(QStringLiteral("のレイアウトの変更を保存しますか？  ")))
                << boxes.texts().first().toStdString();
            const QStringList saved = savedTexts(c, path);
            EXPECT_EQ(saved, QStringList{text}) << saved.join(u'|').toStdString();
        }
}

// 終了 of the main window pressed over the accessibility bus while a dialog of another window is open
// (文章の編集 of a designer, the record form's route window, the name search's 名称一覧): the window waits for
// its dialog, and once that has returned the program ends, asking what 終了 asks; キャンセル to a designer's
// question about its layout keeps the program running.
TEST_F(CloseUnderQuestion, TheEndPressedWhileAnotherWindowsDialogIsOpenEndsTheProgramOnceItHasReturned)
{
    QAbstractButton *end = list->findChild<QAbstractButton *>(QStringLiteral("tbtnExit"));
    ASSERT_TRUE(end);
    const QString text = QStringLiteral("謹啓　株式会社山田商事　総務部御中");
    for (const TDesignerCase &c : DesignerCases)
        for (const int answer : {IDNO, IDCANCEL}) {
            SCOPED_TRACE(std::string(c.Name) + (answer == IDNO ? " いいえ" : " キャンセル"));
            list->show();
            QPointer<TLayoutForm> form = openDesigner(c);
            ASSERT_TRUE(form);
            boxes.clear();
            boxes.answer(answer);
            if (answer == IDNO && form->Family().ConfirmsDiscard)
                boxes.answer(IDYES);
            bool keptMeanwhile = false;
            addTextOverTheBus(form, text, [&] {
                EXPECT_TRUE(test::pressOnTheBus(end));
                keptMeanwhile = form && form->isVisible() && list->isVisible();
            });
            EXPECT_TRUE(keptMeanwhile);
            ASSERT_FALSE(boxes.texts().isEmpty());
            EXPECT_TRUE(boxes.texts().first().endsWith(QStringLiteral("のレイアウトの変更を保存しますか？  ")))
                << boxes.texts().first().toStdString();
            if (answer == IDNO) {
                EXPECT_FALSE(form);
                EXPECT_EQ(c.Form, nullptr);
                EXPECT_FALSE(list->isVisible());
                continue;
            }
            ASSERT_TRUE(form);
            EXPECT_TRUE(form->isVisible());
            EXPECT_EQ(form->Objects().WordList.size(), 1u);
            EXPECT_TRUE(list->isVisible());
            // 終了 pressed again ends it.
            boxes.answer(IDNO);
            if (form->Family().ConfirmsDiscard)
                boxes.answer(IDYES);
            ASSERT_TRUE(test::pressOnTheBus(end));
            test::handlerReturned();
            EXPECT_FALSE(form);
            EXPECT_FALSE(list->isVisible());
        }

    {
        SCOPED_TRACE("the record form's route window");
        list->show();
        QPointer<QWidget> form = fromMainList(list->actInquiry, [] { return RecordForm ? RecordForm->FormWindow() : nullptr; });
        ASSERT_TRUE(form);
        form->findChild<QLineEdit *>(QStringLiteral("edtAdrsKana"))->setText(QStringLiteral("ﾄｳｷｮｳﾄﾁﾖﾀﾞｸ"));
        CooperateRoot = 0;
        boxes.clear();
        boxes.answer(IDNO);
        bool keptMeanwhile = false;
        onNextDialog([&](QDialog &route) {
            EXPECT_TRUE(test::pressOnTheBus(end));
            keptMeanwhile = form && form->isVisible() && list->isVisible();
            route.reject();
        });
        ASSERT_TRUE(test::pressOnTheBus(form->findChild<QAbstractButton *>(QStringLiteral("bbtnRoot"))));
        test::handlerReturned();
        EXPECT_TRUE(keptMeanwhile);
        ASSERT_EQ(boxes.texts().size(), 1);
        EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("照会中のデータが変更されています")));
        EXPECT_FALSE(form);
        EXPECT_FALSE(list->isVisible());
    }
    {
        SCOPED_TRACE("the name search's 名称一覧");
        list->show();
        QPointer<QWidget> search = fromMainList(list->actNameAdrsSearch, []() -> QWidget * { return NameAdrsSearch; });
        ASSERT_TRUE(search);
        bool keptMeanwhile = false;
        onNextDialog([&](QDialog &names) {
            EXPECT_TRUE(test::pressOnTheBus(end));
            keptMeanwhile = search && search->isVisible() && list->isVisible();
            names.reject();
        });
        ASSERT_TRUE(test::pressOnTheBus(search->findChild<QAbstractButton *>(QStringLiteral("bbtnNameList"))));
        test::handlerReturned();
        EXPECT_TRUE(keptMeanwhile);
        EXPECT_FALSE(search);
        EXPECT_FALSE(list->isVisible());
    }
}

// The record form asks about its changed entry in the same way.
TEST_F(CloseUnderQuestion, ARecordFormClosedUnderTheQuestionWaitsForTheAnswer)
{
    QPointer<QWidget> form = fromMainList(list->actInquiry, [] { return RecordForm ? RecordForm->FormWindow() : nullptr; });
    ASSERT_TRUE(form);
    form->findChild<QLineEdit *>(QStringLiteral("edtAdrsKana"))->setText(QStringLiteral("ﾄｳｷｮｳﾄ"));
    bool keptMeanwhile = false;
    boxes.answer(IDCANCEL, [&] {
        CloseAsTheWindowManagerDoes(form);
        list->actExit->trigger();
        keptMeanwhile = form && form->isVisible() && list->isVisible();
    });
    CloseAsTheWindowManagerDoes(list.get());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("照会中のデータが変更されています")));
    EXPECT_TRUE(keptMeanwhile);
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(list->isVisible());

    // 終了, and the entry thrown away.
    boxes.answer(IDNO);
    list->actExit->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(form);
    EXPECT_EQ(RecordForm, nullptr);
    EXPECT_FALSE(list->isVisible());
}

// 終了 pressed over the bus while the record form asks about its new entry (its 閉じる pressed): the end waits
// for the answer; はい stores the entry and いいえ drops it, and the program ends; キャンセル keeps both windows,
// and the program with them.
TEST_F(CloseUnderQuestion, TheEndPressedUnderTheRecordFormsCloseQuestionWaitsForTheAnswer)
{
    ASSERT_TRUE(end());
    for (const int answer : {IDYES, IDNO, IDCANCEL}) {
        SCOPED_TRACE(answerName(answer));
        list->show();
        QPointer<TDataInquiry> form = newEntry(QStringLiteral("森鷗外") + QString::fromUtf8(answerName(answer)));
        ASSERT_TRUE(form);
        // As the field took it.
        const QString name = form->nmedtNameKanji->text();
        const int before = rows();
        boxes.clear();
        bool keptMeanwhile = false;
        boxes.answer(answer, [&] {
            EXPECT_TRUE(test::pressOnTheBus(end()));
            keptMeanwhile = form && form->isVisible() && list->isVisible();
        });
        ASSERT_TRUE(test::pressOnTheBus(form->btnClose));
        test::handlerReturned();
        EXPECT_TRUE(keptMeanwhile);
        ASSERT_EQ(boxes.texts().size(), 1) << boxes.texts().join(u'|').toStdString();
        EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("入力途中のデータがあります")));
        EXPECT_EQ(rows(), before + (answer == IDYES ? 1 : 0));
        EXPECT_EQ(stored(name), answer == IDYES);
        if (answer != IDCANCEL) {
            EXPECT_FALSE(form);
            EXPECT_EQ(RecordForm, nullptr);
            EXPECT_FALSE(list->isVisible());
            continue;
        }
        ASSERT_TRUE(form);
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->nmedtNameKanji->text(), name);
        EXPECT_TRUE(list->isVisible());
        boxes.answer(IDNO);
        form->close();
        test::handlerReturned();
        EXPECT_FALSE(form);
    }
}

// The same under a designer's question about its new layout (印刷の終了 pressed): はい saves it, いいえ (and はい to
// throwing the new layout away) does not, and the program ends; キャンセル keeps both windows.
TEST_F(CloseUnderQuestion, TheEndPressedUnderADesignersCloseQuestionWaitsForTheAnswer)
{
    ASSERT_TRUE(end());
    for (const TDesignerCase &c : DesignerCases)
        for (const int answer : {IDYES, IDNO, IDCANCEL}) {
            SCOPED_TRACE(std::string(c.Name) + " " + answerName(answer));
            list->show();
            QPointer<TLayoutForm> form = openDesigner(c);
            ASSERT_TRUE(form);
            const QString title = QStringLiteral("終了を待つ保存") + QString::fromLatin1(c.Name);
            const int before = savedLayouts(title);
            boxes.clear();
            bool keptMeanwhile = false;
            answerLayoutQuestion(form, answer, title, [&] {
                EXPECT_TRUE(test::pressOnTheBus(end()));
                keptMeanwhile = form && form->isVisible() && list->isVisible();
            });
            form->actExit->trigger();
            test::handlerReturned();
            EXPECT_TRUE(keptMeanwhile);
            ASSERT_FALSE(boxes.texts().isEmpty());
            EXPECT_TRUE(boxes.texts().first().endsWith(QStringLiteral("のレイアウトの変更を保存しますか？  ")))
                << boxes.texts().first().toStdString();
            EXPECT_EQ(savedLayouts(title), before + (answer == IDYES ? 1 : 0));
            if (answer != IDCANCEL) {
                EXPECT_FALSE(form);
                EXPECT_EQ(c.Form, nullptr);
                EXPECT_FALSE(list->isVisible());
                continue;
            }
            ASSERT_TRUE(form);
            EXPECT_TRUE(form->isVisible());
            EXPECT_TRUE(form->Modified);
            EXPECT_TRUE(list->isVisible());
            EXPECT_EQ(boxes.texts().size(), 1);
            form->Modified = 0;
            form->close();
            test::handlerReturned();
            EXPECT_FALSE(form);
        }
}

// 終了 pressed over the bus while グループ名の設定, opened from the record form, is open: whether the dialog is
// left with OK or キャンセル, the end goes on once it has returned and asks what it asks, here about the form's
// new entry; キャンセル to that keeps the program.
TEST_F(CloseUnderQuestion, TheEndPressedUnderTheGroupNamesOfTheRecordFormWaitsForThem)
{
    ASSERT_TRUE(end());
    const struct {
        bool ok;
        int answer;
    } cases[] = {{true, IDYES}, {false, IDNO}, {false, IDYES}, {true, IDCANCEL}};
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.ok ? "OK, " : "キャンセル, ") + answerName(c.answer));
        list->show();
        QPointer<TDataInquiry> form = newEntry(QStringLiteral("𠮷田剝子") + QString::number(++n));
        ASSERT_TRUE(form);
        const QString name = form->nmedtNameKanji->text();
        const int before = rows();
        boxes.clear();
        boxes.answer(c.answer);
        bool asked = false, keptMeanwhile = false;
        onNextDialog([&](QDialog &names) {
            asked = names.windowTitle() == QStringLiteral("グループ名の設定");
            EXPECT_TRUE(test::pressOnTheBus(end()));
            keptMeanwhile = form && form->isVisible() && list->isVisible();
            if (!c.ok) {
                EXPECT_TRUE(test::pressOnTheBus(names.findChild<QAbstractButton *>(QStringLiteral("btnCancel"))));
                return;
            }
            // Names in every row, as OK takes them.
            const QStringList groups = {QStringLiteral("営業第一部"), QStringLiteral("営業第二部"), QStringLiteral("総務部"),
                                        QStringLiteral("経理部"),     QStringLiteral("仕入先"),     QStringLiteral("得意先"),
                                        QStringLiteral("協力会社"),   QStringLiteral("官公庁"),     QStringLiteral("親族"),
                                        QStringLiteral("友人")};
            for (int i = 0; i < groups.size(); ++i)
                EXPECT_TRUE(test::setTextOnTheBus(names.findChild<QWidget *>(QStringLiteral("edtGroup%1").arg(i + 1)), groups[i]));
            EXPECT_TRUE(test::pressOnTheBus(names.findChild<QAbstractButton *>(QStringLiteral("btnOk"))));
        });
        ASSERT_TRUE(test::pressOnTheBus(form->bbtnEditGroup));
        test::handlerReturned();
        EXPECT_TRUE(asked);
        EXPECT_TRUE(keptMeanwhile);
        ASSERT_EQ(boxes.texts().size(), 1) << boxes.texts().join(u'|').toStdString();
        EXPECT_TRUE(boxes.texts().first().startsWith(QStringLiteral("入力途中のデータがあります")));
        EXPECT_EQ(rows(), before + (c.answer == IDYES ? 1 : 0));
        EXPECT_EQ(stored(name), c.answer == IDYES);
        if (c.answer != IDCANCEL) {
            EXPECT_FALSE(form);
            EXPECT_FALSE(list->isVisible());
            continue;
        }
        ASSERT_TRUE(form);
        EXPECT_TRUE(form->isVisible());
        EXPECT_TRUE(list->isVisible());
        boxes.answer(IDNO);
        form->close();
        test::handlerReturned();
    }
}

}  // namespace
