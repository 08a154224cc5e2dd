// "compare": what differs between two programs, setting by setting where their
// model's layout is known, and in their header's facts.
#include <string>

#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "commands/program_file.h"
#include "commands/sound_compare.h"
#include "vocabulary/language.h"
#include "vocabulary/text.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace {

struct Side {
  std::string path, inside;
};

std::optional<Side> sideOf(const Json& args, const char* key) {
  const auto found = args.find(key);
  if (found == args.end() || !found->is_object()) return std::nullopt;
  const auto path = textMember(*found, "path");
  if (!path || path->empty() || path->find('\0') != std::string::npos) return std::nullopt;
  return Side{*path, textMember(*found, "inside").value_or("")};
}

}  // namespace

Reply compare(const Values& values, const Json& args) {
  const bool es = spanish(values);
  const auto a = sideOf(args, "a");
  const auto b = sideOf(args, "b");
  if (!a || !b) return failureReply(Status::said(Problem::Invalid, FailureText::Argument, {a ? "b" : "a"}), es);
  const auto first = readProgramFile(a->path, a->inside);
  if (!first) return failureReply(first.status(), es);
  const auto second = readProgramFile(b->path, b->inside);
  if (!second) return failureReply(second.status(), es);

  const std::string extA = lowerExtension(fs::path(a->path).filename().string());
  const std::string extB = lowerExtension(fs::path(b->path).filename().string());
  const sounds::Decoded sheetA = decodeProgram(values, extA, first->bytes);
  const sounds::Decoded sheetB = decodeProgram(values, extB, second->bytes);

  const SoundComparison same = compareSounds({extA, first->bytes, first->check.header.header, &sheetA},
                                             {extB, second->bytes, second->check.header.header, &sheetB});
  Json differences = Json::array();
  for (const SettingDifference& difference : same.differences)
    differences.push_back({{"key", difference.key}, {"a", valueJson(difference.a)}, {"b", valueJson(difference.b)}});

  const ProgramHeader& ha = first->check.header;
  const ProgramHeader& hb = second->check.header;
  Json header = Json::array();
  const auto differ = [&](const char* key, const std::string& x, const std::string& y) {
    if (x != y) header.push_back({{"key", key}, {"a", x}, {"b", y}});
  };
  differ("slot", slotText(extA, ha.bank, ha.location), slotText(extB, hb.bank, hb.location));
  differ("name", programName(fs::path(a->path).filename().string()), programName(fs::path(b->path).filename().string()));
  differ("category", categoryName(ha.categoryCode), categoryName(hb.categoryCode));
  differ("version", versionText(ha.version), versionText(hb.version));
  return {{"ok", true}, {"decoded", same.decoded}, {"sameSound", same.sameSound}, {"differences", differences}, {"header", header}};
}

}  // namespace velmorin
