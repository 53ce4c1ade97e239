#include "core/workbook/BiffText.h"

#include <iconv.h>

#include <cerrno>

#include "core/common/TextUtil.h"

namespace moxtel::biff {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// iconv name of a Windows code page number as the CODEPAGE record gives it.
std::string IconvName(int codePage) {
    switch (codePage) {
        case 367:
        case 32769:
            return "CP1252";
        case 1200:
            return "UTF-16LE";
        case 1361:
            return "JOHAB";
        case 10000:
        case 32768:
            return "MACINTOSH";
        case 65001:
            return "UTF-8";
        default:
            return "CP" + std::to_string(codePage);
    }
}

iconv_t OpenToUtf8(const std::string& name) { return iconv_open("UTF-8", name.c_str()); }

}  // namespace

std::string Utf16ToUtf8(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

CodePageDecoder::CodePageDecoder(int codePage) : m_codePage(codePage) {}

void CodePageDecoder::Open() {
    m_opened = true;
    iconv_t cd = OpenToUtf8(IconvName(m_codePage));
    if (cd == reinterpret_cast<iconv_t>(-1) && m_codePage == 936) cd = OpenToUtf8("GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) cd = OpenToUtf8("CP1252");
    if (cd != reinterpret_cast<iconv_t>(-1)) m_iconv = cd;
}

CodePageDecoder::~CodePageDecoder() {
    if (m_iconv) iconv_close(static_cast<iconv_t>(m_iconv));
}

std::string CodePageDecoder::Decode(std::string_view bytes) {
    if (!m_opened) Open();
    std::string out;
    if (!m_iconv) {  // no converter at all: keep ASCII, mark the rest
        for (const char c : bytes) AppendUtf8(out, static_cast<unsigned char>(c) < 0x80 ? char32_t(c) : kReplacement);
        return out;
    }
    auto cd = static_cast<iconv_t>(m_iconv);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buffer[1024];
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        // Invalid or incomplete sequence: mark it and go on after its first byte.
        AppendUtf8(out, kReplacement);
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

}  // namespace moxtel::biff
