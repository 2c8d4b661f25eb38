// A panel that shows a bitmap inside its bevels and border and still draws its caption and calls its paint
// handler: the preview and card panels of the designers, their paper and object dialogs and list printing.
#pragma once

#include <QFrame>
#include <QImage>

#include <functional>

class TPaintPanel : public QFrame {
public:
    enum class TBevel { None, Lowered, Raised };

    explicit TPaintPanel(QWidget *parent = nullptr);

    // The bitmap shown; a null image when there is none.
    const QImage &Image() const { return Image_; }
    // Copies image (a null image frees the bitmap) and repaints; with AutoSize, a bitmap sizes the panel.
    void SetImage(const QImage &image);
    // The middle of a larger bitmap instead of its top-left corner.
    bool Center() const { return Center_; }
    void SetCenter(bool center);

    // Called after the bitmap is drawn, with the painter of the panel and the area inside the bevels and
    // border; the handler draws there.
    std::function<void(TPaintPanel &panel, QPainter &painter, const QRect &inner)> OnPaint;

    TBevel BevelOuter() const { return BevelOuter_; }
    void SetBevelOuter(TBevel bevel);
    TBevel BevelInner() const { return BevelInner_; }
    void SetBevelInner(TBevel bevel);
    int BevelWidth() const { return BevelWidth_; }
    void SetBevelWidth(int width);
    int BorderWidth() const { return BorderWidth_; }
    void SetBorderWidth(int width);
    QString Caption() const { return Caption_; }
    void SetCaption(const QString &caption);
    // Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter.
    Qt::Alignment Alignment() const { return Alignment_; }
    void SetAlignment(Qt::Alignment alignment);
    QColor Color() const;
    void SetColor(const QColor &colour);
    bool AutoSize() const { return AutoSize_; }
    void SetAutoSize(bool autoSize);

    // The area inside the bevels and the border.
    QRect InnerRect() const;
    // With a bitmap, the size that shows all of it.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The sum of the bevels and the border on each side.
    int FrameSize() const;
    void FitToImage();
    // Sets field and repaints when value differs.
    template <class T> void change(T &field, const T &value);

    QImage Image_;
    bool Center_ = false;
    TBevel BevelOuter_ = TBevel::Raised;
    TBevel BevelInner_ = TBevel::None;
    int BevelWidth_ = 1;
    int BorderWidth_ = 0;
    QString Caption_;
    Qt::Alignment Alignment_ = Qt::AlignHCenter;
    bool AutoSize_ = false;
};
