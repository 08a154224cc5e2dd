// The shell's GTK pieces inside this process, on a real X server: the folder
// chooser, the menu and the hand-offs to the desktop.
#include <gtest/gtest.h>

#include <algorithm>
#include <gtk/gtk.h>

#include <fstream>

#include "shell/desktop_open.h"
#include "shell/folder_picker.h"
#include "shell/main_window.h"
#include "shell/menu.h"
#include "shell/about_dialog.h"
#include "shell/support/fake_desktop.h"

// Last: Xlib's macros (None, Bool) would clash with names in the headers above.
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

namespace velmorin::testing {
namespace {

using namespace std::chrono_literals;

FakeDesktop* desktop = nullptr;

// Runs the main loop until `done` holds or `limit` passes.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 15s) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

GtkFileChooserDialog* openChooser(const std::string& title) {
  GtkFileChooserDialog* found = nullptr;
  pumpUntil([&] {
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next)
      if (GTK_IS_FILE_CHOOSER_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)) &&
          g_strcmp0(gtk_window_get_title(GTK_WINDOW(w->data)), title.c_str()) == 0)
        found = GTK_FILE_CHOOSER_DIALOG(w->data);
    g_list_free(windows);
    return found != nullptr;
  });
  return found;
}

std::string chooserFolder(GtkFileChooserDialog* dialog) {
  gchar* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog));
  std::string text = folder ? folder : "";
  g_free(folder);
  return text;
}

// --- the folder chooser ----------------------------------------------------------

class FolderPicker : public ::testing::Test {
 protected:
  void SetUp() override {
    parent = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_widget_show(parent);
  }
  void TearDown() override { gtk_widget_destroy(parent); }

  bridge::PickerDone record(int index) {
    return [this, index](std::optional<std::string> chosen) { results.push_back({index, chosen}); };
  }

  GtkWidget* parent = nullptr;
  TempTree tree;
  std::vector<std::pair<int, std::optional<std::string>>> results;
};

TEST_F(FolderPicker, ShowsTheMessageAndLabelOverTheWindowAndRepliesWithTheChosenFolder) {
  const fs::path start = tree.folder("Mobile Documents/com~apple~CloudDocs");
  const fs::path chosen = tree.folder("Mobile Documents/com~apple~CloudDocs/Velmorin Ñ");
  shell::showFolderPicker(GTK_WINDOW(parent), {"Choose the destination folder: the keyboard model's folder is made in it", "Choose", start},
                          record(1));
  GtkFileChooserDialog* dialog = openChooser("Choose the destination folder: the keyboard model's folder is made in it");
  ASSERT_TRUE(dialog);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  EXPECT_EQ(gtk_file_chooser_get_action(chooser), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER);
  EXPECT_TRUE(gtk_file_chooser_get_create_folders(chooser));
  EXPECT_FALSE(gtk_file_chooser_get_select_multiple(chooser));
  EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), GTK_WINDOW(parent));
  EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
  GtkWidget* accept = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  ASSERT_TRUE(accept);
  EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(accept)), "Choose");
  EXPECT_TRUE(pumpUntil([&] { return chooserFolder(dialog) == start.string(); })) << chooserFolder(dialog);
  EXPECT_TRUE(results.empty());  // nothing until the user decides

  gtk_file_chooser_select_filename(chooser, chosen.c_str());
  pumpUntil([&] {
    gchar* name = gtk_file_chooser_get_filename(chooser);
    const bool selected = name && chosen == name;
    g_free(name);
    return selected;
  });
  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  ASSERT_TRUE(pumpUntil([&] { return !results.empty(); }));
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].second, chosen.string());
}

TEST_F(FolderPicker, CancellingOrClosingRepliesNothingChosen) {
  shell::showFolderPicker(GTK_WINDOW(parent), {"Elige la carpeta donde guardaste las listas", "Elegir", {}},
                          record(1));
  GtkFileChooserDialog* first = openChooser("Elige la carpeta donde guardaste las listas");
  ASSERT_TRUE(first);
  EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(gtk_dialog_get_widget_for_response(GTK_DIALOG(first),
                                                                                   GTK_RESPONSE_ACCEPT))),
               "Elegir");
  gtk_dialog_response(GTK_DIALOG(first), GTK_RESPONSE_CANCEL);
  ASSERT_TRUE(pumpUntil([&] { return results.size() == 1; }));
  EXPECT_FALSE(results[0].second);

  shell::showFolderPicker(GTK_WINDOW(parent), {"Choose the folder with the Nord programs", "Choose", {}}, record(2));
  GtkFileChooserDialog* second = openChooser("Choose the folder with the Nord programs");
  ASSERT_TRUE(second);
  gtk_dialog_response(GTK_DIALOG(second), GTK_RESPONSE_DELETE_EVENT);
  ASSERT_TRUE(pumpUntil([&] { return results.size() == 2; }));
  EXPECT_FALSE(results[1].second);
}

TEST_F(FolderPicker, SeveralChoosersAtOnceEachAnswerOnceInTheOrderTheyClose) {
  shell::showFolderPicker(GTK_WINDOW(parent), {"First", "Choose", {}}, record(7));
  shell::showFolderPicker(GTK_WINDOW(parent), {"Second", "Choose", tree.root()}, record(8));
  GtkFileChooserDialog* first = openChooser("First");
  GtkFileChooserDialog* second = openChooser("Second");
  ASSERT_TRUE(first && second);
  ASSERT_TRUE(pumpUntil([&] { return chooserFolder(second) == tree.root().string(); }));
  gtk_dialog_response(GTK_DIALOG(second), GTK_RESPONSE_ACCEPT);
  gtk_dialog_response(GTK_DIALOG(first), GTK_RESPONSE_CANCEL);
  ASSERT_TRUE(pumpUntil([&] { return results.size() == 2; }));
  pumpUntil([] { return false; }, 300ms);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].first, 8);
  EXPECT_EQ(results[0].second, tree.root().string());  // confirmed with no selection: the folder shown
  EXPECT_EQ(results[1].first, 7);
  EXPECT_FALSE(results[1].second);
}

// Answers the replace question when it shows: the file chooser asks it in a loop
// of its own, so the answer has to come from a timer inside that loop.
struct ReplaceQuestion {
  int answer = GTK_RESPONSE_CANCEL;
  bool asked = false;
  std::size_t resultsWhenAsked = 0;
  const std::vector<std::pair<int, std::optional<std::string>>>* results = nullptr;
};

gboolean answerQuestion(gpointer data) {
  auto* question = static_cast<ReplaceQuestion*>(data);
  GtkMessageDialog* found = nullptr;
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w; w = w->next)
    if (GTK_IS_MESSAGE_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data))) found = GTK_MESSAGE_DIALOG(w->data);
  g_list_free(windows);
  if (!found) return G_SOURCE_CONTINUE;
  question->asked = true;
  question->resultsWhenAsked = question->results->size();
  gtk_dialog_response(GTK_DIALOG(found), question->answer);
  return G_SOURCE_REMOVE;
}

// The set list's save dialog proposes a name, and a file already there is chosen
// only after the user has said to replace it; the reply then says so.
TEST_F(FolderPicker, TheSaveDialogProposesANameAndAsksBeforeAnExistingFileIsChosen) {
  const fs::path existing = tree.file("Gig.csv", "an earlier list");
  bridge::PickerOptions options{"Save the set list", "Save", tree.root()};
  options.saveFile = true;
  options.fileName = "Set list 2026-12-08.csv";
  shell::showFolderPicker(GTK_WINDOW(parent), options, record(1));
  GtkFileChooserDialog* dialog = openChooser("Save the set list");
  ASSERT_TRUE(dialog);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  EXPECT_EQ(gtk_file_chooser_get_action(chooser), GTK_FILE_CHOOSER_ACTION_SAVE);
  EXPECT_TRUE(gtk_file_chooser_get_do_overwrite_confirmation(chooser));
  gchar* proposed = gtk_file_chooser_get_current_name(chooser);
  EXPECT_STREQ(proposed, "Set list 2026-12-08.csv");
  g_free(proposed);
  ASSERT_TRUE(pumpUntil([&] { return chooserFolder(dialog) == tree.root().string(); }));

  gtk_file_chooser_set_current_name(chooser, "Gig.csv");
  for (const int answer : {GTK_RESPONSE_CANCEL, GTK_RESPONSE_ACCEPT}) {
    ReplaceQuestion question{answer, false, 0, &results};
    const guint timer = g_timeout_add(50, answerQuestion, &question);
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    pumpUntil([&] { return question.asked && (answer == GTK_RESPONSE_CANCEL || !results.empty()); }, 10s);
    if (!question.asked) g_source_remove(timer);
    ASSERT_TRUE(question.asked) << "the dialog asks before replacing";
    EXPECT_EQ(question.resultsWhenAsked, 0u) << "nothing chosen while the question is open";
    pumpUntil([] { return false; }, 300ms);
    EXPECT_EQ(results.size(), answer == GTK_RESPONSE_CANCEL ? 0u : 1u);
  }
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].second, existing.string());
  EXPECT_EQ(bridge::saveFileReply(results[0].second), (Reply{{"path", existing.string()}, {"replace", true}}));
}

TEST_F(FolderPicker, AFolderWhosePathIsNotUtf8ComesBackAsItsBytesAndIsAnsweredWithAnError) {
  const fs::path odd = tree.folder("M\xfasica");  // "Música" written in Latin-1
  shell::showFolderPicker(GTK_WINDOW(parent), {"Odd names", "Choose", odd}, record(1));
  GtkFileChooserDialog* dialog = openChooser("Odd names");
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(pumpUntil([&] { return chooserFolder(dialog) == odd.string(); }));
  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);  // confirms the folder shown
  ASSERT_TRUE(pumpUntil([&] { return !results.empty(); }));
  EXPECT_EQ(results[0].second, odd.string());
  const Reply reply = bridge::pickerReply(results[0].second);
  EXPECT_TRUE(reply.contains("error") && !reply.contains("path")) << reply.dump(-1, ' ', true);
}

// --- the menu ------------------------------------------------------------------------

TEST(MenuTexts, EnglishAndSpanish) {
  const auto en = shell::menuTexts(false);
  EXPECT_EQ(en.quit, "Quit Velmorin Sync");
  EXPECT_EQ(en.edit, "Edit");
  EXPECT_EQ(en.copy, "Copy");
  EXPECT_EQ(en.selectAll, "Select All");
  const auto es = shell::menuTexts(true);
  EXPECT_EQ(es.quit, "Salir de Velmorin Sync");
  EXPECT_EQ(es.edit, "Edición");
  EXPECT_EQ(es.copy, "Copiar");
  EXPECT_EQ(es.selectAll, "Seleccionar todo");
}

std::vector<std::string> menuLabels(GtkWidget* shell) {
  std::vector<std::string> labels;
  GList* items = gtk_container_get_children(GTK_CONTAINER(shell));
  for (GList* i = items; i; i = i->next) {
    if (!GTK_IS_MENU_ITEM(i->data)) continue;
    const gchar* label = gtk_menu_item_get_label(GTK_MENU_ITEM(i->data));
    labels.push_back(label ? label : "");
    if (GtkWidget* sub = gtk_menu_item_get_submenu(GTK_MENU_ITEM(i->data)))
      for (const auto& inner : menuLabels(sub)) labels.push_back("  " + inner);
  }
  g_list_free(items);
  return labels;
}

bool acceleratorIs(GtkApplication* app, const char* action, guint key) {
  gchar** accels = gtk_application_get_accels_for_action(app, action);
  bool matches = false;
  if (accels && accels[0] && !accels[1]) {
    guint parsedKey = 0;
    GdkModifierType mods{};
    gtk_accelerator_parse(accels[0], &parsedKey, &mods);
    matches = parsedKey == key && mods == GDK_CONTROL_MASK;
  }
  g_strfreev(accels);
  return matches;
}

struct MenuRun {
  bool spanish = false;
  std::vector<std::string> labels;
  bool accelsRight = false;
  std::string copied;
  // What "win.about" showed: name, version, licence, comments and every label inside.
  std::string aboutName, aboutVersion, aboutComments, aboutLabels;
  GtkLicense aboutLicense = GTK_LICENSE_UNKNOWN;
  bool aboutModal = false;
};

// Every label's text inside a widget, internal children too (the About dialog's credits).
void collectLabels(GtkWidget* widget, std::string& out) {
  if (GTK_IS_LABEL(widget)) out += std::string(gtk_label_get_text(GTK_LABEL(widget))) + "\n";
  if (GTK_IS_CONTAINER(widget))
    gtk_container_forall(GTK_CONTAINER(widget), [](GtkWidget* child, gpointer data) {
      collectLabels(child, *static_cast<std::string*>(data));
    }, &out);
}

// Presses the dialog's "Credits" button, which fills its credits page.
void showCredits(GtkWidget* widget) {
  if (GTK_IS_TOGGLE_BUTTON(widget)) {
    std::string label = gtk_button_get_label(GTK_BUTTON(widget)) ? gtk_button_get_label(GTK_BUTTON(widget)) : "";
    std::erase(label, '_');  // a mnemonic
    if (label == "Credits") gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget), TRUE);
  }
  if (GTK_IS_CONTAINER(widget))
    gtk_container_forall(GTK_CONTAINER(widget), [](GtkWidget* child, gpointer) { showCredits(child); }, nullptr);
}

GtkAboutDialog* openAboutDialog() {
  GtkAboutDialog* found = nullptr;
  pumpUntil([&] {
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next)
      if (GTK_IS_ABOUT_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data))) found = GTK_ABOUT_DIALOG(w->data);
    g_list_free(windows);
    return found != nullptr;
  });
  return found;
}

// Builds the menu inside a running application, copies the page's text through
// its actions, then quits through "app.quit"; g_application_run returns when it worked.
void runWithMenu(MenuRun& run) {
  GtkApplication* app = gtk_application_new(nullptr, G_APPLICATION_NON_UNIQUE);
  g_signal_connect(app, "activate", G_CALLBACK(+[](GtkApplication* app, gpointer data) {
                     auto* run = static_cast<MenuRun*>(data);
                     GtkWidget* window = gtk_application_window_new(app);
                     auto* web = WEBKIT_WEB_VIEW(webkit_web_view_new());
                     gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(web));
                     GtkWidget* bar = shell::buildMenu(app, GTK_APPLICATION_WINDOW(window), web, run->spanish);
                     run->labels = menuLabels(bar);
                     run->accelsRight = acceleratorIs(app, "app.quit", GDK_KEY_q) &&
                                        acceleratorIs(app, "win.copy", GDK_KEY_c) &&
                                        acceleratorIs(app, "win.select-all", GDK_KEY_a);
                     g_object_ref_sink(bar);
                     g_object_unref(bar);
                     gtk_widget_show_all(window);
                     webkit_web_view_load_html(web, "<p>Nord Stage 3 programs</p>", nullptr);
                     gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "before", -1);
                     pumpUntil([&] { return !webkit_web_view_is_loading(web); });
                     g_action_group_activate_action(G_ACTION_GROUP(window), "select-all", nullptr);
                     g_action_group_activate_action(G_ACTION_GROUP(window), "copy", nullptr);
                     pumpUntil([&] {
                       gchar* text = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
                       run->copied = text ? text : "";
                       g_free(text);
                       return run->copied != "before";
                     });
                     g_action_group_activate_action(G_ACTION_GROUP(window), "about", nullptr);
                     if (GtkAboutDialog* about = openAboutDialog()) {
                       run->aboutName = gtk_about_dialog_get_program_name(about);
                       run->aboutVersion = gtk_about_dialog_get_version(about);
                       run->aboutComments = gtk_about_dialog_get_comments(about);
                       run->aboutLicense = gtk_about_dialog_get_license_type(about);
                       run->aboutModal = gtk_window_get_modal(GTK_WINDOW(about)) &&
                                         gtk_window_get_transient_for(GTK_WINDOW(about)) == GTK_WINDOW(window);
                       showCredits(GTK_WIDGET(about));
                       pumpUntil([] { return false; }, 200ms);
                       collectLabels(GTK_WIDGET(about), run->aboutLabels);
                       gtk_dialog_response(GTK_DIALOG(about), GTK_RESPONSE_DELETE_EVENT);
                     }
                     g_action_group_activate_action(G_ACTION_GROUP(app), "quit", nullptr);
                   }),
                   &run);
  g_application_run(G_APPLICATION(app), 0, nullptr);
  g_object_unref(app);
}

TEST(Menu, EnglishMenusWithTheirKeysActOnThePageAndQuit) {
  MenuRun run;
  runWithMenu(run);  // returning at all means app.quit ended the loop
  EXPECT_EQ(run.labels, (std::vector<std::string>{"Velmorin Sync", "  About Velmorin Sync", "  Quit Velmorin Sync",
                                                  "Edit", "  Copy", "  Select All"}));
  EXPECT_TRUE(run.accelsRight);
  EXPECT_EQ(run.copied, "Nord Stage 3 programs");
  // About: over the window, with the version, the MIT licence and the community's credit.
  EXPECT_EQ(run.aboutName, "Velmorin Sync");
  EXPECT_EQ(run.aboutVersion, shell::versionText());
  EXPECT_EQ(run.aboutLicense, GTK_LICENSE_MIT_X11);
  EXPECT_TRUE(run.aboutModal);
  EXPECT_NE(run.aboutLabels.find("Community documentation"), std::string::npos) << run.aboutLabels;
  EXPECT_NE(run.aboutLabels.find("BSD 3-Clause"), std::string::npos) << run.aboutLabels;
}

TEST(Menu, SpanishMenus) {
  MenuRun run;
  run.spanish = true;
  runWithMenu(run);
  EXPECT_EQ(run.labels, (std::vector<std::string>{"Velmorin Sync", "  Acerca de Velmorin Sync", "  Salir de Velmorin Sync",
                                                  "Edición", "  Copiar", "  Seleccionar todo"}));
  EXPECT_EQ(run.aboutComments, "Reúne tus programas y listas de Nord en un solo lugar.");
  EXPECT_NE(run.aboutLabels.find("licencia BSD de 3 cláusulas"), std::string::npos) << run.aboutLabels;
}

// --- the web view's own menu -------------------------------------------------------------

// Right-clicks the view at (x, y) through the X server, as a mouse does, and
// gives the labels of the menu that opens; the menu is closed again.
std::vector<std::string> rightClickMenu(WebKitWebView* web, int x, int y) {
  int left = 0, top = 0;
  gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(web)), &left, &top);
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  XTestFakeMotionEvent(display, -1, left + x, top + y, CurrentTime);
  XTestFakeButtonEvent(display, 3, True, CurrentTime);
  XTestFakeButtonEvent(display, 3, False, CurrentTime);
  XFlush(display);
  GtkWidget* menu = nullptr;
  pumpUntil([&] {
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next) {
      GtkWidget* child = gtk_bin_get_child(GTK_BIN(w->data));
      if (gtk_widget_get_visible(GTK_WIDGET(w->data)) && child && GTK_IS_MENU(child)) menu = child;
    }
    g_list_free(windows);
    return menu != nullptr;
  });
  if (!menu) return {};
  const auto labels = menuLabels(menu);
  gtk_menu_shell_cancel(GTK_MENU_SHELL(menu));
  pumpUntil([&] { return !gtk_widget_get_visible(menu); });
  return labels;
}

TEST(WebViewMenu, OffersOnlyCopyAndSelectAllOnLinksAndOnText) {
  static TempTree page;
  static std::vector<std::string> onLink, onText;
  page.file("index.html", "<link rel=stylesheet href=style.css><a href='https://example.org/x'>link</a><p>text</p>");
  page.file("style.css", "body { margin: 0 } a { display: block; height: 200px }");
  GtkApplication* app = gtk_application_new(nullptr, G_APPLICATION_NON_UNIQUE);
  g_signal_connect(app, "activate", G_CALLBACK(+[](GtkApplication* app) {
                     shell::MainWindow window(app, valuesForHome(desktop->home()), {page.root(), {}, false, false});
                     WebKitWebView* web = window.webView();
                     pumpUntil([&] {
                       return !webkit_web_view_is_loading(web) && gtk_widget_get_mapped(GTK_WIDGET(web));
                     });
                     pumpUntil([] { return false; }, 500ms);  // laid out and painted
                     onLink = rightClickMenu(web, 40, 100);
                     onText = rightClickMenu(web, 40, 220);
                   }),
                   nullptr);
  g_application_run(G_APPLICATION(app), 0, nullptr);
  g_object_unref(app);
  // No reload, no back or forward, nothing that opens or downloads the link.
  EXPECT_EQ(onLink, (std::vector<std::string>{"_Copy", "Select _All"}));
  EXPECT_EQ(onText, (std::vector<std::string>{"_Copy", "Select _All"}));
}

// --- handing things to the desktop ------------------------------------------------------

TEST(DesktopOpen, WebLinksGoToTheDefaultBrowser) {
  const std::size_t before = desktop->opened().size();
  shell::openUri("https://www.nordkeyboards.com/sound-libraries");
  ASSERT_TRUE(pumpUntil([&] { return desktop->opened().size() > before; }));
  EXPECT_EQ(desktop->opened().back(), "browser https://www.nordkeyboards.com/sound-libraries");
}

TEST(DesktopOpen, ADesktopEntryIsLaunchedThroughItsExecLine) {
  TempTree tree;
  const std::size_t before = desktop->opened().size();
  const fs::path entry = tree.file("Nord Sound Manager.desktop",
                                   "[Desktop Entry]\nType=Application\nName=Nord Sound Manager\nExec=" +
                                       (desktop->tree() / "bin/record.sh").string() + " nsm-entry\n");
  shell::openApplication({entry, "Nord Sound Manager", true});
  ASSERT_TRUE(pumpUntil([&] { return desktop->opened().size() > before; }));
  EXPECT_EQ(desktop->opened().back(), "nsm-entry ");
}

TEST(DesktopOpen, AnAppFolderOpensInTheFileManagerAndAnExecutableRuns) {
  TempTree tree;
  const std::size_t before = desktop->opened().size();
  const fs::path bundle = tree.folder("Applications/Nord Sound Manager.app");
  shell::openApplication({bundle, "Nord Sound Manager", false});
  ASSERT_TRUE(pumpUntil([&] { return desktop->opened().size() > before; }));
  // GIO hands a local file to the handler as its path.
  EXPECT_EQ(desktop->opened().back(), "files " + bundle.string());

  const fs::path program = tree.file("Applications/Nord Sound Manager 8.app",
                                     "#!/bin/sh\nexec " + (desktop->tree() / "bin/record.sh").string() + " ran\n");
  chmod(program.c_str(), 0755);
  shell::openApplication({program, "Nord Sound Manager 8", false});
  ASSERT_TRUE(pumpUntil([&] { return desktop->opened().size() > before + 1; }));
  EXPECT_EQ(desktop->opened().back(), "ran ");
}

// A file manager of our own on the session bus, writing down what it was shown.
class FileManagerService {
 public:
  FileManagerService() {
    static const char* kXml =
        "<node><interface name='org.freedesktop.FileManager1'><method name='ShowItems'>"
        "<arg type='as' name='uris' direction='in'/><arg type='s' name='startupId' direction='in'/>"
        "</method></interface></node>";
    bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus_) return;
    GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(kXml, nullptr);
    static const GDBusInterfaceVTable vtable = {
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
           GDBusMethodInvocation* invocation, gpointer self) {
          GVariant* uris = g_variant_get_child_value(parameters, 0);
          gsize count = 0;
          const gchar** items = g_variant_get_strv(uris, &count);
          for (gsize i = 0; i < count; ++i) static_cast<FileManagerService*>(self)->shown.push_back(items[i]);
          g_free(items);
          g_variant_unref(uris);
          g_dbus_method_invocation_return_value(invocation, nullptr);
        },
        nullptr, nullptr, {}};
    registration_ = g_dbus_connection_register_object(bus_, "/org/freedesktop/FileManager1", info->interfaces[0],
                                                      &vtable, this, nullptr, nullptr);
    g_dbus_node_info_unref(info);
    owner_ = g_bus_own_name_on_connection(bus_, "org.freedesktop.FileManager1", G_BUS_NAME_OWNER_FLAGS_NONE,
                                          [](GDBusConnection*, const gchar*, gpointer self) {
                                            static_cast<FileManagerService*>(self)->owned = true;
                                          },
                                          nullptr, this, nullptr);
  }
  ~FileManagerService() {
    if (owner_) g_bus_unown_name(owner_);
    if (registration_) g_dbus_connection_unregister_object(bus_, registration_);
    if (bus_) g_object_unref(bus_);
  }
  bool available() const { return bus_ != nullptr; }

  std::vector<std::string> shown;
  bool owned = false;

 private:
  GDBusConnection* bus_ = nullptr;
  guint registration_ = 0;
  guint owner_ = 0;
};

TEST(DesktopOpen, RevealAsksTheFileManagerServiceToShowTheFile) {
  FileManagerService service;
  ASSERT_TRUE(service.available()) << "the tests run under dbus-run-session";
  ASSERT_TRUE(pumpUntil([&] { return service.owned; }));
  const std::size_t before = desktop->opened().size();
  const fs::path file = desktop->home() / "Desktop/Velmorin 2026-12-07.zip";
  shell::revealInFileManager(file);
  ASSERT_TRUE(pumpUntil([&] { return !service.shown.empty(); }));
  gchar* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
  EXPECT_EQ(service.shown, std::vector<std::string>{uri});
  g_free(uri);
  pumpUntil([] { return false; }, 500ms);
  EXPECT_EQ(desktop->opened().size(), before);  // no fallback when the service answered
}

TEST(DesktopOpen, RevealWithoutAFileManagerServiceOpensTheFolder) {
  const std::size_t before = desktop->opened().size();
  shell::revealInFileManager(desktop->home() / "Desktop/Velmorin.zip");
  ASSERT_TRUE(pumpUntil([&] { return desktop->opened().size() > before; }, 40s));
  EXPECT_EQ(desktop->opened().back(), "files " + (desktop->home() / "Desktop").string());
}

TEST(DesktopOpen, RevealWithoutAFileManagerServiceNeverOpensAFileInPlaceOfItsFolder) {
  TempTree tree;
  const fs::path notes = tree.file("notes.txt", "a file, not a folder\n");
  const std::size_t before = desktop->opened().size();
  // Each says whether it opened anything: the page tells the user when nothing did.
  std::vector<std::pair<int, bool>> told;
  shell::revealInFileManager(notes / "Velmorin.zip", [&](bool opened) { told.push_back({1, opened}); });
  shell::revealInFileManager(notes.parent_path() / "Velmorin.zip", [&](bool opened) { told.push_back({2, opened}); });
  ASSERT_TRUE(pumpUntil([&] { return desktop->opened().size() > before && told.size() == 2; }, 40s));
  std::sort(told.begin(), told.end());
  EXPECT_EQ(told, (std::vector<std::pair<int, bool>>{{1, false}, {2, true}}));
  pumpUntil([] { return false; }, 1s);  // room for a wrongly opened one to show up
  const auto opened = desktop->opened();
  EXPECT_EQ(std::vector<std::string>(opened.begin() + before, opened.end()),
            std::vector<std::string>{"files " + tree.root().string()});
}

}  // namespace
}  // namespace velmorin::testing

int main(int argc, char** argv) {
  // GIO and GTK read the desktop's folders once: point them at the fake one first.
  velmorin::testing::FakeDesktop fakeDesktop;
  fakeDesktop.applyToThisProcess();
  velmorin::testing::desktop = &fakeDesktop;
  ::testing::InitGoogleTest(&argc, argv);
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fprintf(stderr, "these tests need a display; run them through run_with_display.sh\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}
