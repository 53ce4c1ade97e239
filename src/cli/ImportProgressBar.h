#pragma once

#include <chrono>
#include <iosfwd>

#include "core/import/BulkImport.h"

namespace moxtel {

// The import's progress on a terminal: one line redrawn in place, at most ten times a second,
// with the stage (reading files, then storing days), a bar, the count, the pace and an estimate
// of the time the whole import still takes.
class ImportProgressBar {
public:
    using Clock = std::chrono::steady_clock;
    // start: when the import began (the reading stage's start).
    explicit ImportProgressBar(std::ostream& out, Clock::time_point start = Clock::now())
        : m_out(out), m_stageStart(start), m_lastUpdate(start) {}
    ImportProgressBar(const ImportProgressBar&) = delete;
    ImportProgressBar& operator=(const ImportProgressBar&) = delete;

    void Update(const ImportProgress& progress, Clock::time_point now = Clock::now());
    // Clears the line, so the summary starts on a clean one.
    void Finish();

private:
    std::ostream& m_out;
    ImportProgress::Stage m_stage = ImportProgress::Stage::Reading;
    Clock::time_point m_stageStart;
    Clock::time_point m_lastUpdate;
    Clock::time_point m_lastDraw{};
    bool m_drawn = false;
};

}  // namespace moxtel
