#pragma once

#include <QLineEdit>

namespace moxtel {

// A read-only edit for a figure: a text wider than the edit is drawn in a smaller font until it
// fits, so a large day's figure is never shown with its leading digits scrolled away. The font
// returns to the window's size when the text fits again.
class FigureEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit FigureEdit(QWidget* parent = nullptr);

    // Room for the text inside the frame and the edit's own margins, in pixels.
    int TextRoom() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void FitText();

    bool m_fitting = false;
};

}  // namespace moxtel
