#include "core/data/ColumnSums.h"

#include <sqlite3.h>

#include <array>
#include <charconv>
#include <string>

namespace moxtel {
namespace {

struct Sums {
    int columns;
    double rows;
    std::array<double, kMaxSummedColumns> sums;
};

void StepSums(sqlite3_context* context, int argc, sqlite3_value** argv) {
    auto* sums = static_cast<Sums*>(sqlite3_aggregate_context(context, sizeof(Sums)));
    if (sums == nullptr) {
        sqlite3_result_error_nomem(context);
        return;
    }
    if (argc > kMaxSummedColumns) {
        sqlite3_result_error(context, "sums() takes at most 16 columns", -1);
        return;
    }
    sums->columns = argc;
    sums->rows += 1.0;
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) != SQLITE_NULL) {
            sums->sums[static_cast<std::size_t>(i)] += sqlite3_value_double(argv[i]);
        }
    }
}

void FinishSums(sqlite3_context* context) {
    const auto* sums = static_cast<const Sums*>(sqlite3_aggregate_context(context, 0));
    if (sums == nullptr) {  // a group without rows: only an aggregate over no rows at all
        sqlite3_result_null(context);
        return;
    }
    std::array<char, 32 * (kMaxSummedColumns + 1)> text{};
    char* at = text.data();
    char* const end = text.data() + text.size();
    for (int i = -1; i < sums->columns; ++i) {
        if (i >= 0) *at++ = ',';
        at = std::to_chars(at, end, i < 0 ? sums->rows : sums->sums[static_cast<std::size_t>(i)]).ptr;
    }
    sqlite3_result_text(context, text.data(), static_cast<int>(at - text.data()), SQLITE_TRANSIENT);
}

}  // namespace

int RegisterColumnSums(sqlite3* db) {
    return sqlite3_create_function(db, "sums", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                   nullptr, StepSums, FinishSums);
}

std::vector<double> ParseColumnSums(std::string_view text) {
    std::vector<double> numbers;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        double value = 0.0;
        std::from_chars(item.data(), item.data() + item.size(), value);
        numbers.push_back(value);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return numbers;
}

}  // namespace moxtel
