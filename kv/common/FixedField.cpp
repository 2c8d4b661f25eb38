#include "FixedField.h"

#include <cstring>

namespace kv {

size_t SjisFit(std::string_view text, size_t width)
{
    size_t at = 0;
    while (at < text.size()) {
        const size_t step = IsSjisLead(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
        if (at + step > width)
            break;
        at += step;
    }
    return at;
}

void CopyBytes(char *to, std::string_view text, size_t n)
{
    if (n > 0)
        std::memcpy(to, text.data(), n);
}

bool PutText(char *field, size_t width, std::string_view text, char pad)
{
    const size_t n = SjisFit(text, width);
    CopyBytes(field, text, n);
    std::memset(field + n, pad, width - n);
    return n == text.size();
}

std::string_view FieldText(const char *field, size_t width)
{
    if (!field)
        return {};
    size_t n = 0;
    while (n < width && field[n] != '\0')
        ++n;
    while (n > 0 && field[n - 1] == ' ')
        --n;
    return {field, n};
}

std::string_view ArgumentText(const char *text, size_t limit)
{
    if (!text)
        return {};
    return {text, strnlen(text, limit)};
}

}  // namespace kv
