#include "shell/desktop_open.h"

#include <gdk/gdk.h>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <unistd.h>

#include <memory>
#include <system_error>

namespace velmorin::shell {

namespace {

// Startup notification and the right screen come with GDK's launch context.
GAppLaunchContext* launchContext() {
  GdkDisplay* display = gdk_display_get_default();
  return display ? G_APP_LAUNCH_CONTEXT(gdk_display_get_app_launch_context(display)) : nullptr;
}

void unrefIfAny(GAppLaunchContext* context) {
  if (context) g_object_unref(context);
}

struct RevealRequest {
  std::string uri;
  std::filesystem::path parent;
  Opened done;
};

void tell(const Opened& done, bool opened) {
  if (done) done(opened);
}

// What a reveal falls back on: the folder that holds the item, and only when
// that is a folder. A path whose parent is a file ("notes.txt/x") must never
// hand that file to its default application.
void openContainingFolder(const std::filesystem::path& parent, Opened done) {
  std::error_code ec;
  if (!std::filesystem::is_directory(parent, ec)) return tell(done, false);
  gchar* uri = g_filename_to_uri(parent.c_str(), nullptr, nullptr);
  if (!uri) return tell(done, false);
  openUri(uri, std::move(done));
  g_free(uri);
}

void revealAnswered(GObject* source, GAsyncResult* result, gpointer data) {
  RevealRequest* request = static_cast<RevealRequest*>(data);
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  if (reply) {
    g_variant_unref(reply);
    tell(request->done, true);
  } else {
    g_error_free(error);
    openContainingFolder(request->parent, std::move(request->done));
  }
  delete request;
}

void busReady(GObject*, GAsyncResult* result, gpointer data) {
  auto* request = static_cast<RevealRequest*>(data);
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_finish(result, &error);
  if (!bus) {
    g_error_free(error);
    openContainingFolder(request->parent, std::move(request->done));
    delete request;
    return;
  }
  GVariantBuilder uris;
  g_variant_builder_init(&uris, G_VARIANT_TYPE("as"));
  g_variant_builder_add(&uris, "s", request->uri.c_str());
  // A file manager that is not running yet may be started by the bus for this call.
  g_dbus_connection_call(bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                         "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(ass)", &uris, ""), nullptr,
                         G_DBUS_CALL_FLAGS_NONE, -1, nullptr, revealAnswered, request);
  g_object_unref(bus);
}

bool isExecutableFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

void openUri(const std::string& uri, Opened done) {
  GAppLaunchContext* context = launchContext();
  g_app_info_launch_default_for_uri_async(
      uri.c_str(), context, nullptr,
      [](GObject*, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Opened> done(static_cast<Opened*>(data));
        GError* error = nullptr;
        const bool opened = g_app_info_launch_default_for_uri_finish(result, &error);
        if (!opened) g_error_free(error);
        tell(*done, opened);
      },
      new Opened(std::move(done)));
  unrefIfAny(context);
}

void openApplication(const NsmApp& app) {
  GAppLaunchContext* context = launchContext();
  if (app.desktopEntry) {
    if (GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(app.location.c_str())) {
      GError* error = nullptr;
      if (!g_app_info_launch(G_APP_INFO(info), nullptr, context, &error)) g_error_free(error);
      g_object_unref(info);
    }
  } else if (isExecutableFile(app.location)) {
    const char* argv[] = {app.location.c_str(), nullptr};
    GError* error = nullptr;
    if (!g_spawn_async(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr,
                       &error))
      g_error_free(error);
  } else if (gchar* uri = g_filename_to_uri(app.location.c_str(), nullptr, nullptr)) {
    openUri(uri);
    g_free(uri);
  }
  unrefIfAny(context);
}

void revealInFileManager(const std::filesystem::path& path, Opened done) {
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  if (!uri) return tell(done, false);
  g_bus_get(G_BUS_TYPE_SESSION, nullptr, busReady, new RevealRequest{uri, path.parent_path(), std::move(done)});
  g_free(uri);
}

}  // namespace velmorin::shell
