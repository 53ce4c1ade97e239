#pragma once

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

    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    double F64();
    void Skip(std::size_t count);

    // A BIFF8 Unicode string (character count of countBytes bytes, flags, optional rich-text runs
    // and phonetic block, characters) as UTF-8. Where the characters run on into a CONTINUE
    // record, that record starts with a fresh flags byte: 8- and 16-bit can switch mid-string.
    // 8-bit ("compressed") characters are Latin-1, whatever the code page.
    std::string UnicodeString(int countBytes);
    // A BIFF5 string: byte count of countBytes bytes, then the bytes in the workbook's code page.
    std::string ByteString(int countBytes);

  private:
    bool NextPiece();
    const std::uint8_t* Direct(std::size_t count);
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
