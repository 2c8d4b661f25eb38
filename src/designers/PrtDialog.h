// What the document open and save dialogs share: the list of saved documents of one kind by title and date,
// and deleting and renaming them in place.
#pragma once

#include "designers/PrtFiles.h"

#include <QDialog>

class QAction;
class QHBoxLayout;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;

class TPrintDataDialog : public QDialog {
    Q_OBJECT
public:
    // Stores the kind and lists its documents.
    void SetKind(uint8_t kind);
    // A listed document was renamed or deleted.
    bool FilesChanged = false;

protected:
    explicit TPrintDataDialog(QWidget *owner);
    // The list and its buttons, for the dialogs to place.
    QWidget *FileListPanel() const { return pnlFiles; }
    QHBoxLayout *MakeButtons();
    void FillFileList();
    QTreeWidgetItem *SelectedItem() const;
    void SelectTitle(const QString &title);
    QString PathOf(const QString &title) const;
    // Called when the selection changes; the base enables the buttons.
    virtual void SelectionChanged(QTreeWidgetItem *item);
    bool eventFilter(QObject *watched, QEvent *event) override;

    uint8_t DocumentKind = 0xFF;
    TDocumentKind Kind{};
    bool KindValid = false;
    QString CurrentTitle;
    QTreeWidget *lvFile = nullptr;
    QToolButton *sbtnDelete = nullptr, *sbtnRename = nullptr;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr;

private:
    void DeleteSelected();
    void StartRename();
    void CaptionEdited(QTreeWidgetItem *item, int column);

    QWidget *pnlFiles = nullptr;
    QMenu *PopupMenu = nullptr;
    QAction *pmiDelete = nullptr, *pmiRename = nullptr;
    bool Renaming = false;
};
