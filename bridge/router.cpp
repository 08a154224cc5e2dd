#include "bridge/router.h"

#include <exception>
#include <system_error>

#include "bridge/picker_options.h"
#include "bridge/reply_script.h"
#include "bridge/url_policy.h"

namespace velmorin::bridge {

namespace {

const Reply kOk = Reply{{"ok", true}};

// The commands that write the user's files: quitting waits for them rather
// than leave an install or an archive half done.
bool quitWaitsFor(const std::string& cmd) { return cmd == "install" || cmd == "zip"; }

Reply closingReply(bool spanish) {
  return Reply{{"ok", false},
               {"error", spanish ? "Velmorin Sync se está cerrando: termina lo que ya empezó y no empieza nada nuevo."
                                 : "Velmorin Sync is closing: it finishes what it started and starts nothing new."}};
}

}  // namespace

const Reply Router::kBusyReply = Reply{{"ok", false}, {"error", "busy"}};

Router::Router(BridgePlatform& platform, RouterServices services)
    : platform_(platform), services_(std::move(services)), self_(std::make_shared<Router*>(this)) {}

Router::~Router() = default;

void Router::onMessageJson(const std::string& bodyJson) {
  if (const auto message = readMessage(bodyJson)) route(*message, bodyJson.size());
}

void Router::onMessage(const Reply& body) {
  if (const auto message = readMessage(body)) route(*message, compactJson(message->args).size());
}

void Router::reply(std::int64_t id, const Reply& reply) { platform_.evaluateScript(replyScript(id, reply)); }

void Router::route(const Message& message, std::size_t bytes) {
  if (message.cmd == "pickFolder") return pickFolder(message.id, textMember(message.args, "kind").value_or(""));
  if (message.cmd == "openNSM") return openNsm(message.id);
  if (message.cmd == "openURL") return openUrl(message.id, message.args);
  if (message.cmd == "reveal") return reveal(message.id, message.args);
  if (message.cmd == "quit") return quit(message.id);
  runInBackground(message, bytes);
}

void Router::pickFolder(std::int64_t id, const std::string& kind) {
  const bool es = services_.spanish ? services_.spanish() : false;
  const auto icloud = kind == "dest" && services_.icloud ? services_.icloud() : std::nullopt;
  std::weak_ptr<Router*> weak = self_;
  auto answered = std::make_shared<bool>(false);
  platform_.pickFolder(pickerOptions(kind, es, icloud),
                       [weak, id, answered, es, load = pageLoads_](std::optional<std::string> chosen) {
                         // One reply per request, whatever the platform does.
                         if (*answered) return;
                         *answered = true;
                         const auto self = weak.lock();
                         if (self && (*self)->pageLoads_ == load) (*self)->reply(id, pickerReply(chosen, es));
                       });
}

void Router::openNsm(std::int64_t id) {
  const auto app = services_.findNsm ? services_.findNsm() : std::nullopt;
  if (app) platform_.openApplication(*app);
  reply(id, Reply{{"ok", app.has_value()}});
}

void Router::openUrl(std::int64_t id, const Json& args) {
  const std::string url = textMember(args, "url").value_or("");
  if (openableExternally(url)) platform_.openURL(url);
  reply(id, kOk);
}

void Router::reveal(std::int64_t id, const Json& args) {
  if (const auto text = textMember(args, "path")) {
    // A relative path is taken from the process's current folder.
    std::error_code ec;
    auto path = std::filesystem::absolute(*text, ec);
    if (!ec) platform_.reveal(path.lexically_normal());
  }
  reply(id, kOk);
}

void Router::quit(std::int64_t id) {
  reply(id, kOk);
  std::weak_ptr<Router*> weak = self_;
  BridgePlatform* platform = &platform_;
  platform_.postToMainAfter(kQuitDelay, [weak, platform] {
    if (const auto self = weak.lock()) {
      (*self)->endWhenFinished();
    } else {
      platform->endApplication();
    }
  });
}

void Router::pageLoaded() { ++pageLoads_; }

void Router::endWhenFinished() {
  if (writesInFlight_ == 0) return platform_.endApplication();
  if (!closing_) platform_.evaluateScript(eventScript(Reply{{"type", "finishing"}}));
  closing_ = true;
}

void Router::runInBackground(const Message& message, std::size_t bytes) {
  const bool writes = quitWaitsFor(message.cmd);
  if (writes && closing_) return reply(message.id, closingReply(services_.spanish && services_.spanish()));
  // The one command that comes alone is taken whatever its size.
  if (inFlight_ >= kMaxInFlight || (inFlight_ > 0 && inFlightBytes_ + bytes > kMaxInFlightBytes))
    return reply(message.id, kBusyReply);
  ++inFlight_;
  inFlightBytes_ += bytes;
  if (writes) ++writesInFlight_;
  std::weak_ptr<Router*> weak = self_;
  BridgePlatform* platform = &platform_;
  platform_.runInBackground([weak, platform, work = services_.work, message, bytes, writes, load = pageLoads_] {
    if (weak.expired()) return;
    Reply result;
    try {
      result = work ? work(message.cmd, message.args) : Reply{{"error", "cmd"}};
    } catch (const std::exception& e) {
      result = Reply{{"ok", false}, {"error", e.what()}};
    } catch (...) {
      result = Reply{{"ok", false}, {"error", "internal"}};
    }
    platform->postToMain([weak, platform, id = message.id, bytes, writes, load, result = std::move(result)] {
      const auto self = weak.lock();
      if (!self) return;
      Router& router = **self;
      --router.inFlight_;
      router.inFlightBytes_ -= bytes;
      // A page loaded since the command was sent would take the reply for
      // one of its own requests that uses the same id.
      if (router.pageLoads_ == load) router.reply(id, result);
      if (writes && --router.writesInFlight_ == 0 && router.closing_)
        platform->postToMainAfter(kQuitDelay, [platform] { platform->endApplication(); });
    });
  });
}

}  // namespace velmorin::bridge
