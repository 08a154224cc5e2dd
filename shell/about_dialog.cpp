#include "shell/about_dialog.h"

#define VELMORIN_TEXT(x) #x
#define VELMORIN_VALUE(x) VELMORIN_TEXT(x)

namespace velmorin::shell {

AboutTexts aboutTexts(bool spanish) {
  if (spanish)
    return {"Acerca de Velmorin Sync",
            "Reúne tus programas y listas de Nord en un solo lugar.",
            "Documentación de la comunidad",
            "La documentación del formato de archivos Nord hecha por la comunidad de usuarios de Nord "
            "(licencia BSD de 3 cláusulas), con la que se leen las cabeceras de los programas."};
  return {"About Velmorin Sync",
          "Gather your Nord programs and lists in one place.",
          "Community documentation",
          "The Nord file-format documentation written by the Nord user community (BSD 3-Clause "
          "licence), from which program headers are read."};
}

std::string versionText() {
  return VELMORIN_VALUE(VELMORIN_VERSION_MAJOR) "." VELMORIN_VALUE(VELMORIN_VERSION_MINOR) "." VELMORIN_VALUE(
      VELMORIN_VERSION_PATCH);
}

void showAbout(GtkWindow* parent, bool spanish) {
  const AboutTexts texts = aboutTexts(spanish);
  GtkWidget* dialog = gtk_about_dialog_new();
  GtkAboutDialog* about = GTK_ABOUT_DIALOG(dialog);
  gtk_about_dialog_set_program_name(about, "Velmorin Sync");
  gtk_about_dialog_set_version(about, versionText().c_str());
  gtk_about_dialog_set_comments(about, texts.comments.c_str());
  gtk_about_dialog_set_copyright(about, "© 2026 The Velmorin Sync developers");
  // The MIT licence, as LICENSE and the package's copyright file say.
  gtk_about_dialog_set_license_type(about, GTK_LICENSE_MIT_X11);
  gtk_about_dialog_set_logo_icon_name(about, VELMORIN_APP_ID);
  const char* credits[] = {texts.credits.c_str(), nullptr};
  gtk_about_dialog_add_credit_section(about, texts.creditsTitle.c_str(), credits);
  gtk_window_set_transient_for(GTK_WINDOW(dialog), parent);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_window_set_destroy_with_parent(GTK_WINDOW(dialog), TRUE);
  g_signal_connect(dialog, "response", G_CALLBACK(gtk_widget_destroy), nullptr);
  gtk_widget_show(dialog);
}

}  // namespace velmorin::shell
