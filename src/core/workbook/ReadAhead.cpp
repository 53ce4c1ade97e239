#include "core/workbook/ReadAhead.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

namespace moxtel {

ReadAhead::ReadAhead(Source source, std::size_t pieceBytes, std::size_t pieces)
    : m_source(std::move(source)), m_pieceBytes(std::max<std::size_t>(pieceBytes, 1)),
      m_pieces(std::max<std::size_t>(pieces, 1)) {
    try {
        m_thread = std::thread([this] { Produce(); });
        m_threaded = true;
    } catch (const std::system_error&) {
        // No thread to be had: read the source in turn, as if there were no read-ahead.
    }
}

ReadAhead::~ReadAhead() {
    if (!m_threaded) return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void ReadAhead::Produce() {
    while (true) {
        Piece piece;
        {
            std::lock_guard lock(m_mutex);
            if (!m_free.empty()) {
                piece = std::move(m_free.back());
                m_free.pop_back();
            }
        }
        long n = -1;
        try {
            if (!piece.bytes) piece.bytes = std::make_unique_for_overwrite<char[]>(m_pieceBytes);
            n = m_source(piece.bytes.get(), m_pieceBytes);
            piece.size = n > 0 ? static_cast<std::size_t>(n) : 0;
        } catch (const std::bad_alloc&) {
            n = -1;
        }
        std::unique_lock lock(m_mutex);
        if (n <= 0) {
            m_outcome = n < 0 ? -1 : 0;
            m_changed.notify_all();
            return;
        }
        m_changed.wait(lock, [this] { return m_stop || m_ready.size() < m_pieces; });
        if (m_stop) return;
        m_ready.push_back(std::move(piece));
        m_changed.notify_all();
    }
}

long ReadAhead::Direct(char* buffer, std::size_t size) {
    if (m_outcome <= 0) return m_outcome;
    const long n = m_source(buffer, size);
    if (n <= 0) m_outcome = n < 0 ? -1 : 0;
    return n;
}

long ReadAhead::Read(char* buffer, std::size_t size) {
    if (!m_threaded) return Direct(buffer, size);
    if (size == 0) return 0;
    if (m_offset == m_current.size) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_outcome <= 0; });
        if (m_ready.empty()) return m_outcome;  // every piece was read: the end, or the failure
        if (m_current.bytes) m_free.push_back(std::move(m_current));
        m_current = std::move(m_ready.front());
        m_ready.pop_front();
        m_offset = 0;
        m_changed.notify_all();
    }
    const std::size_t n = std::min(size, m_current.size - m_offset);
    std::memcpy(buffer, m_current.bytes.get() + m_offset, n);
    m_offset += n;
    return static_cast<long>(n);
}

}  // namespace moxtel
