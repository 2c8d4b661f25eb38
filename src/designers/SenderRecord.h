// One row of "Sender.DB" as a value, its reading and writing, and the table steps the sender list takes:
// the first row of an empty table, a new row's title, emptying the only row. No widgets.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

class TTable;

struct TSenderRecord {
    int32_t RecNo = 0;
    QByteArray Title, Name, Tel, Fax, Pos, Tdfkn, Adrs1, Adrs2, Adrs3;  // Shift-JIS; Name in the "@" escape
    int32_t SelectInfo = 0;  // 1 print the joint names, 2 the company, 0 neither
    std::array<QByteArray, 5> Joint, Note;
    bool NamePrint = true;
    std::array<bool, 5> JointPrint{true, true, true, true, true};
    QByteArray Corp, Dptmnt, Post;
    std::array<QByteArray, 4> Head, Addition;
    std::array<bool, 4> AdditionPrint{};
    bool operator==(const TSenderRecord &) const = default;
};

// The fields of the current row.
TSenderRecord ReadSenderRecord(TTable &table);
// The size "Sender.DB" gives a text field, in bytes.
int SenderFieldSize(const QString &field);
// The fields whose value is longer than the table keeps, in field order; empty when the record fits.
QStringList OverlongSenderFields(const TSenderRecord &record);
// Writes the record into the row being edited or appended. A value longer than its field throws
// EDatabaseError before anything is written, so nothing is ever cut to fit.
void WriteSenderRecord(TTable &table, const TSenderRecord &record);

// A new sender: "差出人" and a number, the row count plus the smallest k from 0 whose title no row carries
// ("差出人1" for an empty table).
QByteArray NewSenderTitle(TTable &table);
// The fresh row a new sender starts from: its number and title, every name printed.
TSenderRecord NewSenderRecord(int32_t recNo, const QByteArray &title);
// The 1-based place of the row numbered recNo in the table's order, 0 when there is none.
int SenderRowPosition(TTable &table, int32_t recNo);

