// TCategorySearch: the directory search by industry category and area ("カテゴリ検索"): a main category and one
// of its sub categories (or the main category alone), an optional name, pages of 20 hits.
#pragma once

#include "directory/SearchWindow.h"

#include <QHash>

class QListWidget;

class TCategorySearch : public TDirectorySearchWindow {
    Q_OBJECT
public:
    TCategorySearch();
    ~TCategorySearch() override;

    QListWidget *lbxMain, *lbxSub;

    // The category code the conditions carry: four digits, or empty for every category.
    QByteArray CategoryCode() const;

protected:
    TDirectorySearchWindow *otherWindow() const override;
    void completeConditions() override;
    void entryFromControls(TSearchHistoryEntry &entry) const override;
    void controlsFromEntry(const TSearchHistoryEntry &entry) override;
    QByteArray categoryName(bool sub, int32_t catNo) override;
    std::vector<QWidget *> ownConditionControls() const override;

private:
    QWidget *createOwnConditions();
    void fillMainList();
    void fillSubList(int mainNo);
    void lbxMainClick();

    int mainIndex_ = -1, subIndex_ = -1;
    QHash<int32_t, QByteArray> names_[2];
};

// The window while it exists.
inline TCategorySearch *CategorySearch = nullptr;
