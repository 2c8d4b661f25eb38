#include "drawing/ExtTextOutUnicode.h"

#include "base/SjisCodec.h"

#include <cmath>
#include <numbers>

bool ExtTextOutUnicode(TCanvas &dc, int x, int y, unsigned options, const TRect *rect, const QChar *text, int count,
                       const int *dx)
{
    return dc.ExtTextOutW(x, y, options, rect, QStringView(text, count), dx);
}

TExtTextOutConverter::TExtTextOutConverter(int x, int y, unsigned options, const TRect *rect, QStringView text,
                                           const int *dx)
    : x_(x), y_(y), options_(options), clipRect_(rect ? *rect : TRect{})
{
    int offset = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        pieces_.append({Sjis::encode(text.mid(i, 1)), offset, dx[i]});
        offset += dx[i];
    }
}

QList<TTextOutCall> TExtTextOutConverter::Plan(int escapement, int logPixelsX, int logPixelsY) const
{
    QList<TTextOutCall> calls;
    if (pieces_.isEmpty())
        return calls;
    const double angle = escapement * std::numbers::pi / 1800;
    const double stepX = std::cos(angle);
    const double stepY = -std::sin(angle) * (static_cast<double>(logPixelsY) / logPixelsX);
    // Halves to even, as the run-time rounding does.
    const auto call = [&](int piece, int advance, unsigned options, bool transparent) {
        const int offset = pieces_[piece].Offset;
        return TTextOutCall{piece, x_ + static_cast<int>(std::lrint(offset * stepX)),
                            y_ + static_cast<int>(std::lrint(offset * stepY)), options, advance, transparent};
    };
    qsizetype farthest = 0;
    for (qsizetype i = 1; i < pieces_.size(); ++i) {
        if (pieces_[i].Offset + pieces_[i].Width > pieces_[farthest].Offset + pieces_[farthest].Width)
            farthest = i;
    }
    const TTextPiece &last = pieces_[farthest];
    calls.append(call(0, last.Offset + last.Width, options_, false));
    if (pieces_.size() > 1) {
        calls.append(call(static_cast<int>(farthest), last.Width, options_, false));
        for (qsizetype i = 0; i < pieces_.size(); ++i)
            calls.append(call(static_cast<int>(i), pieces_[i].Width, options_ & ~ETO_OPAQUE, true));
    }
    return calls;
}

void TExtTextOutConverter::Draw(TCanvas &dc) const
{
    const QList<TTextOutCall> calls = Plan(dc.Font().Log.Escapement, dc.LogPixelsX(), dc.LogPixelsY());
    bool saved = false;
    struct TRestore {
        TCanvas &dc;
        bool &saved;
        ~TRestore()
        {
            if (saved)
                dc.RestoreDC();
        }
    } restore{dc, saved};
    for (const TTextOutCall &c : calls) {
        if (c.Transparent && !saved) {
            dc.SaveDC();
            saved = true;
            dc.SetBkMode(TBkMode::Transparent);
        }
        const int advances[2] = {c.Advance, 0};
        if (!dc.ExtTextOutA(c.X, c.Y, c.Options, &clipRect_, pieces_[c.Piece].Text, advances))
            throw ETextOutError("ExtTextOutA failed");
    }
}
