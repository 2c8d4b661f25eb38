// Windows closed again while the close of the main window asks about them: the question decides, and every
// answer leaves the program usable.
#include "ProductWindows.h"

#include "drawing/QRCodeRect.h"
#include "designers/LytFmt.h"

#include <QCloseEvent>
#include <QDirIterator>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
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

    // Answers the next modal dialog once it is open: fill sets it up, then OK.
    void answerNextDialog(const std::function<void(QDialog &)> &fill)
    {
        auto *poll = new QTimer(&answering);
        QObject::connect(poll, &QTimer::timeout, [poll, fill] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll->stop();
            poll->deleteLater();
            fill(*dialog);
            if (auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("btnOK")))
                ok->click();
            else
                dialog->accept();
        });
        poll->start(5);
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

    // The main window closed by the window manager; while the designer asks about its layout, the designer is
    // closed the same way and 終了 is pressed (as a screen reader does behind the question). Then answer.
    void closeUnderTheQuestion(QPointer<TLayoutForm> form, int answer, const QString &savedTitle = {})
    {
        bool keptMeanwhile = false;
        boxes.clear();
        boxes.answer(answer, [&] {
            CloseAsTheWindowManagerDoes(form);
            list->actExit->trigger();
            keptMeanwhile = form && form->isVisible() && list->isVisible();
        });
        // The address and letter designers make sure a new layout is to be thrown away.
        if (answer == IDNO && form->Family().ConfirmsDiscard)
            boxes.answer(IDYES);
        if (answer == IDYES)
            answerNextDialog([savedTitle](QDialog &dialog) {
                dialog.findChild<QLineEdit *>(QStringLiteral("edTitle"))->setText(savedTitle);
            });
        CloseAsTheWindowManagerDoes(list.get());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(keptMeanwhile);
        ASSERT_FALSE(boxes.texts().isEmpty());
        EXPECT_TRUE(boxes.texts().first().endsWith(QStringLiteral("のレイアウトの変更を保存しますか？  ")))
            << boxes.texts().first().toStdString();
    }

    int savedLayouts(const QString &title) const
    {
        int found = 0;
        for (QDirIterator it(book.Dir.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            found += QFileInfo(it.next()).completeBaseName() == title;
        return found;
    }

    QObject answering;
};

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

}  // namespace
