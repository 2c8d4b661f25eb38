#include "db/TableSchemas.h"

namespace {

using T = TFieldType;

TFieldDef text(const QString &name, int size) { return {name, T::String, size}; }
TFieldDef integer(const QString &name) { return {name, T::Integer, 0}; }
TFieldDef logical(const QString &name) { return {name, T::Boolean, 0}; }

void numbered(std::vector<TFieldDef> &fields, const QString &word, int count, TFieldDef (*make)(const QString &))
{
    for (int n = 1; n <= count; ++n)
        fields.push_back(make(word + QString::number(n)));
}

void numberedText(std::vector<TFieldDef> &fields, const QString &word, int count, int size)
{
    for (int n = 1; n <= count; ++n)
        fields.push_back(text(word + QString::number(n), size));
}

TIndexDef primary(const QString &field) { return {QString(), field, ixPrimary | ixUnique}; }
TIndexDef noCase(const QString &name, const QString &fields) { return {name, fields, ixCaseInsensitive}; }

}  // namespace

const TTableSchema &AdrsTableSchema()
{
    static const TTableSchema schema = [] {
        TTableSchema s;
        auto &f = s.Fields;
        f = {{QStringLiteral("RecNo"), T::AutoInc, 0}, integer("Group"), text("CustomCode", 20), text("Tel", 11),
             integer("TelDiv"), text("Fax", 11), text("Portable1", 11), text("Portable2", 11), text("Pos", 7),
             text("Tdfkn", 8), text("Adrs1", 32), text("Adrs2", 100), text("Adrs3", 116), text("AdrsKana", 100),
             text("JisCode", 5), text("KajoCode", 6), integer("Latitude"), integer("Longitude"),
             logical("PrivCorp"), text("CorpKanji", 120), text("CorpKana", 80), text("Dptmnt", 100),
             text("Post", 50), text("NameKanji", 75), text("NameKana", 25), text("Honor", 10),
             logical("IgnoreName"), text("URL", 128), text("EMail1", 64), text("EMail2", 64)};
        numberedText(f, "Joint", 5, 55);
        numberedText(f, "JointHonor", 5, 10);
        f.push_back(integer("JointOwner"));
        f.push_back(logical("JointPrint"));
        numbered(f, "JointPrint", 5, logical);
        f.push_back(integer("PrintTarget"));
        f.push_back(integer("Sender"));
        numberedText(f, "Keyword", 8, 100);
        f.push_back({QStringLiteral("Note"), T::Memo, 100});
        f.push_back({QStringLiteral("ExtFile"), T::Memo, 100});
        f.push_back(text("SymbolMark", 10));
        f.push_back(integer("SymbolColor"));
        f.push_back({QStringLiteral("AddDateTime"), T::DateTime, 0});
        f.push_back({QStringLiteral("UpdDateTime"), T::DateTime, 0});
        f.push_back(integer("CodeMain"));
        f.push_back(integer("CodeSub"));
        f.push_back(integer("CodeGenre"));

        s.Indexes = {primary("RecNo")};
        for (const char *name : {"Group", "CustomCode", "Tel", "Fax", "Portable1", "Portable2", "Pos"})
            s.Indexes.push_back({QLatin1String(name), QLatin1String(name), 0});
        s.Indexes.push_back(noCase("Adrs", "JisCode;Adrs2;Adrs3"));
        s.Indexes.push_back(noCase("CorpKana", "CorpKana"));
        s.Indexes.push_back(noCase("NameKana", "NameKana"));
        for (int n = 1; n <= 8; ++n)
            s.Indexes.push_back(noCase("Keyword" + QString::number(n), "Keyword" + QString::number(n)));
        s.Indexes.push_back(noCase("Category", "CodeMain;CodeSub;CodeGenre"));
        return s;
    }();
    return schema;
}

const TTableSchema &SenderTableSchema()
{
    static const TTableSchema schema = [] {
        TTableSchema s;
        auto &f = s.Fields;
        f = {integer("RecNo"), text("Title", 30), text("Name", 75), text("Tel", 11), text("Fax", 11),
             text("Pos", 7), text("Tdfkn", 8), text("Adrs1", 32), text("Adrs2", 100), text("Adrs3", 116),
             integer("SelectInfo")};
        numberedText(f, "Joint", 5, 55);
        numberedText(f, "Note", 5, 20);
        f.push_back(logical("NamePrint"));
        numbered(f, "JointPrint", 5, logical);
        f.push_back(text("Corp", 100));
        f.push_back(text("Dptmnt", 100));
        f.push_back(text("Post", 50));
        numberedText(f, "Head", 4, 10);
        numberedText(f, "Addition", 4, 128);
        numbered(f, "AdditionPrint", 4, logical);
        s.Indexes = {primary("RecNo")};
        return s;
    }();
    return schema;
}

const TTableSchema &CategoryTableSchema()
{
    static const TTableSchema schema{
        {integer("RecNo"), {QStringLiteral("AxsDateTime"), T::DateTime, 0}, logical("Original"), text("Kana", 30),
         text("Kanji", 50)},
        {primary("RecNo"), {QStringLiteral("AxsDateTime"), QStringLiteral("AxsDateTime"), 0}, noCase("Kana", "Kana")}};
    return schema;
}

static std::vector<TIndexDef> nameIndexes()
{
    return {primary("RecNo"), noCase("Name", "Name"), noCase("Category", "Category"),
            noCase("CategoryKana", "CategoryKana")};
}

const TTableSchema &TargetTableSchema()
{
    static const TTableSchema schema{
        {integer("RecNo"), text("Name", 60), text("Category", 50), text("CategoryKana", 30), logical("Show")},
        nameIndexes()};
    return schema;
}

const TTableSchema &OriginalTableSchema()
{
    static const TTableSchema schema{{integer("RecNo"), text("Name", 60), text("Category", 50),
                                      text("CategoryKana", 30), integer("Flag"), logical("Show")},
                                     nameIndexes()};
    return schema;
}

const TTableSchema &OxaCatmTableSchema()
{
    static const TTableSchema schema{{integer("CatNo"), text("Name", 100), logical("Show")}, {primary("CatNo")}};
    return schema;
}

const TTableSchema &OxaCatsTableSchema()
{
    static const TTableSchema schema{
        {integer("CatNo"), integer("CatMainNo"), text("Name", 100), logical("Show")}, {primary("CatNo")}};
    return schema;
}
