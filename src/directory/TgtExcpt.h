// TTargetException ("対象除外選択"): which shipped and own names a fuzzy search of one search name also looks
// for (targets) and which it leaves out (exclusions), kept as the Show flag of their table rows.
#pragma once

#include <QByteArray>
#include <QDialog>

class QListWidget;
class QListWidgetItem;
class QPushButton;
class TUniEdit;

class TTargetException : public QDialog {
    Q_OBJECT
public:
    // Own names sort after every shipped name.
    static constexpr int32_t OwnKeyBase = 100000000;
    static constexpr int groupTarget = 0;
    static constexpr int groupException = 1;

    explicit TTargetException(QWidget *owner);

    TUniEdit *edtName;
    // Per group: the chosen names (left) and the candidates (right).
    QListWidget *lbxTargetAdd, *lbxTargetList, *lbxExceptionAdd, *lbxExceptionList;
    QPushButton *bbtnTargetAdd, *bbtnTargetDelete, *bbtnTargetAllAdd, *bbtnTargetAllDelete, *bbtnTargetCreate;
    QPushButton *bbtnExceptionAdd, *bbtnExceptionDelete, *bbtnExceptionAllAdd, *bbtnExceptionAllDelete,
        *bbtnExceptionCreate;
    QPushButton *btnSet, *btnCancel;

    QByteArray FSearchName;
    bool FChanged = false;

    void SetSearchName(const QByteArray &name);
    void LoadLists();
    // Moves the selected candidate of a group to its chosen names (add) or back (remove).
    void MoveOne(int group, bool add);
    void MoveAll(int group, bool add);
    void MergeOwnItems();
    // Checks the two chosen lists against each other and writes every Show flag; false when refused.
    bool SaveSelection();
    void btnSetClick();
    void CreateClick(int group);
    // The own-item editor removes a deleted own name from the lists of its group.
    void RemoveName(int group, const QByteArray &name);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QListWidget *chosenList(int group) const { return group == groupTarget ? lbxTargetAdd : lbxExceptionAdd; }
    QListWidget *candidateList(int group) const { return group == groupTarget ? lbxTargetList : lbxExceptionList; }
    void updateButtons();
    static void insertByKey(QListWidget *list, QListWidgetItem *item);
    bool writeShow(int group, const QStringList &names, bool show);
};

inline TTargetException *TargetException = nullptr;
