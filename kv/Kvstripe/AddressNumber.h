// The data of a customer barcode: the postal code and the address number Japan Post's rules take from the part
// of an address after its town. Texts are Shift-JIS.
#pragma once

#include "common/GeoDic.h"

#include <optional>
#include <string>
#include <string_view>

namespace kvstripe {

// The address number of the text after the town ("3丁目30-8 郵便ビル403号" -> "3-30-8-403"): digits, hyphens
// and single letters A-Z, as the rules extract them:
//  - lower-case letters are read as upper case, full-width digits, letters and hyphens as their ASCII forms;
//    "&", "/", "・" and "." are dropped and the text closes up over them;
//  - kanji numerals directly before 丁目, 丁, 番地, 番, 号, 地割, 線, の or ノ become digits ("十一" -> 11,
//    "六〇一" -> 601); other kanji numerals are text like any other;
//  - an "F" after a digit is a floor ("10F") and counts as text; two or more letters in a row are text too;
//  - every run of other characters (kanji, kana, blanks, symbols) before a kept character becomes one hyphen,
//    a run at the end is dropped (so a long-vowel mark typed for a hyphen, "1ー2", is one too); hyphens in a row become one, a leading hyphen and the hyphens beside a
//    letter are dropped ("3-20-5-B604" -> "3-20-5B604").
// The text must be valid Shift-JIS.
std::string AddressNumber(std::string_view rest);

// Where the address number begins in address, by the postal code's rows of the dictionary.
enum class TNumberSource {
    AfterTown,        // after the town's name, or the whole text when the town is not found
    None,             // a large office's code: its barcode carries the postal code alone
    Representative,   // a municipality's representative code, which gets no barcode
    UnknownCode,      // no row of the dictionary has the code
};
struct TNumberStart {
    TNumberSource source = TNumberSource::UnknownCode;
    size_t offset = 0;  // into address, for AfterTown
};
TNumberStart FindNumberStart(const kv::TGeoDic &geo, std::string_view postal7, std::string_view address);

// The seven digits of a postal code written with blanks around it and an optional hyphen after the third
// digit; nothing for any other text.
std::optional<std::string> PostalDigits7(std::string_view text);

// The data of the barcode: the postal code followed by the address number, cut to the 20 characters of the
// symbol, where a letter takes two (its control character and a digit); a letter whose control character is
// the 20th is kept, and the symbol shows its control character only.
std::string BarcodeData(std::string_view postal7, std::string_view number);

}  // namespace kvstripe
