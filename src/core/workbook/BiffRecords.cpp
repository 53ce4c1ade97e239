#include "core/workbook/BiffRecords.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/workbook/BiffText.h"

namespace moxtel::biff {

bool RecordStream::HeaderAt(std::size_t pos, std::uint16_t& type, std::size_t& length) const {
    if (pos > m_bytes.size() || m_bytes.size() - pos < 4) return false;
    type = static_cast<std::uint16_t>(m_bytes[pos] | (m_bytes[pos + 1] << 8));
    length = static_cast<std::size_t>(m_bytes[pos + 2] | (m_bytes[pos + 3] << 8));
    return m_bytes.size() - pos - 4 >= length;
}

bool RecordStream::Next(Record& record) {
    if (m_truncated || m_pos >= m_bytes.size()) return false;
    std::size_t length = 0;
    if (!HeaderAt(m_pos, record.type, length)) {
        m_truncated = true;
        return false;
    }
    record.offset = m_pos;
    record.size = length;
    m_pos += 4 + length;
    std::uint16_t nextType = 0;
    std::size_t nextLength = 0;
    while (HeaderAt(m_pos, nextType, nextLength) && nextType == kContinue) {
        record.size += nextLength;
        m_pos += 4 + nextLength;
    }
    record.end = m_pos;
    return true;
}

RecordCursor::RecordCursor(std::span<const std::uint8_t> bytes, const Record& record)
    : m_bytes(bytes), m_pos(record.offset + 4), m_recordEnd(record.end), m_remaining(record.size) {
    m_pieceEnd = m_pos + static_cast<std::size_t>(bytes[record.offset + 2] | (bytes[record.offset + 3] << 8));
}

// Moves to the body of the next CONTINUE record. RecordStream has checked their headers.
bool RecordCursor::NextPiece() {
    if (m_pieceEnd >= m_recordEnd) return false;
    const std::size_t length = m_bytes[m_pieceEnd + 2] | (m_bytes[m_pieceEnd + 3] << 8);
    m_pos = m_pieceEnd + 4;
    m_pieceEnd = m_pos + length;
    return true;
}

bool RecordCursor::Take(std::uint8_t* out, std::size_t count) {
    if (!m_ok || count > m_remaining) {
        m_ok = false;
        if (out) std::memset(out, 0, count);
        return false;
    }
    while (count > 0) {
        if (m_pos == m_pieceEnd && !NextPiece()) return m_ok = false;
        const std::size_t n = std::min(count, m_pieceEnd - m_pos);
        if (out) {
            std::memcpy(out, m_bytes.data() + m_pos, n);
            out += n;
        }
        m_pos += n;
        m_remaining -= n;
        count -= n;
    }
    return true;
}

// The bytes of a value that lies whole inside the current piece (nearly always): read in place.
std::uint64_t RecordCursor::SlowValue(std::size_t count) {
    std::uint8_t b[8] = {};
    Take(b, count);
    std::uint64_t bits = 0;
    for (std::size_t i = count; i-- > 0;) bits = (bits << 8) | b[i];
    return bits;
}

void RecordCursor::Skip(std::size_t count) { Take(nullptr, count); }

std::uint32_t RecordCursor::Count(int countBytes) { return countBytes == 1 ? U8() : U16(); }

void RecordCursor::ReadCharacters(std::size_t count, bool highByte, std::u16string& out) {
    out.reserve(std::min(count, m_remaining));
    while (count > 0 && m_ok) {
        if (m_pos == m_pieceEnd) {
            // The characters run on into a CONTINUE record, which restates their width.
            if (!NextPiece()) {
                m_ok = false;
                break;
            }
            highByte = (U8() & 0x01) != 0;
            continue;
        }
        const std::size_t width = highByte ? 2 : 1;
        const std::size_t inPiece = (m_pieceEnd - m_pos) / width;
        if (inPiece == 0) {  // half a character before the boundary: drop it
            Skip(m_pieceEnd - m_pos);
            continue;
        }
        const std::size_t n = std::min(count, inPiece);
        const std::uint8_t* p = m_bytes.data() + m_pos;
        for (std::size_t i = 0; i < n; ++i)
            out += highByte ? static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8)) : static_cast<char16_t>(p[i]);
        Skip(n * width);
        count -= n;
    }
}

std::string RecordCursor::UnicodeString(int countBytes) {
    const std::uint32_t count = Count(countBytes);
    const std::uint8_t flags = U8();
    const std::uint16_t runs = (flags & 0x08) ? U16() : 0;
    const std::uint32_t phonetic = (flags & 0x04) ? U32() : 0;
    std::u16string units;
    ReadCharacters(count, (flags & 0x01) != 0, units);
    Skip(static_cast<std::size_t>(runs) * 4);
    Skip(phonetic);
    return m_ok ? Utf16ToUtf8(units) : std::string();
}

std::string RecordCursor::ByteString(int countBytes) {
    const std::uint32_t count = Count(countBytes);
    if (count > m_remaining) {
        m_ok = false;
        return {};
    }
    std::string bytes(count, '\0');
    Take(reinterpret_cast<std::uint8_t*>(bytes.data()), count);
    return bytes;
}

}  // namespace moxtel::biff
