// The least a WebKitGTK window can do: open at the application's size, load
// one static page from a file and let its console reach standard output. The
// start-up benchmark times it against the application's window, which cannot
// show its page faster than this toolkit shows any page.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    g_printerr("usage: velmorin_minimal_window PAGE.html\n");
    return 2;
  }
  gtk_init(&argc, &argv);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 880, 720);
  WebKitSettings* settings = webkit_settings_new();
  webkit_settings_set_enable_write_console_messages_to_stdout(settings, TRUE);
  GtkWidget* web = webkit_web_view_new_with_settings(settings);
  gtk_container_add(GTK_CONTAINER(window), web);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(window);
  gchar* uri = g_filename_to_uri(argv[1], nullptr, nullptr);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(web), uri);
  g_free(uri);
  gtk_main();
  return 0;
}
