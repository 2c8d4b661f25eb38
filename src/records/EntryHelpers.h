// Helpers the record entry windows share: the colour of input controls and the colour dialog of the symbol
// colour.
#pragma once

#include <QColor>

#include <array>
#include <cstdint>

class QIcon;
class QWidget;
class TUniComboBox;

// The record windows' button glyphs by name ("LEFT", "PRINTER", "TELSCH", …); the sender list shares them.
QIcon EntryGlyph(const char *name);

// An edit or combo box painted with the window colour while it takes input, with the button face otherwise.
void SetInputColour(QWidget *control, bool enabled);

// The sixteen custom colours every colour dialog offers, kept in "CstmClr.ini" [COMMON] "0".."15" as six
// hexadecimal digits (default "000000"). Saving throws EIniFileError.
std::array<QColor, 16> LoadCustomColors();
void SaveCustomColors(const std::array<QColor, 16> &colors);

// The colour dialog ("ColorDialog") over owner, fully expanded, starting at bgr and offering the custom colours of
// "CstmClr.ini". On OK bgr becomes the chosen colour, the custom colours are written back (a failed write is
// shown) and the result is true; on cancel nothing changes. Without customColors the dialog offers empty
// (black) custom colours and the file is neither read nor written.
bool ChooseColor(QWidget *owner, int32_t &bgr, bool customColors = true);

// Fills main with "指定なし" and the main categories, selecting mainCode (the first item when there is none);
// sub is emptied and disabled.
void FillMainCategories(TUniComboBox *main, TUniComboBox *sub, int mainCode);
// Fills sub with the sub categories of mainCode (each numbered within its main category) and selects subCode.
// False when mainCode has no sub category subCode: the caller then falls back to no category.
bool FillSubCategories(TUniComboBox *sub, int mainCode, int subCode);
