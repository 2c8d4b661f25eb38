#include "drawing/QRCodeRect.h"

#include "base/SjisCodec.h"
#include "base/Units.h"
#include "drawing/ChangeField.h"
#include "drawing/DesignGlobals.h"
#include "drawing/Graphic.h"

#include <qrencode.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// Modules of light border around the symbol that readers need to find it.
constexpr int QuietZone = 4;
// The side of the smallest symbol, the size of a code with nothing to carry.
constexpr int SmallestSymbol = 21;
// The largest symbol with its quiet zone stays within the paper's reach at the largest stored cell size (the
// settings dialog offers 1 to 5).
constexpr int MaxStoredCellSize = 2 * PaperReach / (177 + 2 * QuietZone);

void appendItem(QByteArray &items, const char *label, const QByteArray &value, bool withComma)
{
    if (!value.isEmpty())
        items += label + EscapeQRField(value, withComma) + ';';
}

void appendLine(QByteArray &lines, const char *label, const QByteArray &value)
{
    if (!value.isEmpty())
        lines += label + value + "\r\n";
}

}  // namespace

TQRCode MakeQRCode(const QByteArray &data, TQRDataMode mode, int cellSize, int resolution)
{
    std::unique_ptr<QRcode, decltype(&QRcode_free)> symbol(nullptr, QRcode_free);
    int side = SmallestSymbol;
    if (!data.isEmpty()) {
        symbol.reset(QRcode_encodeString(data.constData(), 0, QR_ECLEVEL_M,
                                         mode == TQRDataMode::Kanji ? QR_MODE_KANJI : QR_MODE_8, 1));
        if (!symbol)
            return {};
        side = symbol->width;
    }
    const int modules = side + 2 * QuietZone;
    // Module edges are rounded one by one, so the code keeps its physical size at any resolution.
    const auto edge = [&](int module) {
        return LayoutToPixels(static_cast<long double>(module) * cellSize, resolution);
    };
    // The whole side first, before any edge is taken as an int: a cell size can be anything.
    const long double sideLength =
        RoundHalfAway(Rescaled(static_cast<long double>(modules) * cellSize, LayoutDpi, resolution));
    if (sideLength * sideLength > MaxBitmapBytes)
        return {};
    QImage image(edge(modules), edge(modules), QImage::Format_Mono);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    image.fill(0);
    const qsizetype lineBytes = image.bytesPerLine();
    QByteArray line(lineBytes, 0);
    for (int y = 0; symbol && y < side; ++y) {
        line.fill(0);
        for (int x = 0; x < side; ++x) {
            if ((symbol->data[y * side + x] & 1) == 0)
                continue;
            for (int px = edge(x + QuietZone); px < edge(x + QuietZone + 1); ++px)
                line[px >> 3] = static_cast<char>(line[px >> 3] | (0x80 >> (px & 7)));
        }
        for (int py = edge(y + QuietZone); py < edge(y + QuietZone + 1); ++py)
            std::memcpy(image.scanLine(py), line.constData(), static_cast<size_t>(lineBytes));
    }
    const int dotsPerMetre = RoundToInt(resolution / 0.0254L);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    return {image, modules};
}

QByteArray EscapeQRField(const QByteArray &text, bool withComma)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        // A trail byte may be 0x5C, which is no backslash: escaping it would break the character.
        if (Sjis::isLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
            out += c;
            out += text[++i];
            continue;
        }
        if (c == '\\' || c == ':' || c == ';' || (withComma && c == ','))
            out += '\\';
        out += c;
    }
    return out;
}

// ---- TQRCodeRect ----

void TQRCodeRect::Assign(const TDrawRect &source)
{
    TDrawRect::Assign(source);
    if (const auto *qr = dynamic_cast<const TQRCodeRect *>(&source)) {
        CellSize_ = qr->CellSize_;
        ForeColor_ = qr->ForeColor_;
        BackColor_ = qr->BackColor_;
        Kind_ = qr->Kind_;
        Text_ = qr->Text_;
        Name_ = qr->Name_;
        NameKana_ = qr->NameKana_;
        Tel_ = qr->Tel_;
        Mail_ = qr->Mail_;
        Note_ = qr->Note_;
        MailTo_ = qr->MailTo_;
        Subject_ = qr->Subject_;
        Body_ = qr->Body_;
    }
    ClearImage();
    ImageValid_ = 0;
}

void TQRCodeRect::Draw(TCanvas &canvas, int dx, int dy)
{
    Prepare(canvas.Target(), false);
    if (!Image.isNull())
        canvas.StretchDIBits({DispRect.Left + dx, DispRect.Top + dy, DispRect.Right + dx, DispRect.Bottom + dy}, Image);
}

void TQRCodeRect::Print(TCanvas &canvas, int dx, int dy)
{
    if (Image.isNull())
        return;
    const int left = PrintRect_.Left + dx;
    const int top = PrintRect_.Top + dy;
    canvas.StretchDIBits({left, top, left + Image.width(), top + Image.height()}, Image);
}

void TQRCodeRect::CalcPrintRect(const TRenderTarget &target, QPoint offset, bool keepMargins)
{
    Printing = 1;
    Prepare(target, true);
    // After the code, which sizes an object that was never drawn.
    TDrawRect::CalcPrintRect(target, offset, keepMargins);
}

void TQRCodeRect::Prepare(const TRenderTarget &target, bool force)
{
    if (force || ImageValid_ == 0)
        MakeImage(target);
}

void TQRCodeRect::Refresh()
{
    Printing = 0;
    Prepare(TRenderTarget{}, true);  // made for the screen, whatever the printer
}

void TQRCodeRect::MakeImage(const TRenderTarget &printer)
{
    ClearImage();
    const int resolution = Printing != 0 && printer.Installed ? printer.LogPixelsY : LayoutDpi;
    const QByteArray data = EncodedText();
    TQRCode code = MakeQRCode(data, TQRDataMode::Kanji, CellSize_, resolution);
    if (!code.Image.isNull()) {
        if (!data.isEmpty() && Turned_ != 0)
            code.Image = code.Image.mirrored(true, true);
        const QColor back = ColorFromBgr(static_cast<int32_t>(BackColor_));
        const QColor fore = data.isEmpty() ? back : ColorFromBgr(static_cast<int32_t>(ForeColor_));
        code.Image.setColorTable({back.rgb(), fore.rgb()});
        Image = code.Image;
    }
    // Every module is cell size layout units; data no code can hold leaves the size as it was.
    const int side = code.Modules != 0 ? code.Modules * CellSize_ : Rect.Width();
    TRect r{Rect.Left, Rect.Top, Rect.Left + side, Rect.Top + (code.Modules != 0 ? side : Rect.Height())};
    if (Rect.Width() != 0 && Rect.Height() != 0) {
        const int dx = (Rect.Width() - r.Width()) / 2;
        const int dy = (Rect.Height() - r.Height()) / 2;
        r = {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
    }
    SetSizedRect(r);
    ImageValid_ = 1;
}

QByteArray TQRCodeRect::EncodedText() const
{
    switch (Kind_) {
    case PlainText:
        return Text_;
    case MeCard: {
        QByteArray items;
        appendItem(items, "N:", Name_, true);
        appendItem(items, "SOUND:", NameKana_, true);
        appendItem(items, "TEL:", Tel_[0], false);
        appendItem(items, "TEL:", Tel_[1], false);
        appendItem(items, "EMAIL:", Mail_[0], false);
        appendItem(items, "EMAIL:", Mail_[1], false);
        appendItem(items, "NOTE:", Note_, false);
        return items.isEmpty() ? QByteArray() : "MECARD:" + items + ';';
    }
    case Memory: {
        QByteArray lines;
        appendLine(lines, "NAME1:", Name_);
        appendLine(lines, "NAME2:", NameKana_);
        appendLine(lines, "TEL1:", Tel_[0]);
        appendLine(lines, Tel_[0].isEmpty() ? "TEL1:" : "TEL2:", Tel_[1]);
        appendLine(lines, "MAIL1:", Mail_[0]);
        appendLine(lines, Mail_[0].isEmpty() ? "MAIL1:" : "MAIL2:", Mail_[1]);
        return lines.isEmpty() ? QByteArray() : "MEMORY:" + Note_ + "\r\n" + lines;
    }
    case MatMsg: {
        QByteArray items;
        appendItem(items, "TO:", MailTo_, false);
        appendItem(items, "SUB:", Subject_, false);
        appendItem(items, "BODY:", Body_, false);
        return items.isEmpty() ? QByteArray() : "MATMSG:" + items + ';';
    }
    case MailTo: {
        if (MailTo_.isEmpty())
            return {};
        QByteArray lines;
        appendLine(lines, "MAILTO:", MailTo_);
        appendLine(lines, "BODY:", Body_);
        appendLine(lines, "SUBJECT:", Subject_);
        return lines;
    }
    default:
        return {};
    }
}

void TQRCodeRect::setField(QByteArray &field, const QByteArray &value, std::initializer_list<uint8_t> kinds)
{
    if (ChangeField(field, value) && std::find(kinds.begin(), kinds.end(), Kind_) != kinds.end())
        ImageValid_ = 0;
}

void TQRCodeRect::SetKind(uint8_t kind)
{
    if (ChangeField(Kind_, kind))
        ImageValid_ = 0;
}

void TQRCodeRect::SetCellSize(int size)
{
    if (ChangeField(CellSize_, size))
        ImageValid_ = 0;
}

void TQRCodeRect::SetForeColor(uint32_t colour)
{
    if (ChangeField(ForeColor_, colour))
        ImageValid_ = 0;
}

void TQRCodeRect::SetBackColor(uint32_t colour)
{
    if (ChangeField(BackColor_, colour))
        ImageValid_ = 0;
}

void TQRCodeRect::SetConvertImage(uint8_t turned)
{
    if (ChangeField(Turned_, turned))
        ImageValid_ = 0;
}

void TQRCodeRect::SetText(const QByteArray &text) { setField(Text_, text, {PlainText}); }
void TQRCodeRect::SetName(const QByteArray &name) { setField(Name_, name, {MeCard, Memory}); }
void TQRCodeRect::SetNameKana(const QByteArray &reading) { setField(NameKana_, reading, {MeCard, Memory}); }
void TQRCodeRect::SetTel(int index, const QByteArray &tel) { setField(Tel_[index], tel, {MeCard, Memory}); }
void TQRCodeRect::SetMail(int index, const QByteArray &mail) { setField(Mail_[index], mail, {MeCard, Memory}); }
void TQRCodeRect::SetNote(const QByteArray &note) { setField(Note_, note, {MeCard, Memory}); }
void TQRCodeRect::SetMailTo(const QByteArray &mailTo) { setField(MailTo_, mailTo, {MatMsg, MailTo}); }
void TQRCodeRect::SetSubject(const QByteArray &subject) { setField(Subject_, subject, {MatMsg, MailTo}); }
void TQRCodeRect::SetBody(const QByteArray &body) { setField(Body_, body, {MatMsg, MailTo}); }

void TQRCodeRect::LoadFromStream(TObjectStream &stream)
{
    const TStoredBase base = ReadStoredBase(stream);
    const int cellSize = CheckedStreamValue(stream.Read<int32_t>(), 0, MaxStoredCellSize);
    const uint32_t foreColor = stream.Read<uint32_t>();
    const uint32_t backColor = stream.Read<uint32_t>();
    const uint8_t kind = stream.Read<uint8_t>();
    const std::array fields{&Text_, &Name_, &NameKana_, &Tel_[0], &Tel_[1], &Mail_[0], &Mail_[1], &Note_, &MailTo_,
                            &Subject_, &Body_};
    std::array<QByteArray, fields.size()> texts;
    for (QByteArray &text : texts)
        ReadScrambledString(stream, text);
    const uint8_t turned = StreamVersion > 300 ? stream.Read<uint8_t>() : 0;
    // The stored rectangle is the code's own size.
    KeepRect = 1;
    ApplyStoredBase(base);
    CellSize_ = cellSize;
    ForeColor_ = foreColor;
    BackColor_ = backColor;
    Kind_ = kind;
    for (size_t i = 0; i < fields.size(); ++i)
        *fields[i] = texts[i];
    Turned_ = turned;
    ClearImage();
    ImageValid_ = 0;
}

void TQRCodeRect::SaveToStream(TObjectStream &stream) const
{
    TDrawRect::SaveToStream(stream);
    stream.Write<int32_t>(CellSize_);
    stream.Write<uint32_t>(ForeColor_);
    stream.Write<uint32_t>(BackColor_);
    stream.Write<uint8_t>(Kind_);
    for (const QByteArray *field : {&Text_, &Name_, &NameKana_, &Tel_[0], &Tel_[1], &Mail_[0], &Mail_[1], &Note_,
                                    &MailTo_, &Subject_, &Body_})
        WriteScrambledString(*field, stream);
    stream.Write<uint8_t>(Turned_);
}
