// The customer barcode of a data string as bars, and the bars as a BMP file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvstripe {

// The four bars of the symbol.
enum class TBar : uint8_t { Long, Upper, Lower, Timing };

// The 20 data characters of data (BarcodeData: digits, hyphens and letters A-Z, at most 20 characters with a
// letter counting as two) padded with CC4, as symbol values: 0-9 the digits, 10 the hyphen, 11-18 the
// control characters CC1-CC8 (a letter is CC1, CC2 or CC3 and a digit).
std::array<uint8_t, 20> SymbolValues(std::string_view data);

// The check character of the data values: the value that makes their sum a multiple of 19.
uint8_t CheckValue(const std::array<uint8_t, 20> &values);

// The 67 bars: start, the 20 data characters, the check character, stop.
std::vector<TBar> Bars(std::string_view data);

// A 1-bit BMP of the bars, black on white at 96 dpi: long side l and short side s pixels, the bars across
// the long side in the proportions of the postal rules (pitch a third of the long bar, bar and gap alike,
// the half bars two thirds and the timing bar the middle third of it), centred along it. Vertical: the
// horizontal picture turned a quarter clockwise.
std::string BitmapFile(const std::vector<TBar> &bars, int longSide, int shortSide, bool vertical);

// Writes bytes to path through a temporary file beside it and a rename; on failure nothing is left behind
// and path is as it was.
bool WriteFileReplacing(const std::string &path, const std::string &bytes);

}  // namespace kvstripe
