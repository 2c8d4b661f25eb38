// The record form's item copy: the choice of items it keeps in its settings, and the line of comma-separated
// values it puts on the clipboard.
#pragma once

#include "directory/ItemChoice.h"

#include <QString>

#include <array>
#include <vector>

class TMemIniFile;

struct TCopySettings {
    std::vector<TItemChoice> Items;  // CopyItemCount entries in copy order
    bool LastReturn = true;          // end the text with a line break
};

// [DATA INQUIRY] CopyItemIndex, CopyItemCopy and LastReturn; a missing or damaged choice gives every item in
// table order.
TCopySettings LoadCopySettings(const TMemIniFile &ini);
void StoreCopySettings(TMemIniFile &ini, const TCopySettings &settings);

// The chosen items' values (values[n] is item n of CopyItemTable) in copy order, joined with ",", and "\r\n"
// after them when lastReturn is set.
QString BuildCopyText(const std::array<QString, CopyItemCount> &values, const std::vector<TItemChoice> &items,
                      bool lastReturn);

// Puts text on the clipboard as plain text and, for programs that take the 8-bit form, as its Shift-JIS bytes
// (characters without a Shift-JIS form become what the conversion gives in both).
void PutCopyTextOnClipboard(const QString &text);
