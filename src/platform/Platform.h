// The platform layer: one small interface per operating-system service.
// Window code reaches the system only through these, so tests can install
// fakes (tests/support) and other systems can supply their own versions.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace mendora::platform {

// Opens a web address, "mailto:" link or file path with the program the
// desktop associates with it. The result is not reported.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void open(const std::string &target) = 0;
};

using WindowHandle = std::uint64_t;

// Top-level windows of other programs, found by exact title.
class WindowFinder {
public:
    virtual ~WindowFinder() = default;
    virtual std::optional<WindowHandle> findByTitle(const std::string &title) = 0;
    // Asks the window to close and returns once the request has been delivered.
    virtual void requestClose(WindowHandle window) = 0;
};

// The machine-wide settings store. Opens or creates the key with full
// access and writes a string value; false when the value was not written.
class Registry {
public:
    virtual ~Registry() = default;
    virtual bool writeString(const std::string &keyPath, const std::string &valueName,
                             const std::string &data) = 0;
};

// What the save dialog returns: the file and the file type chosen, counted
// from 0 in the order of the dialog's filter.
struct SaveChoice {
    std::string path;
    int type = 0;
};

// The common dialogs and message boxes. Texts are UTF-8. The application
// object installs the Qt version (ui/DialogsQt.h); there is none before it
// exists.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // File-open dialog with several selectable files, no read-only check box,
    // resizable. `filter` is "description|patterns|description|patterns...".
    // Returns the chosen full paths in the dialog's order, or nothing when cancelled.
    virtual std::optional<std::vector<std::string>> openFiles(QWidget *parent,
                                                              const std::string &filter) = 0;
    // Folder chooser; the chosen folder's full path, or nothing when cancelled.
    virtual std::optional<std::string> chooseFolder(QWidget *parent) = 0;
    // File-save dialog with the file types of `filter` (as for openFiles),
    // asking before replacing a file. Returns the full path, with the chosen
    // type's extension added when the name has none, and the chosen type; or
    // nothing when cancelled.
    virtual std::optional<SaveChoice> saveFile(QWidget *parent, const std::string &filter,
                                               const std::string &suggestedName) = 0;
    // Colour picker preselected with `initial` (0x00BBGGRR); nothing when cancelled.
    virtual std::optional<std::int32_t> pickColor(QWidget *parent, std::int32_t initial) = 0;
    // Plain notice: OK button, no icon.
    virtual void notice(QWidget *parent, const std::string &caption, const std::string &text) = 0;
    // Standard error box: error icon, OK button.
    virtual void errorBox(QWidget *parent, const std::string &caption, const std::string &text) = 0;
    // Question icon, "&Yes" (default) and "&No" (also Esc). True for Yes.
    virtual bool confirm(QWidget *parent, const std::string &caption, const std::string &text) = 0;
};

struct Services {
    std::unique_ptr<Shell> shell;
    std::unique_ptr<WindowFinder> windows;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<Dialogs> dialogs;
};

// The services in use: the native ones unless a test installed others.
Services &services();
// A fresh set of the native implementations for this operating system
// (the dialogs are left to the application object).
Services nativeServices();

inline Shell &shell() {
    return *services().shell;
}
inline WindowFinder &windows() {
    return *services().windows;
}
inline Registry &registry() {
    return *services().registry;
}
inline Dialogs &dialogs() {
    return *services().dialogs;
}

// Native implementations, one file per operating system.
std::unique_ptr<Shell> makeNativeShell();
std::unique_ptr<WindowFinder> makeNativeWindowFinder();
std::unique_ptr<Registry> makeNativeRegistry();

} // namespace mendora::platform

// Opens a web address, "mailto:" link or file path by shell association,
// through the shell service in use. Nothing is checked or reported.
void ShellOpen(const std::string &target);
