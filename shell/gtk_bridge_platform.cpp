#include "shell/gtk_bridge_platform.h"

#include "shell/application_id.h"
#include "shell/desktop_open.h"
#include "shell/folder_picker.h"
#include "shell/page_print.h"
#include "shell/webkit_compat.h"

namespace velmorin::shell {

namespace {

gboolean runOnce(gpointer data) {
  (*static_cast<std::function<void()>*>(data))();
  return G_SOURCE_REMOVE;
}

void deleteTask(gpointer data) { delete static_cast<std::function<void()>*>(data); }

}  // namespace

GtkBridgePlatform::GtkBridgePlatform(GApplication* app, GtkWindow* window, WebKitWebView* web)
    : app_(app), window_(window), web_(web) {}

void GtkBridgePlatform::evaluateScript(const std::string& script) { compat::evaluateScript(web_, script); }

void GtkBridgePlatform::postToMain(std::function<void()> task) {
  // g_idle_add is safe from any thread and runs on the default (GTK) main context.
  g_idle_add_full(G_PRIORITY_DEFAULT, runOnce, new std::function<void()>(std::move(task)), deleteTask);
}

void GtkBridgePlatform::postToMainAfter(std::chrono::milliseconds delay, std::function<void()> task) {
  g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(delay.count()), runOnce,
                     new std::function<void()>(std::move(task)), deleteTask);
}

void GtkBridgePlatform::runInBackground(std::function<void()> task) { pool_.submit(std::move(task)); }

void GtkBridgePlatform::pickFolder(const bridge::PickerOptions& options, bridge::PickerDone done) {
  showFolderPicker(window_, options, std::move(done));
}

void GtkBridgePlatform::openApplication(const NsmApp& app) { shell::openApplication(app); }

void GtkBridgePlatform::openURL(const std::string& url) { openUri(url); }

void GtkBridgePlatform::reveal(const std::filesystem::path& absolutePath, bridge::RevealDone done) {
  revealInFileManager(absolutePath, std::move(done));
}

void GtkBridgePlatform::notify(const bridge::WorkNotice& notice) {
  if (gtk_window_is_active(window_)) return;
  GNotification* notification = g_notification_new(notice.title.c_str());
  if (!notice.body.empty()) g_notification_set_body(notification, notice.body.c_str());
  g_notification_set_default_action(notification, (std::string("app.") + kPresentAction).c_str());
  // One at a time: a newer ending replaces the older one.
  g_application_send_notification(app_, "work-ended", notification);
  g_object_unref(notification);
}

void GtkBridgePlatform::print(bridge::PrintDone done) { printPage(window_, web_, std::move(done)); }

void GtkBridgePlatform::endApplication() { g_application_quit(app_); }

}  // namespace velmorin::shell
