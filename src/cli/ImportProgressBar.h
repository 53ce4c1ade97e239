#pragma once

#include <chrono>
#include <iosfwd>

#include "import/BulkImport.h"

namespace moxtel {

// The import's progress on a terminal: one line redrawn in place, at most ten times a second,
// with the stage, a bar, the count, days per second and the time left.
class ImportProgressBar {
public:
    explicit ImportProgressBar(std::ostream& out) : m_out(out) {}
    ImportProgressBar(const ImportProgressBar&) = delete;
    ImportProgressBar& operator=(const ImportProgressBar&) = delete;

    void Update(const ImportProgress& progress);
    // Clears the line, so the summary starts on a clean one.
    void Finish();

private:
    using Clock = std::chrono::steady_clock;
    std::ostream& m_out;
    ImportProgress::Stage m_stage = ImportProgress::Stage::Reading;
    Clock::time_point m_stageStart = Clock::now();
    Clock::time_point m_lastDraw{};
    bool m_drawn = false;
};

}  // namespace moxtel
