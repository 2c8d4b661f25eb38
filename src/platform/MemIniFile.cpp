#include "platform/MemIniFile.h"

#include "platform/SjisCodec.h"
#include "platform/Trim.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QDir>

namespace {

bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

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
    if (!ok || body.isEmpty() || body.front().isSpace())
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
    if (!f.open(QIODevice::ReadOnly)) {
        readFailed_ = true;
        return;
    }
    const QByteArray content = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        readFailed_ = true;
        return;
    }
    SetText(content);
}

void TMemIniFile::SetText(const QByteArray &content)
{
    sections_.clear();
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
        if (!findEntry(*current, e.key))
            current->entries.push_back(std::move(e));
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
    if (readFailed_)
        throw EIniFileError(fileName_ + QStringLiteral("\r\nファイルを読み込めなかったため保存できません"));
    const QByteArray bytes = GetText();
    QDir().mkpath(QFileInfo(fileName_).absolutePath());
    QSaveFile f(fileName_);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw EIniFileError(fileName_ + QStringLiteral("\r\nファイルに書き込めませんでした"));
}

const TMemIniFile::Section *TMemIniFile::findSection(const QString &name) const
{
    for (const Section &s : sections_)
        if (sameName(s.name, name))
            return &s;
    return nullptr;
}

TMemIniFile::Section &TMemIniFile::sectionFor(const QString &name)
{
    for (Section &s : sections_)
        if (sameName(s.name, name))
            return s;
    sections_.push_back(Section{name, {}});
    return sections_.back();
}

const TMemIniFile::Entry *TMemIniFile::findEntry(const Section &s, const QString &key)
{
    for (const Entry &e : s.entries)
        if (sameName(e.key, key))
            return &e;
    return nullptr;
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

bool TMemIniFile::ReadBool(const QString &section, const QString &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TMemIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    Section &s = sectionFor(section);
    for (Entry &e : s.entries) {
        if (sameName(e.key, key)) {
            e.value = value;
            e.hasValue = true;
            return;
        }
    }
    s.entries.push_back(Entry{key, value, true});
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
    std::erase_if(sections_, [&](const Section &s) { return sameName(s.name, section); });
}

void TMemIniFile::DeleteKey(const QString &section, const QString &key)
{
    for (Section &s : sections_)
        if (sameName(s.name, section))
            std::erase_if(s.entries, [&](const Entry &e) { return sameName(e.key, key); });
}

void TMemIniFile::Clear() { sections_.clear(); }
