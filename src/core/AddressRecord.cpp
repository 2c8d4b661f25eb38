#include "core/AddressRecord.h"

void ClearAddressRecord(TAddressRecord *record)
{
    if (record)
        *record = TAddressRecord();
}
