// A strict ZIP reader on zlib: the end record, the central directory (Zip64 where the sizes need
// it), local headers, stored and deflated entries with their CRC-32 checked.
#include "core/workbook/ZipArchive.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "core/workbook/Crc32.h"

namespace moxtel {

namespace zip {

struct File {
    int fd = -1;
    std::uint64_t size = 0;

    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() {
        if (fd >= 0) ::close(fd);
    }

    // Exactly n bytes at offset, all of them inside the file.
    bool ReadAt(std::uint64_t offset, void* out, std::size_t n) const {
        if (offset > size || n > size - offset) return false;
        auto* p = static_cast<char*>(out);
        while (n > 0) {
            const ssize_t got = ::pread(fd, p, n, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            p += got;
            n -= static_cast<std::size_t>(got);
            offset += static_cast<std::uint64_t>(got);
        }
        return true;
    }
};

struct Inflater {
    static constexpr std::size_t kInputBytes = 128 * 1024;
    z_stream z{};
    bool ready = false;
    bool ended = false;
    std::unique_ptr<unsigned char[]> input = std::make_unique_for_overwrite<unsigned char[]>(kInputBytes);

    Inflater() { ready = inflateInit2(&z, -MAX_WBITS) == Z_OK; }  // raw deflate, no zlib header
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    ~Inflater() {
        if (ready) inflateEnd(&z);
    }
};

}  // namespace zip

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kDirectorySignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndBytes = 22, kZip64EndBytes = 56, kZip64LocatorBytes = 20;
constexpr std::size_t kDirectoryEntryBytes = 46, kLocalHeaderBytes = 30;
constexpr std::size_t kMaxCommentBytes = 0xFFFF;
// The central directory is read whole; a workbook's is a few kilobytes.
constexpr std::uint64_t kMaxDirectoryBytes = 64u << 20;
constexpr std::uint16_t kEncrypted = 0x0001;
constexpr std::uint16_t kStored = 0, kDeflated = 8;

std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const unsigned char* p) { return U16(p) | static_cast<std::uint32_t>(U16(p + 2)) << 16; }
std::uint64_t U64(const unsigned char* p) { return U32(p) | static_cast<std::uint64_t>(U32(p + 4)) << 32; }

// The Zip64 extra field of a directory entry: the 64-bit values of the fields saturated in the
// entry itself, in this order. False when a needed value is missing.
bool ReadZip64Extra(const unsigned char* extra, std::size_t size, ZipEntry& entry, bool needSize, bool needPacked,
                    bool needOffset) {
    for (std::size_t p = 0; p + 4 <= size;) {
        const std::uint16_t id = U16(extra + p);
        const std::size_t length = U16(extra + p + 2);
        if (p + 4 + length > size) break;
        if (id == 0x0001) {
            const unsigned char* field = extra + p + 4;
            std::size_t left = length;
            const auto take = [&](std::uint64_t& value) {
                if (left < 8) return false;
                value = U64(field);
                field += 8;
                left -= 8;
                return true;
            };
            return (!needSize || take(entry.size)) && (!needPacked || take(entry.packedSize)) &&
                   (!needOffset || take(entry.headerOffset));
        }
        p += 4 + length;
    }
    return !needSize && !needPacked && !needOffset;
}

bool SameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The non-empty segments of a path, handed to f one by one; f returns false to stop.
template <typename F>
void ForEachSegment(std::string_view path, F&& f) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string_view::npos) slash = path.size();
        const std::string_view segment = path.substr(start, slash - start);
        const bool last = path.find_first_not_of('/', slash) == std::string_view::npos;
        if (!segment.empty() && !f(segment, last)) return;
        start = slash + 1;
    }
}

}  // namespace

// ---- Archive -------------------------------------------------------------------------------

Result<ZipArchive> ZipArchive::Open(const std::string& path) {
    auto file = std::make_shared<zip::File>();
    file->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file->fd < 0) return Error{std::string("cannot open the file: ") + std::strerror(errno)};
    struct stat info {};
    if (::fstat(file->fd, &info) != 0 || !S_ISREG(info.st_mode)) return Error{"not a regular file"};
    file->size = static_cast<std::uint64_t>(info.st_size);

    // The end record closes the file, followed only by a comment of at most 64 KiB. A record whose
    // comment reaches the end exactly is taken over one that merely fits (bytes after a comment).
    const std::size_t tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(file->size, kEndBytes + kMaxCommentBytes));
    if (tailSize < kEndBytes) return Error{"no end of central directory record"};
    std::vector<unsigned char> tail(tailSize);
    const std::uint64_t tailStart = file->size - tailSize;
    if (!file->ReadAt(tailStart, tail.data(), tailSize)) return Error{"cannot read the file"};
    std::size_t found = SIZE_MAX, fits = SIZE_MAX;
    for (std::size_t i = tailSize - kEndBytes + 1; i-- > 0;) {
        if (U32(&tail[i]) != kEndSignature) continue;
        const std::size_t end = i + kEndBytes + U16(&tail[i + 20]);
        if (end == tailSize) {
            found = i;
            break;
        }
        if (end < tailSize && fits == SIZE_MAX) fits = i;
    }
    if (found == SIZE_MAX) found = fits;
    if (found == SIZE_MAX) return Error{"no end of central directory record"};
    const unsigned char* end = &tail[found];
    std::uint64_t endOffset = tailStart + found;
    std::uint32_t disk = U16(end + 4), directoryDisk = U16(end + 6);
    std::uint64_t diskCount = U16(end + 8), count = U16(end + 10);
    std::uint64_t directorySize = U32(end + 12), directoryOffset = U32(end + 16);

    if (count == 0xFFFF || diskCount == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF) {
        unsigned char locator[kZip64LocatorBytes], record[kZip64EndBytes];
        if (endOffset < kZip64LocatorBytes ||
            !file->ReadAt(endOffset - kZip64LocatorBytes, locator, kZip64LocatorBytes) ||
            U32(locator) != kZip64LocatorSignature)
            return Error{"the Zip64 end record is missing"};
        const std::uint64_t recordOffset = U64(locator + 8);
        if (recordOffset > endOffset - kZip64LocatorBytes ||
            endOffset - kZip64LocatorBytes - recordOffset < kZip64EndBytes ||
            !file->ReadAt(recordOffset, record, kZip64EndBytes) || U32(record) != kZip64EndSignature)
            return Error{"the Zip64 end record is damaged"};
        disk = U32(record + 16);
        directoryDisk = U32(record + 20);
        diskCount = U64(record + 24);
        count = U64(record + 32);
        directorySize = U64(record + 40);
        directoryOffset = U64(record + 48);
        endOffset = recordOffset;
    }
    if (disk != 0 || directoryDisk != 0 || diskCount != count) return Error{"archives split over several disks are not supported"};
    if (directoryOffset > endOffset || directorySize > endOffset - directoryOffset)
        return Error{"the central directory lies outside the file"};
    if (count > kMaxZipEntries) return Error{"too many entries"};
    if (directorySize > kMaxDirectoryBytes) return Error{"the central directory is too large"};

    ZipArchive archive;
    archive.m_file = std::move(file);
    archive.m_directoryOffset = directoryOffset;
    if (Status s = archive.ReadDirectory(directoryOffset, directorySize, count); !s) return s.error();
    return archive;
}

Status ZipArchive::ReadDirectory(std::uint64_t offset, std::uint64_t size, std::uint64_t count) {
    if (count * kDirectoryEntryBytes > size) return Error{"the central directory is cut short"};
    std::vector<unsigned char> directory(static_cast<std::size_t>(size));
    if (!m_file->ReadAt(offset, directory.data(), directory.size())) return Error{"cannot read the central directory"};
    m_entries.reserve(static_cast<std::size_t>(count));
    m_nodes.assign(1, Node{});
    std::size_t p = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (directory.size() - p < kDirectoryEntryBytes) return Error{"the central directory is cut short"};
        const unsigned char* h = &directory[p];
        if (U32(h) != kDirectorySignature) return Error{"the central directory is damaged"};
        const std::size_t nameSize = U16(h + 28), extraSize = U16(h + 30), commentSize = U16(h + 32);
        if (directory.size() - p - kDirectoryEntryBytes < nameSize + extraSize + commentSize)
            return Error{"the central directory is cut short"};
        ZipEntry entry;
        entry.flags = U16(h + 8);
        entry.method = U16(h + 10);
        entry.crc = U32(h + 16);
        entry.packedSize = U32(h + 20);
        entry.size = U32(h + 24);
        entry.headerOffset = U32(h + 42);
        entry.name.assign(reinterpret_cast<const char*>(h + kDirectoryEntryBytes), nameSize);
        entry.folder = !entry.name.empty() && entry.name.back() == '/';
        if (!ReadZip64Extra(h + kDirectoryEntryBytes + nameSize, extraSize, entry, entry.size == 0xFFFFFFFF,
                            entry.packedSize == 0xFFFFFFFF, entry.headerOffset == 0xFFFFFFFF))
            return Error{"an entry lacks its Zip64 sizes: " + entry.name};
        m_entries.push_back(std::move(entry));
        AddToTree(static_cast<int>(m_entries.size() - 1));
        p += kDirectoryEntryBytes + nameSize + extraSize + commentSize;
    }
    return Done{};
}

int ZipArchive::Child(int node, std::string_view segment, bool create) {
    for (const int c : m_nodes[static_cast<std::size_t>(node)].children) {
        const Node& child = m_nodes[static_cast<std::size_t>(c)];
        if (child.entry < 0 && child.name == segment) return c;
    }
    if (!create) return -1;
    m_nodes.push_back(Node{std::string(segment), -1, {}});
    const int added = static_cast<int>(m_nodes.size() - 1);
    m_nodes[static_cast<std::size_t>(node)].children.push_back(added);
    return added;
}

void ZipArchive::AddToTree(int index) {
    const ZipEntry& entry = m_entries[static_cast<std::size_t>(index)];
    int node = 0;
    ForEachSegment(entry.name, [&](std::string_view segment, bool last) {
        if (last && !entry.folder) {
            m_nodes.push_back(Node{std::string(segment), index, {}});
            m_nodes[static_cast<std::size_t>(node)].children.push_back(static_cast<int>(m_nodes.size() - 1));
        } else {
            node = Child(node, segment, true);
        }
        return true;
    });
}

const ZipEntry* ZipArchive::Find(std::string_view path) const {
    int node = 0;
    bool found = false;
    ForEachSegment(path, [&](std::string_view segment, bool last) {
        // An exact name first, then one that differs in case only; folders only on the way.
        const auto& children = m_nodes[static_cast<std::size_t>(node)].children;
        const auto matches = [&](bool exact) {
            for (const int c : children) {
                const Node& child = m_nodes[static_cast<std::size_t>(c)];
                if ((last || child.entry < 0) && (exact ? child.name == segment : SameNoCase(child.name, segment)))
                    return c;
            }
            return -1;
        };
        int next = matches(true);
        if (next < 0) next = matches(false);
        found = next >= 0 && last;
        node = next;
        return next >= 0;
    });
    if (!found || node < 0) return nullptr;
    const int entry = m_nodes[static_cast<std::size_t>(node)].entry;
    return entry < 0 ? nullptr : &m_entries[static_cast<std::size_t>(entry)];
}

Status ZipArchive::Supported(const ZipEntry& entry) {
    if (entry.flags & kEncrypted) return Error{entry.name + " is encrypted"};
    if (entry.method != kStored && entry.method != kDeflated)
        return Error{entry.name + " is packed by method " + std::to_string(entry.method) + ", which is not supported"};
    return Done{};
}

Result<ZipEntryStream> ZipArchive::Stream(const ZipEntry& entry) const {
    if (Status s = Supported(entry); !s) return s.error();
    // Entries lie before the central directory; their local header repeats the name.
    unsigned char header[kLocalHeaderBytes];
    const std::string damaged = entry.name + " is damaged";
    if (entry.headerOffset > m_directoryOffset || m_directoryOffset - entry.headerOffset < kLocalHeaderBytes ||
        !m_file->ReadAt(entry.headerOffset, header, kLocalHeaderBytes) || U32(header) != kLocalSignature)
        return Error{damaged + " (no local header)"};
    if (U16(header + 6) & kEncrypted) return Error{entry.name + " is encrypted"};
    const std::uint64_t nameSize = U16(header + 26), extraSize = U16(header + 28);
    const std::uint64_t dataOffset = entry.headerOffset + kLocalHeaderBytes + nameSize + extraSize;
    if (dataOffset > m_directoryOffset || entry.packedSize > m_directoryOffset - dataOffset)
        return Error{damaged + " (its data lies outside the file)"};
    std::string name(nameSize, '\0');
    if (!m_file->ReadAt(entry.headerOffset + kLocalHeaderBytes, name.data(), name.size()) || name != entry.name)
        return Error{damaged + " (its local header names another entry)"};
    if (entry.method == kStored && entry.packedSize != entry.size)
        return Error{damaged + " (stored size differs from its declared size)"};
    return ZipEntryStream(m_file, entry, dataOffset);
}

Result<std::string> ZipArchive::Read(const ZipEntry& entry) const {
    Result<ZipEntryStream> stream = Stream(entry);
    if (!stream) return stream.error();
    std::string out(static_cast<std::size_t>(entry.size), '\0');
    std::size_t have = 0;
    while (have < out.size()) {
        const long n = stream->Read(out.data() + have, out.size() - have);
        if (n <= 0) return Error{n < 0 ? stream->Error() : entry.name + " is damaged (shorter than declared)"};
        have += static_cast<std::size_t>(n);
    }
    char probe = 0;
    if (stream->Read(&probe, 1) != 0) return Error{stream->Error()};  // checks the end and the CRC
    return out;
}

// ---- Entry stream --------------------------------------------------------------------------

ZipEntryStream::ZipEntryStream(std::shared_ptr<const zip::File> file, const ZipEntry& entry, std::uint64_t dataOffset)
    : m_file(std::move(file)),
      m_next(dataOffset),
      m_packedLeft(entry.packedSize),
      m_left(entry.size),
      m_expectedCrc(entry.crc),
      m_crc(0) {
    m_error = entry.name + " is damaged";
    if (entry.method == kDeflated) {
        m_inflater = std::make_unique<zip::Inflater>();
        if (!m_inflater->ready) Fail("(zlib cannot start)");
    }
}

ZipEntryStream::ZipEntryStream(ZipEntryStream&&) noexcept = default;
ZipEntryStream& ZipEntryStream::operator=(ZipEntryStream&&) noexcept = default;
ZipEntryStream::~ZipEntryStream() = default;

long ZipEntryStream::Fail(std::string what) {
    if (!m_failed) m_error += " " + what;
    m_failed = true;
    return -1;
}

bool ZipEntryStream::Refill() {
    zip::Inflater& in = *m_inflater;
    if (m_packedLeft == 0) return false;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(m_packedLeft, zip::Inflater::kInputBytes));
    if (!m_file->ReadAt(m_next, in.input.get(), n)) return false;
    m_next += n;
    m_packedLeft -= n;
    in.z.next_in = in.input.get();
    in.z.avail_in = static_cast<uInt>(n);
    return true;
}

long ZipEntryStream::Read(char* buffer, std::size_t size) {
    if (m_failed) return -1;
    if (m_left == 0 && m_verified) return 0;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>({m_left, size, 1u << 30}));
    if (want > 0 && !m_inflater) {
        if (!m_file->ReadAt(m_next, buffer, want)) return Fail("(cut short)");
        m_next += want;
    } else if (want > 0) {
        z_stream& z = m_inflater->z;
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = static_cast<uInt>(want);
        while (z.avail_out > 0) {
            if (z.avail_in == 0 && !Refill()) return Fail("(packed data cut short)");
            const int rc = inflate(&z, Z_NO_FLUSH);
            if (rc == Z_STREAM_END) {
                m_inflater->ended = true;
                if (z.avail_out > 0) return Fail("(shorter than declared)");
            } else if (rc != Z_OK) {
                return Fail("(bad deflate data)");
            }
        }
    }
    m_crc = Crc32(m_crc, buffer, want);
    m_left -= want;
    if (m_left == 0 && !m_verified) {
        // The deflate stream must end exactly here: more output means the declared size lies.
        if (m_inflater && !m_inflater->ended) {
            z_stream& z = m_inflater->z;
            unsigned char probe = 0;
            while (!m_inflater->ended) {
                if (z.avail_in == 0 && !Refill()) return Fail("(packed data cut short)");
                z.next_out = &probe;
                z.avail_out = 1;
                const int rc = inflate(&z, Z_NO_FLUSH);
                if (rc == Z_STREAM_END && z.avail_out == 1) {
                    m_inflater->ended = true;
                } else if (rc != Z_OK || z.avail_out == 0) {
                    return Fail(rc == Z_OK || rc == Z_STREAM_END ? "(longer than declared)" : "(bad deflate data)");
                }
            }
        }
        if (m_crc != m_expectedCrc) return Fail("(CRC-32 mismatch)");
        m_verified = true;
    }
    return static_cast<long>(want);
}

}  // namespace moxtel
