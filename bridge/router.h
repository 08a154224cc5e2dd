#pragma once
// The script-message router: checks each message from the page, serves the
// requests that need the desktop (or the router itself) on the main thread,
// sends every other command to the dispatcher in the background and hands
// every answer, and the progress of long commands, back to the page.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vocabulary/json_text.h"
#include "vocabulary/long_reply.h"
#include "platform/work_control.h"
#include "bridge/bridge_platform.h"
#include "bridge/message.h"
#include "commands/nsm.h"

namespace velmorin::bridge {

// What the router asks of the core; coreServices() wires the real ones.
struct RouterServices {
  // Any thread, may be slow; `control` may stop it and hears its progress.
  std::function<LongReply(const std::string& cmd, const Json& args, platform::WorkControl& control)> work;
  std::function<std::optional<NsmApp>()> findNsm;
  std::function<bool()> spanish;                                   // asked afresh for each picker
  std::function<std::optional<std::filesystem::path>()> icloud;    // the folder, when something exists there
};

class Router {
 public:
  // `platform` must outlive the router and every task it runs.
  Router(BridgePlatform& platform, RouterServices services);
  ~Router();
  Router(const Router&) = delete;
  Router& operator=(const Router&) = delete;

  // Main thread. A message body as JSON text (what the web view hands over) or as
  // a value. Malformed messages are dropped without a reply.
  void onMessageJson(const std::string& bodyJson);
  void onMessage(const Reply& body);

  // Main thread. Sends exactly one reply call into the page.
  void reply(std::int64_t id, const Reply& reply);
  void replyWithText(std::int64_t id, const std::string& compactReply);

  // Main thread. A new page has been committed in the web view: replies to
  // commands and folder choosers of earlier pages are dropped from now on, as
  // the new page may reuse their ids.
  void pageLoaded();

  // Main thread. Every way of quitting ends here. With no install or zip
  // running the application ends at once; otherwise the page hears
  // {"type": "finishing"}, new installs and zips are refused, and the
  // application ends kQuitDelay after the last of them has replied. Other
  // commands never hold it back.
  void endWhenFinished();

  // How long "quit", or the last install or zip it waited for, leaves its
  // reply to reach the page before the application ends.
  static constexpr std::chrono::milliseconds kQuitDelay{200};

  // Commands waiting or running in the background, by number and by the size of
  // their arguments. Past either bound a command is answered at once with
  // a "busy" failure instead of queued, so a page that floods the bridge
  // cannot make the queue, and the memory it holds, grow without end.
  static constexpr std::size_t kMaxInFlight = 256;
  static constexpr std::size_t kMaxInFlightBytes = 64u << 20;
  // {"ok": false, "error": <text in the user's language>, "code": "busy"}
  static Reply busyReply(bool spanish);

  // Main thread. Commands handed to the background and not yet answered.
  std::size_t commandsInFlight() const { return inFlight_; }

 private:
  void route(const Message& message, std::size_t bytes);
  void pickFolder(std::int64_t id, const std::string& kind);
  void pickSaveFile(std::int64_t id);
  void openNsm(std::int64_t id);
  void openUrl(std::int64_t id, const Json& args);
  void reveal(std::int64_t id, const Json& args);
  void print(std::int64_t id);
  void quit(std::int64_t id);
  void cancel(std::int64_t id, const Json& args);
  void runInBackground(const Message& message, std::size_t bytes);
  void progress(std::uint64_t serial, const platform::WorkProgress& progress);
  bool spanish() const { return services_.spanish && services_.spanish(); }

  // A background command not yet answered.
  struct Running {
    std::uint64_t serial;  // this router's own number for it
    std::int64_t id;       // the page's
    std::uint64_t load;    // the page it came from
    std::shared_ptr<platform::WorkControl> control;
  };

  BridgePlatform& platform_;
  RouterServices services_;
  // Tasks still in flight hold this weakly: once the router is gone they do nothing.
  std::shared_ptr<Router*> self_;
  // Main thread only, all of them.
  std::size_t inFlight_ = 0;
  std::size_t inFlightBytes_ = 0;
  std::size_t writesInFlight_ = 0;  // installs and zips among them
  std::uint64_t pageLoads_ = 0;     // pages committed so far
  bool closing_ = false;            // a quit waits for the installs and zips
  std::vector<Running> running_;
  std::uint64_t serials_ = 0;
};

}  // namespace velmorin::bridge
