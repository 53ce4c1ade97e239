#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/common/FileWarning.h"
#include "core/data/StoreContext.h"
#include "core/layout/TickLayout.h"
#include "core/stats/TickDay.h"

namespace moxtel {

// What kind of reason an ImportFailure gives: the program's own message (a refused table, in
// Chinese; NoDirection: a trade list without directions, which the tick rule could read), or the
// words of a reader, the system or the database (English) for a file that cannot be read, a path
// that does not exist or is no file, or a day the database did not take.
enum class ImportIssue { Refused, NoDirection, Unreadable, NoSuchPath, NotAFile, Database };

// A file that could not be imported (or was skipped) and why.
struct ImportFailure {
    std::string path;
    std::string reason;
    ImportIssue issue = ImportIssue::Refused;
};

// A warning of a day stored: its file, the rows concerned and what (a day without trades, texts that are not numbers).
using ImportWarning = FileWarning;

// Two files of the same stock and day: the later one in the order given was stored.
struct ImportDuplicate {
    std::string masterId;
    std::string dropped;
    std::string kept;
};

// A day stored: its file and key, and whether its directions were inferred (推断方向).
struct ImportStored {
    std::string path;
    std::string masterId;
    bool inferredDirection = false;
};

// Progress of one of the two stages: reading every file found, then storing every day read.
struct ImportProgress {
    enum class Stage { Reading, Storing } stage = Stage::Reading;
    int done = 0;
    int total = 0;
};

struct ImportOptions {
    std::vector<std::string> paths;  // files and folders (walked recursively), in the order given
    int jobs = 0;                    // reading threads; 0: one per core
    // Read days held in memory between reading and storing; a day beyond it is read again when stored.
    std::size_t keptBytes = std::size_t{256} << 20;
    // Called on the calling thread after every file read and every day stored.
    std::function<void(const ImportProgress&)> progress;
    // Polled on the calling thread before every day; true stops the import after the last whole day.
    std::function<bool()> cancelled;
    // Warnings of the days stored (a day without trades, texts that are not numbers), calling thread.
    std::function<void(const ImportWarning&)> warning;
    // What the numbers of a numeric direction column mean (--direction-codes).
    DirectionCodes directionCodes{};
    // Infer the directions of trade lists without them by the tick rule (--infer-direction tick-rule).
    bool inferDirection = false;
    // How every day's trades fall into 小单 .. 超大单; each day is stored with it.
    OrderClassConvention orderConvention = OrderClassConvention::SharesOrAmount;
};

struct ImportSummary {
    int imported = 0;  // days stored
    int replaced = 0;  // of those, days that replaced a copy stored before the import
    int found = 0;     // files found under the paths given
    int skipped = 0;   // files that are no tick tables
    std::vector<ImportStored> storedDays;     // the days stored and their files, in the order stored
    std::vector<ImportFailure> skippedFiles;  // those files and why, in the order found
    std::vector<ImportFailure> failures;
    std::vector<ImportWarning> warnings;  // of the days stored, in the order stored
    std::vector<ImportDuplicate> duplicates;
    bool cancelled = false;  // stopped by the cancelled callback; the days stored so far stay
    std::optional<StatisticsOutcome> lastDay;  // the last day stored
};

// Imports every tick workbook under paths into the database of store, whose reporter shows its
// failures (also from the reading threads, which look up stored names).
//
// A file is a workbook when the readers recognise its content, whatever its name: a BIFF or
// OOXML container, or a text table of either layout; other files are skipped, each with the
// reason stats gives for it. A header table holding several dates gives one day per date. Workbooks are read and classified on `jobs` threads; one writer (the calling thread)
// stores the days per stock in trade-date order whatever the order of the files, so every day's
// previous close comes from the stored day before it. The same stock and day twice: the later in
// the order given wins. Each day is its own transaction: a failure or a cancel leaves every
// committed day whole and nothing of the day in flight.
ImportSummary ImportWorkbooks(const StoreContext& store, const ImportOptions& options);

// The files an import refused for having no directions (skipped or failed), in the order found.
std::vector<std::string> FilesWithoutDirection(const ImportSummary& summary);

// The summary of an import followed by a second import of its FilesWithoutDirection with the
// directions inferred: those files count as the second import tells, everything else as the first.
ImportSummary WithInferredRetry(ImportSummary first, ImportSummary retry);

}  // namespace moxtel
