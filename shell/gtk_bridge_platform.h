#pragma once
// The bridge's platform on GTK: the web view, the GLib main loop, a thread pool,
// the folder chooser and the desktop's handlers.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include "bridge/bridge_platform.h"
#include "bridge/task_pool.h"

namespace velmorin::shell {

class GtkBridgePlatform : public bridge::BridgePlatform {
 public:
  // Enough threads that a few slow commands never hold back the page, few
  // enough that a page posting in a loop cannot exhaust the machine.
  static constexpr std::size_t kMaxThreads = 16;

  GtkBridgePlatform(GApplication* app, GtkWindow* window, WebKitWebView* web);

  void evaluateScript(const std::string& script) override;
  void postToMain(std::function<void()> task) override;
  void postToMainAfter(std::chrono::milliseconds delay, std::function<void()> task) override;
  void runInBackground(std::function<void()> task) override;
  void pickFolder(const bridge::PickerOptions& options, bridge::PickerDone done) override;
  void openApplication(const NsmApp& app) override;
  void openURL(const std::string& url) override;
  void reveal(const std::filesystem::path& absolutePath, bridge::RevealDone done) override;
  void notify(const bridge::WorkNotice& notice) override;
  void print(bridge::PrintDone done) override;
  void endApplication() override;

  // Commands still queued or running.
  std::size_t commandsInFlight() const { return pool_.busy(); }

 private:
  GApplication* app_;
  GtkWindow* window_;
  WebKitWebView* web_;
  bridge::TaskPool pool_{kMaxThreads};
};

}  // namespace velmorin::shell
