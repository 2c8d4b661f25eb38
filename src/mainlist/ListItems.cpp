#include "mainlist/ListItems.h"

const std::array<TListItem, ListItemCount> &ListItemTable()
{
    static const std::array<TListItem, ListItemCount> table = [] {
        std::array<TListItem, ListItemCount> t{{
            {0, QStringLiteral("No."), 2, 56, true, 1},
            {1, QStringLiteral("グループ"), 0, 120, true, 2},
            {2, QStringLiteral("顧客コード"), 0, 112, false, 3},
            {3, QStringLiteral("電話番号"), 0, 116, true, 4},
            {4, QStringLiteral("代表電話"), 0, 76, true, 5},
            {5, QStringLiteral("FAX番号"), 0, 116, false, 6},
            {6, QStringLiteral("携帯番号1"), 0, 116, false, 7},
            {7, QStringLiteral("携帯番号2"), 0, 116, false, 8},
            {8, QStringLiteral("〒"), 0, 76, false, 9},
            {9, QStringLiteral("住所"), 0, 232, true, 10},
            {10, QStringLiteral("住所カナ"), 0, 200, false, 11},
            {11, QStringLiteral("個人会社区分"), 0, 104, false, 13},
            {12, QStringLiteral("会社名"), 0, 232, true, 14},
            {13, QStringLiteral("会社名カナ"), 0, 180, false, 15},
            {14, QStringLiteral("部署"), 0, 180, false, 16},
            {15, QStringLiteral("役職"), 0, 120, false, 17},
            {16, QStringLiteral("名前"), 0, 112, true, 18},
            {17, QStringLiteral("名前カナ"), 0, 112, false, 19},
            {18, QStringLiteral("URL"), 0, 200, false, 20},
            {19, QStringLiteral("E-Mail1"), 0, 180, false, 21},
            {20, QStringLiteral("E-Mail2"), 0, 180, false, 22},
        }};
        for (int n = 1; n <= 5; ++n)
            t[20 + n] = {20 + n, QStringLiteral("連名%1").arg(n), 0, 112, false, 22 + n};
        for (int n = 1; n <= 8; ++n)
            t[25 + n] = {25 + n, QStringLiteral("キーワード%1").arg(n), 0, 128, n == 1, 27 + n};
        const TListItem rest[] = {
            {34, QStringLiteral("備考"), 0, 180, false, 36},     {35, QStringLiteral("シンボル"), 1, 68, false, 37},
            {36, QStringLiteral("登録日時"), 0, 152, false, 38}, {37, QStringLiteral("登録日付"), 0, 92, false, 39},
            {38, QStringLiteral("登録時刻"), 0, 72, false, 40},  {39, QStringLiteral("更新日時"), 0, 152, false, 41},
            {40, QStringLiteral("更新日付"), 0, 92, false, 42},  {41, QStringLiteral("更新時刻"), 0, 72, false, 43},
            {42, QStringLiteral("大分類名"), 0, 170, false, 44}, {43, QStringLiteral("小分類名"), 0, 210, false, 45},
        };
        for (const TListItem &item : rest)
            t[item.ItemNo] = item;
        return t;
    }();
    return table;
}
