#include "shell/folder_picker.h"

#include <memory>

namespace velmorin::shell {

namespace {

void answered(GtkNativeDialog* dialog, gint response, gpointer data) {
  std::unique_ptr<bridge::PickerDone> done(static_cast<bridge::PickerDone*>(data));
  std::optional<std::string> chosen;
  if (response == GTK_RESPONSE_ACCEPT) {
    if (gchar* folder = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))) {
      chosen = folder;
      g_free(folder);
    }
  }
  g_object_unref(dialog);  // the reference taken when it was made
  (*done)(chosen);
}

}  // namespace

void showFolderPicker(GtkWindow* parent, const bridge::PickerOptions& options, bridge::PickerDone done) {
  GtkFileChooserNative* chooser = gtk_file_chooser_native_new(
      options.title.c_str(), parent,
      options.saveFile   ? GTK_FILE_CHOOSER_ACTION_SAVE
      : options.openFile ? GTK_FILE_CHOOSER_ACTION_OPEN
                         : GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER,
      options.acceptLabel.c_str(), nullptr);
  GtkFileChooser* files = GTK_FILE_CHOOSER(chooser);
  gtk_file_chooser_set_select_multiple(files, FALSE);
  gtk_file_chooser_set_create_folders(files, !options.openFile);
  if (options.openFile && !options.patterns.empty()) {
    GtkFileFilter* filter = gtk_file_filter_new();  // the chooser takes it
    gtk_file_filter_set_name(filter, options.filterName.c_str());
    for (const auto& pattern : options.patterns) gtk_file_filter_add_pattern(filter, pattern.c_str());
    gtk_file_chooser_add_filter(files, filter);
  }
  gtk_file_chooser_set_local_only(files, TRUE);  // the reply is a path
  if (options.saveFile) {
    // An existing file is chosen only once the user has said to replace it.
    gtk_file_chooser_set_do_overwrite_confirmation(files, TRUE);
    gtk_file_chooser_set_current_name(files, options.fileName.c_str());
    if (!options.startFolder)
      if (const char* documents = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS))
        gtk_file_chooser_set_current_folder(files, documents);
  }
  if (options.startFolder) gtk_file_chooser_set_current_folder(files, options.startFolder->c_str());
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
  g_signal_connect(chooser, "response", G_CALLBACK(answered), new bridge::PickerDone(std::move(done)));
  gtk_native_dialog_show(GTK_NATIVE_DIALOG(chooser));
}

}  // namespace velmorin::shell
