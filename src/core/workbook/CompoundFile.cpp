#include "core/workbook/CompoundFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

namespace moxtel {
namespace {

constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kEntrySize = 128;
constexpr unsigned kMiniSectorShift = 6;
constexpr std::uint64_t kMiniStreamCutoff = 4096;
constexpr std::uint32_t kHeaderDifatEntries = 109;

constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

// Header fields (offsets from the start of the file).
constexpr std::size_t kMajorVersion = 0x1A, kSectorShift = 0x1E, kMiniShift = 0x20, kFatSectors = 0x2C,
                      kFirstDirectorySector = 0x30, kMiniCutoff = 0x38, kFirstMiniFatSector = 0x3C,
                      kFirstDifatSector = 0x44, kDifat = 0x4C;
// Directory entry fields.
constexpr std::size_t kNameLength = 0x40, kType = 0x42, kLeft = 0x44, kRight = 0x48, kChild = 0x4C, kStartSector = 0x74,
                      kStreamSize = 0x78;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}
std::uint64_t U64(const std::uint8_t* p) { return U32(p) | std::uint64_t{U32(p + 4)} << 32; }

void AppendU32s(const std::uint8_t* p, std::size_t count, std::vector<std::uint32_t>& out) {
    for (std::size_t i = 0; i < count; ++i) out.push_back(U32(p + 4 * i));
}

char16_t FoldAscii(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

std::uint64_t CeilDiv(std::uint64_t value, std::uint64_t by) { return value / by + (value % by != 0); }

std::string ErrnoText(int error) { return std::error_code(error, std::generic_category()).message(); }

// Consecutive byte ranges of the file that make up a stream, in stream order.
class Pieces {
  public:
    void Add(std::size_t offset, std::size_t length) {
        if (!m_ranges.empty() && m_ranges.back().first + m_ranges.back().second == offset)
            m_ranges.back().second += length;
        else
            m_ranges.emplace_back(offset, length);
    }
    const std::vector<std::pair<std::size_t, std::size_t>>& Ranges() const { return m_ranges; }

  private:
    std::vector<std::pair<std::size_t, std::size_t>> m_ranges;
};

}  // namespace

Result<ByteBuffer> ReadWholeFile(const std::string& path) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below as not a regular file.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Error{"Cannot open the file: " + ErrnoText(errno)};
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    struct stat info {};
    if (fstat(fd, &info) != 0) return Error{"Cannot open the file: " + ErrnoText(errno)};
    if (!S_ISREG(info.st_mode)) return Error{"Cannot open the file: it is not a regular file"};

    ByteBuffer bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Error{"Cannot read the file: " + ErrnoText(errno)};
        if (n == 0) break;  // the file shrank since fstat: what is there is the file
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

Result<CompoundFile> CompoundFile::Parse(ByteBuffer fileBytes) {
    CompoundFile file;
    file.m_bytes = std::move(fileBytes);
    const ByteBuffer& bytes = file.m_bytes;
    if (bytes.size() < sizeof kSignature || !std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin()))
        return Error{"it is not a compound file"};
    if (bytes.size() < kHeaderSize) return Error{"its header is truncated"};
    const std::uint8_t* header = bytes.data();

    const std::uint16_t version = U16(header + kMajorVersion);
    const std::uint16_t shift = U16(header + kSectorShift);
    if (!(version == 3 && shift == 9) && !(version == 4 && shift == 12))
        return Error{"its container version or sector size is not supported"};
    if (U16(header + kMiniShift) != kMiniSectorShift) return Error{"its mini sector size is not 64 bytes"};
    if (U32(header + kMiniCutoff) != kMiniStreamCutoff) return Error{"its mini stream cutoff is not 4096 bytes"};
    file.m_sectorShift = shift;
    if (bytes.size() < file.SectorSize()) return Error{"its header is truncated"};
    // Sector i starts at (i + 1) * sector size; a partial sector at the end is no sector.
    file.m_sectorCount = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(bytes.size() / file.SectorSize() - 1, std::uint64_t{kMaxRegularSector} + 1));

    if (Status fat = file.ReadFat(header); !fat) return fat.error();
    auto directory = file.Chain(U32(header + kFirstDirectorySector));
    if (!directory) return directory.error();
    if (directory->empty()) return Error{"it has no directory"};
    file.m_directory = std::move(*directory);
    file.m_miniFatStart = U32(header + kFirstMiniFatSector);
    if (Status children = file.ReadRootChildren(); !children) return children.error();
    return file;
}

Status CompoundFile::ReadFat(const std::uint8_t* header) {
    const std::uint32_t fatSectors = U32(header + kFatSectors);
    if (fatSectors == 0) return Error{"it has no FAT"};
    if (fatSectors > m_sectorCount) return Error{"its FAT is larger than the file"};

    // Where the FAT sectors are: the first 109 in the header, the rest in the DIFAT sector chain,
    // whose sectors each end with the index of the next one.
    std::vector<std::uint32_t> where;
    where.reserve(fatSectors);
    AppendU32s(header + kDifat, std::min(fatSectors, kHeaderDifatEntries), where);
    const std::size_t perDifatSector = SectorSize() / 4 - 1;
    // Each DIFAT sector adds entries, so this ends after fatSectors / perDifatSector sectors at most.
    for (std::uint32_t difat = U32(header + kFirstDifatSector); where.size() < fatSectors;) {
        if (difat >= m_sectorCount) return Error{"its DIFAT chain is broken or leaves the file"};
        const std::uint8_t* sector = Sector(difat);
        AppendU32s(sector, std::min(perDifatSector, fatSectors - where.size()), where);
        difat = U32(sector + 4 * perDifatSector);
    }

    m_fat.reserve(std::size_t{fatSectors} * (SectorSize() / 4));
    for (const std::uint32_t sector : where) {
        if (sector >= m_sectorCount) return Error{"its FAT lies past the end of the file"};
        AppendU32s(Sector(sector), SectorSize() / 4, m_fat);
    }
    return Done{};
}

Result<std::vector<std::uint32_t>> CompoundFile::Chain(std::uint32_t start) const {
    std::vector<std::uint32_t> sectors;
    for (std::uint32_t sector = start; sector != kEndOfChain; sector = m_fat[sector]) {
        if (sector > kMaxRegularSector) return Error{"a sector chain is broken"};
        if (sector >= m_sectorCount || sector >= m_fat.size()) return Error{"a sector chain leaves the file"};
        // Every sector of a chain is a distinct sector of the file: a longer chain runs in a circle.
        if (sectors.size() >= m_sectorCount) return Error{"a sector chain loops"};
        sectors.push_back(sector);
    }
    return sectors;
}

Status CompoundFile::ReadRootChildren() {
    const std::size_t perSector = SectorSize() / kEntrySize;
    const std::size_t entryCount = m_directory.size() * perSector;
    const auto entryAt = [&](std::uint32_t id) {
        return Sector(m_directory[id / perSector]) + (id % perSector) * kEntrySize;
    };
    const auto parse = [&](const std::uint8_t* p) {
        Entry entry;
        const std::size_t units = std::min<std::size_t>(U16(p + kNameLength) / 2, 32);
        for (std::size_t i = 0; i < units; ++i) {
            const char16_t c = U16(p + 2 * i);
            if (c == 0) break;
            entry.name.push_back(c);
        }
        entry.type = static_cast<EntryType>(p[kType]);
        entry.startSector = U32(p + kStartSector);
        entry.size = Version() == 3 ? U32(p + kStreamSize) : U64(p + kStreamSize);
        return entry;
    };

    m_root = parse(entryAt(0));
    if (m_root.type != EntryType::Root) return Error{"its directory has no root entry"};

    // In-order walk of the children's tree; each entry may be met once, so a damaged tree that
    // points back into itself ends the walk instead of running it in circles.
    std::vector<bool> seen(entryCount);
    seen[0] = true;
    std::vector<std::uint32_t> pending;
    std::uint32_t id = U32(entryAt(0) + kChild);
    while (id != kNoStream || !pending.empty()) {
        while (id != kNoStream) {
            if (id >= entryCount) return Error{"a directory entry points past the directory"};
            if (seen[id]) return Error{"its directory tree loops"};
            seen[id] = true;
            pending.push_back(id);
            id = U32(entryAt(id) + kLeft);
        }
        id = pending.back();
        pending.pop_back();
        Entry entry = parse(entryAt(id));
        if (entry.type != EntryType::Unused) m_children.push_back(std::move(entry));
        id = U32(entryAt(id) + kRight);
    }
    return Done{};
}

const CompoundFile::Entry* CompoundFile::FindStream(std::string_view name) const {
    for (const Entry& entry : m_children) {
        if (entry.type != EntryType::Stream || entry.name.size() != name.size()) continue;
        const bool same = std::equal(entry.name.begin(), entry.name.end(), name.begin(), [](char16_t a, char b) {
            return FoldAscii(a) == FoldAscii(static_cast<char16_t>(static_cast<unsigned char>(b)));
        });
        if (same) return &entry;
    }
    return nullptr;
}

Result<StreamBytes> CompoundFile::Assemble(const Entry& entry) const {
    if (entry.size > m_bytes.size()) return Error{"a stream is larger than the file"};
    const auto size = static_cast<std::size_t>(entry.size);
    Pieces pieces;
    if (size == 0) {
        // nothing to read
    } else if (entry.size >= kMiniStreamCutoff) {
        auto chain = Chain(entry.startSector);
        if (!chain) return chain.error();
        if (chain->size() < CeilDiv(size, SectorSize()))
            return Error{"a stream's sector chain is shorter than its size"};
        for (std::size_t i = 0, left = size; left > 0; ++i) {
            const std::size_t length = std::min(left, SectorSize());
            pieces.Add(std::size_t{(*chain)[i] + 1} << m_sectorShift, length);
            left -= length;
        }
    } else {
        // A small stream lies in the mini stream: 64-byte mini sectors chained by the mini FAT,
        // inside the root entry's own sector chain.
        auto miniFatSectors = Chain(m_miniFatStart);
        if (!miniFatSectors) return miniFatSectors.error();
        std::vector<std::uint32_t> miniFat;
        miniFat.reserve(miniFatSectors->size() * (SectorSize() / 4));
        for (const std::uint32_t sector : *miniFatSectors) AppendU32s(Sector(sector), SectorSize() / 4, miniFat);
        auto container = Chain(m_root.startSector);
        if (!container) return container.error();
        if (m_root.size > std::uint64_t{container->size()} << m_sectorShift)
            return Error{"its mini stream is shorter than its size"};
        const std::uint64_t miniSectors = CeilDiv(m_root.size, std::uint64_t{1} << kMiniSectorShift);

        std::size_t left = size;
        std::uint64_t steps = 0;
        for (std::uint32_t mini = entry.startSector; mini != kEndOfChain; mini = miniFat[mini]) {
            if (mini >= miniSectors || mini >= miniFat.size())
                return Error{"a mini sector chain leaves the mini stream"};
            if (++steps > miniSectors) return Error{"a mini sector chain loops"};
            if (left == 0) continue;  // the chain's tail past the size: only checked
            const std::size_t inStream = std::size_t{mini} << kMiniSectorShift;
            const std::size_t offset = (std::size_t{(*container)[inStream >> m_sectorShift]} + 1) << m_sectorShift;
            const std::size_t length = std::min<std::size_t>(left, std::size_t{1} << kMiniSectorShift);
            pieces.Add(offset + (inStream & (SectorSize() - 1)), length);
            left -= length;
        }
        if (left > 0) return Error{"a stream's mini sector chain is shorter than its size"};
    }

    StreamBytes stream;
    const auto& ranges = pieces.Ranges();
    if (ranges.size() <= 1) {
        if (!ranges.empty()) stream.m_view = std::span(m_bytes).subspan(ranges[0].first, ranges[0].second);
        return stream;
    }
    stream.m_storage.resize(size);
    std::size_t at = 0;
    for (const auto& [offset, length] : ranges) {
        std::memcpy(stream.m_storage.data() + at, m_bytes.data() + offset, length);
        at += length;
    }
    stream.m_view = stream.m_storage;
    stream.m_assembled = true;
    return stream;
}

Result<StreamBytes> CompoundFile::ReadStream(const Entry& entry) const& { return Assemble(entry); }

Result<StreamBytes> CompoundFile::ReadStream(const Entry& entry) && {
    Result<StreamBytes> stream = Assemble(entry);
    // A moved vector keeps its buffer, so a view into the file's bytes stays valid in its new owner.
    if (stream && !stream->m_assembled && !stream->bytes().empty()) stream->m_storage = std::move(m_bytes);
    ByteBuffer().swap(m_bytes);
    std::vector<std::uint32_t>().swap(m_fat);
    std::vector<std::uint32_t>().swap(m_directory);
    m_children.clear();
    return stream;
}

}  // namespace moxtel
