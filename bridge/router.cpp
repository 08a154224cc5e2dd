#include "bridge/router.h"

#include <exception>
#include <system_error>

#include "bridge/picker_options.h"
#include "bridge/reply_script.h"
#include "bridge/work_notice.h"
#include "bridge/url_policy.h"
#include "commands/command_table.h"
#include "commands/failure_reply.h"
#include "vocabulary/failure_words.h"

namespace velmorin::bridge {

namespace {

const Reply kOk = Reply{{"ok", true}};

// Quitting waits for the commands that write the user's files rather than
// leave an install or an archive half done.
bool quitWaitsFor(const std::string& cmd) {
  const CommandRow* row = findCommand(cmd);
  return row && row->writesUserFiles;
}

// The commands whose progress the page hears.
bool reportsProgress(const std::string& cmd) {
  const CommandRow* row = findCommand(cmd);
  return row && row->reportsProgress;
}

Reply closingReply(bool spanish) {
  return failureReply(Status::said(Problem::Busy, FailureText::Closing),
                      spanish);
}

Reply progressReply(const platform::WorkProgress& progress) {
  return Reply{{"phase", platform::phaseName(progress.phase)},
               {"done", progress.done},
               {"total", progress.total},
               {"bytes", progress.bytes},
               {"totalBytes", progress.totalBytes}};
}

}  // namespace

Reply Router::busyReply(bool spanish) {
  return failureReply(Status::said(Problem::Busy, FailureText::TooManyRequests),
                      spanish);
}

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

void Router::replyWithText(std::int64_t id, const std::string& compactReply) {
  platform_.evaluateScript(replyScript(id, compactReply));
}

void Router::route(const Message& message, std::size_t bytes) {
  const CommandRow* row = findCommand(message.cmd);
  switch (row ? row->bridge : BridgeRequest::none) {
    case BridgeRequest::pickFolder: return pickFolder(message.id, textMember(message.args, "kind").value_or(""));
    case BridgeRequest::pickSaveFile: return pickSaveFile(message.id);
    case BridgeRequest::openNsm: return openNsm(message.id);
    case BridgeRequest::openUrl: return openUrl(message.id, message.args);
    case BridgeRequest::reveal: return reveal(message.id, message.args);
    case BridgeRequest::print: return print(message.id);
    case BridgeRequest::quit: return quit(message.id);
    case BridgeRequest::cancel: return cancel(message.id, message.args);
    // Unknown names too: the dispatcher answers them.
    case BridgeRequest::none: return runInBackground(message, bytes);
  }
}

void Router::pickFolder(std::int64_t id, const std::string& kind) {
  const bool es = services_.spanish ? services_.spanish() : false;
  const auto icloud = kind == "dest" && services_.icloud ? services_.icloud() : std::nullopt;
  std::weak_ptr<Router*> weak = self_;
  auto answered = std::make_shared<bool>(false);
  // A folder written into is refused as it is chosen when it cannot be written.
  const bool destination = kind == "dest" || kind == "restore";
  platform_.pickFolder(pickerOptions(kind, es, icloud),
                       [weak, id, answered, es, destination, load = pageLoads_](std::optional<std::string> chosen) {
                         // One reply per request, whatever the platform does.
                         if (*answered) return;
                         *answered = true;
                         const auto self = weak.lock();
                         if (self && (*self)->pageLoads_ == load)
                           (*self)->reply(id, pickerReply(chosen, es, destination));
                       });
}

void Router::pickSaveFile(std::int64_t id) {
  const bool es = spanish();
  std::weak_ptr<Router*> weak = self_;
  auto answered = std::make_shared<bool>(false);
  platform_.pickFolder(setListSaveOptions(es),
                       [weak, id, answered, es, load = pageLoads_](std::optional<std::string> chosen) {
                         if (*answered) return;
                         *answered = true;
                         const auto self = weak.lock();
                         if (self && (*self)->pageLoads_ == load) (*self)->reply(id, saveFileReply(chosen, es));
                       });
}

void Router::print(std::int64_t id) {
  const bool es = spanish();
  std::weak_ptr<Router*> weak = self_;
  auto answered = std::make_shared<bool>(false);
  platform_.print([weak, id, answered, es, load = pageLoads_](const PrintOutcome& outcome) {
    if (*answered) return;
    *answered = true;
    const auto self = weak.lock();
    if (!self || (*self)->pageLoads_ != load) return;
    switch (outcome.state) {
      case PrintOutcome::State::printed: return (*self)->reply(id, Reply{{"ok", true}});
      case PrintOutcome::State::cancelled: return (*self)->reply(id, Reply{{"ok", true}, {"cancel", true}});
      case PrintOutcome::State::failed: {
        const std::string why = outcome.reason.empty() ? (es ? "sin motivo conocido" : "no reason given") : outcome.reason;
        return (*self)->reply(id, Reply{{"ok", false},
                                        {"error", es ? "No se pudo imprimir (" + why + ")." : "Printing failed (" + why + ")."},
                                        {"code", "failed"}});
      }
    }
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
  const auto text = textMember(args, "path");
  // A relative path is taken from the process's current folder.
  std::error_code ec;
  const auto path = text ? std::filesystem::absolute(*text, ec) : std::filesystem::path();
  if (!text || ec) return reply(id, kOk);
  const bool es = spanish();
  std::weak_ptr<Router*> weak = self_;
  auto answered = std::make_shared<bool>(false);
  platform_.reveal(path.lexically_normal(), [weak, id, answered, es, load = pageLoads_](bool opened) {
    if (*answered) return;
    *answered = true;
    const auto self = weak.lock();
    if (!self || (*self)->pageLoads_ != load) return;
    if (opened) return (*self)->reply(id, kOk);
    (*self)->reply(id, failureReply(Status::said(Problem::Failed, FailureText::CannotShowFile),
                                    es));
  });
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

void Router::cancel(std::int64_t id, const Json& args) {
  bool found = false;
  const auto target = args.find("id");
  if (target != args.end() && target->is_number_integer()) {
    const auto targetId = target->get<std::int64_t>();
    for (const Running& command : running_) {
      // Only this page's own commands: an earlier page's may share the id.
      if (command.id != targetId || command.load != pageLoads_) continue;
      command.control->cancel();
      found = true;
    }
  }
  reply(id, Reply{{"ok", true}, {"found", found}});
}

void Router::progress(std::uint64_t serial, const platform::WorkProgress& progress) {
  for (const Running& command : running_) {
    if (command.serial != serial) continue;
    // Never after the reply (the command is then no longer running), nor to a later page.
    if (command.load == pageLoads_) platform_.evaluateScript(progressScript(command.id, progressReply(progress)));
    return;
  }
}

void Router::pageLoaded() { ++pageLoads_; }

void Router::endWhenFinished() {
  if (writesInFlight_ == 0) return platform_.endApplication();
  if (!closing_) platform_.evaluateScript(eventScript(Reply{{"type", "finishing"}}));
  closing_ = true;
}

void Router::runInBackground(const Message& message, std::size_t bytes) {
  const bool writes = quitWaitsFor(message.cmd);
  if (writes && closing_) return reply(message.id, closingReply(spanish()));
  // The one command that comes alone is taken whatever its size.
  if (inFlight_ >= kMaxInFlight || (inFlight_ > 0 && inFlightBytes_ + bytes > kMaxInFlightBytes))
    return reply(message.id, busyReply(spanish()));
  ++inFlight_;
  inFlightBytes_ += bytes;
  if (writes) ++writesInFlight_;
  std::weak_ptr<Router*> weak = self_;
  BridgePlatform* platform = &platform_;
  const std::uint64_t serial = ++serials_;
  platform::WorkControl::Listener listener;
  if (reportsProgress(message.cmd)) {
    // From the worker's thread: the page is reached on the main thread only.
    listener = [weak, platform, serial](const platform::WorkProgress& progress) {
      platform->postToMain([weak, serial, progress] {
        if (const auto self = weak.lock()) (*self)->progress(serial, progress);
      });
    };
  }
  auto control = std::make_shared<platform::WorkControl>(std::move(listener));
  running_.push_back({serial, message.id, pageLoads_, control});
  const auto started = std::chrono::steady_clock::now();
  platform_.runInBackground([weak, platform, work = services_.work, message, bytes, writes, load = pageLoads_,
                             serial, control, started, es = spanish()] {
    if (weak.expired()) return;
    // The reply is written here, off the main thread: a long one takes a while.
    Reply facts;
    std::string text;
    const auto fail = [&](Reply failure) {
      text = compactJson(failure);
      facts = std::move(failure);
    };
    try {
      LongReply result = work ? work(message.cmd, message.args, *control) : LongReply(Reply{{"error", "cmd"}});
      text = replyText(result, JsonStyle::Compact);
      facts = std::move(result.head);
    } catch (const std::exception& e) {
      fail(failureReply(Status::said(Problem::Failed, FailureText::AsGiven, {e.what()}), es));
    } catch (...) {
      fail(failureReply(Status::said(Problem::Failed, FailureText::InternalError), es));
    }
    const bool long_ = std::chrono::steady_clock::now() - started > kNoticeAfter;
    platform->postToMain([weak, platform, id = message.id, cmd = message.cmd, bytes, writes, load, serial, long_, es,
                          facts = std::move(facts), text = std::move(text)] {
      const auto self = weak.lock();
      if (!self) return;
      Router& router = **self;
      if (long_)
        if (const auto notice = workNotice(cmd, facts, es)) platform->notify(*notice);
      --router.inFlight_;
      router.inFlightBytes_ -= bytes;
      std::erase_if(router.running_, [serial](const Running& command) { return command.serial == serial; });
      // A page loaded since the command was sent would take the reply for
      // one of its own requests that uses the same id.
      if (router.pageLoads_ == load) router.replyWithText(id, text);
      if (writes && --router.writesInFlight_ == 0 && router.closing_)
        platform->postToMainAfter(kQuitDelay, [platform] { platform->endApplication(); });
    });
  });
}

}  // namespace velmorin::bridge
