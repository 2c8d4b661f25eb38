// TWordEditDialog ("文章の編集"): the text of a free-text object and its writing direction, with the library
// of example sentences (classes, headings, the chosen example) that can be appended to the text or replace
// it. The dialog never touches the object: the designer fills it and reads it back.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSizeGrip;
struct TFont;

class TWordEditDialog : public QDialog {
    Q_OBJECT
public:
    // Reads [WORDEDIT] of "Mirvale18.ini": the example pane shown or hidden and the window size.
    explicit TWordEditDialog(QWidget *owner);
    ~TWordEditDialog() override;

    QStringList GetLines() const;
    void SetLines(const QStringList &lines);
    // 0 vertical, 1 horizontal.
    int GetDirection() const;
    // 0 vertical, 1 horizontal; any other value changes nothing.
    void SetDirection(int direction);
    // The text is edited horizontally, at 11 points, in the object's face (its vertical "@" form dropped).
    void SetEditFont(const TFont &font);

    // Shows or hides the example pane, keeping the height of the text pane while the window grows or shrinks
    // (a window that would pass the work area is kept inside it and the text pane gives way instead).
    void ShowExamples(bool show);
    bool ExamplesShown() const { return FExample == 1; }

    // The library under AppFolder + "Common/".
    void LoadIndex();
    // False, with "例文データがありません", for an index beyond the classes; the headings then stay.
    bool LoadClass(int index);

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    void LoadSettings();
    void SaveSettings();
    void lbClassClick();
    void lbIndexClick();
    void bbtnAppendClick();
    void bbtnRewriteClick();
    void bbtnExampleClick();
    void rbDirectionClick();
    void applyMinimumSize();

    QPlainTextEdit *memWords = nullptr;
    QWidget *pnlWords = nullptr;
    QWidget *pnlBack = nullptr;
    QLabel *lblItem2 = nullptr;
    QRadioButton *rbVertical = nullptr;
    QRadioButton *rbHorizontal = nullptr;
    QWidget *pnlExample = nullptr;
    QLabel *lblItem3 = nullptr;
    QListWidget *lbClass = nullptr;
    QLabel *lblItem4 = nullptr;
    QListWidget *lbIndex = nullptr;
    QLabel *lblItem5 = nullptr;
    QPlainTextEdit *memExample = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *bbtnExample = nullptr;
    QPushButton *bbtnAppend = nullptr;
    QPushButton *bbtnRewrite = nullptr;
    QSizeGrip *pnlGrip = nullptr;

    QStringList FClassFiles;
    QStringList FExamples;
    int FExample = 0;
    bool shown_ = false;
};
