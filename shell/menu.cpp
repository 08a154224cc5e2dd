#include "shell/menu.h"

#include "shell/about_dialog.h"

namespace velmorin::shell {

namespace {

using Handler = std::function<void()>;

void addQuitAction(GtkApplication* app, Handler quit) {
  if (!quit) quit = [app] { g_application_quit(G_APPLICATION(app)); };
  GSimpleAction* action = g_simple_action_new("quit", nullptr);
  g_signal_connect_data(
      action, "activate",
      G_CALLBACK(+[](GSimpleAction*, GVariant*, gpointer handler) { (*static_cast<Handler*>(handler))(); }),
      new Handler(std::move(quit)), +[](gpointer handler, GClosure*) { delete static_cast<Handler*>(handler); },
      GConnectFlags(0));
  g_action_map_add_action(G_ACTION_MAP(app), G_ACTION(action));
  g_object_unref(action);
}

void copy(GSimpleAction*, GVariant*, gpointer web) {
  webkit_web_view_execute_editing_command(WEBKIT_WEB_VIEW(web), WEBKIT_EDITING_COMMAND_COPY);
}

void selectAll(GSimpleAction*, GVariant*, gpointer web) {
  webkit_web_view_execute_editing_command(WEBKIT_WEB_VIEW(web), WEBKIT_EDITING_COMMAND_SELECT_ALL);
}

void about(GSimpleAction*, GVariant*, gpointer window) {
  showAbout(GTK_WINDOW(window), g_object_get_data(G_OBJECT(window), "velmorin-spanish") != nullptr);
}

void setAccel(GtkApplication* app, const char* action, const char* accel) {
  const char* accels[] = {accel, nullptr};
  gtk_application_set_accels_for_action(app, action, accels);
}

}  // namespace

MenuTexts menuTexts(bool spanish) {
  if (spanish)
    return {"Velmorin Sync", "Salir de Velmorin Sync", "Edición", "Copiar", "Seleccionar todo", aboutTexts(true).menuItem};
  return {"Velmorin Sync", "Quit Velmorin Sync", "Edit", "Copy", "Select All", aboutTexts(false).menuItem};
}

GtkWidget* buildMenu(GtkApplication* app, GtkApplicationWindow* window, WebKitWebView* web, bool spanish,
                     std::function<void()> quit) {
  addQuitAction(app, std::move(quit));
  const GActionEntry windowActions[] = {{"copy", copy, nullptr, nullptr, nullptr, {}},
                                        {"select-all", selectAll, nullptr, nullptr, nullptr, {}}};
  g_action_map_add_action_entries(G_ACTION_MAP(window), windowActions, G_N_ELEMENTS(windowActions), web);
  const GActionEntry aboutAction[] = {{"about", about, nullptr, nullptr, nullptr, {}}};
  g_action_map_add_action_entries(G_ACTION_MAP(window), aboutAction, 1, window);
  if (spanish) g_object_set_data(G_OBJECT(window), "velmorin-spanish", GINT_TO_POINTER(1));
  setAccel(app, "app.quit", "<Control>q");
  setAccel(app, "win.copy", "<Control>c");
  setAccel(app, "win.select-all", "<Control>a");

  const MenuTexts texts = menuTexts(spanish);
  GMenu* bar = g_menu_new();
  GMenu* appMenu = g_menu_new();
  g_menu_append(appMenu, texts.about.c_str(), "win.about");
  g_menu_append(appMenu, texts.quit.c_str(), "app.quit");
  g_menu_append_submenu(bar, texts.appMenu.c_str(), G_MENU_MODEL(appMenu));
  GMenu* edit = g_menu_new();
  g_menu_append(edit, texts.copy.c_str(), "win.copy");
  g_menu_append(edit, texts.selectAll.c_str(), "win.select-all");
  g_menu_append_submenu(bar, texts.edit.c_str(), G_MENU_MODEL(edit));

  GtkWidget* widget = gtk_menu_bar_new_from_model(G_MENU_MODEL(bar));
  g_object_unref(edit);
  g_object_unref(appMenu);
  g_object_unref(bar);
  return widget;
}

}  // namespace velmorin::shell
