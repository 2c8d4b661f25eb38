#include "core/SharedHelpers.h"

#include "base/Folders.h"
#include "core/Globals.h"
#include "platform/Forms.h"
#include "widgets/NamedControls.h"
#include "widgets/UniStdCtrls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>
#include <QWidget>

#include <algorithm>
#include <cmath>

void CenterFormOnOwner(QWidget *form, QWidget *owner)
{
    QScreen *screen = owner ? owner->screen() : form->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    // A form not shown yet has the size its layout will give it only once the layout has run: take that
    // size now, as showing it would, or the form ends up off centre by the difference.
    if (!form->isVisible()) {
        form->ensurePolished();
        // Controls hidden or shown before the form was ever shown leave every layout's last result standing.
        for (QWidget *control : form->findChildren<QWidget *>())
            control->updateGeometry();
        for (QLayout *layout : form->findChildren<QLayout *>())
            layout->invalidate();
        if (QLayout *layout = form->layout())
            layout->activate();
        if (!form->testAttribute(Qt::WA_Resized))
            form->adjustSize();
    }
    const QSize size = form->frameGeometry().size();
    int left, top;
    if (owner) {
        const QRect o = owner->frameGeometry();
        left = o.left() + (o.width() - size.width()) / 2;
        top = o.top() + (o.height() - size.height()) / 2;
        if (left < 0)
            left = 0;
        else if (left + size.width() > work.right() + 1)
            left = work.right() + 1 - size.width();
        if (top < 0)
            top = 0;
        else if (top + size.height() > work.bottom() + 1)
            top = work.bottom() + 1 - size.height();
    } else {
        left = work.left() + (work.width() - size.width()) / 2;
        top = work.top() + (work.height() - size.height()) / 2;
    }
    form->move(left, top);
}

namespace {

class TCornerPlacer : public QObject {
public:
    TCornerPlacer(QWidget *form, QWidget *owner) : QObject(form), form_(form), owner_(owner)
    {
        form->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == form_ && event->type() == QEvent::Show) {
            QPoint at = owner_->frameGeometry().topLeft() + QPoint(15, 15);
            if (const QScreen *screen = owner_->screen() ? owner_->screen() : QGuiApplication::primaryScreen()) {
                const QRect work = screen->availableGeometry();
                const QSize size = form_->frameGeometry().size();
                at.setX(std::max(work.left(), std::min(at.x(), work.right() + 1 - size.width())));
                at.setY(std::max(work.top(), std::min(at.y(), work.bottom() + 1 - size.height())));
            }
            form_->move(at);
        }
        return false;
    }

private:
    QWidget *form_;
    QWidget *owner_;
};

}  // namespace

void PlaceBelowOwnerCorner(QWidget *form, QWidget *owner)
{
    new TCornerPlacer(form, owner);
}

int ScaleByDpi(int value, bool toScreen, double ppi)
{
    const double v = toScreen ? value * ppi / 96.0 : value * 96.0 / ppi;
    return static_cast<int>(std::trunc(v + 0.5));
}

int ScaleByDpi(int value, bool toScreen)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return ScaleByDpi(value, toScreen, screen ? screen->logicalDotsPerInch() : 96.0);
}

bool DeleteFolderTree(const QString &folder, bool keepFiles)
{
    // A link or a file in the folder's place goes itself: what a link points to is not below the folder, and
    // emptying it would reach out of the tree.
    const QString path = QDir::cleanPath(folder);
    const QFileInfo top(path);
    if (top.isSymLink() || (top.exists() && !top.isDir()))
        return !keepFiles && QFile::remove(path);
    QDir dir(folder);
    if (!dir.exists())
        return false;
    // An entry is removed with the right to write the folder that holds it, whatever the entry's own mode: a
    // folder made read-only (a backup copied from a write-protected stick) is opened up first, so its files go
    // with the tree as a read-only file does.
    if (!keepFiles)
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    bool complete = true;
    const auto entries = dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir() && !entry.isSymLink()) {
            complete = DeleteFolderTree(entry.absoluteFilePath(), keepFiles) && complete;
        } else if (!keepFiles) {
            complete = QFile::remove(entry.absoluteFilePath()) && complete;
        } else {
            complete = false;
        }
    }
    return dir.rmdir(dir.absolutePath()) && complete;
}

bool BrowseForFolder(QString &folder, QWidget *owner, const QString &title, bool allowNewFolder,
                     bool startInProgramFolder)
{
    QString start;
    if (DirectoryExists(folder))
        start = folder;
    else if (startInProgramFolder)
        start = ExcludeTrailingPathDelimiter(AppFolder);
    else
        start = QDir::homePath();
    QFileDialog dialog(owner, title, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::ReadOnly, !allowNewFolder);
    const QString chosen = ChooseFile(dialog);
    if (chosen.isEmpty())
        return false;
    folder = IncludeTrailingPathDelimiter(chosen);
    return true;
}

void NameFileDialogBoxes(QFileDialog &dialog)
{
    const std::pair<const char *, const char *> boxes[] = {{"lookInLabel", "lookInCombo"}, {"fileTypeLabel", "fileTypeCombo"}};
    for (const auto &[caption, box] : boxes) {
        auto *label = dialog.findChild<QLabel *>(QLatin1String(caption));
        auto *combo = dialog.findChild<QComboBox *>(QLatin1String(box));
        if (label && combo && !label->buddy())
            label->setBuddy(combo);
    }
}

QString ChooseFile(QFileDialog &dialog)
{
    ShowFileColumnsWhole(dialog);
    NameFileDialogBoxes(dialog);
    if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

void ShowFileColumnsWhole(QFileDialog &dialog)
{
    auto *model = dialog.findChild<QFileSystemModel *>();
    auto *view = dialog.findChild<QTreeView *>();
    if (!model || !view)
        return;  // the desktop's own dialog sizes its columns itself
    QObject::connect(model, &QFileSystemModel::directoryLoaded, view, [&dialog, view] {
        QHeaderView *header = view->header();
        header->resizeSections(QHeaderView::ResizeToContents);
        int needed = 0;
        for (int c = 0; c < header->count(); ++c)
            if (!header->isSectionHidden(c))
                needed += header->sectionSize(c);
        const int missing = needed - view->viewport()->width();
        if (missing <= 0)
            return;
        const QRect work = dialog.screen()->availableGeometry();
        const int width = std::min(dialog.width() + missing, work.width() - (dialog.frameGeometry().width() - dialog.width()));
        const int left = std::max(work.left(), dialog.x() - (width - dialog.width()) / 2);
        dialog.setGeometry(std::min(left, work.right() + 1 - width), dialog.y(), width, dialog.height());
    });
}

bool IsEnterKey(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

QHBoxLayout *MakeButtonRow(std::initializer_list<QWidget *> buttons)
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    for (QWidget *button : buttons)
        row->addWidget(button);
    return row;
}

QHBoxLayout *MakeOkCancelButtons(QWidget *dialog, QPushButton *&btnOk, QPushButton *&btnCancel)
{
    btnOk = Named<QPushButton>("btnOk", QStringLiteral("OK"), dialog);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), dialog);
    return MakeButtonRow({btnOk, btnCancel});
}

void SetCaptionColour(QAbstractButton *button, bool chosen)
{
    if (!button)
        return;
    const QColor colour = chosen ? QColor(Qt::blue) : QApplication::palette().color(QPalette::WindowText);
    QPalette palette = button->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    button->setPalette(palette);
}

void SetKeywordImeMode(QWidget *field, int keyword)
{
    SetImeMode(field, static_cast<TImeMode>(KeywordModes.at(static_cast<size_t>(keyword))));
}
