#include "core/workbook/Utf8Check.h"

#include "core/common/TextUtil.h"

namespace moxtel {
namespace {

// Bytes of the well-formed character at p, 0 when there is none.
std::size_t CharAt(const unsigned char* p, const unsigned char* end) {
    const unsigned c = *p;
    if (c < 0x80) return 1;
    const int extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
    if (extra == 0 || end - p <= extra) return 0;
    static constexpr unsigned kMin[] = {0, 0x80, 0x800, 0x10000};
    unsigned cp = c & (0x3Fu >> extra);
    for (int i = 1; i <= extra; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return static_cast<std::size_t>(extra) + 1;
}

}  // namespace

std::size_t ValidUtf8Prefix(std::string_view text) {
    const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = begin + text.size();
    const auto* p = begin;
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const std::size_t n = CharAt(p, end);
        if (n == 0) break;
        p += n;
    }
    return static_cast<std::size_t>(p - begin);
}

std::string_view RepairUtf8(std::string_view text, std::string& scratch) {
    std::size_t good = ValidUtf8Prefix(text);
    if (good == text.size()) return text;
    scratch.assign(text.substr(0, good));
    const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + good;
    const auto* end = reinterpret_cast<const unsigned char*>(text.data()) + text.size();
    while (p < end) {
        const std::size_t n = CharAt(p, end);
        if (n == 0) {
            AppendUtf8(scratch, 0xFFFD);
            ++p;
        } else {
            scratch.append(reinterpret_cast<const char*>(p), n);
            p += n;
        }
    }
    return scratch;
}

}  // namespace moxtel
