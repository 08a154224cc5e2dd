#pragma once
// What the script bridge needs of the windowing platform. The router only talks
// to this interface, so its rules can be exercised with fakes.
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "bridge/picker_options.h"
#include "bridge/work_notice.h"
#include "commands/nsm.h"

namespace velmorin::bridge {

// Called once, on the main thread, with the chosen folder or nothing on cancel.
using PickerDone = std::function<void(std::optional<std::string> chosenFolder)>;

// Called once, on the main thread: whether anything was opened to show the item.
using RevealDone = std::function<void(bool opened)>;

// How a print ended: sent to the printer (or the file), cancelled in the dialog,
// or failed with the printing system's own words.
struct PrintOutcome {
  enum class State { printed, cancelled, failed } state = State::printed;
  std::string reason;
};
using PrintDone = std::function<void(const PrintOutcome& outcome)>;

class BridgePlatform {
 public:
  virtual ~BridgePlatform() = default;

  // Main thread only. Runs `script` in the page; its result is not looked at.
  virtual void evaluateScript(const std::string& script) = 0;

  // Any thread. Runs `task` later on the main thread.
  virtual void postToMain(std::function<void()> task) = 0;

  // Main thread only. Runs `task` on the main thread after `delay`.
  virtual void postToMainAfter(std::chrono::milliseconds delay, std::function<void()> task) = 0;

  // Any thread. Runs `task` on some other thread; tasks may run side by side, and
  // a slow one never holds back the others. The platform outlives every task.
  virtual void runInBackground(std::function<void()> task) = 0;

  // Main thread only; returns at once. Opens a folder chooser (or, with
  // `options.saveFile`, a save dialog that asks before replacing a file) over the
  // main window and later calls `done` on the main thread.
  virtual void pickFolder(const PickerOptions& options, PickerDone done) = 0;

  // Main thread only; each returns at once and reports nothing.
  virtual void openApplication(const NsmApp& app) = 0;
  virtual void openURL(const std::string& url) = 0;

  // Main thread only; returns at once. Shows the item in the file manager (or
  // opens the folder that holds it) and later tells `done` whether anything opened.
  virtual void reveal(const std::filesystem::path& absolutePath, RevealDone done) = 0;

  // Main thread only. Tells the desktop that long work has ended, unless the
  // window is the one the user is working in; a click on it brings the window forward.
  virtual void notify(const WorkNotice& notice) = 0;

  // Main thread only; returns at once. Prints the page as its print style shows
  // it, through the desktop's print dialog, and later calls `done` on the main thread.
  virtual void print(PrintDone done) = 0;

  // Main thread only. Ends the event loop; the process then exits with status 0.
  virtual void endApplication() = 0;
};

}  // namespace velmorin::bridge
