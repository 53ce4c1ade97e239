#pragma once

// A delimited text export read in pieces: where its bytes come from, which encoding it is in, and
// its decoding to UTF-8 one piece at a time.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/common/Result.h"

namespace moxtel {

// The bytes of a text export: a file read at any offset, or bytes held in memory. The size is
// taken once, when the source is made; reading never goes past it.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    std::uint64_t Size() const { return m_size; }
    // n bytes from offset on (fewer only at the end of Size()), as a view of the held bytes or of
    // buffer. Fails when the bytes cannot be read; a file that has shrunk since gives fewer bytes.
    virtual Result<std::string_view> Read(std::uint64_t offset, std::size_t n, std::string& buffer) = 0;

  protected:
    std::uint64_t m_size = 0;
};

std::unique_ptr<ByteSource> MemorySource(std::string bytes);
// Keeps the file open, so a file replaced by another of the same name is still read as it was.
Result<std::unique_ptr<ByteSource>> OpenFileSource(const std::string& path);

// A failure of the text reader: "text table: " and what.
Error TextTableError(const std::string& what);

enum class TextEncoding : std::uint8_t { Utf8, Utf16LE, Utf16BE, Gb18030 };

// What a first reading of the whole export found.
struct TextFacts {
    TextEncoding encoding = TextEncoding::Utf8;
    std::size_t markBytes = 0;       // of a byte order mark, skipped
    std::uint64_t decodedBytes = 0;  // UTF-8 bytes of the whole text
    bool commas = true;              // no tab anywhere: the fields are split by commas
};

// Reads the whole source and decides how to decode it: a byte order mark names UTF-8 or UTF-16;
// without one, a NUL byte means binary data, well-formed UTF-8 is UTF-8, anything else must be
// GB18030. Fails with the text reader's messages ("invalid UTF-8", "binary data", ...), and for a
// text that decodes to nothing or to more than the sheet's bound of text.
Result<TextFacts> CheckText(ByteSource& source, std::size_t pieceBytes);

// Decodes the bytes after the mark piece by piece.
class PieceDecoder {
  public:
    explicit PieceDecoder(TextEncoding encoding);
    ~PieceDecoder();
    PieceDecoder(const PieceDecoder&) = delete;
    PieceDecoder& operator=(const PieceDecoder&) = delete;

    // Appends the UTF-8 of the whole characters at the start of bytes to out (when out is given),
    // adds their length to produced and sets used to the bytes they took. A character cut off at
    // the end is left for the next piece, unless atEnd. False on bytes that are not of the
    // encoding (UTF-16: also a NUL character).
    bool Decode(std::string_view bytes, bool atEnd, std::string* out, std::uint64_t& produced, std::size_t& used);
    // True once a decoded character was a tab.
    bool SawTab() const { return m_sawTab; }

  private:
    bool Gb18030(std::string_view bytes, bool atEnd, std::string* out, std::uint64_t& produced, std::size_t& used);
    bool Convert(std::string_view run, std::string* out, std::uint64_t& produced);
    bool Utf16(std::string_view bytes, bool atEnd, std::string* out, std::uint64_t& produced, std::size_t& used);

    TextEncoding m_encoding;
    void* m_iconv = nullptr;  // iconv_t of GB18030, opened on first use
    bool m_sawTab = false;
};

// Length of the well-formed UTF-8 prefix of text (as ValidUtf8Prefix), quick over ASCII.
std::size_t Utf8Prefix(std::string_view text);

}  // namespace moxtel
