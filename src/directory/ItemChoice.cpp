#include "directory/ItemChoice.h"

const std::array<TItemDef, SearchItemCount> &SearchItemTable()
{
    static const std::array<TItemDef, SearchItemCount> table{{
        {0, QStringLiteral("電話番号"), false},
        {1, QStringLiteral("代表電話"), false},
        {2, QStringLiteral("FAX番号"), false},
        {3, QStringLiteral("郵便番号"), true},
        {4, QStringLiteral("住所カナ"), true},
        {5, QStringLiteral("都道府県"), false},
        {6, QStringLiteral("住所１"), true},
        {7, QStringLiteral("住所２"), true},
        {8, QStringLiteral("市町村コード"), true},
        {9, QStringLiteral("会社名カナ"), true},
        {10, QStringLiteral("会社名"), true},
        {11, QStringLiteral("名前カナ"), true},
        {12, QStringLiteral("名前"), true},
        {13, QStringLiteral("個人会社区分"), true},
        {14, QStringLiteral("大分類名"), false},
        {15, QStringLiteral("大分類コード"), false},
        {16, QStringLiteral("小分類名"), false},
        {17, QStringLiteral("小分類コード"), false},
    }};
    return table;
}

const std::array<TItemDef, CopyItemCount> &CopyItemTable()
{
    static const std::array<TItemDef, CopyItemCount> table = [] {
        static const char16_t *const titles[CopyItemCount] = {
            u"グループ", u"顧客コード", u"電話番号", u"代表電話", u"FAX番号", u"携帯番号１", u"携帯番号２",
            u"郵便番号", u"都道府県", u"住所１", u"住所２", u"住所３", u"連結住所", u"住所カナ", u"市町村コード",
            u"会社名漢字", u"会社名カナ", u"部署", u"役職", u"名前漢字", u"名前カナ", u"敬称", u"URL",
            u"メールアドレス１", u"メールアドレス２", u"連名１", u"連名２", u"連名３", u"連名４", u"連名５",
            u"連名敬称１", u"連名敬称２", u"連名敬称３", u"連名敬称４", u"連名敬称５", u"連名主", u"印刷指定",
            u"差出人", u"キーワード１", u"キーワード２", u"キーワード３", u"キーワード４", u"キーワード５",
            u"キーワード６", u"キーワード７", u"キーワード８", u"備考", u"外部ファイル", u"シンボルマーク",
            u"登録日付", u"登録時刻", u"更新日付", u"更新時刻", u"大分類名", u"小分類名"};
        std::array<TItemDef, CopyItemCount> t;
        for (int i = 0; i < CopyItemCount; ++i)
            t[i] = {i, QString::fromUtf16(titles[i]), true};
        return t;
    }();
    return table;
}

std::vector<TItemChoice> DefaultItemChoice(int itemCount)
{
    std::vector<TItemChoice> choice(static_cast<size_t>(itemCount));
    for (int i = 0; i < itemCount; ++i)
        choice[static_cast<size_t>(i)] = {static_cast<uint32_t>(i), static_cast<uint32_t>(i), true};
    return choice;
}
