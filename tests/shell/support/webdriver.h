#pragma once
// The real application driven through WebKitWebDriver: the driver starts the
// program with "--automation" and the tests run script in its page.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "shell/support/child_process.h"
#include "shell/support/http_json.h"
#include "support/temp_tree.h"

namespace velmorin::testing {

inline constexpr const char* kWebDriver = "/usr/bin/WebKitWebDriver";

class DrivenApp {
 public:
  // Starts the driver with `env` changes, then a session that runs `program`
  // through a small launcher which writes down the program's exit status.
  DrivenApp(const std::string& program, const std::map<std::string, std::string>& env) {
    launcher_ = work_.file("launch.sh",
                           "#!/bin/sh\n"
                           "trap 'kill $child 2>/dev/null' TERM INT\n" +
                               shellQuote(program) + " \"$@\" &\nchild=$!\nwait $child\nstatus=$?\n" +
                               "echo $status > " + shellQuote((work_ / "exit-status").string()) + "\n" +
                               "exit $status\n");
    chmod(launcher_.c_str(), 0755);
    port_ = freeLoopbackPort();
    driver_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{kWebDriver, "--port=" + std::to_string(port_)}, environmentWith(env),
        (work_ / "driver.log").string());
    // The driver listens within moments; the session waits for the window and page.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!httpJson(port_, "GET", "/status")) {
      if (std::chrono::steady_clock::now() > until) {
        error_ = "WebKitWebDriver did not start";
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    nlohmann::json capabilities = {
        {"capabilities",
         {{"alwaysMatch",
           {{"webkitgtk:browserOptions", {{"binary", launcher_.string()}, {"args", {"--automation"}}}}}}}}};
    const auto reply = httpJson(port_, "POST", "/session", capabilities);
    if (!reply || reply->status != 200 || !reply->body.contains("value") ||
        !reply->body["value"].contains("sessionId")) {
      error_ = "no session: " + (reply ? reply->body.dump() : std::string("no answer"));
      return;
    }
    session_ = reply->body["value"]["sessionId"].get<std::string>();
  }

  ~DrivenApp() {
    if (!session_.empty() && !appEnded()) httpJson(port_, "DELETE", "/session/" + session_);
    driver_.reset();  // stops the driver's whole process group, the program with it
  }

  bool ready() const { return !session_.empty(); }
  const std::string& error() const { return error_; }

  // Runs `script` (a function body; `arguments` holds `args`) and gives its value.
  nlohmann::json execute(const std::string& script, const nlohmann::json& args = nlohmann::json::array()) {
    return value(command("POST", "/execute/sync", nlohmann::json{{"script", script}, {"args", args}}));
  }

  // The same for a script that finishes by calling its last argument.
  nlohmann::json executeAsync(const std::string& script, const nlohmann::json& args = nlohmann::json::array()) {
    return value(command("POST", "/execute/async", nlohmann::json{{"script", script}, {"args", args}}));
  }

  // Any WebDriver command of this session; the whole answer.
  nlohmann::json command(const std::string& method, const std::string& path,
                         const std::optional<nlohmann::json>& body = std::nullopt) {
    const auto reply = httpJson(port_, method, "/session/" + session_ + path, body);
    return reply ? reply->body : nlohmann::json{{"value", {{"error", "no answer"}}}};
  }

  // The program's exit status once it has ended.
  std::optional<int> exitStatus(std::chrono::seconds limit) const {
    const auto until = std::chrono::steady_clock::now() + limit;
    for (;;) {
      std::ifstream in(work_ / "exit-status");
      int status = -1;
      if (in >> status) return status;
      if (std::chrono::steady_clock::now() > until) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

  std::string driverLog() const {
    std::ifstream in(work_ / "driver.log");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  static nlohmann::json value(const nlohmann::json& answer) {
    return answer.contains("value") ? answer["value"] : nlohmann::json();
  }
  bool appEnded() const { return fs::exists(work_ / "exit-status"); }

  TempTree work_;
  fs::path launcher_;
  int port_ = 0;
  std::unique_ptr<ChildProcess> driver_;
  std::string session_;
  std::string error_;
};

}  // namespace velmorin::testing
