#include "shell/main_window.h"

#include "bridge/core_services.h"
#include "shell/context_menu.h"
#include "shell/desktop_open.h"
#include "shell/menu.h"
#include "shell/navigation_policy.h"
#include "shell/ui_files.h"
#include "shell/ui_scheme.h"
#include "shell/webkit_compat.h"

namespace velmorin::shell {

namespace {

// rgb(28, 28, 30) behind the page and in the header bar, so the two read as one surface.
constexpr const char* kStyle =
    "window.velmorin-main, window.velmorin-main headerbar, window.velmorin-main .titlebar {"
    "  background-color: rgb(28, 28, 30); background-image: none; border-color: rgb(28, 28, 30);"
    "  box-shadow: none; }"
    "window.velmorin-main headerbar menubar { background: transparent; box-shadow: none; border: none; }";

void applyStyle() {
  g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", TRUE, nullptr);
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, kStyle, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);
}

WebKitWebContext* makeContext(const WindowOptions& options) {
  WebKitWebContext* context = webkit_web_context_new();
  registerUiScheme(context, options.uiFolder);
  std::vector<const char*> languages;
  for (const auto& tag : options.languages) languages.push_back(tag.c_str());
  if (languages.empty()) languages.push_back("en");
  languages.push_back(nullptr);
  webkit_web_context_set_preferred_languages(context, languages.data());
  return context;
}

WebKitWebView* makeWebView(WebKitWebContext* context, WebKitUserContentManager* content, bool automation) {
  WebKitSettings* settings = webkit_settings_new();
  // The page reads only its own scheme; no file: reach and no pop-ups.
  webkit_settings_set_allow_file_access_from_file_urls(settings, FALSE);
  webkit_settings_set_allow_universal_access_from_file_urls(settings, FALSE);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
  compat::paintWithoutCompositing(settings);
  // For whoever works on the page: its console on standard output, only when asked.
  if (const char* console = g_getenv("VELMORIN_WEB_CONSOLE"); console && g_strcmp0(console, "1") == 0)
    webkit_settings_set_enable_write_console_messages_to_stdout(settings, TRUE);
  auto* web = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "user-content-manager",
                                           content, "settings", settings, "is-controlled-by-automation",
                                           automation ? TRUE : FALSE, nullptr));
  g_object_unref(settings);
  // The window's colour wherever the page paints nothing, and before its first
  // paint. Opaque: without compositing a transparent view shows black.
  const GdkRGBA windowColour = {28 / 255.0, 28 / 255.0, 30 / 255.0, 1.0};
  webkit_web_view_set_background_color(web, &windowColour);
  return web;
}

}  // namespace

MainWindow::MainWindow(GtkApplication* app, const Values& values, const WindowOptions& options) {
  applyStyle();
  context_ = makeContext(options);
  if (options.automation) {
    webkit_web_context_set_automation_allowed(context_, TRUE);
    g_signal_connect(context_, "automation-started", G_CALLBACK(onAutomationStarted), this);
  }

  WebKitUserContentManager* content = webkit_user_content_manager_new();
  // Connected before registering, so the page's very first message is heard.
  g_signal_connect(content, "script-message-received::vl", G_CALLBACK(onScriptMessage), this);
  webkit_user_content_manager_register_script_message_handler(content, "vl");
  web_ = makeWebView(context_, content, options.automation);
  g_object_unref(content);
  g_signal_connect(web_, "decide-policy", G_CALLBACK(onDecidePolicy), nullptr);
  g_signal_connect(web_, "load-changed", G_CALLBACK(onLoadChanged), this);
  limitContextMenu(web_);

  window_ = gtk_application_window_new(app);
  GtkWindow* window = GTK_WINDOW(window_);
  gtk_style_context_add_class(gtk_widget_get_style_context(window_), "velmorin-main");
  gtk_window_set_title(window, "Velmorin Sync");
  gtk_window_set_default_size(window, kWidth, kHeight);
  gtk_window_set_position(window, GTK_WIN_POS_CENTER);

  GtkWidget* header = gtk_header_bar_new();
  gtk_header_bar_set_title(GTK_HEADER_BAR(header), "Velmorin Sync");
  gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(header), TRUE);
  gtk_header_bar_pack_start(GTK_HEADER_BAR(header),
                            buildMenu(app, GTK_APPLICATION_WINDOW(window_), web_, options.spanish,
                                      [this] { requestQuit(); }));
  gtk_window_set_titlebar(window, header);
  // The page fills the whole window below the header bar, so the minimum is
  // the page's own: window geometry hints would also count the header bar
  // and client-side borders, which differ between desktops.
  gtk_widget_set_size_request(GTK_WIDGET(web_), kMinWidth, kMinHeight);
  gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(web_));

  platform_ = std::make_unique<GtkBridgePlatform>(G_APPLICATION(app), window, web_);
  bridge::RouterServices services = bridge::coreServices(values);
  deviceNews_ = std::make_unique<bridge::DeviceNews>(*platform_, [work = services.work] {
    platform::WorkControl control;
    return work("nord", Json::object(), control).head;  // a short reply, whole
  });
  router_ = std::make_unique<bridge::Router>(*platform_, std::move(services));
  usbWatch_ = platform::watchUsbDevices([this] { deviceNews_->devicesChanged(); });
  g_signal_connect(window_, "destroy", G_CALLBACK(onWindowDestroyed), this);
  // Closing the window, or the page or a WebDriver session closing the view,
  // quits like the menu: after any install or zip that is running.
  g_signal_connect(window_, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                     static_cast<MainWindow*>(self)->requestQuit();
                     return TRUE;
                   }),
                   this);
  g_signal_connect_swapped(web_, "close", G_CALLBACK(+[](MainWindow* self) { self->requestQuit(); }), this);

  gtk_widget_show_all(window_);
  gtk_window_present(window);
  if (options.uiFolder) webkit_web_view_load_uri(web_, std::string(kPageUri).c_str());
}

MainWindow::~MainWindow() {
  usbWatch_.reset();
  deviceNews_.reset();
  router_.reset();
  if (window_) gtk_widget_destroy(window_);
  if (context_) g_object_unref(context_);
}

void MainWindow::onWindowDestroyed(GtkWidget*, gpointer data) {
  auto* self = static_cast<MainWindow*>(data);
  // Replies and news still on their way find no router and are dropped.
  self->usbWatch_.reset();
  self->deviceNews_.reset();
  self->router_.reset();
  self->window_ = nullptr;
  self->web_ = nullptr;
}

void MainWindow::requestQuit() {
  if (router_) {
    router_->endWhenFinished();
  } else {
    platform_->endApplication();
  }
}

void MainWindow::onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  auto* self = static_cast<MainWindow*>(data);
  if (event == WEBKIT_LOAD_COMMITTED && self->router_) self->router_->pageLoaded();
}

void MainWindow::onScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
  auto* self = static_cast<MainWindow*>(data);
  const std::string body = compat::messageBodyJson(result);
  if (self->router_ && !body.empty()) self->router_->onMessageJson(body);
}

gboolean MainWindow::onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                    gpointer) {
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;  // what is allowed to load may show
  auto* navigation = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(navigation);
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  const bool clicked = webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_LINK_CLICKED &&
                       webkit_navigation_action_is_user_gesture(action);
  const bool newWindow = type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION;
  switch (navigationFor(uri ? uri : "", clicked, newWindow)) {
    case Navigation::Allow:
      webkit_policy_decision_use(decision);
      break;
    case Navigation::OpenOutside:
      openUri(uri);
      webkit_policy_decision_ignore(decision);
      break;
    case Navigation::Refuse:
      webkit_policy_decision_ignore(decision);
      break;
  }
  return TRUE;
}

void MainWindow::onAutomationStarted(WebKitWebContext*, WebKitAutomationSession* session, gpointer data) {
  WebKitApplicationInfo* info = webkit_application_info_new();
  webkit_application_info_set_name(info, "velmorin-sync");
  webkit_application_info_set_version(info, VELMORIN_VERSION_MAJOR, VELMORIN_VERSION_MINOR, VELMORIN_VERSION_PATCH);
  webkit_automation_session_set_application_info(session, info);
  webkit_application_info_unref(info);
  // The session drives the one web view there is; it never gets another.
  g_signal_connect(session, "create-web-view",
                   G_CALLBACK(+[](WebKitAutomationSession*, gpointer self) -> WebKitWebView* {
                     return static_cast<MainWindow*>(self)->web_;
                   }),
                   data);
}

}  // namespace velmorin::shell
