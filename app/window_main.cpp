// The window program: velmorin-sync hands its process over to this one for
// the window, so that the command line never loads GTK or WebKit.
#include "app/startup.h"
#include "shell/window_app.h"

int main(int argc, char** argv) {
  velmorin::setProcessValues(velmorin::valuesFromEnvironment(velmorin::platform::processEnvironment()));
  return velmorin::shell::runWindow(argc, argv);
}
