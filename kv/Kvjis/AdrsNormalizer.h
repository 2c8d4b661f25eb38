// The matching form of Japanese address texts, shared by Kvjis.so and the build step that writes its index, so
// that an address and the names it is matched against always go through the same rules.
#pragma once

#include <string>
#include <string_view>

namespace kvjis {

// Folds a Shift-JIS address text into its matching form, still Shift-JIS: blanks dropped; full-width digits,
// letters and hyphens as ASCII (letters upper case); runs of kanji numerals as decimal digits ("二十三" -> "23",
// "一〇五" -> "105"); a long-vowel mark after a digit as a hyphen; ヶ/ヵ/が/ガ as ケ, の/之 as ノ, ッ as ツ; "大字"
// and "字" dropped; old and compatibility forms of kanji as their common forms (澤 -> 沢, 﨑 -> 崎).
// Returns false, leaving key unspecified, when text is not Shift-JIS: a byte that starts no character, a lead
// byte without a valid trail byte, or a control character other than tab, CR and LF.
bool NormalizeAddress(std::string_view text, std::string &key);

}  // namespace kvjis
