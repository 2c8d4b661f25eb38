#include "platform/MemIniFile.h"

#include "base/FileReplace.h"
#include "base/Folders.h"
#include "base/SjisCodec.h"
#include "base/Trim.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>

#include <algorithm>
#include <cerrno>

namespace {

// Two names are the same when QString::compare without regard to case finds them equal, which folds each
// code point on its own; the index key is that folding of the whole name.
QString foldedName(const QString &name)
{
    const bool ascii = std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii)
        return name.toLower();
    QString folded;
    folded.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name[i].unicode();
        // A lone surrogate stays itself, as the comparison leaves it.
        if (name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(name[i], name[i + 1]);
            ++i;
        }
        folded += QChar::fromUcs4(QChar::toCaseFolded(c));
    }
    return folded;
}

// Builds a name index anew: after items were removed from the middle of their vector, or once a section has
// grown to need one.
template <class Items, class NameOf>
void reindex(QHash<QString, size_t> &index, const Items &items, NameOf nameOf)
{
    index.clear();
    for (size_t i = 0; i < items.size(); ++i)
        index.insert(foldedName(nameOf(items[i])), i);
}

}  // namespace

bool TryStrToInt(const QString &text, int &value)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    qlonglong v;
    QString body = t;
    bool negative = false;
    if (body.startsWith('-') || body.startsWith('+')) {
        negative = body.startsWith('-');
        body.remove(0, 1);
    }
    if (body.startsWith('$'))
        v = body.mid(1).toLongLong(&ok, 16);
    else if (body.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = body.mid(2).toLongLong(&ok, 16);
    else
        v = body.toLongLong(&ok, 10);
    // A second sign ("--5") is no number, and the body's own range must allow the negation below.
    if (!ok || body.isEmpty() || body.front().isSpace() || body.front() == '-' || body.front() == '+' || v < 0)
        return false;
    if (negative)
        v = -v;
    if (v < INT_MIN || v > INT_MAX) {
        // Hexadecimal texts name bit patterns: $FFFFFFFF is -1, as the settings files were always read.
        if (!negative && v <= 0xFFFFFFFFLL && (body.startsWith('$') || body.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)))
            v = static_cast<int>(static_cast<quint32>(v));
        else
            return false;
    }
    value = static_cast<int>(v);
    return true;
}

TMemIniFile::TMemIniFile(const QString &fileName) : fileName_(fileName)
{
    QFile f(fileName_);
    if (!f.exists())
        return;
    const QString unreadable = QStringLiteral("ファイルを読み込めませんでした");
    if (!f.open(QIODevice::ReadOnly)) {
        readError_ = unreadable;
        return;
    }
    // No settings file of ours comes near the bound; one beyond it (planted, or brought in by a restore) would
    // take memory and time out of all proportion to what it could hold.
    const QString tooLarge = QStringLiteral("ファイルが大きすぎるため読み込めませんでした");
    if (f.size() > MaxFileBytes) {
        readError_ = tooLarge;
        return;
    }
    const QByteArray content = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        readError_ = unreadable;
        return;
    }
    if (content.size() > MaxFileBytes) {
        readError_ = tooLarge;
        return;
    }
    SetText(content);
}

void TMemIniFile::SetText(const QByteArray &content)
{
    Clear();
    Section *current = nullptr;
    const QString text = Sjis::decode(content);
    for (QStringView rawLine : QStringView(text).split('\n')) {
        const QString line = TrimBlanks(rawLine.toString());
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            current = &sectionFor(TrimBlanks(line.mid(1, line.size() - 2)));
            continue;
        }
        if (!current)
            continue;  // lines before the first section belong to nothing
        const int eq = line.indexOf('=');
        Entry e = eq >= 0 ? Entry{TrimBlanks(line.left(eq)), TrimBlanks(line.mid(eq + 1)), true}
                          : Entry{line, QString(), false};
        // The first of two equal keys is the one read.
        if (!findEntry(*current, e.key))
            addEntry(*current, std::move(e));
    }
}

QByteArray TMemIniFile::GetText() const
{
    QString text;
    for (const Section &s : sections_) {
        text += '[' + s.name + QLatin1String("]\r\n");
        for (const Entry &e : s.entries)
            text += e.hasValue ? e.key + '=' + e.value + QLatin1String("\r\n") : e.key + QLatin1String("\r\n");
        text += QLatin1String("\r\n");
    }
    QString unmappable;
    QByteArray bytes = Sjis::encode(text, &unmappable);
    if (!unmappable.isEmpty())
        throw EIniFileError(fileName_ + QStringLiteral("\r\nShift-JISで表せない文字があります: ") + unmappable);
    return bytes;
}

void TMemIniFile::UpdateFile() const
{
    if (ReadFailed())
        throw EIniFileError(fileName_ + QStringLiteral("\r\n") + readError_ + QStringLiteral("\r\nこのファイルには保存できません"));
    const QByteArray bytes = GetText();
    // What is written is read again at the next start, which refuses a file beyond the bound; the lines a file
    // read with bare line feeds gets back with CRLF can take it there.
    if (bytes.size() > MaxFileBytes)
        throw EIniFileError(fileName_ + QStringLiteral("\r\nファイルが大きすぎるため書き込めませんでした"));
    ForceDirectories(QFileInfo(fileName_).absolutePath());
    if (!ReplaceFileWhole(fileName_, bytes))
        throw EIniFileError(fileName_ + QStringLiteral("\r\nファイルに書き込めませんでした") + WriteFailureReason(errno));
}

const TMemIniFile::Section *TMemIniFile::findSection(const QString &name) const
{
    const auto it = sectionIndex_.constFind(foldedName(name));
    return it == sectionIndex_.cend() ? nullptr : &sections_[*it];
}

TMemIniFile::Section &TMemIniFile::sectionFor(const QString &name)
{
    const QString folded = foldedName(name);
    if (const auto it = sectionIndex_.constFind(folded); it != sectionIndex_.cend())
        return sections_[*it];
    sectionIndex_.insert(folded, sections_.size());
    return sections_.emplace_back(Section{name, {}, {}});
}

const TMemIniFile::Entry *TMemIniFile::findEntry(const Section &s, const QString &key)
{
    if (s.index.isEmpty()) {
        const auto it = std::find_if(s.entries.begin(), s.entries.end(),
                                     [&key](const Entry &e) { return e.key.compare(key, Qt::CaseInsensitive) == 0; });
        return it == s.entries.end() ? nullptr : &*it;
    }
    const auto it = s.index.constFind(foldedName(key));
    return it == s.index.cend() ? nullptr : &s.entries[*it];
}

TMemIniFile::Entry *TMemIniFile::findEntry(Section &s, const QString &key)
{
    return const_cast<Entry *>(findEntry(std::as_const(s), key));
}

void TMemIniFile::addEntry(Section &s, Entry entry)
{
    s.entries.push_back(std::move(entry));
    if (!s.index.isEmpty())
        s.index.insert(foldedName(s.entries.back().key), s.entries.size() - 1);
    else if (s.entries.size() > IndexedEntries)
        indexEntries(s);
}

void TMemIniFile::indexEntries(Section &s)
{
    if (s.entries.size() > IndexedEntries)
        reindex(s.index, s.entries, [](const Entry &e) { return e.key; });
    else
        s.index.clear();
}

QString TMemIniFile::ReadString(const QString &section, const QString &key, const QString &def) const
{
    const Section *s = findSection(section);
    const Entry *e = s ? findEntry(*s, key) : nullptr;
    return e && e->hasValue ? e->value : def;
}

int TMemIniFile::ReadInteger(const QString &section, const QString &key, int def) const
{
    int v;
    return TryStrToInt(ReadString(section, key, QString()), v) ? v : def;
}

int TMemIniFile::ReadCount(const QString &section, const QString &key) const
{
    const Section *s = findSection(section);
    return s ? std::clamp(ReadInteger(section, key, 0), 0, static_cast<int>(s->entries.size())) : 0;
}

bool TMemIniFile::ReadBool(const QString &section, const QString &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TMemIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    Section &s = sectionFor(section);
    if (Entry *e = findEntry(s, key)) {
        e->value = value;
        e->hasValue = true;
        return;
    }
    addEntry(s, Entry{key, value, true});
}

void TMemIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TMemIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TMemIniFile::SectionExists(const QString &section) const { return findSection(section) != nullptr; }

bool TMemIniFile::ValueExists(const QString &section, const QString &key) const
{
    const Section *s = findSection(section);
    return s && findEntry(*s, key);
}

QStringList TMemIniFile::ReadSection(const QString &section) const
{
    QStringList keys;
    if (const Section *s = findSection(section))
        for (const Entry &e : s->entries)
            keys << e.key;
    return keys;
}

QStringList TMemIniFile::ReadSections() const
{
    QStringList names;
    for (const Section &s : sections_)
        names << s.name;
    return names;
}

void TMemIniFile::EraseSection(const QString &section)
{
    const auto it = sectionIndex_.constFind(foldedName(section));
    if (it == sectionIndex_.cend())
        return;
    sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(*it));
    reindex(sectionIndex_, sections_, [](const Section &s) { return s.name; });
}

void TMemIniFile::DeleteKey(const QString &section, const QString &key)
{
    const auto sectionAt = sectionIndex_.constFind(foldedName(section));
    if (sectionAt == sectionIndex_.cend())
        return;
    Section &s = sections_[*sectionAt];
    const Entry *e = findEntry(s, key);
    if (!e)
        return;
    s.entries.erase(s.entries.begin() + (e - s.entries.data()));
    indexEntries(s);
}

void TMemIniFile::Clear()
{
    sections_.clear();
    sectionIndex_.clear();
}
