// TNameAdrsSearch: the directory search by name and area ("名称住所検索"): the name's match mode, the target and
// exclusion names of a fuzzy search, the page size and the output of the whole result to a file.
#pragma once

#include "directory/SearchWindow.h"

#include <QHash>

class QListWidget;
class QRadioButton;

class TNameAdrsSearch : public TDirectorySearchWindow {
    Q_OBJECT
public:
    TNameAdrsSearch();
    ~TNameAdrsSearch() override;

    QRadioButton *rbFront, *rbAmbiguous, *rbRear, *rbFull;  // Tag = match mode
    QListWidget *lbxTarget, *lbxException;
    QPushButton *bbtnNameList, *bbtnTargetException;
    QComboBox *cbxGetCount;

    int MatchMode() const { return matchMode_; }
    void bbtnNameListClick();
    void bbtnTargetExceptionClick();

protected:
    TDirectorySearchWindow *otherWindow() const override;
    bool checkConditions(int job) override;
    void completeConditions() override;
    int pageSize() const override;
    void entryFromControls(TSearchHistoryEntry &entry) const override;
    void controlsFromEntry(const TSearchHistoryEntry &entry) override;
    void nameChanged() override;
    QByteArray categoryName(bool sub, int32_t catNo) override;
    std::vector<QWidget *> ownConditionControls() const override;

private:
    QWidget *createOwnConditions();
    QWidget *createOwnOptions();
    void setMatchMode(int mode);
    // The target and exclusion lists follow the match mode and the name.
    void updateTargetException();

    int matchMode_ = 0;
    QHash<int32_t, QByteArray> mainNames_, subNames_;
};

// The window while it exists.
inline TNameAdrsSearch *NameAdrsSearch = nullptr;

// Installs the makers through which the main window opens and closes the two search windows.
void RegisterDirectorySearches();
