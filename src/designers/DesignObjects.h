// What every designer's document holds besides its own fixed parts: the free objects by kind (the sender blocks
// among them) and the stacking order of everything shown. The designers' editing commands work on this alone.
#pragma once

#include <memory>
#include <vector>

class TDrawRect;
struct TFont;
class TIllustRect;
class TWordRect;
class TFigureRect;
class TQRCodeRect;
class TSenderRect;

class TDesignObjects {
public:
    TDesignObjects();
    ~TDesignObjects();
    TDesignObjects(TDesignObjects &&) noexcept;
    TDesignObjects &operator=(TDesignObjects &&) noexcept;

    std::vector<std::unique_ptr<TIllustRect>> IllustList;
    std::vector<std::unique_ptr<TWordRect>> WordList;
    std::vector<std::unique_ptr<TFigureRect>> FigureList;
    std::vector<std::unique_ptr<TQRCodeRect>> QRCodeList;
    // The letter body's sender blocks; the other documents never hold one.
    std::vector<std::unique_ptr<TSenderRect>> SenderList;
    // The objects shown, index 0 in front; never holds an empty entry.
    std::vector<TDrawRect *> ZOrderList;

    // Every free object and the stacking order gone: what a new document starts from.
    void ClearFreeObjects();
    // The index of an object in ZOrderList, -1 when it is not shown.
    int ZIndexOf(const TDrawRect *object) const;
    // The object's index in the list of its free kind, -1 for any other object.
    int FreeIndexOf(const TDrawRect *object) const;
};

// The font of a text object, or of a sender block whose parts share one; null for any other object.
const TFont *ObjectFont(const TDrawRect *object);
// Sets it; nothing for an object that has none.
void SetObjectFont(TDrawRect &object, const TFont &font);

// A text's font, direction, alignment, wrap, size, ratio and line spacing onto another text.
void CopyWordSettings(const TWordRect &from, TWordRect &to);
// What new texts start from, taken from a text: its settings, a face of a charset other than Shift-JIS
// becoming "ＭＳ Ｐゴシック".
void TakeWordDefaults(const TWordRect &from, TWordRect &defaults);
