#include "platform/shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace wshell {
namespace {
std::function<void(const ShellRequest&)> g_handler;
} // namespace

std::string DesktopUrl(const std::string& verb, const std::string& file)
{
    if (verb == "explore") {
        std::string path = file;
        for (char& c : path)
            if (c == '\\')
                c = '/';
        while (!path.empty() && path.front() == '/')
            path.erase(path.begin());
        return "smb://" + path;
    }
    return QUrl::fromUserInput(QString::fromStdString(file)).toString().toStdString();
}

void ShellExecuteA(QWidget* owner, const char* verb, const char* file, const char* parameters, const char* directory,
                   int showCommand)
{
    ShellRequest request;
    request.hasOwner = owner != nullptr;
    request.verb = verb != nullptr ? verb : "open";
    request.file = file != nullptr ? file : "";
    if (parameters != nullptr)
        request.parameters = parameters;
    if (directory != nullptr)
        request.directory = directory;
    request.showCommand = showCommand;
    if (g_handler) {
        g_handler(request);
        return;
    }
    QDesktopServices::openUrl(QUrl(QString::fromStdString(DesktopUrl(request.verb, request.file))));
}

void SetShellHandler(std::function<void(const ShellRequest&)> handler) { g_handler = std::move(handler); }

} // namespace wshell
