// TIllustSettingDialog ("イラストの表示設定"): an illustration's picture mirrored and turned, shown as it is,
// cut out by a mask shape (the cut-out dragged and sized on the preview) or with one colour transparent, and
// its frame and background. It works on a copy of the object, drawn live at a chosen scale; the designer
// copies the copy back unless the user cancels.
#pragma once

#include "drawing/IllustRect.h"
#include "drawing/Rect.h"

#include <QDialog>
#include <QImage>
#include <QPoint>

#include <array>
#include <memory>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabWidget;
class QToolButton;
class QWidget;

// The preview's displayed rectangle of dw x dh centred in a box of the given client size less its 4-pixel
// border (at the top-left when larger), and the size of the paint box that lets the box scroll to all of it.
struct TPreviewPlace {
    TRect Picture;
    QSize PaintBox;
};
TPreviewPlace PlacePreview(QSize box, int dw, int dh);

// One step of a cut-out drag: the cut-out before, the edges held (horizontal 0 left, 1 right, else none;
// vertical 2 top, 3 bottom, else none; exchanged when the cut-out turns over), the last and the current mouse
// point, a move (the whole cut-out) or a sizing, and Shift (the proportions kept). Answers the new cut-out.
TRect DragCutOut(const TRect &before, uint8_t &edgeH, uint8_t &edgeV, bool move, QPoint last, QPoint mouse,
                 bool keepProportions);
// A cut-out dropped wholly beside the picture's displayed rectangle is brought back to its edge; one that
// overlaps it stays.
TRect BringCutOutBack(const TRect &cut, const TRect &picture);
// The mask chosen by an arrow key in the list of count shapes standing in columns of two (Left/Right two
// back or on, Up/Down one), or index itself when the key leads nowhere.
int MaskIndexAfterKey(int index, int count, int key);

class TIllustSettingDialog : public QDialog {
    Q_OBJECT
public:
    // Opens on the page and scale of [DESIGN] IllustSet and IllustSetRatio of "Mirvale18.ini".
    explicit TIllustSettingDialog(QWidget *owner);
    ~TIllustSettingDialog() override;

    // A copy of object becomes the preview; object itself is not changed.
    void SetIllustRect(const TIllustRect &object);
    // What the designer copies back on OK.
    const TIllustRect &Preview() const { return *FPreview; }
    int MaskIndex() const { return FMaskIndex; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class TPaintBox;
    void buildOrientationPage();
    void buildMaskPage();
    void buildFramePage();
    void BuildMaskList();
    void LoadSettings();
    void SaveSettings();
    void sbtnRatioClick(int tag);
    void centrePreview();
    void bbtnReverseClick();
    void bbtnRotateClick();
    void rbImageViewClick();
    void ckbFrameClick();
    void ckbBackClick();
    void FrameViewClick();
    void FrameColorClick(int tag);
    void chooseMask(int index);
    void paintPreview(QPainter &painter);
    void paintMaskBox(QPainter &painter, int index);
    void previewMouse(QEvent *event);
    void DrawMaskHandles(QPainter &painter);
    void recolour();
    void setSwatch(QFrame *swatch, int32_t bgr);
    int32_t swatchColour(const QFrame *swatch) const;

    QTabWidget *pgcSetting = nullptr;
    QWidget *TabSheet1 = nullptr, *tbsMask = nullptr, *tbsFrameRect = nullptr;
    // Per page: "全体", "ｘ１", "ｘ２".
    std::array<std::array<QToolButton *, 3>, 3> scaleButtons{};
    QScrollArea *sbxPreview = nullptr;
    TPaintBox *pbxPreview = nullptr;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr;
    QGroupBox *gbxReverse = nullptr, *gbxRotate = nullptr;
    QRadioButton *rbVert = nullptr, *rbHorz = nullptr, *rbL90 = nullptr, *rbR90 = nullptr, *rb180 = nullptr;
    QPushButton *bbtnReverse = nullptr, *bbtnRotate = nullptr;
    QGroupBox *gbxMask = nullptr;
    QRadioButton *rbNone = nullptr, *rbMask = nullptr, *rbTransparent = nullptr;
    QScrollArea *sbxMask = nullptr;
    QWidget *maskList_ = nullptr;
    QLabel *lblMaskInfo = nullptr, *lblItem1 = nullptr, *lblInfo = nullptr;
    QFrame *pnlTransparentColor = nullptr;
    QCheckBox *ckbFrame = nullptr, *ckbBack = nullptr;
    QGroupBox *gbxFrame = nullptr, *gbxBack = nullptr;
    QLabel *lblItem2 = nullptr, *lblItem3 = nullptr, *lblItem4 = nullptr, *lblItem5 = nullptr, *lblItem6 = nullptr;
    QComboBox *cbxLineCount = nullptr, *cbxCorner = nullptr, *cbxLineWidth = nullptr;
    QFrame *pnlFrameColor = nullptr, *pnlBackColor = nullptr;
    QPushButton *bbtnFrameColor = nullptr, *bbtnBackColor = nullptr;

    std::unique_ptr<TIllustRect> FPreview;
    std::vector<QImage> FMaskImages;
    std::vector<TPaintBox *> FMaskBoxes;
    int FMaskIndex = 0;
    QPoint FDragStart;
    uint8_t FEdgeH = EdgeCode::None;
    uint8_t FEdgeV = EdgeCode::None;
    uint8_t FDragging = 0;
    int ratio_ = 0;
};
