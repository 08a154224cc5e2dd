#pragma once
// The web view's own right-click menu.
#include <webkit2/webkit2.h>

namespace velmorin::shell {

// From now on the menu offers Copy and Select All, whatever was clicked: what
// WebKit adds by itself (reload, back, open or download a link) would go round
// the rules on where the page may navigate.
void limitContextMenu(WebKitWebView* web);

}  // namespace velmorin::shell
