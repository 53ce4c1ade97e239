#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <QStringList>
#include <QThread>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "ui/app/WindowServices.h"

namespace moxtel {

// Records what windows show and open, and answers in advance: nothing ever blocks.
class FakeWindowServices : public IWindowServices {
  public:
    struct Shown {
        QString kind;  // "message", "app", "ask"
        QString text;
        MessageIcon icon;
        QString detail{};
    };

    std::vector<Shown> shown;
    std::deque<bool> answers;  // for Ask; No when empty
    QStringList files;         // for ChooseOpenFile; an empty text or none left: cancel
    std::deque<QStringList> fileChoices;  // for ChooseOpenFiles; when none are left it takes one of files
    QStringList fileFilters;
    QStringList startFolders;  // where each open dialog started
    QStringList saveFiles;     // for ChooseSaveFile; an empty text or none left: cancel
    QStringList saveSuggestions;
    QStringList documents;
    QStringList children;                  // class names of the windows run
    std::function<int(QDialog&)> onChild;  // drives a child window; default closes it with 2
    int shownOffGuiThread = 0;             // application messages shown from another thread (a fault)

    void ShowMessage(QWidget*, const QString& text) override {
        shown.push_back({QStringLiteral("message"), text, MessageIcon::Exclamation});
    }
    void ShowMessageWithDetail(QWidget*, const QString& text, const QString& detail) override {
        shown.push_back({QStringLiteral("message"), text, MessageIcon::Exclamation, detail});
    }
    void ShowAppMessage(QWidget*, const QString& text, MessageIcon icon) override {
        if (QThread::currentThread() != QCoreApplication::instance()->thread()) ++shownOffGuiThread;
        shown.push_back({QStringLiteral("app"), text, icon});
    }
    bool Ask(QWidget* owner, const QString& text) override { return AskWithDetail(owner, text, {}); }
    bool AskWithDetail(QWidget*, const QString& text, const QString& detail) override {
        shown.push_back({QStringLiteral("ask"), text, MessageIcon::Question, detail});
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<QString> ChooseOpenFile(QWidget*, const QString& filter, const QString& startFolder = {}) override {
        fileFilters << filter;
        startFolders << startFolder;
        const QString file = files.isEmpty() ? QString() : files.takeFirst();
        if (file.isEmpty()) return std::nullopt;
        return file;
    }
    std::optional<QStringList> ChooseOpenFiles(QWidget* owner, const QString& filter, const QString& startFolder = {}) override {
        if (fileChoices.empty()) {
            const std::optional<QString> one = ChooseOpenFile(owner, filter, startFolder);
            if (!one) return std::nullopt;
            return QStringList{*one};
        }
        fileFilters << filter;
        startFolders << startFolder;
        QStringList chosen = fileChoices.front();
        fileChoices.pop_front();
        if (chosen.isEmpty()) return std::nullopt;
        return chosen;
    }
    std::optional<QString> ChooseSaveFile(QWidget*, const QString& filter, const QString& suggestedName) override {
        fileFilters << filter;
        saveSuggestions << suggestedName;
        const QString file = saveFiles.isEmpty() ? QString() : saveFiles.takeFirst();
        if (file.isEmpty()) return std::nullopt;
        return file;
    }
    bool OpenDocument(const QString& path) override {
        documents << path;
        return true;
    }
    int RunChild(QDialog& child) override {
        children << QString::fromLatin1(child.metaObject()->className());
        return onChild ? onChild(child) : 2;
    }

    QStringList Messages() const {
        QStringList texts;
        for (const Shown& s : shown) texts << s.text;
        return texts;
    }
};

}  // namespace moxtel
