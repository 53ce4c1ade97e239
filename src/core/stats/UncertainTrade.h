#pragma once

#include <string>

namespace moxtel {

// Direction words of a trade, stored for the neighbours of uncertain trades.
inline constexpr const char* kWordIn = "入";
inline constexpr const char* kWordOut = "出";
inline constexpr const char* kWordUnknown = "未知";

// One trade of uncertain direction with its neighbours; one transun row. Field names are the
// column names; every value is a text as the workbook shows it.
struct UncertainTrade {
    std::string pricebefor;   // price of the trade above; previousClose for the first trade row
    std::string priceend;     // price of the row below, "0" if empty
    std::string transbef;     // lots of the trade above, "0" for the first trade row
    std::string transend;     // lots of the row below, "0" if empty
    std::string flagbef;      // direction word of the trade above ("未知" for the first row)
    std::string flagend;      // "入" if the row below says exactly "B", "出" for "S", else "未知"
    std::string masterid;     // the day's masterId
    std::string gpcode;       // the stock code
    std::string transunknow;  // this trade's lots text
    std::string price;        // this trade's price text
    std::string datet;        // this trade's time text (column A)

    bool operator==(const UncertainTrade&) const = default;
};

}  // namespace moxtel
