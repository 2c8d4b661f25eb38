// Build-time generator of the example sentences: the UTF-8 source beside this file becomes
// Common/Text/Index.rbf and the class files it names, Shift-JIS with CR LF, each read back by the dialog's
// own reader before the build goes on.
#include "base/SjisCodec.h"
#include "designers/WordExamples.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "mkexamples: %s\n", message.toLocal8Bit().constData());
    return 1;
}

struct TSourceClass {
    TExampleClass Entry;
    QStringList Examples;
};

bool writeWhole(const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(name).path());
    QFile file(name);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
           file.flush();
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3)
        return fail(QStringLiteral("usage: mkexamples <examples.txt> <Common folder>"));
    const QString sourceName = QString::fromLocal8Bit(argv[1]);
    const QString common = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QFile source(sourceName);
    if (!source.open(QIODevice::ReadOnly))
        return fail(sourceName + QStringLiteral(": ") + source.errorString());

    QList<TSourceClass> classes;
    QStringList lines;
    const auto endExample = [&] {
        if (!lines.isEmpty() && !classes.isEmpty())
            classes.last().Examples.append(lines.join(QStringLiteral("\r\n")));
        lines.clear();
    };
    for (const QString &line : QString::fromUtf8(source.readAll()).split(u'\n')) {
        if (line.startsWith(QStringLiteral("## "))) {
            endExample();
            const QStringList parts = line.mid(3).split(u'\t');
            if (parts.size() != 2)
                return fail(QStringLiteral("a class needs a name and a file: ") + line);
            classes.append(TSourceClass{TExampleClass{parts[0].trimmed(), parts[1].trimmed()}, QStringList()});
        } else if (line.startsWith(u'#')) {
            continue;
        } else if (line.trimmed().isEmpty()) {
            endExample();
        } else {
            if (classes.isEmpty())
                return fail(QStringLiteral("an example before any class: ") + line);
            QString unmappable;
            Sjis::encode(line, &unmappable);
            if (!unmappable.isEmpty())
                return fail(QStringLiteral("no Shift-JIS form for ") + unmappable + QStringLiteral(" in ") + line);
            lines.append(line);
        }
    }
    endExample();

    QList<TExampleClass> entries;
    for (const TSourceClass &entry : classes) {
        const QString path = ExampleClassPath(common, entry.Entry.File);
        if (path.isEmpty() || entry.Examples.isEmpty())
            return fail(QStringLiteral("no examples, or a file outside Common: ") + entry.Entry.File);
        if (!writeWhole(path, ExampleClassBytes(entry.Examples)))
            return fail(path + QStringLiteral(": cannot be written"));
        const TExampleClassData back = ReadExampleClass(path);
        if (!back.Error.isEmpty() || back.Examples != entry.Examples)
            return fail(path + QStringLiteral(": does not read back as written"));
        entries.append(entry.Entry);
    }
    const QString index = common + QStringLiteral("/Text/Index.rbf");
    if (!writeWhole(index, ExampleIndexBytes(entries)))
        return fail(index + QStringLiteral(": cannot be written"));
    const TExampleIndex back = ReadExampleIndex(index);
    if (!back.Error.isEmpty() || back.Classes.size() != entries.size())
        return fail(index + QStringLiteral(": does not read back as written"));
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (back.Classes[i].Name != entries[i].Name || back.Classes[i].File != entries[i].File)
            return fail(index + QStringLiteral(": does not read back as written"));
    return 0;
}
