#include "import/ImportFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace moxtel {
namespace fs = std::filesystem;

namespace {

void AddFolder(const fs::path& folder, std::vector<std::string>& files, std::vector<ImportFailure>& failures) {
    std::vector<std::string> found;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code kindError;
        if (it->is_regular_file(kindError)) found.push_back(it->path().string());
    }
    if (ec) failures.push_back({folder.string(), "cannot read the folder: " + ec.message()});
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
}

}  // namespace

std::vector<std::string> CollectImportFiles(const std::vector<std::string>& paths,
                                            std::vector<ImportFailure>& failures) {
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        if (fs::is_directory(status)) {
            AddFolder(path, files, failures);
        } else if (fs::exists(status)) {
            files.push_back(path);
        } else {
            failures.push_back({path, "no such file or folder"});
        }
    }
    return files;
}

bool HasWorkbookSignature(const std::string& path) {
    static constexpr std::string_view kOle2("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    static constexpr std::string_view kZip("PK\x03\x04", 4);
    char head[8] = {};
    std::ifstream in(path, std::ios::binary);
    in.read(head, sizeof head);
    const std::string_view got(head, static_cast<std::size_t>(in.gcount()));
    return got.starts_with(kOle2) || got.starts_with(kZip);
}

}  // namespace moxtel
