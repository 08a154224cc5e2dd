#include "shell/window_app.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string_view>

#include "vocabulary/language.h"
#include "vocabulary/values.h"
#include "shell/application_id.h"
#include "shell/main_window.h"
#include "shell/ui_location.h"

namespace velmorin::shell {

namespace {

struct App {
  WindowOptions options;
  std::unique_ptr<MainWindow> window;
};

void present(App& app) {
  if (!app.window) return;
  if (GtkWindow* window = app.window->window()) gtk_window_present(window);
}

// The first start builds the window; a second start of the program, and a click
// on one of its notifications, bring it forward.
void activate(GtkApplication* gtkApp, gpointer data) {
  auto* app = static_cast<App*>(data);
  if (app->window) return present(*app);
  app->window = std::make_unique<MainWindow>(gtkApp, processValues(), app->options);
}

void addPresentAction(GtkApplication* gtkApp, App& app) {
  GSimpleAction* action = g_simple_action_new(kPresentAction, nullptr);
  g_signal_connect(action, "activate",
                   G_CALLBACK(+[](GSimpleAction*, GVariant*, gpointer data) { present(*static_cast<App*>(data)); }),
                   &app);
  g_action_map_add_action(G_ACTION_MAP(gtkApp), G_ACTION(action));
  g_object_unref(action);
}

// One instance per user: registered under the application id on the session
// bus, where a second start finds the first and hands over to it. A WebDriver
// session needs a process of its own, and without a session bus there is
// nothing to register on: then the window runs on its own, as before.
GtkApplication* makeApplication(bool automation) {
  if (!automation) {
    GtkApplication* unique = gtk_application_new(kApplicationId, G_APPLICATION_DEFAULT_FLAGS);
    GError* error = nullptr;
    if (g_application_register(G_APPLICATION(unique), nullptr, &error)) return unique;
    std::cerr << "velmorin-sync: another start will open a second window: " << error->message << '\n';
    g_error_free(error);
    g_object_unref(unique);
  }
  return gtk_application_new(kApplicationId, G_APPLICATION_NON_UNIQUE);
}

bool hasArgument(int argc, char** argv, std::string_view wanted) {
  for (int i = 1; i < argc; ++i)
    if (argv[i] == wanted) return true;
  return false;
}

std::string joined(const std::vector<std::filesystem::path>& paths) {
  std::string text;
  for (const auto& path : paths) text += (text.empty() ? "" : ", ") + path.string();
  return text.empty() ? "nowhere" : text;
}

}  // namespace

int runWindow(int argc, char** argv) {
  g_set_prgname(kApplicationId);  // the X11 class, matching the desktop file's name
  g_set_application_name("Velmorin Sync");
  if (!gtk_init_check(nullptr, nullptr)) {
    std::cerr << "velmorin-sync: cannot open the window: no display could be reached (DISPLAY / "
                 "WAYLAND_DISPLAY); --selftest and --command work without one\n";
    return 1;
  }
  gtk_window_set_default_icon_name(kApplicationId);  // the installed icon, where there is one

  App app;
  const Values& values = processValues();
  app.options.languages = values.preferredLanguages ? values.preferredLanguages() : std::vector<std::string>{};
  app.options.spanish = spanish(app.options.languages);
  app.options.automation = hasArgument(argc, argv, "--automation");
  const UiSearch search = processUiSearch();
  app.options.uiFolder = findUiFolder(search);
  if (!app.options.uiFolder)
    std::cerr << "velmorin-sync: the page (ui/index.html) was not found; looked in " << joined(uiCandidates(search))
              << '\n';

  GtkApplication* gtkApp = makeApplication(app.options.automation);
  g_signal_connect(gtkApp, "activate", G_CALLBACK(activate), &app);
  addPresentAction(gtkApp, app);
  // Window mode reads no argument; GApplication must not reject ours.
  const int status = g_application_run(G_APPLICATION(gtkApp), 0, nullptr);

  if (app.window && app.window->commandsInFlight() > 0) {
    // Commands still running (never an install or a zip: quitting waits for
    // those) are abandoned: leave without the static destructors they may still
    // be reading from.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
  }
  app.window.reset();
  g_object_unref(gtkApp);
  return status;
}

}  // namespace velmorin::shell
