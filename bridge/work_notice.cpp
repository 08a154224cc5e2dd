#include "bridge/work_notice.h"

#include <algorithm>
#include <cstdint>

#include "commands/command_table.h"

namespace velmorin::bridge {

namespace {

std::string text(const Reply& reply, const std::string& key) { return textMember(reply, key.c_str()).value_or(""); }

// The commands keep their counts as signed numbers; a count below zero is no count.
std::string count(const Reply& reply, const std::string& key) {
  const auto found = reply.find(key);
  if (found == reply.end() || !found->is_number_integer()) return "0";
  if (found->is_number_unsigned()) return std::to_string(found->get<std::uint64_t>());
  return std::to_string(std::max<std::int64_t>(found->get<std::int64_t>(), 0));
}

// The table's body with each "{key}" replaced by the reply's text and each
// "{#key}" by its count; a brace without its pair is kept as it is.
std::string filledIn(std::string_view body, const Reply& reply) {
  std::string out;
  for (std::size_t at = 0; at < body.size();) {
    const std::size_t open = body.find('{', at);
    const std::size_t close = open == std::string_view::npos ? open : body.find('}', open);
    if (close == std::string_view::npos) {
      out.append(body.substr(at));
      break;
    }
    out.append(body.substr(at, open - at));
    const std::string key(body.substr(open + 1, close - open - 1));
    out += key.starts_with('#') ? count(reply, key.substr(1)) : text(reply, key);
    at = close + 1;
  }
  return out;
}

std::string inLanguage(const BothLanguages& words, bool es) { return std::string(es ? words.es : words.en); }

}  // namespace

std::optional<WorkNotice> workNotice(const std::string& cmd, const Reply& reply, bool es) {
  const CommandRow* row = findCommand(cmd);
  if (!row || !row->notice || !reply.is_object()) return std::nullopt;
  const bool ok = reply.value("ok", false) == true;
  if (!ok && text(reply, "code") == "cancelled") return std::nullopt;
  const CommandNotice& notice = *row->notice;
  if (ok) return WorkNotice{inLanguage(notice.doneTitle, es), filledIn(es ? notice.doneBody.es : notice.doneBody.en, reply)};
  // A failure's own sentence, already in the user's language, says what went wrong.
  return WorkNotice{inLanguage(notice.failedTitle, es), text(reply, "error")};
}

}  // namespace velmorin::bridge
