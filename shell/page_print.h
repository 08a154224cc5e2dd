#pragma once
// Printing the page: what its print style shows, through the desktop's print
// dialog (whose "Print to File" gives a PDF), or straight to a PDF file when
// VELMORIN_PRINT_TO_FILE names one, for printing without anyone at the window.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include "bridge/bridge_platform.h"

namespace velmorin::shell {

// Main thread. `done` is called once, on the main thread, when the print ended.
void printPage(GtkWindow* window, WebKitWebView* web, bridge::PrintDone done);

}  // namespace velmorin::shell
