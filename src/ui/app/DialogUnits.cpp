#include "ui/app/DialogUnits.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <algorithm>

namespace moxtel {

QFont DialogFont(int points) {
    QFont font = QApplication::font();
    const QString cjk = QStringLiteral("Noto Sans CJK SC");
    if (QFontDatabase::hasFamily(cjk)) font.setFamilies({cjk});
    font.setPointSize(points);
    return font;
}

DialogUnits::DialogUnits(const QFont& font) : m_font(font) {
    const QFontMetrics metrics(font);
    const int cjkWidth = metrics.horizontalAdvance(QChar(0x56FD));  // 国
    const int latinBase =
        (metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) /
        2;
    m_baseX = std::max(1, cjkWidth > 0 ? (cjkWidth + 1) / 2 : latinBase);
    m_baseY = std::max(1, metrics.height());
}

int DialogUnits::X(int du) const { return (du * m_baseX + 2) / 4; }

int DialogUnits::Y(int du) const { return (du * m_baseY + 4) / 8; }

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    const int left = X(x);
    const int top = Y(y);
    return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}

int DialogUnits::TextWidth(const QString& text) const {
    const int pixels = QFontMetrics(m_font).horizontalAdvance(text);
    return (pixels * 4 + m_baseX - 1) / m_baseX;
}

}  // namespace moxtel
