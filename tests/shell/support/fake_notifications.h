#pragma once
// A notification server on the test's own session bus, as a desktop runs one:
// it owns org.freedesktop.Notifications, writes down every notification it is
// sent, and can say that one was clicked.
#include <gio/gio.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmorin::testing {

struct ReceivedNotification {
  std::uint32_t id = 0;
  std::string app, summary, body, desktopEntry;
  std::vector<std::string> actions;
};

class FakeNotificationServer {
 public:
  FakeNotificationServer() : thread_([this] { serve(); }) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return state_ != State::Starting; });
  }
  ~FakeNotificationServer() {
    // From the loop itself: a quit sent before the loop runs would be lost.
    g_main_context_invoke(
        context_, +[](gpointer loop) { return g_main_loop_quit(static_cast<GMainLoop*>(loop)), G_SOURCE_REMOVE; },
        loop_);
    thread_.join();
  }
  FakeNotificationServer(const FakeNotificationServer&) = delete;
  FakeNotificationServer& operator=(const FakeNotificationServer&) = delete;

  bool serving() const { return state_ == State::Serving; }

  // Every notification so far, once there are at least `count`, or after `limit`.
  std::vector<ReceivedNotification> received(std::size_t count, std::chrono::seconds limit) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, limit, [&] { return received_.size() >= count; });
    return received_;
  }

  // What the server sends when the user clicks the notification itself.
  void click(std::uint32_t id) {
    g_dbus_connection_emit_signal(bus_, nullptr, kPath, kInterface, "ActionInvoked",
                                  g_variant_new("(us)", id, "default"), nullptr);
    g_dbus_connection_flush_sync(bus_, nullptr, nullptr);
  }

 private:
  static constexpr const char* kPath = "/org/freedesktop/Notifications";
  static constexpr const char* kInterface = "org.freedesktop.Notifications";
  static constexpr const char* kXml =
      "<node><interface name='org.freedesktop.Notifications'>"
      "<method name='Notify'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
      "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='s' direction='in'/>"
      "<arg type='as' direction='in'/><arg type='a{sv}' direction='in'/><arg type='i' direction='in'/>"
      "<arg type='u' direction='out'/></method>"
      "<method name='CloseNotification'><arg type='u' direction='in'/></method>"
      "<method name='GetCapabilities'><arg type='as' direction='out'/></method>"
      "<method name='GetServerInformation'><arg type='s' direction='out'/><arg type='s' direction='out'/>"
      "<arg type='s' direction='out'/><arg type='s' direction='out'/></method>"
      "<signal name='ActionInvoked'><arg type='u'/><arg type='s'/></signal>"
      "<signal name='NotificationClosed'><arg type='u'/><arg type='u'/></signal>"
      "</interface></node>";

  enum class State { Starting, Serving, Failed };

  void serve() {
    GMainContext* context = context_ = g_main_context_new();
    g_main_context_push_thread_default(context);
    loop_ = g_main_loop_new(context, FALSE);
    bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kXml, nullptr);
    const GDBusInterfaceVTable vtable = {&FakeNotificationServer::onCall, nullptr, nullptr, {}};
    bool ok = bus_ && node &&
              g_dbus_connection_register_object(bus_, kPath, node->interfaces[0], &vtable, this, nullptr, nullptr);
    if (ok) {
      GVariant* owned = g_dbus_connection_call_sync(
          bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
          g_variant_new("(su)", kInterface, 4u /* do not queue */), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1,
          nullptr, nullptr);
      guint32 result = 0;
      if (owned) g_variant_get(owned, "(u)", &result), g_variant_unref(owned);
      ok = result == 1;  // the primary owner
    }
    {
      std::lock_guard lock(mutex_);
      state_ = ok ? State::Serving : State::Failed;
    }
    changed_.notify_all();
    g_main_loop_run(loop_);
    if (node) g_dbus_node_info_unref(node);
    g_main_loop_unref(loop_);
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
  }

  static void onCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                     GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<FakeNotificationServer*>(data);
    const std::string name = method;
    if (name == "GetCapabilities") {
      const gchar* caps[] = {"actions", "body", nullptr};
      return g_dbus_method_invocation_return_value(invocation, g_variant_new("(^as)", caps));
    }
    if (name == "GetServerInformation")
      return g_dbus_method_invocation_return_value(invocation, g_variant_new("(ssss)", "fake", "test", "1", "1.2"));
    if (name != "Notify") return g_dbus_method_invocation_return_value(invocation, nullptr);
    const gchar *app = nullptr, *icon = nullptr, *summary = nullptr, *body = nullptr;
    guint32 replaces = 0;
    gint32 timeout = 0;
    GVariantIter* actions = nullptr;
    GVariant* hints = nullptr;
    g_variant_get(parameters, "(&su&s&s&sas@a{sv}i)", &app, &replaces, &icon, &summary, &body, &actions, &hints,
                  &timeout);
    ReceivedNotification got{0, app, summary, body, {}, {}};
    const gchar* action = nullptr;
    while (g_variant_iter_next(actions, "&s", &action)) got.actions.emplace_back(action);
    g_variant_iter_free(actions);
    const gchar* entry = nullptr;
    if (g_variant_lookup(hints, "desktop-entry", "&s", &entry)) got.desktopEntry = entry;
    g_variant_unref(hints);
    std::lock_guard lock(self->mutex_);
    got.id = static_cast<std::uint32_t>(self->received_.size() + 1);
    // The id goes out before the test hears of the notification: a click the
    // test sends at once must reach the program after the id it names, or the
    // program cannot tell which of its notifications was clicked.
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", got.id));
    self->received_.push_back(got);
    self->changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  State state_ = State::Starting;
  std::vector<ReceivedNotification> received_;
  GMainContext* context_ = nullptr;
  GMainLoop* loop_ = nullptr;
  GDBusConnection* bus_ = nullptr;
  std::thread thread_;
};

}  // namespace velmorin::testing
