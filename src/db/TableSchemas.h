// The program's tables: their fields and indexes, and the files each table is kept in.
#pragma once

#include "db/Table.h"

#include <QStringList>

// The password every table file is protected with.
inline const QByteArray TablePassword = QByteArrayLiteral("wendraq63");

const TTableSchema &AdrsTableSchema();
const TTableSchema &SenderTableSchema();
const TTableSchema &CategoryTableSchema();
const TTableSchema &TargetTableSchema();     // "Target.DB" and "Exception.DB"
const TTableSchema &OriginalTableSchema();
const TTableSchema &OxaCatmTableSchema();
const TTableSchema &OxaCatsTableSchema();

// The files of each table, first the table file itself: what start-up, backup, restore and maintenance copy.
// The engine keeps a whole table (rows, indexes, memo texts) in its one encrypted file.
inline const QStringList AdrsTableFiles = {QStringLiteral("Adrs.DB")};
inline const QStringList SenderTableFiles = {QStringLiteral("Sender.DB")};
inline const QStringList CategoryTableFiles = {QStringLiteral("Category.DB")};
inline const QStringList TargetTableFiles = {QStringLiteral("Target.DB")};
inline const QStringList ExceptionTableFiles = {QStringLiteral("Exception.DB")};
inline const QStringList OriginalTableFiles = {QStringLiteral("Original.DB")};
inline const QStringList OxaCatmTableFiles = {QStringLiteral("OxaCatm.DB")};
inline const QStringList OxaCatsTableFiles = {QStringLiteral("OxaCats.DB")};
