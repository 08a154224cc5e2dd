#include "shell/window_app.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string_view>

#include "vocabulary/language.h"
#include "vocabulary/values.h"
#include "shell/main_window.h"
#include "shell/ui_location.h"

namespace velmorin::shell {

namespace {

struct App {
  WindowOptions options;
  std::unique_ptr<MainWindow> window;
};

void activate(GtkApplication* gtkApp, gpointer data) {
  auto* app = static_cast<App*>(data);
  if (app->window) {
    if (GtkWindow* window = app->window->window()) gtk_window_present(window);
    return;
  }
  app->window = std::make_unique<MainWindow>(gtkApp, processValues(), app->options);
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
  g_set_prgname("velmorin-sync");  // the X11 class and Wayland app id, matching the desktop file
  g_set_application_name("Velmorin Sync");
  if (!gtk_init_check(nullptr, nullptr)) {
    std::cerr << "velmorin-sync: cannot open the window: no display could be reached (DISPLAY / "
                 "WAYLAND_DISPLAY); --selftest and --command work without one\n";
    return 1;
  }

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

  // No application id: no single-instance registration on the session bus.
  GtkApplication* gtkApp = gtk_application_new(nullptr, G_APPLICATION_NON_UNIQUE);
  g_signal_connect(gtkApp, "activate", G_CALLBACK(activate), &app);
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
