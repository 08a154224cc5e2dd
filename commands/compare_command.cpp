// "compare": what differs between two programs, setting by setting where their
// model's layout is known, and in their header's facts.
#include <string>

#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "commands/program_file.h"
#include "vocabulary/language.h"
#include "vocabulary/text.h"

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

// Past the header's slot, category and checksum: the bytes that make the sound.
std::string_view body(const ProgramFile& program) {
  const std::size_t header = program.check.header.header == 1 ? 0x2C : 0x18;
  return std::string_view(program.bytes).substr(std::min(header, program.bytes.size()));
}

}  // namespace

Reply compare(const Values& values, const Json& args) {
  const bool es = spanish(values);
  const auto a = sideOf(args, "a");
  const auto b = sideOf(args, "b");
  if (!a || !b) return failureReply(Status::failure(Problem::Invalid, a ? "b" : "a", a ? "b" : "a"), es);
  const auto first = readProgramFile(a->path, a->inside);
  if (!first) return failureReply(first.status(), es);
  const auto second = readProgramFile(b->path, b->inside);
  if (!second) return failureReply(second.status(), es);

  const std::string extA = lowerExtension(fs::path(a->path).filename().string());
  const std::string extB = lowerExtension(fs::path(b->path).filename().string());
  const sounds::Decoded sheetA = decodeProgram(values, extA, first->bytes);
  const sounds::Decoded sheetB = decodeProgram(values, extB, second->bytes);
  const bool decoded = sheetA.decoded() && sheetB.decoded();

  Json differences = Json::array();
  if (decoded) {
    // Every key of either sheet, in a's order and then b's own.
    for (const sounds::Field& field : sheetA.sheet) {
      const sounds::Value* other = sounds::find(sheetB.sheet, field.key);
      if (!other || *other != field.value)
        differences.push_back({{"key", field.key}, {"a", valueJson(&field.value)}, {"b", valueJson(other)}});
    }
    for (const sounds::Field& field : sheetB.sheet)
      if (!sounds::find(sheetA.sheet, field.key))
        differences.push_back({{"key", field.key}, {"a", nullptr}, {"b", valueJson(&field.value)}});
  }
  const bool sameSound = decoded ? differences.empty() : extA == extB && body(*first) == body(*second);

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
  return {{"ok", true}, {"decoded", decoded}, {"sameSound", sameSound}, {"differences", differences}, {"header", header}};
}

}  // namespace velmorin
