#include "designers/PrtOpen.h"

#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"

#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

TPrintDataOpenDialog::TPrintDataOpenDialog(QWidget *owner) : TPrintDataDialog(owner)
{
    setObjectName(QStringLiteral("PrintDataOpenDialog"));
    setWindowTitle(QStringLiteral("開く"));
    auto *root = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    row->addWidget(FileListPanel(), 1);
    auto *previewColumn = new QVBoxLayout;
    previewColumn->addWidget(Named<QLabel>("lblPreview", QStringLiteral("プレビュー"), this));
    pnlPreview = Named<QWidget>("pnlPreview", this);
    pnlPreview->setFixedSize(194, 194);
    pnlPreview->setAutoFillBackground(true);
    QPalette grey = pnlPreview->palette();
    grey.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    pnlPreview->setPalette(grey);
    pbxPreview = Named<QWidget>("pbxPreview", pnlPreview);
    pbxPreview->installEventFilter(this);
    previewColumn->addWidget(pnlPreview);
    previewColumn->addStretch();
    row->addLayout(previewColumn);
    root->addLayout(row);
    root->addLayout(MakeButtons());
    connect(lvFile, &QTreeWidget::itemDoubleClicked, btnOK, &QPushButton::click);
}

void TPrintDataOpenDialog::SetFileName(const QString &title)
{
    CurrentTitle = title;
    SelectTitle(title);
}

QString TPrintDataOpenDialog::GetFileName() const
{
    QTreeWidgetItem *item = SelectedItem();
    return item ? item->text(0) : QString();
}

void TPrintDataOpenDialog::SelectionChanged(QTreeWidgetItem *item)
{
    TPrintDataDialog::SelectionChanged(item);
    Preview_ = QImage();
    if (item) {
        const QString path = PathOf(item->text(0));
        if (!QFile::exists(path)) {
            ShowMessageBoxAt(this, QStringLiteral("ファイルが見つかりません  "), AppTitle, MB_ICONINFORMATION);
            delete item;
            return;
        }
        // A document whose picture cannot be read is shown without one.
        Preview_ = ThumbnailPicture(ReadThumbnail(Kind, path));
    }
    PlacePreview();
}

void TPrintDataOpenDialog::PlacePreview()
{
    if (Preview_.isNull()) {
        pbxPreview->hide();
        return;
    }
    const double scale = std::min(pnlPreview->width() * 0.9 / Preview_.width(),
                                  pnlPreview->height() * 0.9 / Preview_.height());
    const int w = int(std::lround(Preview_.width() * scale));
    const int h = int(std::lround(Preview_.height() * scale));
    pbxPreview->setGeometry((pnlPreview->width() - w) / 2, (pnlPreview->height() - h) / 2, w, h);
    pbxPreview->show();
    pbxPreview->update();
}

void TPrintDataOpenDialog::showEvent(QShowEvent *event)
{
    if (!SelectedItem() && lvFile->topLevelItemCount() > 0) {
        lvFile->setCurrentItem(lvFile->topLevelItem(0));
        lvFile->topLevelItem(0)->setSelected(true);
    }
    lvFile->setFocus();
    TPrintDataDialog::showEvent(event);
}

void TPrintDataOpenDialog::accept()
{
    if (!SelectedItem())
        return;
    TPrintDataDialog::accept();
}

bool TPrintDataOpenDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == pbxPreview && event->type() == QEvent::Paint) {
        QPainter painter(pbxPreview);
        if (!Preview_.isNull()) {
            painter.drawImage(pbxPreview->rect(), Preview_);
            painter.setPen(QColor(0x80, 0x80, 0x80));
            painter.drawRect(pbxPreview->rect().adjusted(0, 0, -1, -1));
        }
        return true;
    }
    if (watched == lvFile && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            btnOK->setFocus();
            return true;
        }
    }
    return TPrintDataDialog::eventFilter(watched, event);
}
