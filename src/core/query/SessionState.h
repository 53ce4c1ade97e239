#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/stats/FlowBuckets.h"

namespace moxtel {

// One listed day of a history query as the charts draw it: lots rounded to whole lots and the
// 主力净额 to 0.1 万元, as the grid shows them.
struct HistoryDayFigures {
    std::string date;  // yyyy-mm-dd
    std::array<double, 5> intervalLots{};
    double totalLots = 0.0;
    std::optional<double> mainNetAmount = std::nullopt;  // none for a day stored without order classes
    bool inferredDirection = false;                      // its directions were inferred (推断方向)
};

// Filters and interval texts of the last history query; read by the comparison and detail windows.
struct HistoryQueryState {
    std::string templateName;  // template combo text when the headers were last applied, "" for none
    std::string stockCode;
    std::string startDate;     // yyyymmdd
    std::string endDate;       // yyyymmdd
    int rowCount = 0;          // day rows of the last query
    std::array<std::string, 5> intervalTexts{"0-300", "300-500", "500-800", "800-1000", "1000-1000+"};
    std::vector<HistoryDayFigures> days;  // figures of the listed days, as the grid rows hold them
};

// A history query asked for by another window (the ranking's double-click): the history window
// opens on it and runs it at once.
struct HistoryRequest {
    std::string stockCode;
    std::string startDate;  // yyyymmdd
    std::string endDate;    // yyyymmdd
    bool pending = false;
};

// The records that live for the whole desktop session and connect its windows. The application
// owns one and hands it to every window; nothing in the core keeps it as a global.
struct SessionState {
    DayFlowResult day;            // the current day: last run, last listed day, or last opened day
    std::string currentMasterId;  // key of the current stored day
    HistoryQueryState history;
    HistoryRequest historyRequest;
};

}  // namespace moxtel
