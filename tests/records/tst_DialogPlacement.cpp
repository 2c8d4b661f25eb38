// Every dialog the program centres over its owner comes up centred once it is shown, whatever size its
// layout gives it: its centre lies within a few pixels of the owner's.
#include "core/AdrsSel.h"
#include "core/GrpEdt.h"
#include "core/SharedHelpers.h"
#include "directory/ExportItemSelect.h"
#include "mainlist/AdrsList.h"
#include "mainlist/AdrsSch.h"
#include "mainlist/DupliSch.h"
#include "mainlist/HdrSel.h"
#include "mainlist/KeywdEdt.h"
#include "mainlist/WordSch.h"
#include "records/BatchChg.h"
#include "records/EntryHelpers.h"
#include "records/InputLst.h"

#include "TestBook.h"
#include "TestSupport.h"

#include <QApplication>
#include <QColorDialog>
#include <QScreen>
#include <QTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

TEST(DialogPlacement, EveryCentredDialogIsCentredOverItsOwnerOnceShown)
{
    test::MessageBoxScript boxes;
    test::TestBook book;
    book.Open(QStringLiteral("Book"), true);
    // The batch change asks its list for the selection; the list stays hidden, since showing it would open a book.
    TAddressList list;
    AddressList = &list;
    QWidget owner;
    const QRect work = owner.screen()->availableGeometry();
    owner.setGeometry(work.adjusted(8, 8, -8, -8));
    list.setGeometry(owner.geometry());
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));

    // Each made as its command makes it; those that place themselves do it in their constructor.
    const struct {
        const char *name;
        std::function<QDialog *(QWidget *)> make;
    } dialogs[] = {
        {"TAddressSelect", [](QWidget *o) { return new TAddressSelect(o); }},
        {"TGruopEdit", [](QWidget *o) { return new TGruopEdit(o); }},
        {"TWordSearch", [](QWidget *o) { return new TWordSearch(o); }},
        {"TDuplicateSearch", [](QWidget *o) { return new TDuplicateSearch(o); }},
        {"TKeywordEdit", [](QWidget *o) { return new TKeywordEdit(o); }},
        {"THeaderSelect", [](QWidget *o) { return new THeaderSelect(o); }},
        {"TAddressSearch", [](QWidget *o) { return new TAddressSearch(o); }},
        {"TBatchChange", [&list](QWidget *) { return new TBatchChange(&list); }},
        {"TCopyItemSet", [](QWidget *o) { return new TCopyItemSet(o); }},
        {"TInputList", [](QWidget *o) { return new TInputList(o); }},
    };
    for (const auto &entry : dialogs) {
        SCOPED_TRACE(entry.name);
        std::unique_ptr<QDialog> dialog(entry.make(&owner));
        CenterFormOnOwner(dialog.get(), &owner);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        const QRect shown = dialog->frameGeometry();
        EXPECT_TRUE(work.contains(shown)) << shown.x() << "," << shown.y() << " " << shown.width() << "x"
                                          << shown.height();
        const QPoint offset = shown.center() - owner.frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 4) << "off by " << offset.x() << "," << offset.y() << " at size "
                                               << shown.width() << "x" << shown.height();
    }
    EXPECT_EQ(boxes.texts(), QStringList());
    AddressList = nullptr;
}

// The colour dialog is the one not centred: it opens 15 pixels right of and below its window's corner, moved
// back inside the work area where it would stick out, and stays there once shown.
TEST(DialogPlacement, TheColourDialogOpensJustBelowItsWindowsCorner)
{
    test::MessageBoxScript boxes;
    QTemporaryDir data;
    DataFolder = data.path() + "/";
    QWidget owner;
    const QRect work = owner.screen()->availableGeometry();
    owner.resize(300, 200);
    for (const QPoint corner : {work.topLeft() + QPoint(40, 30), work.bottomRight() - QPoint(310, 210)}) {
        owner.move(corner);
        owner.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
        QRect shown;
        QTimer::singleShot(0, [&shown] {
            auto *dialog = qobject_cast<QColorDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
            shown = dialog->frameGeometry();
            dialog->reject();
        });
        int32_t bgr = 0;
        EXPECT_FALSE(ChooseColor(&owner, bgr));
        const QPoint wanted = owner.frameGeometry().topLeft() + QPoint(15, 15);
        EXPECT_EQ(shown.topLeft(), QPoint(std::min(wanted.x(), work.right() + 1 - shown.width()),
                                          std::min(wanted.y(), work.bottom() + 1 - shown.height())))
            << shown.x() << "," << shown.y() << " " << shown.width() << "x" << shown.height();
        EXPECT_TRUE(work.contains(shown));
    }
    DataFolder.clear();
}
