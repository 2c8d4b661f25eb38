// The search key of a listed name, and the character-wise matching over keys. The directory's indexes are
// built from the keys the generator makes with this code, and the library folds every name it is asked for
// the same way, so what the user types and what is listed meet whatever their spelling of width and case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvdir {

// The key of a Shift-JIS name: blanks and middle dots dropped, half-width katakana and hiragana as full-width
// katakana, full-width letters and digits as ASCII, letters in upper case, and the words of the legal forms
// ("株式会社", "（株）", "有限会社", ...) left out, since the legal form is a condition of its own and a company
// is looked for by its name whether the form stands before or after it.
std::string NameKey(std::string_view name);

// Length in bytes of the character at text[at]: 2 for a Shift-JIS lead byte followed by a byte, else 1.
size_t CharLength(std::string_view text, size_t at);

// The characters of a key as 16-bit codes (a single byte as itself, a double-byte character as lead << 8 |
// trail), the units of the name index.
std::vector<uint16_t> KeyChars(std::string_view key);

// Whether key holds part starting at a character boundary (part is a whole key of its own).
bool ContainsChars(std::string_view key, std::string_view part);
// Whether key ends with part, the part starting at a character boundary.
bool EndsWithChars(std::string_view key, std::string_view part);

// The name match modes of a search.
enum TMatchMode : uint32_t { kPrefix = 0, kFuzzy = 1, kSuffix = 2, kExact = 3 };

// Whether a listed name's key matches a searched key under a match mode.
bool KeyMatches(std::string_view key, std::string_view searched, uint32_t mode);

// The keys of the names of a comma list ("name,name,...,"), in their order; empty items are skipped, a name
// whose key is empty (a legal form alone) gives an empty key in its place.
std::vector<std::string> NameListKeys(std::string_view list);

}  // namespace kvdir
