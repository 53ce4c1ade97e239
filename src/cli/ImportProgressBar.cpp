#include "ImportProgressBar.h"

#include <cstdio>
#include <ostream>
#include <string>

namespace moxtel {
namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

}  // namespace

void ImportProgressBar::Update(const ImportProgress& progress) {
    const Clock::time_point now = Clock::now();
    if (progress.stage != m_stage) {
        m_stage = progress.stage;
        m_stageStart = now;
    }
    const bool last = progress.done >= progress.total;
    if (m_drawn && !last && now - m_lastDraw < kRedrawEvery) return;
    m_lastDraw = now;
    m_drawn = true;

    const double seconds = std::chrono::duration<double>(now - m_stageStart).count();
    const double rate = seconds > 0 ? progress.done / seconds : 0.0;
    const double left = rate > 0 ? (progress.total - progress.done) / rate : 0.0;
    const int filled = progress.total > 0 ? kBarWidth * progress.done / progress.total : kBarWidth;
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(kBarWidth - filled), '.');
    char line[160];
    std::snprintf(line, sizeof line, "\r%-8s [%s] %d/%d  %.1f days/s  %.0fs left \x1b[K",
                  m_stage == ImportProgress::Stage::Reading ? "reading" : "storing", bar.c_str(), progress.done,
                  progress.total, rate, left);
    m_out << line << std::flush;
}

void ImportProgressBar::Finish() {
    if (m_drawn) m_out << "\r\x1b[K" << std::flush;
}

}  // namespace moxtel
