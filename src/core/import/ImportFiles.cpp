#include "core/import/ImportFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string_view>
#include <utility>

#include "core/workbook/CompoundFile.h"
#include "core/workbook/ZipArchive.h"

namespace moxtel {
namespace fs = std::filesystem;

namespace {

std::string SystemReason(int error) { return PlainReason(std::strerror(error)); }

class FileCollector {
public:
    explicit FileCollector(std::vector<ImportFailure>& failures) : m_failures(failures) {}

    void AddGiven(const std::string& path) {
        struct stat info {};
        if (stat(path.c_str(), &info) != 0) {
            const int error = errno;
            m_failures.push_back({path, error == ENOENT ? "no such file or folder" : SystemReason(error),
                                  error == ENOENT ? ImportIssue::NoSuchPath : ImportIssue::Unreadable});
        } else if (S_ISDIR(info.st_mode)) {
            std::vector<std::string> found;
            Walk(path, found);
            std::sort(found.begin(), found.end());
            for (const std::string& file : found) AddFile(file, /*given=*/false);
        } else if (S_ISREG(info.st_mode)) {
            Keep(path, info);
        } else {
            m_failures.push_back({path, "not a regular file", ImportIssue::NotAFile});
        }
    }

    std::vector<std::string> Files() && { return std::move(m_files); }

private:
    // The regular files below folder, in the order the folder lists them; a folder that cannot be
    // read is a failure, and the walk goes on with the next entry.
    void Walk(const fs::path& folder, std::vector<std::string>& found) {
        std::error_code ec;
        fs::directory_iterator it(folder, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            std::error_code kindError;
            if (it->is_symlink(kindError)) {
                if (it->is_regular_file(kindError)) found.push_back(it->path().string());
            } else if (it->is_directory(kindError)) {
                Walk(it->path(), found);
            } else if (it->is_regular_file(kindError)) {
                found.push_back(it->path().string());
            }
        }
        if (ec) {
            m_failures.push_back(
                {folder.string(), "cannot read the folder: " + SystemReason(ec.value()), ImportIssue::Unreadable});
        }
    }

    void AddFile(const std::string& path, bool given) {
        struct stat info {};
        if (stat(path.c_str(), &info) != 0) {
            m_failures.push_back({path, SystemReason(errno), ImportIssue::Unreadable});
        } else if (S_ISREG(info.st_mode)) {
            Keep(path, info);
        } else if (given) {
            m_failures.push_back({path, "not a regular file", ImportIssue::NotAFile});
        }
    }

    // The device and inode name a file whatever path reaches it.
    void Keep(const std::string& path, const struct stat& info) {
        if (m_seen.insert({info.st_dev, info.st_ino}).second) m_files.push_back(path);
    }

    std::vector<ImportFailure>& m_failures;
    std::vector<std::string> m_files;
    std::set<std::pair<dev_t, ino_t>> m_seen;
};

}  // namespace

std::vector<std::string> CollectImportFiles(const std::vector<std::string>& paths,
                                            std::vector<ImportFailure>& failures) {
    FileCollector collector(failures);
    for (const std::string& path : paths) collector.AddGiven(path);
    return std::move(collector).Files();
}

Result<FileStart> SniffFileStart(const std::string& path) {
    static constexpr std::string_view kOle2("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    static constexpr std::string_view kZip("PK\x03\x04", 4);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Error{"cannot read the file: " + SystemReason(errno)};
    char head[8] = {};
    const ssize_t got = read(fd, head, sizeof head);
    const int readError = errno;
    close(fd);
    if (got < 0) return Error{"cannot read the file: " + SystemReason(readError)};
    const std::string_view start(head, static_cast<std::size_t>(got));
    if (start.starts_with(kOle2)) return FileStart::Ole2;
    if (start.starts_with(kZip)) return FileStart::Zip;
    return FileStart::Text;
}

bool ContainerMayHoldWorkbook(const std::string& path, FileStart start) {
    if (start == FileStart::Zip) {
        const Result<ZipArchive> zip = ZipArchive::Open(path);
        return !zip || zip->Find("xl/workbook.xml") != nullptr;
    }
    if (start == FileStart::Ole2) {
        Result<ByteBuffer> bytes = ReadWholeFile(path);
        if (!bytes) return true;
        const Result<CompoundFile> file = CompoundFile::Parse(std::move(*bytes));
        return !file || file->FindStream("Workbook") != nullptr || file->FindStream("Book") != nullptr;
    }
    return false;
}

std::string PlainReason(std::string reason) {
    const auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
    const auto lower = [](char c) { return c >= 'a' && c <= 'z'; };
    // "The ..." but not "XML ...": only a capital that starts an ordinary word.
    if (reason.size() > 1 && upper(reason[0]) && lower(reason[1])) reason[0] = static_cast<char>(reason[0] - 'A' + 'a');
    if (!reason.empty() && reason.back() == '.') reason.pop_back();
    return reason;
}

}  // namespace moxtel
