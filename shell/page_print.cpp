#include "shell/page_print.h"

#include <glib.h>

#include <string>

namespace velmorin::shell {

namespace {

// One print from start to end: the operation is kept alive until WebKit says it
// finished, and the failure it may report before that is passed on.
struct Printing {
  WebKitPrintOperation* operation;
  bridge::PrintDone done;
  bridge::PrintOutcome outcome;
};

void onFailed(WebKitPrintOperation*, GError* error, gpointer data) {
  auto* printing = static_cast<Printing*>(data);
  printing->outcome = {bridge::PrintOutcome::State::failed, error && error->message ? error->message : ""};
}

void onFinished(WebKitPrintOperation*, gpointer data) {
  auto* printing = static_cast<Printing*>(data);
  const bridge::PrintOutcome outcome = printing->outcome;
  bridge::PrintDone done = std::move(printing->done);
  g_signal_handlers_disconnect_by_data(printing->operation, printing);
  g_object_unref(printing->operation);
  delete printing;
  done(outcome);
}

// Settings that send the print to `file` as a PDF, by the file printer GTK
// itself names in the user's language.
GtkPrintSettings* toFile(const char* file) {
  GtkPrintSettings* settings = gtk_print_settings_new();
  gtk_print_settings_set_printer(settings, g_dgettext("gtk30", "Print to File"));
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
  gchar* uri = g_filename_to_uri(file, nullptr, nullptr);
  if (uri) gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri);
  g_free(uri);
  return settings;
}

}  // namespace

void printPage(GtkWindow* window, WebKitWebView* web, bridge::PrintDone done) {
  auto* printing = new Printing{webkit_print_operation_new(web), std::move(done), {}};
  g_signal_connect(printing->operation, "failed", G_CALLBACK(onFailed), printing);
  g_signal_connect(printing->operation, "finished", G_CALLBACK(onFinished), printing);

  const char* file = g_getenv("VELMORIN_PRINT_TO_FILE");
  if (file && *file && g_path_is_absolute(file)) {
    GtkPrintSettings* settings = toFile(file);
    webkit_print_operation_set_print_settings(printing->operation, settings);
    g_object_unref(settings);
    webkit_print_operation_print(printing->operation);
    return;
  }
  // The dialog is modal and returns once the user chose; printing goes on after.
  if (webkit_print_operation_run_dialog(printing->operation, window) == WEBKIT_PRINT_OPERATION_RESPONSE_CANCEL) {
    printing->outcome = {bridge::PrintOutcome::State::cancelled, ""};
    onFinished(printing->operation, printing);
  }
}

}  // namespace velmorin::shell
