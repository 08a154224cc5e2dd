#include "shell/context_menu.h"

#include "shell/webkit_compat.h"

namespace velmorin::shell {

namespace {

// The same two as the menu bar's Edit menu, in its order.
void onlyCopyAndSelectAll(WebKitContextMenu* menu) {
  webkit_context_menu_remove_all(menu);
  webkit_context_menu_append(menu, webkit_context_menu_item_new_from_stock_action(WEBKIT_CONTEXT_MENU_ACTION_COPY));
  webkit_context_menu_append(menu,
                             webkit_context_menu_item_new_from_stock_action(WEBKIT_CONTEXT_MENU_ACTION_SELECT_ALL));
}

}  // namespace

void limitContextMenu(WebKitWebView* web) { compat::onContextMenu(web, onlyCopyAndSelectAll); }

}  // namespace velmorin::shell
