// What the object settings dialogs share: the page they remember in "Mirvale18.ini" [DESIGN], the list of
// faces with their character sets, colour swatches with their buttons, and the live preview of the object.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

class QAbstractButton;
class QDialog;
class QFrame;
class QLayout;
class QObject;
class QPushButton;
class QTabWidget;
class QListWidget;
class QPainter;
class QRect;
class QWidget;
class TDrawRect;
class TPaintPanel;

// The page index kept under key of [DESIGN]; a stored index outside 0 .. pageCount - 1 gives the first page.
int LoadDialogPage(const QString &key, int pageCount);
void SaveDialogPage(const QString &key, int page);
// Lays a paged settings dialog out: top above a sunken line and the OK and Cancel buttons; the page remembered
// under pageKey shown; Enter in every control watched by the dialog's event filter; the size fixed to what the
// controls need.
void FinishSettingsDialog(QDialog *dialog, QLayout *top, QTabWidget *pages, const QString &pageKey, QPushButton *&ok,
                          QPushButton *&cancel);

// The scalable Latin and Japanese faces, sorted, without the vertical "@" faces; each entry carries its
// character set (ANSI_CHARSET or SHIFTJIS_CHARSET) as its user data.
void FillFontList(QListWidget *list);
int EntryCharset(const QListWidget *list, int row);
// The row whose text is face exactly, or 0 when there is none.
int FontRow(const QListWidget *list, const QString &face);
// "欧文" for ANSI, "日本語" for Shift-JIS; any other set keeps current.
QString CharsetCaption(int charset, const QString &current);

// Enter presses a push or tool button; in the other controls of the settings dialogs it moves the focus on.
bool PressesOnEnter(const QObject *control);

// A colour swatch (a panel filled with a 0x00BBGGRR colour) and the button beside it that opens the colour
// dialog, with the colour glyph, read as the choice of the colour it names ("枠の色" reads "枠の色の選択").
QFrame *MakeSwatch(const char *name, QWidget *parent);
void SetSwatchColor(QFrame *swatch, int32_t bgr);
int32_t SwatchColor(const QFrame *swatch);
QAbstractButton *MakeColorButton(const char *name, QWidget *parent, const QString &colour);
// The colour dialog over owner starting at the swatch's colour; on OK the swatch takes the choice and true is
// answered. customColors: the sixteen colours of "CstmClr.ini" are offered and written back.
bool ChooseSwatchColor(QWidget *owner, QFrame *swatch, bool customColors);

// A preview panel of 239 x 239 pixels, white with a single border, that draws object() at its top-left and,
// when outline() says so, a grey dotted rectangle on the object's displayed rectangle.
TPaintPanel *MakePreviewPanel(const char *name, QWidget *parent, std::function<TDrawRect &()> object,
                              std::function<bool()> outline);
