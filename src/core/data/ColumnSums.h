#pragma once

#include <string_view>
#include <vector>

struct sqlite3;

namespace moxtel {

// Registers the aggregate sums(x1, ..., xn) on a connection (n from 1 to kMaxSummedColumns): the
// rows of the group and the sum of each argument, in one step per row where n calls of total()
// took n. NULLs are skipped and the additions are the same doubles in the same row order as
// total()'s, so each sum equals total()'s to the bit. The result is the text "rows,sum1,...,sumN",
// each number the shortest text that reads back as the same double. Returns SQLite's code.
int RegisterColumnSums(sqlite3* db);
inline constexpr int kMaxSummedColumns = 16;

// The numbers of a sums() text in order (the row count first); a text that is no number reads 0.
std::vector<double> ParseColumnSums(std::string_view text);

}  // namespace moxtel
