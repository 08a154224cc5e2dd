#pragma once
// Every request the page or the command line can make, one row each: what runs
// it, what the bridge must know of it, what the desktop is told when it ends
// late, and its line in --help. The dispatcher, the bridge's router and notices
// and the command line all read this table; adding a command is adding a row.
#include <span>
#include <string_view>

#include "vocabulary/json_text.h"
#include "vocabulary/long_reply.h"
#include "vocabulary/values.h"
#include "platform/work_control.h"

namespace velmorin {

// The requests the bridge answers itself, on the main thread, because they
// need the desktop (a dialog, another program) or the bridge's own state.
// The window alone has them: the command line answers them as unknown names.
enum class BridgeRequest { none, pickFolder, pickSaveFile, openNsm, openUrl, reveal, print, quit, cancel };

struct BothLanguages {
  std::string_view en;
  std::string_view es;
};

// What the desktop is told when the command ends after a long while, the user
// being in another window. A body names members of the reply: "{key}" is a
// text, "{#key}" a count. A failure's body is the reply's own error text.
struct CommandNotice {
  BothLanguages doneTitle;
  BothLanguages doneBody;
  BothLanguages failedTitle;
};

struct CommandRow {
  std::string_view name;
  // A command of the dispatcher has one of the two; a request the bridge
  // serves itself has neither. `runLong` is for a reply with a long list,
  // written straight to text rather than held as a JSON tree.
  Reply (*run)(const Values& values, const Json& args, platform::WorkControl* control) = nullptr;
  LongReply (*runLong)(const Values& values, const Json& args, platform::WorkControl* control) = nullptr;
  BridgeRequest bridge = BridgeRequest::none;
  // Writes the user's files: quitting waits for it rather than leave its work
  // half done, and a closing window refuses to start it.
  bool writesUserFiles = false;
  // The page hears how far it has come (and may cancel it).
  bool reportsProgress = false;
  const CommandNotice* notice = nullptr;  // none: it never ends unseen, or it does not matter
  std::string_view help;                  // one line: what it does, and its arguments
};

// Every row, in the order --help lists them.
std::span<const CommandRow> commandTable();

// The row named `name` (exactly, case and all), or nullptr.
const CommandRow* findCommand(std::string_view name);

// Whether the command line can run it: a command of the dispatcher.
inline bool onCommandLine(const CommandRow& row) { return row.run || row.runLong; }

}  // namespace velmorin
