#include "directory/SearchHistory.h"

#include "base/FileReplace.h"
#include "base/TextUtils.h"

#include <QFile>

#include <cstring>

namespace {

constexpr int categoryTextBytes = 8;

bool knownLevel(int32_t level)
{
    return level == areaLevelPrefecture || level == areaLevelCity || level == areaLevelTown;
}

// Little-endian reads that fail on the first byte missing.
class TReader {
public:
    explicit TReader(QFile &file) : file_(file) {}

    bool Bytes(QByteArray &out, int size)
    {
        out = file_.read(size);
        return out.size() == size;
    }
    bool Int(int32_t &value)
    {
        QByteArray bytes;
        if (!Bytes(bytes, 4))
            return false;
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<uint8_t>(bytes[i]);
        value = static_cast<int32_t>(v);
        return true;
    }
    // One length byte and width bytes; the text is the first length bytes (never more than width).
    bool Text(QByteArray &text, int width)
    {
        QByteArray bytes;
        if (!Bytes(bytes, width + 1))
            return false;
        text = bytes.mid(1, std::min<int>(static_cast<uint8_t>(bytes[0]), width));
        return true;
    }

private:
    QFile &file_;
};

void putInt(QByteArray &out, int32_t value)
{
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void putText(QByteArray &out, const QByteArray &text, int width)
{
    const QByteArray kept = text.left(width);
    out += static_cast<char>(kept.size());
    out += kept;
    out += QByteArray(width - kept.size(), '\0');
}

}  // namespace

void TSearchHistoryEntry::SetName(const QByteArray &name) { Name = CopyLeftMbcs(name, NameBytes); }

bool TSearchHistoryEntry::SameSearch(const TSearchHistoryEntry &other, bool categoryFile) const
{
    const bool sameName = categoryFile ? Name.compare(other.Name, Qt::CaseInsensitive) == 0 : Name == other.Name;
    if (!sameName || MatchMode != other.MatchMode || TelKinds != other.TelKinds || LegalForm != other.LegalForm
        || PageSize != other.PageSize || Region != other.Region || Level != other.Level
        || Codes.size() != other.Codes.size())
        return false;
    for (qsizetype i = 0; i < Codes.size(); ++i)
        if (Codes[i].compare(other.Codes[i], Qt::CaseInsensitive) != 0)
            return false;
    return !categoryFile || (MainIndex == other.MainIndex && SubIndex == other.SubIndex);
}

void TSearchHistory::Load(const QString &fileName, int limit)
{
    Current = TSearchHistoryEntry{};
    Saved.clear();
    Selected = -1;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    TReader in(file);
    int32_t count = 0;
    if (!in.Int(count))
        return;
    bool first = true;
    for (int32_t i = 0; i < count && (i == 0 || i < limit); ++i) {
        TSearchHistoryEntry e;
        int32_t codeCount = 0;
        if (!in.Text(e.Name, TSearchHistoryEntry::NameBytes) || !in.Int(e.MatchMode) || !in.Int(e.Kind)
            || !in.Int(e.TelKinds) || !in.Int(e.LegalForm) || !in.Text(e.CategoryText1, categoryTextBytes)
            || !in.Text(e.CategoryText2, categoryTextBytes) || !in.Int(e.PageSize) || !in.Int(e.Region)
            || !in.Int(codeCount) || !in.Int(e.Level) || codeCount <= 0)
            break;
        bool complete = true;
        if (e.Level == areaLevelNone) {
            e.Codes = {QByteArray()};
        } else if (knownLevel(e.Level)) {
            for (int32_t c = 0; c < codeCount && complete; ++c) {
                QByteArray code;
                complete = in.Text(code, e.Level);
                e.Codes.append(code);
            }
        }
        if (complete && categoryFile_)
            complete = in.Int(e.MainIndex) && in.Int(e.SubIndex);
        if (!complete)
            break;
        if (first)
            Current = e;
        first = false;
        if (limit > 0)
            Saved.push_back(e);
    }
}

bool TSearchHistory::Save(const QString &fileName) const
{
    QByteArray out;
    putInt(out, Saved.empty() ? 1 : static_cast<int32_t>(Saved.size()));
    auto putEntry = [&](const TSearchHistoryEntry &e) {
        putText(out, e.Name, TSearchHistoryEntry::NameBytes);
        putInt(out, e.MatchMode);
        putInt(out, e.Kind);
        putInt(out, e.TelKinds);
        putInt(out, e.LegalForm);
        putText(out, e.CategoryText1, categoryTextBytes);
        putText(out, e.CategoryText2, categoryTextBytes);
        putInt(out, e.PageSize);
        putInt(out, e.Region);
        putInt(out, static_cast<int32_t>(e.Codes.size()));
        putInt(out, e.Level);
        if (knownLevel(e.Level))
            for (const QByteArray &code : e.Codes)
                putText(out, code, e.Level);
        if (categoryFile_) {
            putInt(out, e.MainIndex);
            putInt(out, e.SubIndex);
        }
    };
    putEntry(Current);
    for (size_t i = 1; i < Saved.size(); ++i)
        putEntry(Saved[i]);
    return ReplaceFileWhole(fileName, out);
}

void TSearchHistory::Remember(const TSearchHistoryEntry &entry, int limit)
{
    Current = entry;
    if (limit <= 0)
        return;
    for (size_t i = 0; i < Saved.size(); ++i) {
        if (Saved[i].SameSearch(entry, categoryFile_)) {
            const TSearchHistoryEntry same = Saved[i];
            Saved.erase(Saved.begin() + static_cast<ptrdiff_t>(i));
            Saved.insert(Saved.begin(), same);
            Selected = 0;
            return;
        }
    }
    Saved.insert(Saved.begin(), entry);
    ApplyLimit(limit);
    Selected = 0;
}

void TSearchHistory::ApplyLimit(int limit)
{
    if (Saved.size() > static_cast<size_t>(std::max(0, limit)))
        Saved.resize(static_cast<size_t>(std::max(0, limit)));
    if (Selected >= static_cast<int>(Saved.size()))
        Selected = -1;
}

void TSearchHistory::Delete(int index)
{
    if (index < 0 || index >= static_cast<int>(Saved.size()))
        return;
    Saved.erase(Saved.begin() + index);
    if (Selected >= static_cast<int>(Saved.size()))
        Selected = -1;
}
