#pragma once

#include <QFont>
#include <QRect>

namespace moxtel {

// The dialog font: "Noto Sans CJK SC" when installed (CJK text must render), else the
// application's font, at the given size in points.
QFont DialogFont(int points);

// Converts dialog units into pixels for one font, as dialog templates are laid out: four
// horizontal units per horizontal base unit, eight vertical units per vertical base unit.
// The vertical base is the font's height. The horizontal base is half a CJK glyph: in the
// Chinese dialog fonts the layouts were made for, a CJK glyph is exactly two average characters
// wide, while the Latin letters of other CJK fonts are wider and would stretch every window.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int X(int du) const;
    int Y(int du) const;
    QRect Rect(int x, int y, int width, int height) const;
    // Width of text in horizontal dialog units, rounded up.
    int TextWidth(const QString& text) const;

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

  private:
    QFont m_font;
    int m_baseX;
    int m_baseY;
};

}  // namespace moxtel
