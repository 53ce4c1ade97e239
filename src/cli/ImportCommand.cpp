// moxtel-flow import: many workbooks at once, stored per stock in trade-date order.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <iostream>
#include <memory>
#include <ostream>

#include "cli/CliCommands.h"
#include "cli/ImportProgressBar.h"
#include "cli/Json.h"
#include "cli/OrderClassOutput.h"
#include "core/common/TextUtil.h"
#include "core/import/BulkImport.h"
#include "core/stats/DayFlowTable.h"

namespace moxtel {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

// The first Ctrl-C asks the import to stop after the day in flight; a second one ends the
// process at once (the day in flight is then rolled back by the database).
extern "C" void OnInterrupt(int) {
    g_interrupted = 1;
    std::signal(SIGINT, SIG_DFL);
}

class InterruptScope {
public:
    InterruptScope() {
        g_interrupted = 0;
        m_previous = std::signal(SIGINT, OnInterrupt);
    }
    ~InterruptScope() { std::signal(SIGINT, m_previous); }
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

private:
    void (*m_previous)(int) = SIG_DFL;
};

constexpr std::size_t kSkippedListed = 10;  // skipped files, and stored days, named in the text summary

Json PathsJson(const std::vector<ImportFailure>& list) {
    Json array = Json::MakeArray();
    for (const ImportFailure& f : list) array.Push(Json::MakeObject().Add("path", f.path).Add("reason", f.reason));
    return array;
}

Json SummaryJson(const ImportSummary& s) {
    Json duplicates = Json::MakeArray();
    for (const ImportDuplicate& d : s.duplicates) {
        duplicates.Push(Json::MakeObject().Add("masterId", d.masterId).Add("kept", d.kept).Add("dropped", d.dropped));
    }
    Json stored = Json::MakeArray();
    for (const ImportStored& d : s.storedDays) {
        stored.Push(Json::MakeObject()
                        .Add("path", d.path)
                        .Add("masterId", d.masterId)
                        .Add("inferredDirection", d.inferredDirection));
    }
    return Json::MakeObject()
        .Add("imported", s.imported)
        .Add("replaced", s.replaced)
        .Add("failed", static_cast<int>(s.failures.size()))
        .Add("skipped", s.skipped)
        .Add("interrupted", s.cancelled)
        .Add("storedDays", std::move(stored))
        .Add("duplicates", std::move(duplicates))
        .Add("failures", PathsJson(s.failures))
        .Add("skippedFiles", PathsJson(s.skippedFiles));
}

void WriteSummary(std::ostream& out, const ImportSummary& s) {
    out << "imported " << s.imported << (s.imported == 1 ? " day (" : " days (") << s.replaced << " replaced an earlier copy), " << s.failures.size()
        << " failed, " << s.skipped << " skipped (not workbooks)\n";
    for (std::size_t i = 0; i < s.storedDays.size() && i < kSkippedListed; ++i) {
        const ImportStored& d = s.storedDays[i];
        out << "stored: " << d.path << ": " << d.masterId;
        if (d.inferredDirection) out << " " << kInferredDirectionText;
        out << "\n";
    }
    if (s.storedDays.size() > kSkippedListed) {
        out << "stored: " << s.storedDays.size() - kSkippedListed << " more days (--json lists every one)\n";
    }
    for (const ImportDuplicate& d : s.duplicates) {
        out << "same day twice: " << d.masterId << " from " << d.kept << " (not " << d.dropped << ")\n";
    }
    for (const ImportFailure& f : s.failures) out << "failed: " << f.path << ": " << f.reason << "\n";
    for (std::size_t i = 0; i < s.skippedFiles.size() && i < kSkippedListed; ++i) {
        out << "skipped: " << s.skippedFiles[i].path << ": " << s.skippedFiles[i].reason << "\n";
    }
    if (s.skippedFiles.size() > kSkippedListed) {
        out << "skipped: " << s.skippedFiles.size() - kSkippedListed << " more (--json lists every one)\n";
    }
    if (s.cancelled) out << "interrupted: the days imported so far are stored whole\n";
}

}  // namespace

int RunImportCommand(const CliArgs& args, CliContext& ctx) {
    if (args.positional.empty()) return UsageError(ctx, "needs one or more PATHs");
    ImportOptions options;
    options.paths = args.positional;
    if (int status = 0; !DirectionCodesOption(args, ctx, options.directionCodes, status)) return status;
    if (int status = 0; !InferDirectionOption(args, ctx, options.inferDirection, status)) return status;
    if (const int status = ReadConventionOption(args, ctx, options.orderConvention); status != kExitOk) return status;
    if (args.HasOption("--jobs")) {
        const std::string jobs = args.Option("--jobs");
        options.jobs = ParseLeadingDigits(jobs);
        if (options.jobs < 1 || options.jobs > 256 || std::to_string(options.jobs) != jobs) {
            return UsageError(ctx, "--jobs needs a number from 1 to 256");
        }
    }
    // The bar only when stderr is the process's own terminal.
    std::unique_ptr<ImportProgressBar> bar;
    if (&ctx.err == &std::cerr && isatty(STDERR_FILENO) != 0) bar = std::make_unique<ImportProgressBar>(ctx.err);
    if (bar) options.progress = [&bar](const ImportProgress& p) { bar->Update(p); };
    options.warning = [&ctx, &bar](const ImportWarning& warning) {
        if (bar) bar->Finish();
        ctx.err << "moxtel-flow: " << warning.Text() << "\n";
    };
    InterruptScope interrupts;
    options.cancelled = [] { return g_interrupted != 0; };

    const ImportSummary summary = ImportWorkbooks(ctx.store, options);
    if (bar) bar->Finish();
    // Each failure is an error like any command's; the summary on stdout lists them again.
    for (const ImportFailure& f : summary.failures) ctx.err << "moxtel-flow: " << f.path << ": " << f.reason << "\n";
    if (args.Has("--json")) {
        ctx.out << SummaryJson(summary).Dump();
    } else {
        WriteSummary(ctx.out, summary);
    }
    // Nothing stored of what was given is a failure, said in one line.
    if (summary.imported == 0 && !summary.cancelled && summary.failures.empty()) {
        return Failure(ctx, summary.found == 0 ? "no files found"
                                               : "no tick table found: " + std::to_string(summary.skipped) +
                                                     (summary.skipped == 1 ? " file skipped" : " files skipped"));
    }
    if (summary.imported == 0 && !summary.cancelled) {
        return Failure(ctx, "nothing imported: " + std::to_string(summary.failures.size()) +
                                (summary.failures.size() == 1 ? " file failed" : " files failed"));
    }
    return summary.failures.empty() && !summary.cancelled ? kExitOk : kExitFailure;
}

}  // namespace moxtel
