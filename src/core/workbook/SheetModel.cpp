#include "core/workbook/SheetModel.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/workbook/TextLineWindow.h"

namespace moxtel {

std::string_view TextStore::Add(std::string_view text) {
    if (text.empty()) return {};
    char* at = nullptr;
    if (text.size() > kChunkBytes / 4) {  // a long text gets a block of its own
        m_blocks.push_back(std::make_unique<char[]>(text.size()));
        at = m_blocks.back().get();
        m_bytes += text.size();
    } else {
        if (m_chunks.empty() || kChunkBytes - m_used < text.size()) {
            m_chunks.push_back(std::make_unique<char[]>(kChunkBytes));
            m_used = 0;
            m_bytes += kChunkBytes;
        }
        at = m_chunks.back().get() + m_used;
        m_used += text.size();
    }
    std::memcpy(at, text.data(), text.size());
    return {at, text.size()};
}

std::string_view TextStore::Adopt(std::string&& text) {
    m_bytes += text.size();
    m_adopted.push_back(std::make_unique<std::string>(std::move(text)));
    return *m_adopted.back();
}

SheetModel::SheetModel() { m_formatIndex.emplace("General", 0); }
SheetModel::SheetModel(SheetModel&&) noexcept = default;
SheetModel& SheetModel::operator=(SheetModel&&) noexcept = default;
SheetModel::~SheetModel() = default;

std::uint32_t SheetModel::AddFormat(std::string_view code) {
    const auto [it, added] = m_formatIndex.emplace(std::string(code), static_cast<std::uint32_t>(formatCodes.size()));
    if (added) formatCodes.emplace_back(code);
    return it->second;
}

namespace {

bool HoldsText(CellValue::Kind kind) { return kind == CellValue::Kind::Text || kind == CellValue::Kind::Error; }

}  // namespace

// Grows by half, never past the cap, so the old and new arrays together stay well below 256 MB.
bool SheetModel::Grow() {
    if (cells.size() >= kMaxSheetCells || texts.Bytes() > kMaxSheetTextBytes) return false;
    cells.reserve(std::min(kMaxSheetCells, std::max<std::size_t>(1024, cells.size() + cells.size() / 2)));
    return true;
}

Error SheetModel::TooLarge() {
    return Error{"The sheet is too large: more than 3,000,000 cells or 64 MB of text."};
}

namespace {

bool Before(const StoredCell& a, const StoredCell& b) {
    return a.row != b.row ? a.row < b.row : a.column < b.column;
}

}  // namespace

void SheetModel::Finish() {
    if (!std::is_sorted(cells.begin(), cells.end(), [](const StoredCell& a, const StoredCell& b) {
            return a.row != b.row ? a.row < b.row : a.column <= b.column;  // also: no place twice
        })) {
        std::stable_sort(cells.begin(), cells.end(), Before);
        // Of cells at the same place the last one read wins, as it would in the file's own reader.
        auto out = cells.begin();
        for (auto it = cells.begin(); it != cells.end(); ++it) {
            const auto next = it + 1;
            if (next != cells.end() && next->row == it->row && next->column == it->column) continue;
            *out++ = *it;
        }
        cells.erase(out, cells.end());
    }
    // Give back room only when much of it is unused: the copy would double the peak otherwise.
    if (cells.capacity() > cells.size() * 2 + 1024) cells.shrink_to_fit();
    const std::uint32_t lastRow = cells.empty() ? 0 : cells.back().row;
    m_rowStart.assign(static_cast<std::size_t>(lastRow) + 2, 0);
    std::size_t i = 0;
    for (std::uint32_t r = 0; r <= lastRow + 1; ++r) {
        while (i < cells.size() && cells[i].row < r) ++i;
        m_rowStart[r] = static_cast<std::uint32_t>(i);
    }
}

const StoredCell* SheetModel::FindStored(std::uint32_t row, std::uint32_t column) const {
    if (row + 1 >= m_rowStart.size()) return nullptr;
    const StoredCell* first = cells.data() + m_rowStart[row];
    const StoredCell* last = cells.data() + m_rowStart[row + 1];
    if (last - first > 16) {
        first = std::lower_bound(first, last, column, [](const StoredCell& c, std::uint32_t col) {
            return c.column < col;
        });
        return first != last && first->column == column ? first : nullptr;
    }
    for (const StoredCell* it = first; it != last; ++it) {  // a row of a tick table holds few cells
        if (it->column >= column) return it->column == column ? it : nullptr;
    }
    return nullptr;
}

const CellValue* SheetModel::Find(std::uint32_t row, std::uint32_t column) const {
    if (lines) {
        const std::string_view text = CutField(*lines, row, column, m_lineScratch);
        if (text.empty()) return nullptr;
        m_found = CellValue{};
        m_found.row = row;
        m_found.column = column;
        m_found.kind = CellValue::Kind::Text;
        m_found.text = text;
        return &m_found;
    }
    const StoredCell* it = FindStored(row, column);
    if (!it) return nullptr;
    m_found = CellValue{};
    m_found.row = it->row;
    m_found.column = it->column;
    m_found.kind = KindOf(*it);
    m_found.formatId = FormatOf(*it);
    if (HoldsText(m_found.kind))
        m_found.text = TextOf(*it);
    else
        m_found.number = NumberOf(*it);
    return &m_found;
}

std::string_view SheetModel::ReadError() const {
    return lines && lines->window ? std::string_view(lines->window->Error()) : std::string_view();
}

const CompiledFormat& SheetModel::Compile(std::uint32_t id) const {
    if (id >= formatCodes.size()) id = 0;
    if (m_compiled.size() < formatCodes.size()) m_compiled.resize(formatCodes.size());
    auto& slot = m_compiled[id];
    if (!slot) slot = std::make_unique<CompiledFormat>(formatCodes[id]);
    return *slot;
}

}  // namespace moxtel
