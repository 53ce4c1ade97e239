#include "cli/ImportProgressBar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>

namespace moxtel {
namespace {

constexpr int kBarWidth = 30;
constexpr std::size_t kColumns = 79;  // the line stays narrower than an 80-column terminal
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

// "45s", "19m29s", "1h41m", "3889h".
std::string Duration(double seconds) {
    const long long s = std::llround(seconds);
    char text[32];
    if (s < 60) {
        std::snprintf(text, sizeof text, "%llds", s);
    } else if (s < 3600) {
        std::snprintf(text, sizeof text, "%lldm%02llds", s / 60, s % 60);
    } else if (s < 100 * 3600) {
        std::snprintf(text, sizeof text, "%lldh%02lldm", s / 3600, s % 3600 / 60);
    } else {
        std::snprintf(text, sizeof text, "%lldh", std::llround(seconds / 3600));
    }
    return text;
}

}  // namespace

void ImportProgressBar::Update(const ImportProgress& progress, Clock::time_point now) {
    // Storing starts when reading ends, which is the last reading update.
    if (progress.stage != m_stage) {
        m_stage = progress.stage;
        m_stageStart = m_lastUpdate;
    }
    m_lastUpdate = now;
    const bool last = progress.done >= progress.total;
    if (m_drawn && !last && now - m_lastDraw < kRedrawEvery) return;
    m_lastDraw = now;
    m_drawn = true;

    const bool reading = m_stage == ImportProgress::Stage::Reading;
    const char* unit = reading ? "files" : "days";
    const double seconds = std::chrono::duration<double>(now - m_stageStart).count();
    const double rate = seconds > 0 ? progress.done / seconds : 0.0;
    char counts[128];
    std::snprintf(counts, sizeof counts, rate < 10 ? "%d/%d %s  %.1f %s/s" : "%d/%d %s  %.0f %s/s", progress.done,
                  progress.total, unit, rate, unit);
    std::string tail = counts;
    if (rate > 0) {
        // While reading, storing is still to come: each file read is taken to cost as much to store.
        const double left = reading ? (2.0 * progress.total - progress.done) / rate : (progress.total - progress.done) / rate;
        tail += "  ~" + Duration(left) + " left";
    }
    const char* stage = reading ? "reading " : "storing ";
    const std::size_t room = kColumns - std::min(kColumns, std::string(stage).size() + 3 + tail.size());
    const int width = static_cast<int>(std::min<std::size_t>(kBarWidth, room));
    const int filled = progress.total > 0 ? static_cast<int>(static_cast<long long>(width) * progress.done / progress.total) : width;
    std::string line = stage;
    if (width > 0) {
        line += "[" + std::string(static_cast<std::size_t>(filled), '#') +
                std::string(static_cast<std::size_t>(width - filled), '.') + "] ";
    }
    line += tail;
    line.resize(std::min(line.size(), kColumns));
    m_out << '\r' << line << "\x1b[K" << std::flush;
}

void ImportProgressBar::Finish() {
    if (m_drawn) m_out << "\r\x1b[K" << std::flush;
}

}  // namespace moxtel
