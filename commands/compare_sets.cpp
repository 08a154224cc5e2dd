// "compareSets": what changed between two collections of programs (folders
// or backups): each program of one model matched by its slot, a sound found
// at another slot told as moved, the rest added or removed.
#include <algorithm>
#include <optional>
#include <unordered_map>

#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "commands/program_set.h"
#include "commands/sound_compare.h"
#include "vocabulary/language.h"
#include "vocabulary/text.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace {

constexpr std::size_t kKeysShown = 12;

// Where a program is matched: its type and slot, or its file name when its
// header gives no slot.
std::string placeOf(const SetProgram& program) {
  return program.slot.empty() ? "name\x1F" + program.fileName : program.extension + "\x1F" + program.slot;
}

class SetComparison {
 public:
  SetComparison(const Values& values, const ProgramSet& a, const ProgramSet& b) : values_(values), a_(a), b_(b) {
    for (std::size_t i = 0; i < a.programs.size(); ++i) {
      aAt_[placeOf(a.programs[i])].push_back(i);
      aBySound_.emplace(a.programs[i].soundKey, i);
    }
    for (std::size_t j = 0; j < b.programs.size(); ++j) bBySound_.emplace(b.programs[j].soundKey, j);
  }

  Reply run(platform::WorkControl* control) {
    if (control) control->begin(platform::WorkPhase::Verify, a_.programs.size() + b_.programs.size());
    const std::vector<std::optional<std::size_t>> partner = partners();
    std::vector<bool> paired(a_.programs.size(), false);
    std::vector<Row> rows;
    for (std::size_t j = 0; j < b_.programs.size(); ++j) {
      if (platform::isCancelled(control)) return {};
      platform::advance(control, 1);
      const SetProgram& program = b_.programs[j];
      const std::optional<std::size_t> there = partner[j];
      if (there) {
        SoundComparison same = compare(a_.programs[*there], program);
        if (same.sameSound) {
          paired[*there] = true;
          rows.push_back({"same", there, j, 0, {}});
          continue;
        }
        if (const auto elsewhere = soundIn(aBySound_, a_, program, *there)) {
          rows.push_back({"moved", elsewhere, j, 0, {}});
          continue;
        }
        paired[*there] = true;
        rows.push_back(changed(*there, j, same));
        continue;
      }
      if (const auto elsewhere = soundIn(aBySound_, a_, program, std::nullopt))
        rows.push_back({"moved", elsewhere, j, 0, {}});
      else
        rows.push_back({"added", std::nullopt, j, 0, {}});
    }
    for (std::size_t i = 0; i < a_.programs.size(); ++i) {
      if (platform::isCancelled(control)) return {};
      platform::advance(control, 1);
      // One that left its slot but plays elsewhere in b is told by b's "moved" row.
      if (!paired[i] && !soundIn(bBySound_, b_, a_.programs[i], std::nullopt))
        rows.push_back({"removed", i, std::nullopt, 0, {}});
    }
    return reply(std::move(rows));
  }

 private:
  struct Row {
    const char* state;
    std::optional<std::size_t> a, b;
    std::int64_t differences;
    std::vector<std::string> keys;
  };

  // For each program of b, a's program at its place: the one of the same file
  // name first (a collection may hold several programs per slot, one per
  // folder), else the first one left, each of a's taken once.
  std::vector<std::optional<std::size_t>> partners() const {
    std::vector<std::optional<std::size_t>> partner(b_.programs.size());
    std::vector<bool> taken(a_.programs.size(), false);
    for (const bool byName : {true, false})
      for (std::size_t j = 0; j < b_.programs.size(); ++j) {
        if (partner[j]) continue;
        const auto at = aAt_.find(placeOf(b_.programs[j]));
        if (at == aAt_.end()) continue;
        for (const std::size_t i : at->second)
          if (!taken[i] && (!byName || a_.programs[i].fileName == b_.programs[j].fileName)) {
            partner[j] = i;
            taken[i] = true;
            break;
          }
      }
    return partner;
  }

  SoundComparison compare(const SetProgram& x, const SetProgram& y) const {
    // The same bytes make the same sound: nothing to decode.
    if (x.extension == y.extension && x.bytes == y.bytes) return {true, true, {}};
    if (x.soundKey != y.soundKey) {
      // Not the same sound; the settings that differ are wanted only for a changed row.
      SoundComparison differ;
      differ.sameSound = false;
      differ.decoded = false;
      return differ;
    }
    return confirm(x, y);
  }

  SoundComparison confirm(const SetProgram& x, const SetProgram& y) const {
    const sounds::Decoded sheetX = sheetOf(values_, x);
    const sounds::Decoded sheetY = sheetOf(values_, y);
    return compareSounds({x.extension, x.bytes, x.check.header.header, &sheetX},
                         {y.extension, y.bytes, y.check.header.header, &sheetY});
  }

  Row changed(std::size_t i, std::size_t j, const SoundComparison& known) const {
    const SoundComparison same = known.decoded ? known : confirm(a_.programs[i], b_.programs[j]);
    Row row{"changed", i, j, 1, {}};
    if (!same.decoded) return row;  // no layout: the sound differs, how is not known
    row.differences = static_cast<std::int64_t>(same.differences.size());
    for (std::size_t k = 0; k < same.differences.size() && k < kKeysShown; ++k) row.keys.push_back(same.differences[k].key);
    return row;
  }

  // A program of `side` with the sound of `program`, at another place than
  // `except`'s; checked on the programs themselves, never on the key alone.
  std::optional<std::size_t> soundIn(const std::unordered_multimap<std::uint64_t, std::size_t>& index,
                                     const ProgramSet& side, const SetProgram& program,
                                     std::optional<std::size_t> except) const {
    const auto [first, last] = index.equal_range(program.soundKey);
    for (auto it = first; it != last; ++it) {
      const SetProgram& candidate = side.programs[it->second];
      if (except && placeOf(candidate) == placeOf(a_.programs[*except])) continue;
      if (&side == &a_ ? compare(candidate, program).sameSound : compare(program, candidate).sameSound)
        return it->second;
    }
    return std::nullopt;
  }

  static Json sideJson(const SetProgram* program) {
    if (!program) return nullptr;
    return {{"path", program->path}, {"inside", program->inside}, {"slot", program->slot},
            {"name", programName(program->fileName)}};
  }

  Reply reply(std::vector<Row> rows) const {
    const auto shown = [this](const Row& row) -> const SetProgram& {
      return row.b ? b_.programs[*row.b] : a_.programs[*row.a];
    };
    // In keyboard order within each model; programs without a slot by name, last.
    std::ranges::stable_sort(rows, [&](const Row& x, const Row& y) {
      const SetProgram& p = shown(x);
      const SetProgram& q = shown(y);
      const auto order = [](const SetProgram& s) {
        const ProgramHeader& h = s.check.header;
        return std::tuple(modelOfType(s.extension), s.extension, s.slot.empty(), h.bank, h.location, s.fileName);
      };
      return order(p) < order(q);
    });
    Json list = Json::array();
    std::map<std::string, std::int64_t> counts{{"added", 0}, {"removed", 0}, {"changed", 0}, {"moved", 0}, {"same", 0}};
    for (const Row& row : rows) {
      const SetProgram& program = shown(row);
      ++counts[row.state];
      list.push_back({{"state", row.state},
                      {"slot", program.slot},
                      {"name", programName(program.fileName)},
                      {"model", modelOfType(program.extension)},
                      {"a", sideJson(row.a ? &a_.programs[*row.a] : nullptr)},
                      {"b", sideJson(row.b ? &b_.programs[*row.b] : nullptr)},
                      {"differences", row.differences},
                      {"keys", row.keys}});
    }
    return {{"ok", true}, {"rows", std::move(list)}, {"counts", counts}};
  }

  const Values& values_;
  const ProgramSet& a_;
  const ProgramSet& b_;
  std::unordered_map<std::string, std::vector<std::size_t>> aAt_;
  std::unordered_multimap<std::uint64_t, std::size_t> aBySound_, bBySound_;
};

}  // namespace

Reply compareSets(const Values& values, const Json& args, platform::WorkControl* control) {
  const bool es = spanish(values);
  std::string where[2];
  const char* names[2] = {"a", "b"};
  for (int side = 0; side < 2; ++side) {
    const auto text = textMember(args, names[side]);
    if (!text || text->empty() || text->find('\0') != std::string::npos)
      return failureReply(Status::said(Problem::Invalid, FailureText::CollectionMissing, {names[side]}),
                          es);
    where[side] = *text;
  }
  if (control) control->begin(platform::WorkPhase::Scan);
  const auto a = readProgramSet(values, where[0], control);
  if (!a) return failureReply(a.status(), es);
  const auto b = readProgramSet(values, where[1], control, &a.value());
  if (!b) return failureReply(b.status(), es);
  Reply reply = SetComparison(values, a.value(), b.value()).run(control);
  if (platform::isCancelled(control)) return failureReply(Status::cancelled(), es);
  Json notes = Json::array();
  for (const ProgramSet* set : {&a.value(), &b.value()})
    if (!set->note.empty()) notes.push_back(es ? set->noteEs : set->note);
  reply["notes"] = std::move(notes);
  return reply;
}

}  // namespace velmorin
