#pragma once
// The one window: a dark header bar with the menu over a web view that shows the
// page from the "velmorin" scheme and carries its messages to the router.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vocabulary/values.h"
#include "platform/usb_watch.h"
#include "bridge/device_news.h"
#include "bridge/router.h"
#include "shell/gtk_bridge_platform.h"

namespace velmorin::shell {

struct WindowOptions {
  std::optional<std::filesystem::path> uiFolder;  // nothing: the window stays empty
  std::vector<std::string> languages;             // the page's navigator.languages
  bool spanish = false;                            // the menu's language
  bool automation = false;                         // let WebDriver drive the web view
};

class MainWindow {
 public:
  static constexpr int kWidth = 880;
  static constexpr int kHeight = 720;
  static constexpr int kMinWidth = 640;
  static constexpr int kMinHeight = 600;

  // Builds and shows the window and starts loading the page.
  MainWindow(GtkApplication* app, const Values& values, const WindowOptions& options);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  GtkWindow* window() const { return GTK_WINDOW(window_); }
  WebKitWebView* webView() const { return web_; }
  std::size_t commandsInFlight() const { return platform_->commandsInFlight(); }

 private:
  // Every way of quitting: the menu, Ctrl+Q, closing the window or the view.
  void requestQuit();
  static void onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self);
  static void onScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self);
  static gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                 gpointer);
  static void onAutomationStarted(WebKitWebContext*, WebKitAutomationSession* session, gpointer self);
  static void onWindowDestroyed(GtkWidget*, gpointer self);

  GtkWidget* window_ = nullptr;
  WebKitWebContext* context_ = nullptr;
  WebKitWebView* web_ = nullptr;
  std::unique_ptr<GtkBridgePlatform> platform_;
  std::unique_ptr<bridge::Router> router_;
  std::unique_ptr<bridge::DeviceNews> deviceNews_;
  std::unique_ptr<platform::UsbWatch> usbWatch_;  // gone before the news it feeds
};

}  // namespace velmorin::shell
