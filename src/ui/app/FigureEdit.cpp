#include "ui/app/FigureEdit.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <algorithm>

namespace moxtel {

namespace {

// Below this a figure is no longer readable; the edit then shows the text's start.
constexpr double kSmallestPoints = 5.0;

}  // namespace

FigureEdit::FigureEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this] { FitText(); });
}

int FigureEdit::TextRoom() const { return width() - (hasFrame() ? 10 : 6); }

void FigureEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    FitText();
}

void FigureEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    // A new window font (a parent's or the application's) is the size to start from again.
    if (event->type() == QEvent::ParentChange || (event->type() == QEvent::FontChange && !m_fitting)) FitText();
}

void FigureEdit::FitText() {
    if (m_fitting) return;
    m_fitting = true;
    setFont(QFont());  // back to the inherited font
    QFont font = parentWidget() ? parentWidget()->font() : this->font();
    const int room = TextRoom();
    const QString shown = text();
    if (font.pointSizeF() <= 0) font.setPointSizeF(QFontInfo(font).pointSizeF());  // a font set in pixels
    while (QFontMetrics(font).horizontalAdvance(shown) > room && font.pointSizeF() > kSmallestPoints)
        font.setPointSizeF(std::max(kSmallestPoints, font.pointSizeF() - 0.5));
    if (font != this->font()) setFont(font);
    setCursorPosition(0);  // the leading digits first when even the smallest font is too wide
    m_fitting = false;
}

}  // namespace moxtel
