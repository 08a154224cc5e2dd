#pragma once
// What the web view may navigate to. The page lives on our own scheme and never
// leaves it; a web link the user clicks goes to their browser instead.
#include <string>

namespace velmorin::shell {

enum class Navigation {
  Allow,          // load it in the web view
  OpenOutside,    // refuse here, hand it to the user's default handler
  Refuse,         // refuse, do nothing
};

// `userClickedLink`: the user activated a link (not a script, not a redirect).
// `newWindow`: the page asked for a new window; none is ever opened.
Navigation navigationFor(const std::string& uri, bool userClickedLink, bool newWindow);

}  // namespace velmorin::shell
