// The name-reading pop-up: the written forms of a family or given name for the reading being typed in a
// name edit, shown under that edit without ever taking the focus or the input method from it.
#pragma once

#include "geo/NameReadingLibrary.h"

#include <QColor>
#include <QPointer>
#include <QTimer>
#include <QFrame>

class QLabel;
class QRadioButton;
class QTableWidget;
class QToolButton;

// The Windows virtual-key codes HandleKey reads, as the name edits pass them on.
inline constexpr quint32 VK_RETURN = 0x0D, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_LEFT = 0x25, VK_UP = 0x26,
                         VK_RIGHT = 0x27, VK_DOWN = 0x28;

// How an asking form uses it:
//   UniNameDic = new TUniNameDic(form); UniNameDic->SetHighlightColor(Qt::blue);
//   UniNameDic->SetFolders(AppFolder, AppFolder + "Dic/"); UniNameDic->Prepare();
//   count = CountCandidates(reading, given); when not yet visible: PlaceUnder(edit), SetGivenName(given),
//   SetTag(edit's number); then SetReading(reading), ShowCandidates(count), show().
//   The edit's navigation keys go to HandleKey (Windows virtual-key codes, as the name edits send them).
//   On WM_NAMEDICCHOSEN posted to the form: Tag(), ChosenName(), Reading(), GivenName(), then close().
// It closes itself (and is deleted) on a list failure, on "×", and when the application or the asking form
// is no longer active.
class TUniNameDic : public QFrame {
    Q_OBJECT
public:
    // owner: the asking form; the choice is posted to it.
    explicit TUniNameDic(QWidget *owner);
    ~TUniNameDic() override;

    // The library's folder and the dictionary folder, both with "/".
    void SetFolders(const QString &libraryFolder, const QString &dataFolder);
    // Once, right after creation: loads the library (silently nothing when it or an entry is missing).
    void Prepare();
    // The colour of the checked kind's caption.
    void SetHighlightColor(const QColor &colour);

    // The number of candidates for reading (half-width kana, Shift-JIS); 0 without a library.
    quint32 CountCandidates(const QByteArray &reading, bool givenName) const;
    // Fills the grid with count candidates of the current reading and kind; closes when the library fails.
    void ShowCandidates(quint32 count);
    // Takes a navigation key while a row is selected, or Down/Page Down to start selecting; true when used.
    bool HandleKey(quint32 key);

    // Below the edit's bottom-left corner, and kept there while the edit's window moves.
    void PlaceUnder(QWidget *edit);

    bool GivenName() const { return givenName_; }
    void SetGivenName(bool givenName);
    // The reading looked up (Shift-JIS); after a choice, the chosen form's reading.
    const QByteArray &Reading() const { return reading_; }
    void SetReading(const QByteArray &reading) { reading_ = reading; }
    // The written form chosen (Shift-JIS).
    const QByteArray &ChosenName() const { return chosenName_; }
    // The asking form's number of the edit that asked.
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void RadioButtonClick(QRadioButton *button);
    void rbKindClick(QRadioButton *button);
    void tmrActiveTimer();
    void choose(int row, int column);
    QString cellText(int row, int column) const;
    bool usableCell(int row, int column) const;
    void select(int row, int column);
    // The row moved to by a key, its column the remembered one or the nearest filled one left of it.
    void moveToRow(int row);
    int visibleRows() const;
    void clearGrid();
    void followEdit();

    QTableWidget *sgNameList;
    QLabel *lblKind;
    QRadioButton *rbLineage;
    QRadioButton *rbFirst;
    QToolButton *sbtnClose;
    QTimer tmrActive;

    QPointer<QWidget> owner_;
    QPointer<QWidget> edit_;
    QPointer<QWidget> editWindow_;
    TNameReadingLibrary library_;
    QString libraryFolder_;
    QString dataFolder_;
    QByteArray chosenName_;
    QByteArray reading_;
    int row_ = -1;
    int column_ = 1;
    int rememberedColumn_ = 1;
    bool gridEmpty_ = false;
    int highlightedTag_ = 0;
    bool givenName_ = false;
    QColor highlight_;
    int tag_ = 0;
};

// The one pop-up of the run while it exists.
extern QPointer<TUniNameDic> UniNameDic;
