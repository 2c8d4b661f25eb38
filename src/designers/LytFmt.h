// TNewLayoutDialog: the paper dialog of the address designer ("新規作成", "用紙の変更"): postcards and
// envelopes of "Lyt.fmt" and the user's own papers of "CstmL.fmt", a preview with the default places of the
// address objects, and the adding and deleting of user papers.
#pragma once

#include "designers/PaperFormats.h"

#include <QDialog>
#include <QImage>

class QButtonGroup;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class TPaintPanel;

class TNewLayoutDialog : public QDialog {
    Q_OBJECT
public:
    explicit TNewLayoutDialog(QWidget *owner);
    // Writes the user papers, whatever the result.
    ~TNewLayoutDialog() override;

    void SetChangeMode(bool change);
    // The open document's paper: selected, and kept as the paper in use.
    void SelectFormatByNumber(int number);
    void SetSenderSide(bool sender);
    bool GetSenderSide() const;
    // The paper is chosen for its message side: the preview shows the bare paper, without the address side's
    // picture and places.
    void SetMessageSide();

    // The choice, read when the result is not Cancel.
    int FormatNumber = 0;
    TPaperFormat Format;
    TFormatCategory Sheet;
    bool NoBarcode = false;
    int BarSize = 0;

    int GetFormatCount() const { return int(Master.Formats.size()); }
    TPaperFormat GetFormatRecord(int index) const;
    // Each paper of the category beginning at record first, once, carrying the index of its first variant.
    void ListCategoryFormats(int first, QListWidget *list) const;
    bool IsCustomNameUsed(const QByteArray &name, int kind) const;
    const TMasterFormats &MasterFormats() const { return Master; }
    const TCustomFormats &CustomFormats() const { return Custom; }

    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
    void LoadMasterFormats();
    void LoadCustomFormats();
    void SaveCustomFormats();
    void ListCustomFormats(int kind, QListWidget *list) const;
    void cbxPaperKindChange();
    void cbxPstCategoryChange();
    void cbxEnvCategoryChange();
    void SelectFormat();
    void rbDirectionClick(QRadioButton *radio);
    void UpdatePreview();
    void pnlCardPaint(QPainter &painter);
    void bbtnCustomClick();
    void bbtnCustomDeleteClick();
    void takeFormat(int number);
    void checkEnvelopeRadios(int direction);
    void recolour();
    bool envelopePage() const;
    QListWidget *shownList() const;
    QComboBox *shownCategory() const;

    TMasterFormats Master;
    TCustomFormats Custom;
    bool HasCustomPostcards = false, HasCustomEnvelopes = false;
    int DocumentNumber = 0;
    bool Guard = false;
    bool MessageSide = false;
    // The preview: the paper's picture at one paper's preview size, the sheet's geometry and the rectangles.
    QImage Picture;
    double Scale = 1;
    QSize PaperSize, Margins, Gaps;
    std::vector<QRect> PreviewRects;

    QComboBox *cbxPaperKind = nullptr, *cbxPstCategory = nullptr, *cbxEnvCategory = nullptr;
    QStackedWidget *pgcPapers = nullptr;
    QWidget *tbsPostCard = nullptr, *tbsEnvelope = nullptr, *pnlPreview = nullptr;
    QListWidget *lbPostcard = nullptr, *lbEnvelope = nullptr;
    QRadioButton *rbPostCardV = nullptr, *rbPostCardH = nullptr, *rbEnvCardV = nullptr, *rbEnvCardH = nullptr,
                 *rbEnvWordV = nullptr, *rbEnvWordH = nullptr, *rbEnvAdrs = nullptr, *rbEnvSender = nullptr;
    QPushButton *bbtnPstAdd = nullptr, *bbtnPstDelete = nullptr, *bbtnEnvAdd = nullptr, *bbtnEnvDelete = nullptr;
    QLabel *lblPostCardSheetSize = nullptr, *lblPostCardSize = nullptr, *lblPostCardNum = nullptr,
           *lblEnvlopeSize = nullptr, *pnlNoBarcode = nullptr;
    TPaintPanel *pnlCard = nullptr;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr;
};

// The dialog while it runs.
inline TNewLayoutDialog *NewLayoutDialog = nullptr;

// The paper picture of file name (in Common/Format/) drawn at size, or a null image when there is none.
QImage LoadPaperPicture(const QByteArray &pictureFile, const QSize &size);

// Helpers of the two paper dialogs: two radio buttons of which one is checked, the number an entry of a paper
// list carries (-1 with none chosen), and a size in 0.1 mm as layout units.
void MakeRadioPair(QWidget *owner, QRadioButton *a, QRadioButton *b);
int ChosenItemValue(const QListWidget *list);
int LayoutUnits(int tenthsMm);
