#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Result.h"

// A strict reader of ZIP archives (the container of .xlsx workbooks): the central directory is
// read whole, entries are stored or deflated, Zip64 sizes are understood. Every size and offset
// is checked against the file before it is used; an entry whose bytes do not inflate to its
// declared size and CRC-32 is reported as damaged.
namespace moxtel {

namespace zip {
struct File;      // the open file, shared by the archive and its streams
struct Inflater;  // zlib state of one stream
}  // namespace zip

// Most entries an archive may list; a workbook has a few dozen parts.
inline constexpr std::size_t kMaxZipEntries = 100000;

struct ZipEntry {
    std::string name;               // as stored, '/' between folders
    std::uint64_t size = 0;         // uncompressed, as declared
    std::uint64_t packedSize = 0;   // bytes in the file
    std::uint64_t headerOffset = 0; // of the entry's local header
    std::uint32_t crc = 0;
    std::uint16_t method = 0;       // 0 stored, 8 deflated
    std::uint16_t flags = 0;
    bool folder = false;            // the name ends with '/'
};

// The bytes of one entry, read in pieces as they inflate.
class ZipEntryStream {
public:
    ZipEntryStream(std::shared_ptr<const zip::File> file, const ZipEntry& entry, std::uint64_t dataOffset);
    ZipEntryStream(ZipEntryStream&&) noexcept;
    ZipEntryStream& operator=(ZipEntryStream&&) noexcept;
    ~ZipEntryStream();

    // Up to size bytes; 0 at the end of the entry, -1 when it is damaged (Error says how).
    long Read(char* buffer, std::size_t size);
    const std::string& Error() const { return m_error; }

private:
    long Fail(std::string what);
    bool Refill();

    std::shared_ptr<const zip::File> m_file;
    std::unique_ptr<zip::Inflater> m_inflater;  // null for a stored entry
    std::uint64_t m_next = 0;                   // file offset of the next packed byte
    std::uint64_t m_packedLeft = 0;
    std::uint64_t m_left = 0;                   // uncompressed bytes still to come
    std::uint32_t m_expectedCrc = 0;
    std::uint32_t m_crc = 0;
    bool m_verified = false;  // the end of the entry was reached and checked
    bool m_failed = false;
    std::string m_error;
};

class ZipArchive {
public:
    // Reads the end record and the central directory; fails on a file that is no ZIP archive,
    // one cut short, split over several disks, or whose directory points outside the file.
    static Result<ZipArchive> Open(const std::string& path);

    const std::vector<ZipEntry>& Entries() const { return m_entries; }

    // The entry at a path such as "xl/worksheets/sheet1.xml", nullptr when there is none or it
    // is a folder. Each folder and the name is matched exactly first, else without ASCII case;
    // empty segments ("a//b", a leading '/') are skipped.
    const ZipEntry* Find(std::string_view path) const;

    // Fails for an entry this reader cannot unpack: encrypted, or packed by a method other than
    // stored and deflate. The error names the entry and the reason.
    static Status Supported(const ZipEntry& entry);
    // A stream of the entry's bytes; fails as Supported does, and when its local header is
    // damaged or its bytes lie outside the file.
    Result<ZipEntryStream> Stream(const ZipEntry& entry) const;
    // The whole entry; the caller bounds its declared size first.
    Result<std::string> Read(const ZipEntry& entry) const;

private:
    struct Node {
        std::string name;
        int entry = -1;  // index into m_entries, -1 for a folder
        std::vector<int> children;
    };
    Status ReadDirectory(std::uint64_t offset, std::uint64_t size, std::uint64_t count);
    void AddToTree(int index);
    int Child(int node, std::string_view segment, bool create);

    std::shared_ptr<const zip::File> m_file;
    std::vector<ZipEntry> m_entries;
    std::vector<Node> m_nodes;  // [0] is the root folder
    std::uint64_t m_directoryOffset = 0;
};

}  // namespace moxtel
