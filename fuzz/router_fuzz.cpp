// Any message body the page could post: the router either drops it without a
// trace or answers it exactly once, with the body's own id and valid JSON; it
// opens only web and mail links and reveals only absolute paths.
#include <cmath>
#include <cstdint>
#include <string>

#include "bridge/fake_platform.h"
#include "bridge/reply_call.h"
#include "bridge/router.h"
#include "commands/dispatcher.h"
#include "vocabulary/text.h"

namespace {

using velmorin::Reply;
using velmorin::bridge::Router;
using velmorin::bridge::RouterServices;
using velmorin::bridge::testing::FakePlatform;
using velmorin::bridge::testing::readReplyCall;

void check(bool condition) {
  if (!condition) __builtin_trap();
}

const velmorin::Values& fuzzValues() {
  static const velmorin::Values values = [] {
    char pattern[] = "/tmp/velmorin-fuzz-XXXXXX";
    static const std::filesystem::path home = mkdtemp(pattern);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(home, ignored);
    });
    return velmorin::valuesForHome(home);
  }();
  return values;
}

RouterServices services() {
  RouterServices s;
  // The commands that touch no path the page names run for real; the others
  // echo, so the fuzzer cannot write outside its folder.
  s.work = [](const std::string& cmd, const velmorin::Json& args, velmorin::platform::WorkControl&) -> Reply {
    if (cmd == "info" || cmd == "nord" || cmd == "mail" || cmd == "prepare" || cmd.empty())
      return velmorin::work(fuzzValues(), cmd, args);
    return Reply{{"cmd", cmd}, {"args", args}};
  };
  s.findNsm = [] { return std::optional<velmorin::NsmApp>(); };
  s.spanish = [] { return false; };
  s.icloud = [] { return std::optional<std::filesystem::path>(); };
  return s;
}


// True when the router must answer: a dictionary with a text "cmd" and an "id"
// that is a whole number within 64 bits.
bool answerable(const Reply& body, std::int64_t& id) {
  if (!body.is_object() || !body.contains("cmd") || !body["cmd"].is_string() || !body.contains("id")) return false;
  const Reply& value = body["id"];
  if (value.is_number_unsigned()) {
    if (value.get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX)) return false;
    id = static_cast<std::int64_t>(value.get<std::uint64_t>());
    return true;
  }
  if (value.is_number_integer()) {
    id = value.get<std::int64_t>();
    return true;
  }
  if (value.is_number_float()) {
    const double d = value.get<double>();
    if (!std::isfinite(d) || std::floor(d) != d || std::fabs(d) >= 9.2233720368547e18) return false;
    id = static_cast<std::int64_t>(d);
    return true;
  }
  return false;
}

void runOne(const std::string& text, bool asValue) {
  FakePlatform platform;
  Router router(platform, services());
  const Reply body = Reply::parse(text, nullptr, false);
  if (asValue) {
    if (body.is_discarded()) return;
    router.onMessage(body);
  } else {
    router.onMessageJson(text);
  }
  platform.runBackground();
  platform.runMain();
  for (auto& picker : platform.pickers) picker.done(std::nullopt);
  for (auto& task : platform.delayed) task();

  std::int64_t id = 0;
  if (body.is_discarded() || !answerable(body, id)) {
    check(platform.scripts.empty() && platform.openedUrls.empty() && platform.revealed.empty() &&
          platform.ends == 0 && platform.pickers.empty());
    return;
  }
  check(platform.scripts.size() == 1);
  const auto call = readReplyCall(platform.scripts[0]);
  check(call.has_value() && call->id == id && call->reply.is_object());
  for (const auto& url : platform.openedUrls) {
    const std::string l = velmorin::lowerAscii(url);
    check(l.starts_with("http://") || l.starts_with("https://") || l.starts_with("mailto:"));
  }
  for (const auto& path : platform.revealed) check(path.is_absolute());
  check(platform.ends == (body["cmd"] == "quit" ? 1 : 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  runOne(text, false);
  runOne(text, true);
  return 0;
}
