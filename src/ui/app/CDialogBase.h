#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>
#include <initializer_list>
#include <vector>

#include "ui/app/DialogUnits.h"

class QAction;
class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QScrollArea;

namespace moxtel {

class CDropList;
class CMSFlexGridView;
class DataExchange;
class IWindowServices;

// A dialog template: the window's id (its objectName), caption, size in dialog units and font.
struct DialogTemplate {
    int id = 0;
    const char* caption = "";  // UTF-8
    int width = 0;
    int height = 0;
    int fontPoints = 9;
};

// A control's place in dialog units, relative to the window's client area.
struct DuRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

enum class EditStyle {
    Normal,
    ReadOnlyCentred,  // result edits
    Label,            // read-only, centred, no border: interval labels
};

enum class ButtonStyle { Push, Default };

// How a control follows its window when the window grows beyond its template size: it always
// keeps its place in proportion; Width also widens it, Both widens and heightens it.
enum class Stretch { None, Width, Both };

// Base of every window: a resizable dialog whose controls are placed in dialog units and carry
// their numeric ids as objectName. The window opens at its template size, or smaller when the
// screen's available area is smaller; below the template size the controls keep their template
// geometry and the client area scrolls, above it every control keeps its place in proportion and
// grids, charts, group boxes and edits grow with the window. It provides the member/control exchange (UpdateData over
// DoDataExchange), the modal run with the results 1 (OK) and 2 (cancel), and OK/cancel handling:
// the button with id 1 and Enter (when no default button is set) are OK, which saves and closes
// with 1; the button with id 2, Escape and the caption's close button are cancel, which closes
// with 2 without saving. Enter presses the default button when one is set.
class CDialogBase : public QDialog {
    Q_OBJECT
  public:
    CDialogBase(const DialogTemplate& dialogTemplate, IWindowServices& services, QWidget* parent = nullptr);
    ~CDialogBase() override;

    // Runs OnInitDialog once. The first show calls it; tests may call it to drive a window unshown.
    bool Initialize();
    // Runs the window modally; returns 1 (OK) or 2 (cancel).
    int DoModal();

    // true: save every control into its member; false: load every member into its control.
    void UpdateData(bool save = true);

    // The control (or menu command) with this id, nullptr when there is none of that type.
    template <class T = QWidget>
    T* Control(int id) const {
        return findChild<T*>(QString::number(id));
    }
    QPushButton* Button(int id) const;
    QLineEdit* Edit(int id) const;
    CDropList* DropList(int id) const;
    CMSFlexGridView* Grid(int id) const;

    IWindowServices& Services() const { return m_services; }
    const DialogUnits& Units() const { return m_units; }

    // The window's template, control by control. Positions are dialog units of the client area.
    QGroupBox* AddGroup(const QString& caption, DuRect place);
    QLabel* AddStatic(const QString& text, DuRect place, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
    QLineEdit* AddEdit(int id, DuRect place, EditStyle style = EditStyle::Normal);
    QPushButton* AddButton(int id, const QString& caption, DuRect place, ButtonStyle style = ButtonStyle::Push);
    // A drop-down list; sorted lists keep their items in text order.
    CDropList* AddDropList(int id, DuRect place, std::initializer_list<const char*> items = {}, bool sorted = true);
    QCheckBox* AddCheck(int id, const QString& text, DuRect place);
    QDateEdit* AddDatePicker(int id, DuRect place);
    CMSFlexGridView* AddGrid(int id, DuRect place);
    // Puts a control made elsewhere (a chart) onto the client area at place, following the window.
    void AddControl(QWidget* control, DuRect place, Stretch stretch);
    // A command directly on the window's menu bar (the bar is made on first use).
    QAction* AddMenuCommand(int id, const QString& text);

    // Routes the button or menu command with this id to handler (one entry of a command map).
    void OnCommand(int id, std::function<void()> handler);

    // Remembers the window's size and place under key when it closes and restores them when it
    // opens again (within the screen's available area).
    void SetGeometryKey(const QString& key) { m_geometryKey = key; }

    // What the buttons 1 and 2, Enter and Escape end in.
    void CommandOK() { OnOK(); }
    void CommandCancel() { OnCancel(); }

  protected:
    // Window start: the base loads every member into its control. Returns true.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange& dx);
    // After the controls took their places for a new window size.
    virtual void OnControlsLaidOut() {}
    // Save, then close with 1.
    virtual void OnOK();
    // Close with 2, without saving.
    virtual void OnCancel();
    void EndDialog(int result);
    // The window message (caption "提示", exclamation icon), owned by this window.
    void MessageBox(const QString& text);

    void accept() override;
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct PlacedControl {
        QPointer<QWidget> control;
        DuRect place;
        Stretch stretch;
    };

    QWidget* Client() const { return m_client; }
    void Place(QWidget* control, DuRect place, Stretch stretch = Stretch::None);
    // The window's size at its template: the client area plus the menu bar.
    QSize TemplateSize() const;
    void LayoutFrame();
    void LayoutControls();
    // Shrinks and moves the window so that its frame lies inside the screen's available area.
    void FitToScreen();
    // When even the least client area (charts and grids at their smallest) is larger than room, the
    // whole window, font included, is drawn at the scale that fits it.
    void ZoomToFit(QSize room);
    int Zoomed(int length) const;
    // A control's template place in pixels, at the window's zoom.
    QRect TemplateRect(DuRect place) const;

    IWindowServices& m_services;
    DialogUnits m_units;
    QSize m_clientSize;
    QScrollArea* m_scroll;
    QWidget* m_client;
    QMenuBar* m_menuBar = nullptr;
    std::vector<PlacedControl> m_placed;
    bool m_initialized = false;
    bool m_fitted = false;
    double m_zoom = 1.0;
    QString m_geometryKey;
};

}  // namespace moxtel
