#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QWidget;

namespace moxtel {

enum class MessageIcon { Exclamation, Stop, Question, Information };

// Everything a window shows or opens besides its own controls: message boxes, the question,
// the file-open dialog, documents and child windows. Windows receive it from their opener;
// tests pass a fake that records what was shown and answers in advance, so nothing blocks.
class IWindowServices {
  public:
    virtual ~IWindowServices() = default;

    // Window message: caption "提示", OK button, exclamation icon, owned by owner.
    virtual void ShowMessage(QWidget* owner, const QString& text) = 0;
    // The same window message with detail text (a path, a reason) behind its details button.
    virtual void ShowMessageWithDetail(QWidget* owner, const QString& text, const QString& detail) = 0;
    // Application message: caption = the application's title, OK button, the given icon.
    virtual void ShowAppMessage(QWidget* owner, const QString& text, MessageIcon icon) = 0;
    // The Yes/No question: caption "提示", question icon. True for Yes.
    virtual bool Ask(QWidget* owner, const QString& text) = 0;
    // The same question with detail text (what Yes would change) behind its details button.
    virtual bool AskWithDetail(QWidget* owner, const QString& text, const QString& detail) = 0;
    // File-open dialog for one existing file, starting in startFolder (the dialog's own choice
    // when empty). filter is in the "desc|patterns|...||" form. The chosen path, or nullopt when
    // the user cancels.
    virtual std::optional<QString> ChooseOpenFile(QWidget* owner, const QString& filter,
                                                  const QString& startFolder = {}) = 0;
    // File-save dialog proposing suggestedName; the chosen path, or nullopt when the user cancels.
    virtual std::optional<QString> ChooseSaveFile(QWidget* owner, const QString& filter,
                                                  const QString& suggestedName) = 0;
    // The same dialog choosing one or several existing files; nullopt when the user cancels.
    virtual std::optional<QStringList> ChooseOpenFiles(QWidget* owner, const QString& filter,
                                                       const QString& startFolder = {}) = 0;
    // Asks the desktop to open a document with its viewer; false when it could not.
    virtual bool OpenDocument(const QString& path) = 0;
    // Runs a child window modally and returns its close result (1 OK, 2 cancel).
    virtual int RunChild(QDialog& child) = 0;
};

// The real dialogs of the desktop.
class QtWindowServices : public IWindowServices {
  public:
    void ShowMessage(QWidget* owner, const QString& text) override;
    void ShowMessageWithDetail(QWidget* owner, const QString& text, const QString& detail) override;
    void ShowAppMessage(QWidget* owner, const QString& text, MessageIcon icon) override;
    bool Ask(QWidget* owner, const QString& text) override;
    bool AskWithDetail(QWidget* owner, const QString& text, const QString& detail) override;
    std::optional<QString> ChooseOpenFile(QWidget* owner, const QString& filter,
                                          const QString& startFolder = {}) override;
    std::optional<QString> ChooseSaveFile(QWidget* owner, const QString& filter, const QString& suggestedName) override;
    std::optional<QStringList> ChooseOpenFiles(QWidget* owner, const QString& filter,
                                               const QString& startFolder = {}) override;
    bool OpenDocument(const QString& path) override;
    int RunChild(QDialog& child) override;
};

// Caption of the window messages and the question.
inline constexpr const char* kMessageCaption = "提示";

// Title of the application, the caption of its message box: the program file's name.
QString ApplicationTitle();

// Turns a "desc|patterns|desc|patterns||" filter into Qt's "desc (patterns);;..." form. Patterns
// separated by ";" become blank-separated; "*.*" means every file. A "(...)" already ending a
// description is replaced by the patterns, because Qt takes the patterns from those parentheses.
QString ToQtFileFilter(const QString& filter);
// The suffix of a Qt filter's first pattern ("PNG 图片 (*.png *.PNG)" gives "png"); "" for "*".
QString FilterSuffix(const QString& qtFilter);

}  // namespace moxtel
