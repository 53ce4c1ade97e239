#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace moxtel::biff {

// Record types of the workbook stream that the reader looks at.
enum RecordType : std::uint16_t {
    kFormula = 0x0006,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kWindow1 = 0x003D,
    kCodePage = 0x0042,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormula4 = 0x0406,
    kFormat = 0x041E,
    kBof = 0x0809,
};

// One record together with the CONTINUE records that directly follow it.
struct Record {
    std::uint16_t type = 0;
    std::size_t offset = 0;  // of the record header in the stream
    std::size_t end = 0;     // just past the last CONTINUE body
    std::size_t size = 0;    // body bytes, CONTINUE bodies included
};

// Walks the records of a workbook stream. Every length is checked against the bytes present.
class RecordStream {
  public:
    explicit RecordStream(std::span<const std::uint8_t> bytes, std::size_t start = 0) : m_bytes(bytes), m_pos(start) {}

    // The next record; false at the end of the bytes, and also when a record header or body
    // runs past them (then Truncated() is true).
    bool Next(Record& record);
    bool Truncated() const { return m_truncated; }

  private:
    bool HeaderAt(std::size_t pos, std::uint16_t& type, std::size_t& length) const;

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos;
    bool m_truncated = false;
};

// Reads the body of one record, crossing into its CONTINUE records where a value runs on.
// A read past the end yields zeros and clears ok(); callers read a whole structure and test once.
class RecordCursor {
  public:
    RecordCursor(std::span<const std::uint8_t> bytes, const Record& record);

    bool ok() const { return m_ok; }
    std::size_t Remaining() const { return m_remaining; }

    // Little-endian values, read in place unless they cross into a CONTINUE record or run out.
    std::uint8_t U8() {
        if (const std::uint8_t* p = Direct(1)) return p[0];
        return static_cast<std::uint8_t>(SlowValue(1));
    }
    std::uint16_t U16() {
        if (const std::uint8_t* p = Direct(2)) return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
        return static_cast<std::uint16_t>(SlowValue(2));
    }
    std::uint32_t U32() {
        if (const std::uint8_t* p = Direct(4)) return Little(p, 4);
        return static_cast<std::uint32_t>(SlowValue(4));
    }
    double F64() {
        const std::uint8_t* p = Direct(8);
        return std::bit_cast<double>(p ? Little(p, 8) : SlowValue(8));
    }
    void Skip(std::size_t count);

    // A BIFF8 Unicode string (character count of countBytes bytes, flags, optional rich-text runs
    // and phonetic block, characters) as UTF-8. Where the characters run on into a CONTINUE
    // record, that record starts with a fresh flags byte: 8- and 16-bit can switch mid-string.
    // 8-bit ("compressed") characters are Latin-1, whatever the code page.
    std::string UnicodeString(int countBytes);
    // A BIFF5 string: byte count of countBytes bytes, then the bytes in the workbook's code page.
    std::string ByteString(int countBytes);

  private:
    static std::uint64_t Little(const std::uint8_t* p, std::size_t count) {
        std::uint64_t bits = 0;
        for (std::size_t i = count; i-- > 0;) bits = (bits << 8) | p[i];
        return bits;
    }
    // count bytes in place, or nullptr when they are not all in the body being read.
    const std::uint8_t* Direct(std::size_t count) {
        if (!m_ok || count > m_remaining || m_pieceEnd - m_pos < count) return nullptr;
        const std::uint8_t* p = m_bytes.data() + m_pos;
        m_pos += count;
        m_remaining -= count;
        return p;
    }
    std::uint64_t SlowValue(std::size_t count);
    bool NextPiece();
    bool Take(std::uint8_t* out, std::size_t count);
    std::uint32_t Count(int countBytes);
    void ReadCharacters(std::size_t count, bool highByte, std::u16string& out);

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos;        // next byte to read
    std::size_t m_pieceEnd;   // end of the body being read
    std::size_t m_recordEnd;  // end of the last CONTINUE body
    std::size_t m_remaining;
    bool m_ok = true;
};

}  // namespace moxtel::biff
