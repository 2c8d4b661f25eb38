// Helpers every window shares: placing windows, design units, rounding, deleting and choosing folders.
#pragma once

// The windows use the layouts' numbers and colours with these helpers.
#include "base/Numbers.h"

#include <QColor>
#include <QString>

#include <cstdint>
#include <initializer_list>

class QAbstractButton;
class QEvent;
class QHBoxLayout;
class QPushButton;
class QFileDialog;
class QWidget;

// Centres form over its owner (or in the work area without one), kept inside the work area.
void CenterFormOnOwner(QWidget *form, QWidget *owner);
// Places form, each time it is shown, 15 pixels right of and below owner's top-left corner, moved back inside
// the work area where it would stick out. Placed as it is shown, when its size is settled: placed with the size
// it had before, it would stick out by the difference.
void PlaceBelowOwnerCorner(QWidget *form, QWidget *owner);

// Converts between 96-dpi design units and screen pixels, rounding to nearest.
int ScaleByDpi(int value, bool toScreen);
int ScaleByDpi(int value, bool toScreen, double ppi);

// Deletes folder with everything below it, never through a link. True only when nothing is left of it.
bool DeleteFolderTree(const QString &folder, bool keepFiles = false);

// The desktop's folder chooser. folder is the start folder in and the chosen folder (with "/") out; without one
// (nor the program's folder asked for) it starts in the user's home folder.
bool BrowseForFolder(QString &folder, QWidget *owner, const QString &title, bool allowNewFolder,
                     bool startInProgramFolder);

// Widens the file list's columns to their texts each time a folder is listed, and the dialog with them as far
// as the screen allows, so no name, size, type or date is cut.
void ShowFileColumnsWhole(QFileDialog &dialog);

// Qt's own file dialog leaves its place and file-type boxes apart from the captions beside them, so a screen
// reader reads each by its current item: the captions are made theirs.
void NameFileDialogBoxes(QFileDialog &dialog);

// Runs a file dialog, its columns shown whole and its boxes named, by ExecDialog (platform/Forms.h). The first
// chosen file; empty when the dialog was cancelled or refused.
QString ChooseFile(QFileDialog &dialog);

// A right-aligned row of a dialog's closing buttons, in the order given, for the dialog's layout.
QHBoxLayout *MakeButtonRow(std::initializer_list<QWidget *> buttons);

// The buttons a dialog ends with, "OK" and "キャンセル", named btnOk and btnCancel, in a right-aligned row
// for the dialog's layout.
QHBoxLayout *MakeOkCancelButtons(QWidget *dialog, QPushButton *&btnOk, QPushButton *&btnCancel);

// A press of Return or of the keypad's Enter: the key the dialogs use to move on to the next control.
bool IsEnterKey(const QEvent *event);

// The caption of a chosen radio button or a ticked check box is blue, any other is drawn as usual.
void SetCaptionColour(QAbstractButton *button, bool chosen);

// Gives a field of keyword number keyword (0-7) the input-method mode the user chose for that keyword
// (KeywordModes), wherever the keyword is typed: the record form, the batch change and the filter.
void SetKeywordImeMode(QWidget *field, int keyword);
