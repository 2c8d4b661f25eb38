#include "designers/DesignObjects.h"

#include "base/Fonts.h"
#include "drawing/FigureRect.h"
#include "drawing/IllustRect.h"
#include "drawing/QRCodeRect.h"
#include "drawing/SenderRect.h"
#include "drawing/WordRect.h"

#include <algorithm>

TDesignObjects::TDesignObjects() = default;
TDesignObjects::~TDesignObjects() = default;
TDesignObjects::TDesignObjects(TDesignObjects &&) noexcept = default;
TDesignObjects &TDesignObjects::operator=(TDesignObjects &&) noexcept = default;

void TDesignObjects::ClearFreeObjects()
{
    ZOrderList.clear();
    IllustList.clear();
    WordList.clear();
    FigureList.clear();
    QRCodeList.clear();
    SenderList.clear();
}

int TDesignObjects::ZIndexOf(const TDrawRect *object) const
{
    const auto at = std::find(ZOrderList.begin(), ZOrderList.end(), object);
    return at == ZOrderList.end() ? -1 : int(at - ZOrderList.begin());
}

namespace {

template <class T> int indexIn(const std::vector<std::unique_ptr<T>> &list, const TDrawRect *object)
{
    const auto at = std::find_if(list.begin(), list.end(), [object](const auto &each) { return each.get() == object; });
    return at == list.end() ? -1 : int(at - list.begin());
}

}  // namespace

int TDesignObjects::FreeIndexOf(const TDrawRect *object) const
{
    for (int index : {indexIn(IllustList, object), indexIn(WordList, object), indexIn(FigureList, object),
                      indexIn(QRCodeList, object), indexIn(SenderList, object)})
        if (index >= 0)
            return index;
    return -1;
}

const TFont *ObjectFont(const TDrawRect *object)
{
    if (const auto *text = dynamic_cast<const TMetaRect *>(object))
        return &text->Font();
    if (const auto *block = dynamic_cast<const TSenderRect *>(object))
        return &block->GetFont();
    return nullptr;
}

void SetObjectFont(TDrawRect &object, const TFont &font)
{
    if (auto *text = dynamic_cast<TMetaRect *>(&object))
        text->SetFont(font);
    else if (auto *block = dynamic_cast<TSenderRect *>(&object))
        block->SetFont(font);
}

void CopyWordSettings(const TWordRect &from, TWordRect &to)
{
    to.SetFont(from.Font());
    to.SetDirection(from.Direction());
    to.SetAlignment(from.Alignment());
    to.SetWordWrap(from.WordWrap());
    to.SetSizeIndex(from.SizeIndex());
    to.SetVHRatio(from.VHRatio());
    to.SetLineSpacing(from.LineSpacing());
}

void TakeWordDefaults(const TWordRect &from, TWordRect &defaults)
{
    CopyWordSettings(from, defaults);
    TFont font = from.Font();
    if (font.Log.Charset == SHIFTJIS_CHARSET)
        return;
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ Ｐゴシック"), GetFontStyleBits(font.Log),
                font.Log.Font.pointSize() > 0 ? font.Log.Font.pointSize() : 12);
    defaults.SetFont(font);
}
