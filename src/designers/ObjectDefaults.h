// "DrRect.def": the attributes new texts and figures start from, kept between runs and shared by the
// designers. No widgets.
#pragma once

#include <QString>

class TWordRect;
class TFigureRect;

inline constexpr char ObjectDefaultsMagic[] = "Mirzon DefaultSetting";
inline const QString ObjectDefaultsFileName = QStringLiteral("DrRect.def");
inline const QString ObjectDefaultsSaveFailedMessage = QStringLiteral("保存できませんでした  ");

// Reads the two defaults from fileName. A file that cannot be opened, or is absent, gives the text the font
// "ＭＳ Ｐゴシック" 12 points; a foreign or damaged one leaves both as they were (a damaged one is taken whole
// or not at all). The text's colour is black in every case.
void LoadObjectDefaults(const QString &fileName, TWordRect &word, TFigureRect &figure);
// Replaces fileName by the two defaults, whole or not at all; false when the file could not be written, with
// errno saying why.
bool SaveObjectDefaults(const QString &fileName, const TWordRect &word, const TFigureRect &figure);
