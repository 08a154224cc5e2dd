#pragma once
// Handing things to the desktop: applications, links and file-manager windows.
// Each call returns at once and reports nothing; failures only mean nothing opened.
#include <filesystem>
#include <functional>
#include <string>

#include "commands/nsm.h"

namespace velmorin::shell {

// A desktop entry is launched as its Exec= line says; a plain executable is
// started; anything else (such as an ".app" folder) is opened with its default handler.
void openApplication(const NsmApp& app);

// Told later, on the main thread, whether something was opened.
using Opened = std::function<void(bool opened)>;

// The user's default handler for the URI's scheme (browser, mail client, file manager).
void openUri(const std::string& uri, Opened done = {});

// Shows `path` selected in a file-manager window (org.freedesktop.FileManager1);
// when no file manager answers, opens the folder that holds it, if that is a folder.
// `done` learns whether either opened.
void revealInFileManager(const std::filesystem::path& path, Opened done = {});

}  // namespace velmorin::shell
