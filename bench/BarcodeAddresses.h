// Addresses of real towns of Dic/Geo.dic as the designers pass them to the customer barcode library: one under
// every so many postal codes of towns, the number written in one of four ways in turn.
#pragma once

#include "base/RuntimeLibrary.h"
#include "common/GeoDic.h"
#include "Kvstripe/Kvstripe.h"

#include "BenchSupport.h"

#include <QByteArray>

#include <string>
#include <vector>

struct TAddress {
    std::string postal;
    std::string address;  // Shift-JIS
};

std::vector<TAddress> makeAddresses(const kv::TGeoDic &geo, size_t count, Sample &s);

// Kvstripe.so of the program folder with its entry, and addresses of the towns of its Dic/Geo.dic.
struct TStripeLibrary {
    TRuntimeLibrary dll;
    TCreateAdrsBar createAdrsBar = nullptr;
    QByteArray dicFolder;  // the program folder's "Dic/", encoded for the library
    std::vector<TAddress> addresses;
};
// Loads the library and makes count addresses; false, said on stderr, when the library or Geo.dic is missing.
bool loadStripeLibrary(TStripeLibrary &stripe, size_t count, Sample &s);
