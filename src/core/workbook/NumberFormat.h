#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace moxtel {

namespace numfmt {
struct ParsedFormat;
}

// Longest format code read. The spreadsheet itself allows 255 characters; anything near this
// bound is crafted, and a longer code is shown as General (the readers refuse such a file).
inline constexpr std::size_t kMaxFormatCodeBytes = 1024;

// Longest text a format renders; a code that repeats "@" or a long literal is cut here.
inline constexpr std::size_t kMaxRenderedBytes = 128 * 1024;

// A format code parsed once, rendering any number of cells. The common codes of tick workbooks
// (General, "0", "0.00", "hh:mm:ss") take a shortcut that gives the very text the full renderer
// gives, and fall back to it for every value where that is not plain.
class CompiledFormat {
  public:
    explicit CompiledFormat(std::string_view code);
    ~CompiledFormat();
    CompiledFormat(const CompiledFormat&) = delete;
    CompiledFormat& operator=(const CompiledFormat&) = delete;

    std::string Number(double value, bool date1904) const;
    // Number() into out, reusing its room.
    void NumberInto(double value, bool date1904, std::string& out) const;
    std::string Text(std::string_view text) const;
    // The number ParseLeadingDouble reads from Number(value), when a shortcut knows it without
    // making the text (that text is then never empty and starts with a digit); false otherwise.
    bool ShownNumber(double value, double& shown) const;
    // True when Text(text) is text itself (the code has no text section).
    bool ShowsTextUnchanged() const { return m_textUnchanged; }
    // Number() without the shortcut, to check the shortcut against.
    std::string FullNumber(double value, bool date1904) const;

    enum class Shortcut : unsigned char { None, General, Integer, TwoDecimals, Clock };

  private:
    Shortcut m_shortcut = Shortcut::None;
    bool m_textUnchanged = false;
    std::shared_ptr<const numfmt::ParsedFormat> m_parsed;
};

// The text a spreadsheet shows for a number under a number format code, in a column wide enough
// for it, with the Chinese (zh-CN) locale: "General", built-in and custom codes with sections,
// conditions, colours, literal text, scaling, percent, scientific, dates and times, both date systems.
std::string FormatNumber(double value, std::string_view formatCode, bool date1904 = false);

// The text shown for a text cell under a format code: the text section ("@") when the code has one,
// otherwise the text unchanged.
std::string FormatText(std::string_view text, std::string_view formatCode);

// Code of a built-in number format id as the zh-CN spreadsheet defines it (0..58);
// empty when the id is not built in.
std::string_view BuiltinFormatCode(int id);

}  // namespace moxtel
