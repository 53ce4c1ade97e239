#include "core/import/PackedTickDay.h"

namespace moxtel {

PackedTickDay::PackedTickDay(TickDay&& day) : m_day(std::move(day)) { m_day.uncertainTrades.ShrinkToFit(); }

TickDay PackedTickDay::Unpack() && { return std::move(m_day); }

}  // namespace moxtel
