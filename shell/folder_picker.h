#pragma once
// The folder chooser: a native dialog over the main window, one per request.
#include <gtk/gtk.h>

#include "bridge/bridge_platform.h"

namespace velmorin::shell {

// Shows a chooser for one folder (new folders allowed), with `saveFile` a save
// dialog that confirms replacing a file, or with `openFile` a chooser of one
// existing file among `patterns`, and returns at once; `done` runs once, on
// the main thread, with the chosen folder or file, or nothing.
void showFolderPicker(GtkWindow* parent, const bridge::PickerOptions& options, bridge::PickerDone done);

}  // namespace velmorin::shell
