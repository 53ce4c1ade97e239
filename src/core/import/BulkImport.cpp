#include "core/import/BulkImport.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <thread>
#include <tuple>

#include "core/data/CAdoDatabase.h"
#include "core/import/ImportFiles.h"
#include "core/import/OrderedParallel.h"
#include "core/import/PackedTickDay.h"
#include "core/layout/CTickTable.h"
#include "core/stats/SqliteDayStore.h"
#include "core/stats/StatisticsRun.h"
#include "core/stats/StoredDays.h"

namespace moxtel {
namespace {

// One file after reading: a day, a file that is no workbook, or a failure.
struct ReadSlot {
    enum class Kind { Day, Skipped, Failed } kind = Kind::Failed;
    std::optional<TickDay> day;
    std::optional<PackedTickDay> packed;  // the day while it waits for the writer
    std::string reason;
    ImportIssue issue = ImportIssue::Refused;
    std::vector<FileWarning> warnings;
    bool nameFromCode = false;          // a header table: the stock's name was looked up by its code
    std::string tableDate;              // the date chosen of a table of several dates
    std::string tableStock;             // the code chosen of a table of several stocks
    std::vector<ReadSlot> moreDays;     // a table of several dates: the days after the first
};

// How a file is read: the stored names of codes, and what the command line said of numeric directions.
struct ReadRequest {
    std::function<std::string(const std::string& code)> stockOf;
    DirectionCodes directionCodes;
    std::string tableDate;   // the date to take of a table of several dates
    std::string tableStock;  // the code to take of a table of several stocks
    bool inferDirection = false;  // --infer-direction: lists without directions by the tick rule
};

// A message without the leading "path: " that refusals carry; the import lists the file beside it.
std::string WithoutPath(const std::string& message, const std::string& path) {
    const std::string prefix = path + ": ";
    return message.starts_with(prefix) ? message.substr(prefix.size()) : message;
}

// The reason of a refusal in the import's plain style, and whether it is the program's message or
// a reader's words.
std::string ReasonOf(const Error& error, const std::string& path, ImportIssue& issue) {
    issue = error.kind == ErrorKind::NoDirection ? ImportIssue::NoDirection : ImportIssue::Refused;
    if (error.kind == ErrorKind::OpenFailed) {
        issue = ImportIssue::Unreadable;
        const std::size_t line = error.detail.find('\n');
        return PlainReason(line == std::string::npos ? error.message : error.detail.substr(line + 1));
    }
    return PlainReason(WithoutPath(error.message, path));
}

// Reads the file at path; a header table without a stock name asks the request's stockOf for it.
ReadSlot ReadOne(const std::string& path, const ReadRequest& request) {
    ReadSlot slot;
    slot.tableDate = request.tableDate;
    slot.tableStock = request.tableStock;
    StatisticsObserver observer;
    observer.warning = [&slot](const FileWarning& warning) { slot.warnings.push_back(warning); };
    DayOverrides overrides;
    overrides.tradeDate = request.tableDate;
    overrides.stock = request.tableStock;
    overrides.directionCodes = request.directionCodes;
    overrides.inferDirection = request.inferDirection;
    overrides.storedStockOf = [&slot, &request](const std::string& code) {
        slot.nameFromCode = true;
        return request.stockOf(code);
    };
    Result<TickDay> tick = ReadTickDay(path, observer, overrides);
    if (tick) {
        slot.kind = ReadSlot::Kind::Day;
        slot.day = std::move(*tick);
        return slot;
    }
    // A file that cannot be read fails. Text that is no tick table of either layout, and a container
    // that holds no workbook, are no workbooks; a workbook or tick table that fails (damaged, no
    // date in its name) is a failure.
    const Result<FileStart> start = SniffFileStart(path);
    if (!start) {
        slot.reason = start.error().message;
        slot.issue = ImportIssue::Unreadable;
        return slot;
    }
    const bool workbook =
        *start == FileStart::Text ? IsTickTable(path, request.inferDirection) : ContainerMayHoldWorkbook(path, *start);
    slot.kind = workbook ? ReadSlot::Kind::Failed : ReadSlot::Kind::Skipped;
    slot.reason = ReasonOf(tick.error(), path, slot.issue);
    return slot;
}

// The (code, date) requests of a table of several stocks or dates: one per day its trades hold.
std::vector<ReadRequest> RequestsOfDays(const TickTableInfo& info, const ReadRequest& request) {
    std::vector<ReadRequest> requests;
    for (const auto& [code, date] : info.days) {
        ReadRequest each = request;
        if (info.codes.size() > 1) each.tableStock = code;
        if (info.dates.size() > 1) each.tableDate = date;
        const bool known = std::any_of(requests.begin(), requests.end(), [&each](const ReadRequest& r) {
            return r.tableStock == each.tableStock && r.tableDate == each.tableDate;
        });
        if (!known) requests.push_back(std::move(each));
    }
    return requests;
}

// A header table of several dates or stocks is read once per stock and date; a file that fails for
// another reason keeps its failure.
ReadSlot ReadAllDays(const std::string& path, const ReadRequest& request) {
    ReadSlot slot = ReadOne(path, request);
    if (slot.kind != ReadSlot::Kind::Failed || !request.tableDate.empty() || !request.tableStock.empty()) return slot;
    DayOverrides overrides;
    overrides.directionCodes = request.directionCodes;
    overrides.inferDirection = request.inferDirection;
    const Result<TickTableInfo> info = InspectTickTable(path, overrides);
    if (!info || (info->dates.size() < 2 && info->codes.size() < 2)) return slot;
    const std::vector<ReadRequest> requests = RequestsOfDays(*info, request);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        ReadSlot day = ReadOne(path, requests[i]);
        if (i == 0) {
            slot = std::move(day);
        } else {
            slot.moreDays.push_back(std::move(day));
        }
    }
    return slot;
}

// The code in a stock text's closing "(code)".
std::string CodeOf(const std::string& stock) {
    const std::size_t open = stock.rfind('(');
    return open == std::string::npos || stock.size() < open + 2 ? stock : stock.substr(open + 1, stock.size() - open - 2);
}

void Pack(ReadSlot& slot) {
    if (slot.day) {
        slot.packed.emplace(std::move(*slot.day));
        slot.day.reset();
    }
}

// Reads a file on a worker and packs its days for the wait until they are stored.
ReadSlot ReadAndPack(const std::string& path, const StoredDays& stored, const ImportOptions& options) {
    ReadSlot slot = ReadAllDays(path, {stored.StockTextHook(), options.directionCodes, "", "", options.inferDirection});
    Pack(slot);
    for (ReadSlot& more : slot.moreDays) Pack(more);
    return slot;
}

// A workbook read once: its key and, while the memory allows, the read day itself.
struct Entry {
    std::size_t order = 0;  // position in the files found
    std::string path;
    std::string stockCode;
    std::string tradeDate;
    std::optional<PackedTickDay> day;
    std::vector<FileWarning> warnings;
    bool nameFromCode = false;  // a header table named by its code: read again, it gets stockCode
    std::string tableDate{};    // a table of several dates: the date this entry takes of it
    std::string tableStock{};   // a table of several stocks: the code this entry takes of it
};

class Importer {
public:
    Importer(const StoreContext& store, const ImportOptions& options)
        : m_options(options), m_store(store), m_stored(m_store) {
        m_jobs = options.jobs > 0 ? options.jobs : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    }

    ImportSummary Run() {
        m_files = CollectImportFiles(m_options.paths, m_summary.failures);
        ReadAll();
        if (m_summary.cancelled) return std::move(m_summary);
        NameUnnamedDays();
        StoreAll(SortedWithoutDuplicates());
        return std::move(m_summary);
    }

private:
    bool Cancelled() {
        if (m_options.cancelled && m_options.cancelled()) m_summary.cancelled = true;
        return m_summary.cancelled;
    }

    void Report(ImportProgress::Stage stage, int done, int total) {
        if (m_options.progress) m_options.progress({stage, done, total});
    }

    // Reads every file on the worker threads; keeps the keys, and the days while memory allows.
    void ReadAll() {
        const int total = static_cast<int>(m_files.size());
        m_summary.found = total;
        OrderedParallel<ReadSlot>(
            m_files.size(), m_jobs, static_cast<std::size_t>(m_jobs) * 4,
            [this](std::size_t i) { return ReadAndPack(m_files[i], m_stored, m_options); },
            [&](std::size_t i, ReadSlot&& slot) {
                Take(i, std::move(slot));
                Report(ImportProgress::Stage::Reading, static_cast<int>(i) + 1, total);
                return !Cancelled();
            });
    }

    // One file's slot (and the further days of a table of several dates) into the summary or the entries.
    void Take(std::size_t i, ReadSlot&& slot) {
        std::vector<ReadSlot> more = std::move(slot.moreDays);
        if (slot.kind == ReadSlot::Kind::Skipped) {
            ++m_summary.skipped;
            m_summary.skippedFiles.push_back({m_files[i], slot.reason, slot.issue});
        }
        if (slot.kind == ReadSlot::Kind::Failed) m_summary.failures.push_back({m_files[i], slot.reason, slot.issue});
        if (slot.kind == ReadSlot::Kind::Day) {
            Entry entry{i, m_files[i], slot.packed->StockCode(), slot.packed->TradeDate(), {}, {}};
            entry.warnings = std::move(slot.warnings);
            entry.nameFromCode = slot.nameFromCode;
            entry.tableDate = slot.tableDate;
            entry.tableStock = slot.tableStock;
            const std::size_t bytes = slot.packed->Bytes();
            if (m_keptBytes + bytes <= m_options.keptBytes) {
                m_keptBytes += bytes;
                entry.day = std::move(slot.packed);
            }
            m_entries.push_back(std::move(entry));
        }
        for (ReadSlot& day : more) Take(i, std::move(day));
    }

    // A header table without a stock name was named by its code from the store as it was before
    // this import. A code keeps one stock text within an import: where a file of the import names
    // the stock (a title cell, --stock), the unnamed days of its code take the name of the newest
    // such day, so that no day is stored under both 000001(000001) and 平安银行(000001), unless the
    // store holds a newer day of the code, whose name then stays. A renamed day is read again under
    // its name.
    void NameUnnamedDays() {
        std::map<std::string, const Entry*> namedByCode;  // the newest day of each code named by its file
        for (const Entry& entry : m_entries) {
            if (entry.nameFromCode) continue;
            const Entry*& named = namedByCode[CodeOf(entry.stockCode)];
            if (!named || named->tradeDate <= entry.tradeDate) named = &entry;
        }
        std::map<std::string, bool> storeIsNewer;  // per code, asked of the store once
        for (Entry& entry : m_entries) {
            const auto it = namedByCode.find(CodeOf(entry.stockCode));
            if (!entry.nameFromCode || it == namedByCode.end() || it->second->stockCode == entry.stockCode) continue;
            const auto [newer, first] = storeIsNewer.try_emplace(it->first, false);
            if (first) newer->second = it->second->tradeDate < m_stored.NewestDate(it->first);
            if (newer->second) continue;
            entry.stockCode = it->second->stockCode;
            entry.day.reset();
        }
    }

    // Per stock in trade-date order; of the files of one day the last in the order given stays,
    // and each of the others is a duplicate that names it.
    std::vector<Entry*> SortedWithoutDuplicates() {
        std::map<std::pair<std::string, std::string>, Entry*> byDay;
        for (Entry& entry : m_entries) byDay[{entry.stockCode, entry.tradeDate}] = &entry;
        for (Entry& entry : m_entries) {
            const Entry* kept = byDay[{entry.stockCode, entry.tradeDate}];
            if (kept == &entry) continue;
            m_summary.duplicates.push_back({entry.stockCode + entry.tradeDate, entry.path, kept->path});
            entry.day.reset();
        }
        std::vector<Entry*> sorted;
        for (auto& [key, entry] : byDay) sorted.push_back(entry);
        return sorted;  // the map's order is (stock, date)
    }

    // Stores the days in order on this thread; days not kept are read again ahead of the writer.
    void StoreAll(const std::vector<Entry*>& sorted) {
        SqliteDayStore store(m_store);
        store.KeepConnection();
        const int total = static_cast<int>(sorted.size());
        int settled = 0;
        bool databaseFailed = false;
        OrderedParallel<ReadSlot>(
            sorted.size(), m_jobs, static_cast<std::size_t>(m_jobs) * 2,
            [this, &sorted](std::size_t j) {
                Entry& entry = *sorted[j];
                if (!entry.day) {
                    // Named by its code: under the name given it, never one this import has stored since.
                    ReadRequest request{m_stored.StockTextHook(), m_options.directionCodes, entry.tableDate,
                                        entry.tableStock, m_options.inferDirection};
                    if (entry.nameFromCode) request.stockOf = [&entry](const std::string&) { return entry.stockCode; };
                    return ReadOne(entry.path, request);
                }
                ReadSlot slot;
                slot.kind = ReadSlot::Kind::Day;
                slot.day = std::move(*entry.day).Unpack();
                entry.day.reset();
                return slot;
            },
            [&](std::size_t j, ReadSlot&& slot) {
                if (Cancelled()) return false;
                databaseFailed = !StoreOne(*sorted[j], std::move(slot), store);
                Report(ImportProgress::Stage::Storing, ++settled, total);
                return !databaseFailed;
            });
        // The days after a database failure were not tried: each is reported, none is lost silently.
        for (std::size_t j = static_cast<std::size_t>(settled); databaseFailed && j < sorted.size(); ++j) {
            m_summary.failures.push_back(
                {sorted[j]->path, "not stored: stopped after the database failed", ImportIssue::Database});
        }
    }

    // False when the database failed: the days after it would fail the same way.
    bool StoreOne(Entry& entry, ReadSlot&& slot, SqliteDayStore& store) {
        if (slot.kind != ReadSlot::Kind::Day) {
            if (slot.reason.empty()) {
                m_summary.failures.push_back({entry.path, "cannot be read again", ImportIssue::Unreadable});
            } else {
                m_summary.failures.push_back({entry.path, slot.reason, slot.issue});
            }
            return true;
        }
        DayHeaderInfo header;
        Result<StatisticsOutcome> stored =
            StoreTickDay(std::move(*slot.day), "", "", &store, &header, m_options.orderConvention);
        if (!stored) {
            m_summary.failures.push_back({entry.path, "not stored: the database failed", ImportIssue::Database});
            return false;
        }
        ++m_summary.imported;
        if (header.replaced) ++m_summary.replaced;
        m_summary.storedDays.push_back({entry.path, stored->day.masterId, stored->day.inferredDirection});
        for (FileWarning& warning : entry.warnings) {
            if (m_options.warning) m_options.warning(warning);
            m_summary.warnings.push_back(std::move(warning));
        }
        m_summary.lastDay = std::move(*stored);
        return true;
    }

    const ImportOptions& m_options;
    const StoreContext& m_store;
    const StoredDays m_stored;
    int m_jobs = 1;
    std::vector<std::string> m_files;
    std::vector<Entry> m_entries;
    std::size_t m_keptBytes = 0;
    ImportSummary m_summary;
};

}  // namespace

ImportSummary ImportWorkbooks(const StoreContext& store, const ImportOptions& options) {
    return Importer(store, options).Run();
}

std::vector<std::string> FilesWithoutDirection(const ImportSummary& summary) {
    std::vector<std::string> files;
    for (const auto* list : {&summary.skippedFiles, &summary.failures}) {
        for (const ImportFailure& f : *list) {
            if (f.issue == ImportIssue::NoDirection) files.push_back(f.path);
        }
    }
    return files;
}

ImportSummary WithInferredRetry(ImportSummary first, ImportSummary retry) {
    const auto withoutDirection = [](const ImportFailure& f) { return f.issue == ImportIssue::NoDirection; };
    first.skipped -= static_cast<int>(std::erase_if(first.skippedFiles, withoutDirection));
    std::erase_if(first.failures, withoutDirection);
    const auto append = [](auto& to, auto& from) {
        to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
    };
    first.imported += retry.imported;
    first.replaced += retry.replaced;
    first.skipped += retry.skipped;
    append(first.storedDays, retry.storedDays);
    append(first.skippedFiles, retry.skippedFiles);
    append(first.failures, retry.failures);
    append(first.warnings, retry.warnings);
    append(first.duplicates, retry.duplicates);
    first.cancelled = first.cancelled || retry.cancelled;
    if (retry.lastDay) first.lastDay = std::move(retry.lastDay);
    return first;
}

}  // namespace moxtel
