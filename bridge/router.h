#pragma once
// The script-message router: checks each message from the page, serves the five
// requests that need the desktop on the main thread, sends every other command
// to the dispatcher in the background and hands every answer back to the page.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "vocabulary/json_text.h"
#include "bridge/bridge_platform.h"
#include "bridge/message.h"
#include "commands/nsm.h"

namespace velmorin::bridge {

// What the router asks of the core; coreServices() wires the real ones.
struct RouterServices {
  std::function<Reply(const std::string& cmd, const Json& args)> work;  // any thread, may be slow
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
  // kBusyReply instead of queued, so a page that floods the bridge cannot make
  // the queue, and the memory it holds, grow without end.
  static constexpr std::size_t kMaxInFlight = 256;
  static constexpr std::size_t kMaxInFlightBytes = 64u << 20;
  static const Reply kBusyReply;  // {"ok": false, "error": "busy"}

  // Main thread. Commands handed to the background and not yet answered.
  std::size_t commandsInFlight() const { return inFlight_; }

 private:
  void route(const Message& message, std::size_t bytes);
  void pickFolder(std::int64_t id, const std::string& kind);
  void openNsm(std::int64_t id);
  void openUrl(std::int64_t id, const Json& args);
  void reveal(std::int64_t id, const Json& args);
  void quit(std::int64_t id);
  void runInBackground(const Message& message, std::size_t bytes);

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
};

}  // namespace velmorin::bridge
