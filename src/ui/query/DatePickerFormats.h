#pragma once

namespace moxtel {

// Display formats of the date pickers whose shown text is read as the date: eight digits while a
// command reads it (the stored yyyymmdd form), dashes for the user afterwards.
inline constexpr const char* kPickerDigitsFormat = "yyyyMMdd";
inline constexpr const char* kPickerDashedFormat = "yyyy-MM-dd";

}  // namespace moxtel
