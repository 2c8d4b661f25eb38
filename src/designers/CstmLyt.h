// TCustomLayoutFormatDialog: a user's own postcard or envelope ("カスタム用紙の作成"), made from a paper of
// the master list by name and size; the default places of the address objects follow the new size.
#pragma once

#include "designers/PaperFormats.h"

#include <QDialog>
#include <QImage>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class TNewLayoutDialog;
class TPaintPanel;

class TCustomLayoutFormatDialog : public QDialog {
    Q_OBJECT
public:
    // papers: the open paper dialog, whose master list the base papers come from.
    TCustomLayoutFormatDialog(const TNewLayoutDialog &papers, QWidget *owner);
    ~TCustomLayoutFormatDialog() override;

    void SetBaseFormat(int index);
    void SetCustomFormat(const TCustomPaperRecord &record);
    // The new paper; the caller gives it its id.
    void GetCustomFormat(TCustomPaperRecord &record) const;

    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void LoadFormat();
    void UpdatePreview();
    void pnlCardPaint(QPainter &painter);
    void SelectFormat();
    void cbxEnvCategoryChange();
    void ApplyPaperSize();
    void step(QLineEdit *edit, int delta);
    void sizeExit(QLineEdit *edit);
    int &position(QLineEdit *edit) { return edit == edPaperWidth ? WidthPosition : HeightPosition; }
    void recolour();

    const TNewLayoutDialog &Papers;
    TPaperFormat Working;
    int BaseIndex = 0;
    int WidthPosition = MinCustomPaperSize, HeightPosition = MinCustomPaperSize;
    bool NoBarcode = false;
    bool Guard = false;
    QImage Picture;
    std::vector<QRect> PreviewRects;

    QLineEdit *edName = nullptr, *edPaperWidth = nullptr, *edPaperHeight = nullptr;
    QGroupBox *gbxSrcPaper = nullptr;
    QStackedWidget *pgcPapers = nullptr;
    QWidget *tbsPostCard = nullptr, *tbsEnvelope = nullptr, *pnlPreview = nullptr;
    QListWidget *lbPostCard = nullptr, *lbEnvelope = nullptr;
    QComboBox *cbxEnvCategory = nullptr;
    QRadioButton *rbPostCardV = nullptr, *rbPostCardH = nullptr, *rbEnvCardV = nullptr, *rbEnvCardH = nullptr,
                 *rbEnvWordV = nullptr, *rbEnvWordH = nullptr;
    TPaintPanel *pnlCard = nullptr;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr;
};
