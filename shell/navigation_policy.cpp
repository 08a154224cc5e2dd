#include "shell/navigation_policy.h"

#include "bridge/url_policy.h"
#include "shell/ui_files.h"

namespace velmorin::shell {

Navigation navigationFor(const std::string& uri, bool userClickedLink, bool newWindow) {
  if (!newWindow && uiRelativePath(uri)) return Navigation::Allow;
  if (userClickedLink && bridge::openableExternally(uri)) return Navigation::OpenOutside;
  return Navigation::Refuse;
}

}  // namespace velmorin::shell
