#pragma once

// A strict reader of OLE2 compound files (the container of .xls workbooks): version 3 with
// 512-byte sectors and version 4 with 4096-byte sectors. It reads the root storage's streams only.
// Every count, index and chain of the file is checked against the bytes present: damage is an
// Error, never a read out of bounds or an endless walk.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/common/Result.h"

namespace moxtel {

// Leaves the bytes of a resized buffer as they are instead of zeroing them: a file's bytes are
// read straight over them, and zeroing a megabyte first costs as much again.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using ByteBuffer = std::vector<std::uint8_t, UninitializedAllocator<std::uint8_t>>;

// The whole file, read once. Errors are full sentences ("Cannot open the file: ...").
Result<ByteBuffer> ReadWholeFile(const std::string& path);

// A stream's bytes: a view into the file's bytes when its sectors follow one another in the
// file, else a copy assembled once. It may also own the file's bytes it views (see
// CompoundFile::ReadStream() &&); moving it keeps bytes() valid, a copy would not, so it has none.
class StreamBytes {
  public:
    StreamBytes() = default;
    StreamBytes(StreamBytes&&) noexcept = default;
    StreamBytes& operator=(StreamBytes&&) noexcept = default;
    StreamBytes(const StreamBytes&) = delete;
    StreamBytes& operator=(const StreamBytes&) = delete;

    std::span<const std::uint8_t> bytes() const { return m_view; }
    // True when the bytes were assembled from scattered sectors.
    bool copied() const { return m_assembled; }

  private:
    friend class CompoundFile;
    ByteBuffer m_storage;  // the assembled copy, or the file's bytes handed over
    std::span<const std::uint8_t> m_view;
    bool m_assembled = false;
};

class CompoundFile {
  public:
    enum class EntryType : std::uint8_t { Unused = 0, Storage = 1, Stream = 2, Root = 5 };

    struct Entry {
        std::u16string name;  // UTF-16 as stored, without the terminating zero
        EntryType type = EntryType::Unused;
        std::uint32_t startSector = 0;
        std::uint64_t size = 0;  // of a version 3 file only the low 32 bits
    };

    static constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

    // Checks the header, reads the FAT (through the DIFAT) and the directory, and lists the root
    // storage's children. Errors are short phrases ("a sector chain loops") for the caller to
    // put into its own sentence.
    static Result<CompoundFile> Parse(ByteBuffer fileBytes);

    std::size_t FileSize() const { return m_bytes.size(); }
    int Version() const { return m_sectorShift == 12 ? 4 : 3; }

    // The root storage's children, in the directory tree's order.
    const std::vector<Entry>& RootChildren() const { return m_children; }

    // The first stream among the root's children named name, compared without ASCII case;
    // storages and other entries are passed over. nullptr when there is none.
    const Entry* FindStream(std::string_view name) const;

    // The bytes of a stream among RootChildren(). The result views this object's bytes, so it
    // must not outlive it.
    Result<StreamBytes> ReadStream(const Entry& entry) const&;
    // The same, consuming the file: the result keeps the file's bytes when it views them, and
    // they are freed at once when the stream had to be assembled. The file is left empty.
    Result<StreamBytes> ReadStream(const Entry& entry) &&;

  private:
    CompoundFile() = default;

    std::size_t SectorSize() const { return std::size_t{1} << m_sectorShift; }
    const std::uint8_t* Sector(std::uint32_t index) const {
        return m_bytes.data() + (std::size_t{index} + 1) * SectorSize();
    }
    // Sectors of the chain from start, in order; fails on a loop, a broken link or a sector past
    // the file's end.
    Result<std::vector<std::uint32_t>> Chain(std::uint32_t start) const;
    Status ReadFat(const std::uint8_t* header);
    Status ReadRootChildren();
    Result<StreamBytes> Assemble(const Entry& entry) const;

    ByteBuffer m_bytes;
    unsigned m_sectorShift = 9;
    std::uint32_t m_sectorCount = 0;  // whole sectors after the header sector
    std::vector<std::uint32_t> m_fat;
    std::vector<std::uint32_t> m_directory;  // the directory's sectors
    std::uint32_t m_miniFatStart = 0;
    Entry m_root;
    std::vector<Entry> m_children;
};

}  // namespace moxtel
