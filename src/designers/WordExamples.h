// The example sentences of the text entry dialog: the index "Common/Text/Index.rbf" (one class a line: the
// class name and its example file, relative to "Common/") and the example files (a count, then each example
// as a line count and its lines), Shift-JIS with CR LF. Read for the dialog, written by the build.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The fields of an index line by the comma-text rule: blanks (codes 1 to 32) around fields are skipped, a
// field in double quotes keeps its blanks and commas ("" stands for one quote), any other field ends at a
// comma or a blank; a comma as the line's last character adds an empty field. Double-byte Shift-JIS
// characters are taken whole. A zero byte ends the line.
QList<QByteArray> SplitCommaText(const QByteArray &line);

struct TExampleClass {
    QString Name;
    // As the index names it, "\" separators and all.
    QString File;
};

struct TExampleIndex {
    QList<TExampleClass> Classes;
    // Set when the reading stopped at a line it could not take (the classes before it are kept).
    QString Error;
};

// The classes of the index file, up to its end or its first empty line. A line with fewer than two fields
// stops the reading with an error.
TExampleIndex ReadExampleIndex(const QString &indexFile);

// The example file a class names, inside commonFolder; empty when the name leads outside it (an absolute
// path, or ".." past the folder).
QString ExampleClassPath(const QString &commonFolder, const QString &file);

struct TExampleClassData {
    // Each example's lines joined by CR LF; its first line is its heading.
    QStringList Examples;
    QString Error;
};

// The examples of a class file. A count that is not a decimal number, a line count below 1, more examples or
// lines than the file holds, or a file that cannot be opened stop the reading with an error; the examples
// read before are kept.
TExampleClassData ReadExampleClass(const QString &file);

// The bytes of an example file and of an index, for the build that writes the shipped library. Each example
// is its lines joined by CR LF; class names and file names are quoted when they need it.
QByteArray ExampleClassBytes(const QStringList &examples);
QByteArray ExampleIndexBytes(const QList<TExampleClass> &classes);
