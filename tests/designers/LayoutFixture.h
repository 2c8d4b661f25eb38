// The address designer over a real book and sender table, opened on a postcard: the fixtures the designer
// tests share.
#pragma once

#include "designers/Layout.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/SharedHelpers.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Table.h"
#include "designers/CanvasGeometry.h"
#include "designers/LytPrt.h"
#include "designers/ObjectDefaults.h"
#include "designers/PrtMenu.h"
#include "designers/Sender.h"
#include "designers/SenderRecord.h"
#include "drawing/AddressRect.h"
#include "drawing/BarcodeRect.h"
#include "drawing/IllustRect.h"
#include "drawing/NameRect.h"
#include "drawing/PosRect.h"
#include "drawing/WordRect.h"
#include "geo/PaintPanel.h"
#include "mainlist/AdrsList.h"
#include "platform/CustomEvents.h"
#include "platform/MemIniFile.h"

#include "SenderRows.h"
#include "TestBook.h"
#include "TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QByteArray sjis(const QString &text) { return Sjis::encode(text); }

// A print run of no records: the print settings dialog opened without a list behind it.
class NoPrintRows : public TPrintRows {
public:
    int GetRecordCount() const override { return 0; }
    int GetSelectedIndex() const override { return -1; }
    bool IsSelected(int) const override { return false; }
    int32_t GetRecNoAt(int) const override { return 0; }
    QHash<int32_t, int32_t> PrintTargets() const override { return {}; }
};

// The print settings dialog as the print wizard opens it on a postcard of the PDF printer.
inline TLayoutPrintDialog *newPrintDialog(TPrintRows &rows, uint8_t kind)
{
    TWizardPrinter printer;
    printer.Device = QStringLiteral("PDF出力");
    printer.Paper = QStringLiteral("はがき");
    printer.Printable = QRect(94, 94, 2174, 3308);
    auto *d = new TLayoutPrintDialog(nullptr, printer);
    d->SetRows(&rows);
    d->SetDataPrint(true);
    d->SetPrintKind(kind);
    return d;
}

class LayoutFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        book.Open(QStringLiteral("Book"));
        AppFolder = test::appDir();
        LayoutFolder = book.Dir.path() + "/Layout/";
        ASSERT_TRUE(master.Load(AppFolder + "Common/Lyt.fmt"));
        list = std::make_unique<TAddressList>();
        AddressList = list.get();
        ASSERT_TRUE(DMMirvale18->OpenSenderTable());
        DefaultSenderNo = 0;
    }
    void TearDown() override
    {
        if (form) {
            form->Modified = 0;
            delete form.data();
        }
        DMMirvale18->CloseSenderTable();
        list.reset();
        AddressList = nullptr;
    }

    int32_t addRecord(const QString &name, const QString &pos, const QString &adrs, int32_t sender = 0)
    {
        TTable &t = *DMMirvale18->AdrsTable;
        t.Append();
        t.FieldByName("PrivCorp").SetAsBoolean(true);
        t.FieldByName("NameKanji").SetAsString(WideToEscapedAnsi(name));
        t.FieldByName("JointPrint").SetAsBoolean(true);
        t.FieldByName("Pos").SetAsString(sjis(pos));
        t.FieldByName("Tdfkn").SetAsString(sjis(QStringLiteral("東京都")));
        t.FieldByName("Adrs1").SetAsString(sjis(adrs));
        t.FieldByName("Sender").SetAsInteger(sender);
        t.FieldByName("UpdDateTime").SetAsDateTime(100.0);
        t.Post();
        return t.FieldByName("RecNo").AsInteger();
    }
    int32_t addSender(const QString &name)
    {
        const int32_t recNo = DMMirvale18->SenderTable->RecordCount() + 1;
        test::registerSender(test::listedSender(recNo, QStringLiteral("差出人%1").arg(recNo), name));
        return recNo;
    }
    // The first paper of the kind that places the sender too.
    int paperIndex(uint8_t kind)
    {
        for (size_t i = 0; i < master.Formats.size(); ++i) {
            const TPaperFormat &f = master.Formats[i];
            if (f.Kind == kind && f.CombinedRectCount > 4)
                return int(i);
        }
        return -1;
    }
    TLayoutForm &open()
    {
        // The start menu would wait for the user: not shown in these tests.
        TMemIniFile ini(DataFolder + "Mirvale18.ini");
        ini.WriteBool("LAYOUT", "Menu", false);
        ini.UpdateFile();
        form = new TLayoutForm(list.get());
        LayoutForm = form.data();
        return *form;
    }
    void show()
    {
        form->resize(900, 800);
        form->show();
        QCoreApplication::removePostedEvents(form.data(), WM_STARTMENU);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.data()));
        QCoreApplication::removePostedEvents(form.data(), WM_STARTMENU);
    }
    bool applyPaper(int index)
    {
        form->ClearDocument();
        form->PaperFormat = master.Formats[size_t(index)];
        form->SheetFormat = master.SheetOf(form->PaperFormat);
        form->FormatNumber = index;
        form->PrintParts = form->PaperFormat.CombinedRectCount > 4 ? 0 : 1;
        return form->ApplyPaper();
    }
    void listAndSelect(int row)
    {
        list->RefreshList(true, true, false);
        list->SelectItem(row, true, false);
    }
    TPosRect &postal() { return static_cast<TPosRect &>(*form->CombinedObjects[0]); }
    TAddressRect &address() { return static_cast<TAddressRect &>(*form->CombinedObjects[1]); }
    TNameRect &name() { return static_cast<TNameRect &>(*form->CombinedObjects[2]); }
    TNameRect &senderName() { return static_cast<TNameRect &>(*form->CombinedObjects[6]); }

    test::TestBook book;
    test::MessageBoxScript boxes;
    TMasterFormats master;
    std::unique_ptr<TAddressList> list;
    QPointer<TLayoutForm> form;
};


class LayoutCanvasTest : public LayoutFormTest {
protected:
    void SetUp() override
    {
        LayoutFormTest::SetUp();
        open();
        show();
        ASSERT_TRUE(applyPaper(paperIndex(0)));
        // 100 %, so card pixels and layout units agree.
        form->cbxRatio->setCurrentIndex(5);
        form->cbxRatioClick(form->cbxRatio);
        ASSERT_EQ(form->ZoomRatio, 1.0);
        card = form->pnlCard;
    }
    // The middle of an object on the card.
    QPoint middle(const TDrawRect &object)
    {
        const TRect r = object.GetDispRect();
        return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    // A one-line text in front of the others, not chosen.
    TWordRect *addWord(const TRect &r)
    {
        auto word = std::make_unique<TWordRect>();
        word->SetLineCount(1);
        word->SetLine(0, QStringLiteral("暑中お見舞い申し上げます"));
        word->SetRect(r);
        word->SetZoom(form->ZoomRatio);
        TWordRect *added = word.get();
        form->WordList.push_back(std::move(word));
        form->ZOrderList.insert(form->ZOrderList.begin(), added);
        return added;
    }
    void hover(QPoint at) { QTest::mouseMove(card, at); }
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers keys = {})
    {
        hover(from);
        QTest::mousePress(card, Qt::LeftButton, keys, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), card->mapToGlobal(QPointF(to)), Qt::NoButton,
                         Qt::LeftButton, keys);
        QApplication::sendEvent(card, &move);
        QTest::mouseRelease(card, Qt::LeftButton, keys, to);
    }
    void key(int key, Qt::KeyboardModifiers keys = {})
    {
        QKeyEvent press(QEvent::KeyPress, key, keys);
        QApplication::sendEvent(card, &press);
    }
    TPaintPanel *card = nullptr;
};

}  // namespace
