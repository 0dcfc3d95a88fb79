#pragma once
// The shell's "open" and "explore" verbs. On the desktop an "open" of a web address goes to the
// default browser and an "explore" of \\host\ opens the file manager at smb://host/.

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace wshell {

inline constexpr int SW_SHOWNORMAL = 1;

// What the shell was asked; absent texts (null) and empty texts are told apart.
struct ShellRequest {
    bool hasOwner = false;
    std::string verb;
    std::string file;
    std::optional<std::string> parameters;
    std::optional<std::string> directory;
    int showCommand = 0;
};

// Failures are silent: the result is not looked at by the program.
void ShellExecuteA(QWidget* owner, const char* verb, const char* file, const char* parameters, const char* directory,
                   int showCommand);

// The seam for tests: while set, requests go to handler instead of the desktop.
void SetShellHandler(std::function<void(const ShellRequest&)> handler);

// The desktop address that a shell target stands for ("\\host\" becomes smb://host/).
std::string DesktopUrl(const std::string& verb, const std::string& file);

} // namespace wshell
