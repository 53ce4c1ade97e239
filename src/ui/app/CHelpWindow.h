#pragma once

#include <QDialog>
#include <QStringList>
#include <QUrl>

class QLineEdit;
class QTextBrowser;
class QToolButton;

namespace moxtel {

// The manual in a window of the program: pages with their links and images, back and forward,
// the contents page, and a find bar (Ctrl+F). Without a manual it says so and names the folders
// it looked in. It is not modal: the user reads it beside the other windows.
class CHelpWindow : public QDialog {
    Q_OBJECT
  public:
    // indexFile: the manual's index.html, or empty when none was found in searchedFolders.
    CHelpWindow(const QString& indexFile, const QStringList& searchedFolders, QWidget* parent = nullptr);

    QTextBrowser* Browser() const { return m_browser; }
    QLineEdit* FindEdit() const { return m_findEdit; }
    // Shows the find bar with the focus in its edit.
    void ShowFindBar();
    // Selects the next (or previous) place of the find text, wrapping round once; false when the
    // page does not hold it.
    bool FindText(bool backward = false);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildFindBar(QWidget* bar);
    // Shows the page's pictures wider than the page at the page's width (the height in proportion)
    // and the others at their own size, so the page never scrolls sideways.
    void FitImages();
    void ShowMissingManual(const QStringList& searchedFolders);

    QTextBrowser* m_browser;
    QUrl m_page;  // the page shown, which its pictures' names are relative to
    QWidget* m_findBar;
    QLineEdit* m_findEdit;
};

}  // namespace moxtel
