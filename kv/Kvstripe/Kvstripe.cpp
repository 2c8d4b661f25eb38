// Kvstripe.so: the customer barcode of a postal code and an address as a BMP file. The town of the postal code
// comes from Dic/Geo.dic, so that numbers in town names ("四谷", "一番町") never enter the address number.
#include "Kvstripe.h"

#include "AddressNumber.h"
#include "BarcodeImage.h"
#include "Kvjis/AdrsNormalizer.h"
#include "common/FixedField.h"
#include "common/GeoDic.h"

#include <cstring>

static_assert(KVSTRIPE_DICTIONARY_ERROR == kv::kDictionaryError);

KV_EXPORT int32_t CreateAdrsBar(const char *postalCode, const char *address, int32_t direction, char *buffer,
                                const char *, const char *dictionaryFolder, const char *fileName)
{
    const auto postal = kvstripe::PostalDigits7(kv::ArgumentText(postalCode, 64));
    if (!postal)
        return KVSTRIPE_BAD_POSTAL_CODE;
    const std::string_view text = kv::ArgumentText(address, KVSTRIPE_MAX_ADDRESS + 1);
    std::string key;
    if (!address || text.size() > KVSTRIPE_MAX_ADDRESS || !kvjis::NormalizeAddress(text, key))
        return KVSTRIPE_BAD_ADDRESS;

    const kv::TGeoDic geo(dictionaryFolder);
    if (!geo.valid())
        return KVSTRIPE_DICTIONARY_ERROR;
    const kvstripe::TNumberStart start = kvstripe::FindNumberStart(geo, *postal, text);
    std::string number;
    switch (start.source) {
    case kvstripe::TNumberSource::UnknownCode:
        return KVSTRIPE_UNKNOWN_POSTAL_CODE;
    case kvstripe::TNumberSource::Representative:
        return KVSTRIPE_NO_BARCODE;
    case kvstripe::TNumberSource::None:
        break;
    case kvstripe::TNumberSource::AfterTown:
        number = kvstripe::AddressNumber(text.substr(start.offset));
        break;
    }

    const std::string data = kvstripe::BarcodeData(*postal, number);
    if (buffer) {
        std::memset(buffer, 0, KVSTRIPE_BUFFER_SIZE);
        std::memcpy(buffer, data.data(), data.size());
    }
    const std::string file = std::string(kv::ArgumentText(fileName));
    const std::string bitmap =
        kvstripe::BitmapFile(kvstripe::Bars(data), KVSTRIPE_BMP_LONG, KVSTRIPE_BMP_SHORT, direction != 0);
    return kvstripe::WriteFileReplacing(file, bitmap) ? KVSTRIPE_OK : KVSTRIPE_FILE_ERROR;
}
