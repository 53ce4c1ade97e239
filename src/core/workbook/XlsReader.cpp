// .xls workbooks: libgsf opens the OLE2 compound file, the BIFF records are read here.
#include <gsf/gsf.h>
#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "workbook/BiffWorkbook.h"
#include "workbook/WorkbookFormats.h"

namespace moxtel {
namespace {

constexpr std::uint8_t kOleSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::size_t kReadChunk = 64 * 1024;

struct ObjectUnref {
    void operator()(void* object) const { g_object_unref(object); }
};
using InputPtr = std::unique_ptr<GsfInput, ObjectUnref>;
using InfilePtr = std::unique_ptr<GsfInfile, ObjectUnref>;

// libgsf reports a damaged container through GError or a NULL result, which becomes the reader's
// result; while it reads, its log output about the damage (criticals and warnings on broken sector
// chains) is dropped instead of reaching the terminal. Single-threaded like the whole run.
class QuietLibgsf {
  public:
    QuietLibgsf() {
        static std::once_flag once;
        std::call_once(once, [] { gsf_init(); });
        for (std::size_t i = 0; i < std::size(kDomains); ++i)
            m_handlers[i] = g_log_set_handler(kDomains[i], kLevels, Drop, nullptr);
    }
    ~QuietLibgsf() {
        for (std::size_t i = 0; i < std::size(kDomains); ++i) g_log_remove_handler(kDomains[i], m_handlers[i]);
    }
    QuietLibgsf(const QuietLibgsf&) = delete;
    QuietLibgsf& operator=(const QuietLibgsf&) = delete;

  private:
    static constexpr const char* kDomains[] = {nullptr, "libgsf", "libgsf:msole"};
    static constexpr auto kLevels = static_cast<GLogLevelFlags>(
        G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG);
    static void Drop(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}
    guint m_handlers[std::size(kDomains)] = {};
};

std::string TakeMessage(GError* error, const char* fallback) {
    std::string text = error && error->message ? error->message : fallback;
    if (error) g_error_free(error);
    return text;
}

struct WorkbookStream {
    std::vector<std::uint8_t> bytes;
    bool book = false;  // named "Book": a BIFF5 workbook
};

// The "Workbook" stream (BIFF8), else the "Book" stream (BIFF5); names compared without case.
InputPtr FindWorkbookStream(GsfInfile* root, bool& book) {
    for (const char* wanted : {"Workbook", "Book"}) {
        const int count = gsf_infile_num_children(root);
        for (int i = 0; i < count; ++i) {
            const char* name = gsf_infile_name_by_index(root, i);
            if (!name || strcasecmp(name, wanted) != 0) continue;
            InputPtr child(gsf_infile_child_by_index(root, i));
            if (!child || (GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0))
                continue;  // a storage, not a stream
            book = std::strcmp(wanted, "Book") == 0;
            return child;
        }
    }
    return nullptr;
}

// Reads the whole workbook stream; it can be no larger than the file that holds it.
Result<WorkbookStream> ReadWorkbookStream(const std::string& path) {
    const QuietLibgsf quiet;
    GError* error = nullptr;
    InputPtr file(gsf_input_stdio_new(path.c_str(), &error));
    if (!file) return Error{"Cannot open the file: " + TakeMessage(error, "unknown error")};
    const gsf_off_t fileSize = gsf_input_size(file.get());
    if (fileSize <= 0) return Error{"The file is empty."};
    std::uint8_t signature[sizeof kOleSignature];
    if (fileSize < gsf_off_t(sizeof signature) || !gsf_input_read(file.get(), sizeof signature, signature) ||
        std::memcmp(signature, kOleSignature, sizeof signature) != 0)
        return Error{"The file is not an Excel 97-2003 (.xls) workbook."};
    if (gsf_input_seek(file.get(), 0, G_SEEK_SET)) return Error{"Cannot read the file."};

    InfilePtr root(gsf_infile_msole_new(file.get(), &error));
    if (!root) return Error{"The workbook is damaged: " + TakeMessage(error, "unreadable container")};
    WorkbookStream result;
    InputPtr stream = FindWorkbookStream(root.get(), result.book);
    if (!stream) return Error{"The file is not an Excel workbook: it holds no workbook stream."};
    const gsf_off_t size = gsf_input_size(stream.get());
    if (size < 0 || size > fileSize) return Error{"The workbook is damaged: its stream is larger than the file."};

    result.bytes.resize(static_cast<std::size_t>(size));
    for (std::size_t done = 0; done < result.bytes.size();) {
        const std::size_t n = std::min(kReadChunk, result.bytes.size() - done);
        if (!gsf_input_read(stream.get(), n, result.bytes.data() + done))
            return Error{"The workbook is damaged or truncated: its stream cannot be read."};
        done += n;
    }
    return result;
}

}  // namespace

Result<SheetModel> ReadXlsWorkbook(const std::string& path) {
    auto stream = ReadWorkbookStream(path);
    if (!stream) return stream.error();
    const std::span<const std::uint8_t> bytes(stream->bytes);
    auto globals = biff::ReadGlobals(bytes, stream->book);
    if (!globals) return globals.error();
    return biff::ReadActiveSheet(bytes, *globals);
}

}  // namespace moxtel
