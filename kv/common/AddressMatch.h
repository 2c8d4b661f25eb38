// Which municipalities an address text names, over Geo.dic: shared by the libraries that take addresses.
#pragma once

#include "GeoDic.h"

#include <string_view>
#include <vector>

namespace kv {

// Texts are Shift-JIS with the names as the dictionary spells them (full-width letters and digits).
//
// The text may start with a prefecture name; what follows is matched against the municipalities' names and
// short names (without the county: "榛東村" of "北群馬郡榛東村"):
//  - the municipalities whose name the text begins with, the longest such names only ("横浜市中区山下町");
//  - failing that, the municipalities whose name begins with the text ("横浜市", "千代"), or every
//    municipality of the prefecture when the text is the prefecture alone.
// A prefecture in the text keeps only its own municipalities. The result is in JIS code order.
std::vector<uint32_t> MatchMunicipalities(const TGeoDic &dic, std::string_view text);

// The text after the prefecture (when it starts with the municipality's) and the municipality's name or
// short name; empty when the text only begins to name the municipality.
std::string_view RestAfterMunicipality(const TGeoDic &dic, const TGeoMunicipality &m, std::string_view text);

}  // namespace kv
