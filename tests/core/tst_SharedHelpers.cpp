// Window placement, design units, rounding and deleting folders.
#include "core/SharedHelpers.h"
#include "core/Globals.h"
#include "base/Numbers.h"

#include "Accessibility.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QPointer>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <limits>

#include <sys/wait.h>
#include <unistd.h>

TEST(SharedHelpers, ScaleByDpiRoundsToNearest)
{
    EXPECT_EQ(ScaleByDpi(100, true, 120), 125);
    EXPECT_EQ(ScaleByDpi(125, false, 120), 100);
    EXPECT_EQ(ScaleByDpi(77, true, 96), 77);
    EXPECT_EQ(ScaleByDpi(77, false, 96), 77);
    EXPECT_EQ(ScaleByDpi(3, true, 144), 5);  // 4.5 rounds up
}

TEST(SharedHelpers, RoundHalfAwayFromZero)
{
    EXPECT_EQ(RoundHalfAway(2.5L), 3);
    EXPECT_EQ(RoundHalfAway(-2.5L), -3);
    EXPECT_EQ(RoundHalfAway(2.4999L), 2);
    EXPECT_EQ(RoundHalfAway(-0.4L), 0);
    EXPECT_EQ(RoundHalfAway(1e12L + 0.5L), 1000000000001LL);
}

// Sizes read as the desktop's file lists give them, never in binary prefixes or English words.
TEST(SharedHelpers, KilobyteTextRoundsUpToWholeKilobytes)
{
    EXPECT_EQ(KilobyteText(0), QStringLiteral("0 KB"));
    EXPECT_EQ(KilobyteText(1), QStringLiteral("1 KB"));
    EXPECT_EQ(KilobyteText(1024), QStringLiteral("1 KB"));
    EXPECT_EQ(KilobyteText(276'450), QStringLiteral("270 KB"));
    EXPECT_EQ(KilobyteText(5'000'000'000), QStringLiteral("4,882,813 KB"));
    // The largest size a 64-bit count holds is still a positive number of kilobytes.
    EXPECT_EQ(KilobyteText(std::numeric_limits<qint64>::max()), QStringLiteral("9,007,199,254,740,992 KB"));
    EXPECT_EQ(KilobyteText(std::numeric_limits<qint64>::max() - 1023), QStringLiteral("9,007,199,254,740,991 KB"));
}

TEST(SharedHelpers, CenteredFormStaysInsideTheWorkArea)
{
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget owner, form;
    owner.setGeometry(work.left(), work.top() + 100, 200, 200);
    form.resize(400, 100);
    CenterFormOnOwner(&form, &owner);
    EXPECT_EQ(form.frameGeometry().left(), 0);  // not at a negative position
    owner.move(work.right() - 150, work.top() + 100);
    CenterFormOnOwner(&form, &owner);
    EXPECT_EQ(form.frameGeometry().right(), work.right());
    CenterFormOnOwner(&form, nullptr);
    EXPECT_EQ(form.frameGeometry().left(), work.left() + (work.width() - form.frameGeometry().width()) / 2);

    // A form its layout sizes is centred at the size it is shown with.
    QWidget laidOut;
    auto *rows = new QVBoxLayout(&laidOut);
    for (int i = 0; i < 5; ++i)
        rows->addWidget(new QPushButton(QStringLiteral("button %1").arg(i)));
    owner.move(work.left() + 100, work.top() + 100);
    CenterFormOnOwner(&laidOut, &owner);
    laidOut.show();
    EXPECT_LE((laidOut.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 4);
}

TEST(SharedHelpers, DeleteFolderTreeReportsWhatItCouldNotDelete)
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/tree";
    test::writeFile(root + "/a.txt", "a");
    test::writeFile(root + "/sub/deeper/b.txt", "b");
    QFile::setPermissions(root + "/a.txt", QFileDevice::ReadOwner);  // read-only files go too
    EXPECT_TRUE(DeleteFolderTree(root));
    EXPECT_FALSE(QFileInfo::exists(root));

    // Something left behind: a file kept on request.
    test::writeFile(root + "/sub/c.txt", "c");
    EXPECT_FALSE(DeleteFolderTree(root, true));
    EXPECT_TRUE(QFileInfo::exists(root + "/sub/c.txt"));
    EXPECT_FALSE(DeleteFolderTree(dir.path() + "/missing"));
}

// A folder made read-only goes with the tree as a read-only file does. Root passes every mode, so where the test
// runs as root the deletion runs as the user nobody, who owns the tree.
TEST(SharedHelpers, DeleteFolderTreeTakesReadOnlyFoldersToo)
{
    QTemporaryDir dir;
    const QString backup = dir.path() + QStringLiteral("/Backup");
    const QString dated = backup + QStringLiteral("/2026年12月08日");
    test::writeFile(dated + QStringLiteral("/Adrs/鷗外商事/Adrs.DB"), "db");
    test::writeFile(dated + QStringLiteral("/Backup.lst"), "list");
    const bool asNobody = geteuid() == 0;
    QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther);
    const QString company = dated + QStringLiteral("/Adrs/鷗外商事");
    QFile::setPermissions(company + QStringLiteral("/Adrs.DB"), QFile::ReadOwner);
    for (const QString &folder : {company, dated + QStringLiteral("/Adrs")})
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (asNobody) {
        for (const QString &path : {backup, dated, dated + QStringLiteral("/Backup.lst"), dated + QStringLiteral("/Adrs"),
                                    company, company + QStringLiteral("/Adrs.DB")})
            ASSERT_EQ(chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
    }
    const pid_t child = fork();
    if (child == 0) {
        if (asNobody && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        _exit(DeleteFolderTree(dated) ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_FALSE(QFileInfo::exists(dated));
}

// The folder chooser starts in the folder given, else in the program's folder when asked, else in the user's
// home: never in the folder the program happened to be started from.
TEST(SharedHelpers, FolderChooserStartsInTheGivenFolderOrHome)
{
    QTemporaryDir home, given, elsewhere;
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    const QString savedCurrent = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    AppFolder = given.path() + "/";
    const struct {
        QString folder;
        bool programFolder;
        QString expected;
    } cases[] = {
        {given.path(), false, given.path()},
        {QString(), true, given.path()},
        {home.path() + "/gone", false, home.path()},
    };
    for (const auto &c : cases) {
        QString shown;
        QTimer::singleShot(0, [&shown] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            shown = dialog->directory().absolutePath();
            dialog->reject();
        });
        QString folder = c.folder;
        EXPECT_FALSE(BrowseForFolder(folder, nullptr, QStringLiteral("フォルダーの選択"), false, c.programFolder));
        EXPECT_EQ(shown.toStdString(), QDir(c.expected).absolutePath().toStdString());
    }
    AppFolder.clear();
    QDir::setCurrent(savedCurrent);
    qputenv("HOME", savedHome);
}

// A window freed on close, closed (by a screen reader) while its file dialog is open: the code that opened the
// dialog gets the file chosen, and the window goes only once the dialog and that code are done with it.
TEST(SharedHelpers, AWindowClosedWhileItsFileDialogIsOpenOutlivesTheDialog)
{
    QTemporaryDir dir;
    test::writeFile(dir.path() + "/a.txt", "a");
    QPointer<QWidget> window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    QString chosen = QStringLiteral("unset");
    {
        QFileDialog dialog(window, QStringLiteral("ファイル"), dir.path());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QTimer::singleShot(0, &dialog, [&] {
            window->close();
            // What the dialog's own loop does meanwhile with windows closed from inside it.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            dialog.selectFile(dir.path() + "/a.txt");
            static_cast<QDialog &>(dialog).accept();
        });
        chosen = ChooseFile(dialog);
        EXPECT_FALSE(window.isNull());
    }
    // The close waits for the code that chose, which gets the file.
    EXPECT_EQ(chosen, dir.path() + "/a.txt");
    test::handlerReturned();
    EXPECT_TRUE(window.isNull());

    // Left open, the window gets the chosen file.
    QWidget owner;
    owner.show();
    QFileDialog dialog(&owner, QStringLiteral("ファイル"), dir.path());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QTimer::singleShot(0, &dialog, [&] {
        dialog.selectFile(dir.path() + "/a.txt");
        static_cast<QDialog &>(dialog).accept();
    });
    EXPECT_EQ(ChooseFile(dialog), dir.path() + "/a.txt");
}

// Qt's own file dialog leaves its place and file-type boxes without their captions, so a screen reader read each
// as its current item alone ("/home/user", "PDF ファイル (*.pdf)"): the dialogs the program opens name them.
TEST(SharedHelpers, AFileDialogsPlaceAndTypeBoxesAreReadByTheirCaptions)
{
    QTemporaryDir dir;
    QFileDialog dialog(nullptr, QStringLiteral("ファイル"), dir.path(), QStringLiteral("テキストファイル (*.txt)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    std::vector<std::string> unnamed;
    QTimer::singleShot(0, &dialog, [&] {
        for (const std::string &control : test::unnamedControls(&dialog))
            if (control.find("lookInCombo") != std::string::npos || control.find("fileTypeCombo") != std::string::npos)
                unnamed.push_back(control);
        dialog.reject();
    });
    EXPECT_TRUE(ChooseFile(dialog).isEmpty());
    EXPECT_TRUE(unnamed.empty()) << unnamed.front();
}
