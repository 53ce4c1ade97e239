#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace moxtel {

// Reads a source on a second thread a few pieces ahead of its reader, so that producing the bytes
// (inflating a ZIP entry) and using them (parsing its XML) run at once. Read has the source's
// contract: up to size bytes, 0 at the end, -1 on failure; after the end or a failure the source
// is never called again. The source is called on the second thread only, and the object ends it
// before it goes, whatever the reader did.
class ReadAhead {
public:
    using Source = std::function<long(char* buffer, std::size_t size)>;

    // pieces of pieceBytes each are kept ready at most.
    explicit ReadAhead(Source source, std::size_t pieceBytes = 256 * 1024, std::size_t pieces = 4);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    long Read(char* buffer, std::size_t size);

private:
    void Produce();
    long Direct(char* buffer, std::size_t size);

    Source m_source;
    std::size_t m_pieceBytes;
    std::size_t m_pieces;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    struct Piece {
        std::unique_ptr<char[]> bytes;  // pieceBytes of room
        std::size_t size = 0;           // of them filled
    };
    std::deque<Piece> m_ready;  // filled pieces, in order
    std::vector<Piece> m_free;  // read pieces, their room used again
    Piece m_current;            // the piece being read, from m_offset
    std::size_t m_offset = 0;
    long m_outcome = 1;  // 1 while the source gives bytes, then 0 (its end) or -1 (its failure)
    bool m_stop = false;
    bool m_threaded = false;  // false when no thread could be started: the source is read directly
    std::thread m_thread;
};

}  // namespace moxtel
