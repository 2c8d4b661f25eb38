// The QR-code object of the designers: the contents of one code of five kinds (a text, a phone-book entry in
// the MECARD or MEMORY form, a mail in the MATMSG or MAILTO form), the text they encode, and the code drawn
// at the resolution of the screen or the printer.
#pragma once

#include "drawing/SelfSizedRect.h"

#include <QByteArray>
#include <QImage>

#include <array>

// How Shift-JIS data goes into the code: double-byte characters as Kanji-mode pairs, or every byte that is
// not a digit or capital as 8-bit data. Either way a reader gets the Shift-JIS bytes back.
enum class TQRDataMode { Byte, Kanji };

// A code made from data: a 1-bit image whose dark modules have index 1, each module cellSize / 96 inch at
// resolution dots per inch, the quiet zone included; Modules is its side in modules. Empty data gives the
// blank image of the smallest code; data too long for any code, or a code whose image would exceed
// MaxBitmapBytes pixels, gives a null image and 0.
struct TQRCode {
    QImage Image;
    int Modules = 0;
};
TQRCode MakeQRCode(const QByteArray &data, TQRDataMode mode, int cellSize, int resolution);

// A field of the MECARD and MATMSG forms: "\", ":", ";" and, withComma, "," escaped by a "\" before them.
QByteArray EscapeQRField(const QByteArray &text, bool withComma);

class TQRCodeRect : public TSelfSizedRect {
public:
    // Content kinds.
    static constexpr uint8_t PlainText = 0;
    static constexpr uint8_t MeCard = 1;
    static constexpr uint8_t Memory = 2;
    static constexpr uint8_t MatMsg = 3;
    static constexpr uint8_t MailTo = 4;

    void Assign(const TDrawRect &source) override;
    uint8_t GetKind() const override { return ObjectKind::QRCode; }
    void Draw(TCanvas &canvas, int dx, int dy) override;
    void Print(TCanvas &canvas, int dx, int dy) override;
    // The print placement also makes the code again at the printer's resolution, until Refresh.
    void CalcPrintRect(const TRenderTarget &target, QPoint offset, bool keepMargins) override;
    void Prepare(const TRenderTarget &target, bool force) override;
    void LoadFromStream(TObjectStream &stream) override;
    void SaveToStream(TObjectStream &stream) const override;

    // Back to the screen's resolution after printing.
    void Refresh();
    void ClearImage() { Image = QImage(); }

    // The text the code carries, Shift-JIS, by the rules of the kind.
    QByteArray EncodedText() const;

    // Setters drop the image when the value changes and the kind uses it.
    void SetKind(uint8_t kind);
    void SetCellSize(int size);
    void SetForeColor(uint32_t colour);
    void SetBackColor(uint32_t colour);
    void SetText(const QByteArray &text);
    void SetName(const QByteArray &name);
    void SetNameKana(const QByteArray &reading);
    void SetTel(int index, const QByteArray &tel);
    void SetMail(int index, const QByteArray &mail);
    void SetNote(const QByteArray &note);
    void SetMailTo(const QByteArray &mailTo);
    void SetSubject(const QByteArray &subject);
    void SetBody(const QByteArray &body);
    // 1: the code is made turned by half a turn, for turned printing.
    void SetConvertImage(uint8_t turned);

    uint8_t Kind() const { return Kind_; }
    int CellSize() const { return CellSize_; }
    uint32_t ForeColor() const { return ForeColor_; }
    uint32_t BackColor() const { return BackColor_; }
    const QByteArray &Text() const { return Text_; }
    const QByteArray &Name() const { return Name_; }
    const QByteArray &NameKana() const { return NameKana_; }
    const QByteArray &GetTel(int index) const { return Tel_[index]; }
    const QByteArray &GetMail(int index) const { return Mail_[index]; }
    const QByteArray &Note() const { return Note_; }
    const QByteArray &GetMailTo() const { return MailTo_; }
    const QByteArray &Subject() const { return Subject_; }
    const QByteArray &Body() const { return Body_; }
    uint8_t Turned() const { return Turned_; }
    const QImage &GetImage() const { return Image; }
    bool ImageValid() const { return ImageValid_ == 1; }

protected:
    QSize OwnSize() const override { return {Rect.Width(), Rect.Height()}; }

private:
    void MakeImage(const TRenderTarget &target);
    // Stores value and drops the image when it changed and the kind is one of kinds.
    void setField(QByteArray &field, const QByteArray &value, std::initializer_list<uint8_t> kinds);

    uint8_t ImageValid_ = 0;
    QImage Image;
    uint8_t Kind_ = PlainText;
    int CellSize_ = 3;
    uint32_t ForeColor_ = 0;
    uint32_t BackColor_ = 0xFFFFFF;
    QByteArray Text_;
    QByteArray Name_;
    QByteArray NameKana_;
    std::array<QByteArray, 2> Tel_;
    std::array<QByteArray, 2> Mail_;
    QByteArray Subject_;
    QByteArray Body_;
    QByteArray Note_;
    QByteArray MailTo_;
    uint8_t Printing = 0;
    uint8_t Turned_ = 0;
};
