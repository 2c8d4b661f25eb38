// The program-wide values the designers set and the drawing objects read: the stream version being read,
// the paper scale, the font-size list and the list of mask shape files.
#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The object-stream version being read; document readers set it before loading objects, paste sets it to
// CurrentStreamVersion.
extern int StreamVersion;
// The object-stream version written into documents and copies.
inline constexpr int CurrentStreamVersion = 600;
// The larger side of the paper in 0.1 mm (label designer: that halved, times three); text objects scale
// their heights by PaperScale / 1480.
extern int PaperScale;
// 0, then the point sizes offered by the size lists of the object settings dialogs.
inline constexpr std::array<int, 28> FontSizeList{0,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                                                  20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 36, 48, 72};

// Entry i is the file of mask number i; the list exists from the first call until FreeMaskFileList.
void AddMaskFileName(const QString &fileName);
void FreeMaskFileList();
// The list, or null while it does not exist (then there are no masks).
const QStringList *MaskFileList();
