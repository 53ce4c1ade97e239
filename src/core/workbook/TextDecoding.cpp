#include "core/workbook/TextDecoding.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/common/TextUtil.h"
#include "core/workbook/SheetModel.h"
#include "core/workbook/Utf8Check.h"

namespace moxtel {

Error TextTableError(const std::string& what) { return Error{"text table: " + what}; }

namespace {

// Below this a piece could not hold a whole character and the reading would stop moving.
constexpr std::size_t kLeastPiece = 16;

class MemoryBytes final : public ByteSource {
  public:
    explicit MemoryBytes(std::string bytes) : m_bytes(std::move(bytes)) { m_size = m_bytes.size(); }
    Result<std::string_view> Read(std::uint64_t offset, std::size_t n, std::string&) override {
        return std::string_view(m_bytes).substr(std::min<std::size_t>(offset, m_bytes.size()), n);
    }

  private:
    std::string m_bytes;
};

class FileBytes final : public ByteSource {
  public:
    FileBytes(int fd, std::uint64_t size, std::string path) : m_fd(fd), m_path(std::move(path)) { m_size = size; }
    ~FileBytes() override { ::close(m_fd); }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    Result<std::string_view> Read(std::uint64_t offset, std::size_t n, std::string& buffer) override {
        const std::size_t wanted = offset >= m_size ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(n, m_size - offset));
        if (buffer.size() < wanted) buffer.resize(wanted);
        std::size_t got = 0;
        while (got < wanted) {
            const ssize_t rc = ::pread(m_fd, buffer.data() + got, wanted - got, static_cast<off_t>(offset + got));
            if (rc < 0 && errno == EINTR) continue;
            if (rc < 0) return Error{"cannot read " + m_path};
            if (rc == 0) return TextTableError("the file changed while it was read: " + m_path);
            got += static_cast<std::size_t>(rc);
        }
        return std::string_view(buffer.data(), wanted);
    }

  private:
    int m_fd;
    std::string m_path;
};

// Bytes below 0x80 at the start of p[0, n), eight at a time.
std::size_t AsciiRun(const unsigned char* p, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080u) break;
    }
    while (i < n && p[i] < 0x80) ++i;
    return i;
}

std::size_t Utf8Length(char32_t cp) { return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4; }

// A character whose bytes may still be cut off at the end of a piece: at most three bytes are left.
bool MayBeCut(std::size_t good, std::size_t size, bool atEnd) { return !atEnd && size - good < 4; }

// The checks of an export without a byte order mark (or with UTF-8's) run side by side over the
// pieces: NUL and tab bytes, well-formed UTF-8, and from the first byte that is not UTF-8 on,
// GB18030 from the start. Each keeps its own place; a piece is read from the place furthest behind.
class ByteChecks {
  public:
    ByteChecks(ByteSource& source, std::size_t pieceBytes, bool marked)
        : m_source(source), m_piece(pieceBytes), m_marked(marked) {
        m_plain = m_utf8 = marked ? 3 : 0;
    }

    Result<TextFacts> Run() {
        std::string buffer;
        for (std::uint64_t base = Behind(); base < m_source.Size(); base = Behind()) {
            Result<std::string_view> piece = m_source.Read(base, m_piece, buffer);
            if (!piece) return piece.error();
            const bool atEnd = base + piece->size() == m_source.Size();
            if (!Plain(*piece, base)) return TextTableError(m_marked ? "invalid UTF-8" : "binary data");
            if (!Utf8(*piece, base, atEnd) && m_marked) return TextTableError("invalid UTF-8");
            Gb18030(*piece, base, atEnd);
        }
        TextFacts facts;
        facts.commas = !m_tab;
        facts.markBytes = m_marked ? 3 : 0;
        facts.decodedBytes = m_source.Size() - facts.markBytes;
        if (m_utf8Good) return facts;
        if (!m_gbGood) return TextTableError("neither UTF-8 nor GB18030 text");
        facts.encoding = TextEncoding::Gb18030;
        facts.decodedBytes = m_gbProduced;
        return facts;
    }

  private:
    static constexpr std::uint64_t kDone = UINT64_MAX;

    std::uint64_t Behind() const {
        return std::min({m_plain, m_utf8Good ? m_utf8 : kDone, m_gbStarted && m_gbGood ? m_gb : kDone});
    }
    // The part of piece (read from base) from place on; false when place is not in it.
    static bool PartAt(std::string_view piece, std::uint64_t base, std::uint64_t place, std::string_view& part) {
        if (place < base || place - base >= piece.size()) return false;
        part = piece.substr(static_cast<std::size_t>(place - base));
        return true;
    }

    bool Plain(std::string_view piece, std::uint64_t base) {
        std::string_view part;
        if (!PartAt(piece, base, m_plain, part)) return true;
        if (part.find('\0') != std::string_view::npos) return false;
        m_tab = m_tab || part.find('\t') != std::string_view::npos;
        m_plain = base + piece.size();
        return true;
    }

    bool Utf8(std::string_view piece, std::uint64_t base, bool atEnd) {
        std::string_view part;
        if (!m_utf8Good || !PartAt(piece, base, m_utf8, part)) return m_utf8Good;
        const std::size_t good = Utf8Prefix(part);
        if (good == part.size() || MayBeCut(good, part.size(), atEnd)) {
            m_utf8 += good;
            return true;
        }
        m_utf8Good = false;
        m_gbStarted = true;  // the whole text is then GB18030 or nothing
        return false;
    }

    void Gb18030(std::string_view piece, std::uint64_t base, bool atEnd) {
        std::string_view part;
        if (!m_gbStarted || !m_gbGood || !PartAt(piece, base, m_gb, part)) return;
        std::size_t used = 0;
        m_gbGood = m_gbDecoder.Decode(part, atEnd, nullptr, m_gbProduced, used);
        m_gb += used;
    }

    ByteSource& m_source;
    std::size_t m_piece;
    bool m_marked;
    std::uint64_t m_plain = 0;  // NUL and tab bytes looked for up to here
    bool m_tab = false;
    std::uint64_t m_utf8 = 0;
    bool m_utf8Good = true;
    bool m_gbStarted = false;
    bool m_gbGood = true;
    std::uint64_t m_gb = 0;
    std::uint64_t m_gbProduced = 0;
    PieceDecoder m_gbDecoder{TextEncoding::Gb18030};
};

Result<TextFacts> CheckUtf16(ByteSource& source, std::size_t pieceBytes, bool bigEndian) {
    TextFacts facts;
    facts.encoding = bigEndian ? TextEncoding::Utf16BE : TextEncoding::Utf16LE;
    facts.markBytes = 2;
    PieceDecoder decoder(facts.encoding);
    std::string buffer;
    for (std::uint64_t at = 2; at < source.Size();) {
        Result<std::string_view> piece = source.Read(at, pieceBytes, buffer);
        if (!piece) return piece.error();
        std::size_t used = 0;
        if (!decoder.Decode(*piece, at + piece->size() == source.Size(), nullptr, facts.decodedBytes, used)) {
            return TextTableError("invalid UTF-16");
        }
        at += used;
    }
    facts.commas = !decoder.SawTab();
    return facts;
}

}  // namespace

std::unique_ptr<ByteSource> MemorySource(std::string bytes) { return std::make_unique<MemoryBytes>(std::move(bytes)); }

Result<std::unique_ptr<ByteSource>> OpenFileSource(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0) ::close(fd);
        return Error{"cannot read " + path};
    }
    return std::unique_ptr<ByteSource>(std::make_unique<FileBytes>(fd, static_cast<std::uint64_t>(info.st_size), path));
}

Result<TextFacts> CheckText(ByteSource& source, std::size_t pieceBytes) {
    pieceBytes = std::max(pieceBytes, kLeastPiece);
    if (source.Size() == 0) return TextTableError("empty file");
    std::string buffer;
    Result<std::string_view> head = source.Read(0, 3, buffer);
    if (!head) return head.error();
    const bool utf16 = head->starts_with("\xFF\xFE") || head->starts_with("\xFE\xFF");
    Result<TextFacts> facts = utf16 ? CheckUtf16(source, pieceBytes, (*head)[0] == '\xFE')
                                    : ByteChecks(source, pieceBytes, head->starts_with("\xEF\xBB\xBF")).Run();
    if (!facts) return facts;
    if (facts->decodedBytes == 0) return TextTableError("empty file");
    if (facts->decodedBytes > kMaxSheetTextBytes * 2) return SheetModel::TooLarge();
    return facts;
}

std::size_t Utf8Prefix(std::string_view text) {
    // A character of more than one byte holds no byte below 0x80: the runs between the ASCII ones
    // are checked on their own.
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t i = 0;
    while (true) {
        i += AsciiRun(p + i, text.size() - i);
        if (i == text.size()) return i;
        std::size_t end = i;
        while (end < text.size() && p[end] >= 0x80) ++end;
        const std::size_t good = ValidUtf8Prefix(text.substr(i, end - i));
        if (good != end - i) return i + good;
        i = end;
    }
}

PieceDecoder::PieceDecoder(TextEncoding encoding) : m_encoding(encoding) {}

PieceDecoder::~PieceDecoder() {
    if (m_iconv) iconv_close(static_cast<iconv_t>(m_iconv));
}

bool PieceDecoder::Decode(std::string_view bytes, bool atEnd, std::string* out, std::uint64_t& produced,
                          std::size_t& used) {
    switch (m_encoding) {
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE:
            return Utf16(bytes, atEnd, out, produced, used);
        case TextEncoding::Gb18030:
            return Gb18030(bytes, atEnd, out, produced, used);
        case TextEncoding::Utf8:
            break;
    }
    const std::size_t good = Utf8Prefix(bytes);
    if (good != bytes.size() && !MayBeCut(good, bytes.size(), atEnd)) return false;
    if (out) out->append(bytes.data(), good);
    produced += good;
    used = good;
    return true;
}

// iconv costs much per byte: the ASCII between the characters of two and four bytes is copied as
// it is (such a byte is always a character of its own), only the runs of those characters are
// converted. Each character is converted alone in GB18030, so this decides exactly as converting
// the whole text at once.
bool PieceDecoder::Gb18030(std::string_view bytes, bool atEnd, std::string* out, std::uint64_t& produced,
                           std::size_t& used) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const std::size_t ascii = AsciiRun(p + i, n - i);
        if (out) out->append(bytes.data() + i, ascii);
        produced += ascii;
        i += ascii;
        if (i == n) break;
        // The character lengths as the converter reads them: a second byte of 0x30 to 0x39 makes four.
        std::size_t end = i;
        bool cut = false;
        while (end < n && p[end] >= 0x80) {
            std::size_t length = p[end] == 0x80 || p[end] == 0xFF ? 1 : 2;
            if (length == 2 && end + 1 < n && p[end + 1] >= 0x30 && p[end + 1] <= 0x39) length = 4;
            if (end + length > n) {
                cut = true;
                break;
            }
            end += length;
        }
        if (cut && atEnd) end = n;  // the converter refuses the cut-off character
        if (end > i && !Convert(bytes.substr(i, end - i), out, produced)) return false;
        i = end;
        if (cut && !atEnd) break;
    }
    used = i;
    return true;
}

bool PieceDecoder::Convert(std::string_view run, std::string* out, std::uint64_t& produced) {
    if (!m_iconv) {
        iconv_t cd = iconv_open("UTF-8", "GB18030");
        if (cd == reinterpret_cast<iconv_t>(-1)) return false;
        m_iconv = cd;
    }
    char* in = const_cast<char*>(run.data());  // iconv does not write its input
    std::size_t inLeft = run.size();
    char room[4096];
    while (inLeft > 0) {
        // At most 3 bytes out per 2 in (4 per 4).
        const std::size_t most = inLeft / 2 * 3 + 4;
        const std::size_t old = out ? out->size() : 0;
        if (out) out->resize(old + most);
        char* o = out ? out->data() + old : room;
        std::size_t outLeft = out ? most : sizeof room;
        const std::size_t before = outLeft;
        const std::size_t rc = iconv(static_cast<iconv_t>(m_iconv), &in, &inLeft, &o, &outLeft);
        const int error = errno;
        if (out) out->resize(old + before - outLeft);
        produced += before - outLeft;
        if (rc == static_cast<std::size_t>(-1) && error != E2BIG) return false;
    }
    return true;
}

bool PieceDecoder::Utf16(std::string_view bytes, bool atEnd, std::string* out, std::uint64_t& produced,
                         std::size_t& used) {
    const bool bigEndian = m_encoding == TextEncoding::Utf16BE;
    const auto unit = [&](std::size_t i) -> std::uint32_t {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        return (static_cast<std::uint32_t>(hi) << 8) | lo;
    };
    std::size_t i = 0;
    while (i + 2 <= bytes.size()) {
        std::uint32_t cp = unit(i);
        std::size_t length = 2;
        if (cp == 0 || (cp >= 0xDC00 && cp <= 0xDFFF)) return false;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 4 > bytes.size()) break;  // its low half comes with the next piece
            const std::uint32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            length = 4;
        }
        m_sawTab = m_sawTab || cp == '\t';
        produced += Utf8Length(cp);
        if (out) AppendUtf8(*out, cp);
        i += length;
    }
    if (i < bytes.size() && atEnd) return false;  // an odd byte, or half a pair, at the very end
    used = i;
    return true;
}

}  // namespace moxtel
