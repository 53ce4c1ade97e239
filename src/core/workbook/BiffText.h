#pragma once

#include <string>
#include <string_view>

namespace moxtel::biff {

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);

// Turns the 8-bit strings of a BIFF5 workbook (and every other 8-bit text outside BIFF8's
// Unicode strings) into UTF-8 by the workbook's CODEPAGE record. An unknown code page reads
// as Windows-1252; bytes that are invalid in the code page become U+FFFD, so decoding never fails.
class CodePageDecoder {
  public:
    explicit CodePageDecoder(int codePage);
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    std::string Decode(std::string_view bytes);

  private:
    void Open();
    int m_codePage;
    bool m_opened = false;
    // iconv_t, opened at the first text decoded: a BIFF8 sheet's texts are UTF-16 and need none,
    // and opening one loads a converter module (a tenth of a millisecond).
    void* m_iconv = nullptr;
};

}  // namespace moxtel::biff
