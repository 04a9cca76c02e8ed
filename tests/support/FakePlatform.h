// Fakes of the platform services: they record every call and give scripted
// answers. A FakePlatform installs all four for its lifetime.
#pragma once

#include "platform/Platform.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mendora::test {

class FakeShell : public platform::Shell {
public:
    void open(const std::string &target) override { opened.push_back(target); }
    std::vector<std::string> opened;
};

class FakeWindowFinder : public platform::WindowFinder {
public:
    std::optional<platform::WindowHandle> findByTitle(const std::string &title) override {
        searched.push_back(title);
        return title == windowTitle ? window : std::nullopt;
    }
    void requestClose(platform::WindowHandle handle) override { closed.push_back(handle); }

    std::string windowTitle;                      // the title of the one window that exists
    std::optional<platform::WindowHandle> window; // its handle, nothing when there is none
    std::vector<std::string> searched;
    std::vector<platform::WindowHandle> closed;
};

class FakeRegistry : public platform::Registry {
public:
    struct Write {
        std::string keyPath, valueName, data;
    };
    bool writeString(const std::string &keyPath, const std::string &valueName,
                     const std::string &data) override {
        writes.push_back({keyPath, valueName, data});
        return succeed;
    }
    bool succeed = true;
    std::vector<Write> writes;
};

class FakeDialogs : public platform::Dialogs {
    template <typename T>
    static std::optional<T> takeAnswer(std::deque<std::optional<T>> &answers) {
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }

public:
    struct Message {
        std::string kind; // "notice", "error" or "confirm"
        std::string caption, text;
    };

    std::optional<std::vector<std::string>> openFiles(QWidget *,
                                                      const std::string &filter) override {
        filters.push_back(filter);
        if (fileAnswers.empty())
            return std::nullopt;
        auto answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> chooseFolder(QWidget *) override {
        return takeAnswer(folderAnswers);
    }
    std::optional<platform::SaveChoice> saveFile(QWidget *, const std::string &filter,
                                                 const std::string &) override {
        filters.push_back(filter);
        return takeAnswer(saveAnswers);
    }
    std::optional<std::int32_t> pickColor(QWidget *, std::int32_t initial) override {
        colorRequests.push_back(initial);
        if (colorAnswers.empty())
            return std::nullopt;
        auto answer = colorAnswers.front();
        colorAnswers.pop_front();
        return answer;
    }
    void notice(QWidget *, const std::string &caption, const std::string &text) override {
        record({"notice", caption, text});
    }
    void errorBox(QWidget *, const std::string &caption, const std::string &text) override {
        record({"error", caption, text});
    }
    bool confirm(QWidget *, const std::string &caption, const std::string &text) override {
        record({"confirm", caption, text});
        if (confirmAnswers.empty())
            return false;
        const bool answer = confirmAnswers.front();
        confirmAnswers.pop_front();
        return answer;
    }

    std::vector<std::string> errors() const {
        std::vector<std::string> texts;
        for (const auto &m : messages)
            if (m.kind == "error")
                texts.push_back(m.text);
        return texts;
    }

    // Scripted answers, taken in order; an empty queue cancels or answers No.
    std::deque<std::optional<std::vector<std::string>>> fileAnswers;
    std::deque<std::optional<std::int32_t>> colorAnswers;
    std::deque<std::optional<std::string>> folderAnswers;        // chooseFolder
    std::deque<std::optional<platform::SaveChoice>> saveAnswers; // saveFile
    std::deque<bool> confirmAnswers;
    // Runs inside every message box, as if the user looked at it.
    std::function<void(const Message &)> onMessage;

    std::vector<std::string> filters;
    std::vector<std::int32_t> colorRequests;
    std::vector<Message> messages;

private:
    void record(const Message &m) {
        messages.push_back(m);
        if (onMessage)
            onMessage(m);
    }
};

class FakePlatform {
public:
    FakePlatform();
    ~FakePlatform();
    FakePlatform(const FakePlatform &) = delete;
    FakePlatform &operator=(const FakePlatform &) = delete;

    FakeShell &shell;
    FakeWindowFinder &windows;
    FakeRegistry &registry;
    FakeDialogs &dialogs;

private:
    platform::Services saved_;
};

} // namespace mendora::test
