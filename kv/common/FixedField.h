// Fixed-width Shift-JIS fields of the records the stand-in libraries exchange with the program.
#pragma once

#include <cstddef>
#include <string_view>

namespace kv {

// A lead byte of a double-byte Shift-JIS character (cp932).
inline bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Copies the first n bytes of text to to. The empty text of a damaged file's reference points nowhere, and
// memcpy must not be handed a null pointer even for no bytes.
void CopyBytes(char *to, std::string_view text, size_t n);

// How many bytes of text fit width bytes without splitting a double-byte character.
size_t SjisFit(std::string_view text, size_t width);

// Copies text into field[width], cut by SjisFit, the rest filled with pad (a blank or a NUL). Returns
// whether the whole text fitted.
bool PutText(char *field, size_t width, std::string_view text, char pad = ' ');

template <size_t N>
bool PutText(char (&field)[N], std::string_view text, char pad = ' ')
{
    return PutText(field, N, text, pad);
}

// The text of a field the caller gave back, without its padding (trailing blanks and NULs; a NUL ends it).
std::string_view FieldText(const char *field, size_t width);

template <size_t N>
std::string_view FieldText(const char (&field)[N])
{
    return FieldText(field, N);
}

// Copies the text of a NUL-terminated argument into a string view, at most limit bytes; empty for null.
std::string_view ArgumentText(const char *text, size_t limit = 4096);

}  // namespace kv
