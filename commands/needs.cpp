// "needs": which pianos and samples a set of programs plays, whether this
// computer has them (as the library sees piano and sample files), and how much
// is missing. Programs name their sounds by id; the maker's bundles also name
// them in their meta.xml, and may hold them.
#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "commands/backup_check.h"
#include "commands/backup_file.h"
#include "commands/bundle_contents.h"
#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "commands/file_walk.h"
#include "commands/program_file.h"
#include "commands/program_header.h"
#include "commands/program_needs.h"
#include "commands/scan_roots.h"
#include "commands/sound_file.h"
#include "commands/sound_names.h"
#include "sound/layout.h"
#include "vocabulary/language.h"
#include "vocabulary/text.h"
#include "platform/folder.h"
#include "platform/paths.h"
#include "platform/zip_entries.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxNotes = 50;
constexpr std::size_t kMaxPrograms = 50'000;

struct Place {
  std::string path, inside;
  auto operator<=>(const Place&) const = default;
};

// One program of the set, read whole.
struct SetProgram {
  Place place;
  std::string extension;
  std::string bytes;
};

// A sound the set needs: by id when one is known, else by what a bundle calls it.
struct Needed {
  std::optional<std::uint32_t> id;
  std::string kind, name, version;
  std::int64_t size = 0;
  std::set<std::size_t> programs;
  std::set<Place> found;
};

std::string idText(std::optional<std::uint32_t> id) {
  if (!id) return "";
  char text[9];
  std::snprintf(text, sizeof text, "%08x", *id);
  return text;
}

std::string fileNameOf(std::string_view path) { return std::string(path.substr(path.rfind('/') + 1)); }

class Notes {
 public:
  explicit Notes(bool spanish) : spanish_(spanish) {}
  void add(const Status& failure) { add(failureText(failure, false), failureText(failure, true)); }
  void add(const std::string& english, const std::string& spanish) {
    if (notes_.size() < kMaxNotes) notes_.push_back(spanish_ ? spanish : english);
    else ++more_;
  }
  Json json() const {
    Json all = notes_;
    if (more_ > 0)
      all.push_back(spanish_ ? "Y " + std::to_string(more_) + " notas más." : "And " + std::to_string(more_) + " more notes.");
    return all;
  }

 private:
  bool spanish_;
  std::vector<std::string> notes_;
  std::size_t more_ = 0;
};

class SetNeeds {
 public:
  SetNeeds(const Values& values, Notes& notes) : values_(values), notes_(notes) {}

  void add(std::size_t index, const SetProgram& program) {
    const std::string name = inQuotes(fileNameOf(program.place.path));
    if (sounds::layoutFor(program.extension)) {
      const sounds::Decoded decoded = decodeProgram(values_, program.extension, program.bytes);
      if (decoded.decoded()) {
        for (const SoundId& sound : soundsNeeded(decoded.sheet)) byId(sound.kind, sound.id).programs.insert(index);
      } else {
        notes_.add("The program " + name + " could not be read whole: what it needs is not known.",
                   "No se pudo leer entero el programa " + name + ": no se sabe qué necesita.");
      }
    } else if (!isBundleExtension(lowerExtension(fileNameOf(program.place.inside)))) {
      const std::string model = modelOfType(program.extension);
      notes_.add("The layout of " + (model.empty() ? "this kind of" : model) + " programs is not known: what " + name +
                     " needs is not known.",
                 "No se conoce el formato de los programas " + (model.empty() ? "de este tipo" : "del " + model) +
                     ": no se sabe qué necesita " + name + ".");
    }
    const std::string& inside = program.place.inside;
    if (!inside.empty() && isBundleExtension(lowerExtension(fileNameOf(inside)))) addBundled(index, program);
  }

  // Every sound, its name, version and size filled in from the table.
  std::vector<Needed> sounds() {
    std::vector<Needed> all;
    for (auto& [key, needed] : needed_) {
      if (needed.id) {
        if (const auto row = soundRow(values_.soundsTable, *needed.id)) {
          needed.name = row->name, needed.version = row->version, needed.size = row->size;
          if (!row->kind.empty()) needed.kind = row->kind;
        } else {
          const bool piano = needed.kind == "piano";
          const std::string id = idText(needed.id);
          notes_.add(std::string(piano ? "The piano " : "The sample ") + id +
                         " is not in the table of the maker's sounds: its name and size are not known.",
                     std::string(piano ? "El piano " : "La muestra ") + id +
                         " no está en la tabla de sonidos del fabricante: no se conocen su nombre ni su tamaño.");
        }
      }
      all.push_back(std::move(needed));
    }
    std::ranges::sort(all, [](const Needed& a, const Needed& b) {
      return std::tie(a.kind, a.name, a.version, a.id) < std::tie(b.kind, b.name, b.version, b.id);
    });
    return all;
  }

 private:
  Needed& byId(std::string_view kind, std::uint32_t id) {
    Needed& needed = needed_["id " + idText(id)];
    needed.id = id;
    if (needed.kind.empty()) needed.kind = kind;
    return needed;
  }

  const BundleContents& bundle(const std::string& path) {
    auto& slot = bundles_[path];
    if (slot) return *slot;
    slot = std::make_unique<BundleContents>(readBundle(path));
    const std::string name = inQuotes(fileNameOf(path));
    if (!slot->opened) {
      notes_.add("The bundle " + name + " is not a ZIP archive that could be read.",
                 "El paquete " + name + " no es un archivo ZIP que se pueda leer.");
    } else if (!slot->hasMeta) {
      notes_.add("The bundle " + name + " has no meta.xml: what its programs need is read from the programs alone.",
                 "El paquete " + name + " no tiene meta.xml: lo que necesitan sus programas se lee solo de ellos.");
    } else if (slot->meta.fault != BundleMetaFault::None) {
      const std::string why = slot->meta.fault == BundleMetaFault::TooLarge ? "is too large" :
                              slot->meta.fault == BundleMetaFault::NotXml ? "is not XML that could be read" :
                                                                            "does not describe a bundle";
      const std::string porque = slot->meta.fault == BundleMetaFault::TooLarge ? "es demasiado grande" :
                                 slot->meta.fault == BundleMetaFault::NotXml ? "no es XML que se pueda leer" :
                                                                               "no describe un paquete";
      notes_.add("The meta.xml of the bundle " + name + " " + why + ": it was left out.",
                 "El meta.xml del paquete " + name + " " + porque + ": se ha dejado de lado.");
    }
    if (slot->damaged)
      notes_.add("The bundle " + name + " is damaged: only what could be read of it counts.",
                 "El paquete " + name + " está dañado: solo cuenta lo que se pudo leer de él.");
    return *slot;
  }

  // What the bundle's meta.xml says the program needs; found in the bundle when it holds it.
  void addBundled(std::size_t index, const SetProgram& program) {
    const BundleContents& contents = bundle(program.place.inside);
    const BundleFile* described = describedFile(contents, program.place.path);
    if (!described) return;
    for (const std::string& dep : described->deps) {
      const std::string fileName = fileNameOf(dep);
      const auto held = heldSound(contents, dep);
      std::string kind(soundKindOf(lowerExtension(fileName)));
      if (kind.empty()) kind = dep.starts_with("Piano/") ? "piano" : dep.starts_with("Samp Lib/") ? "sample" : "";
      if (kind.empty()) continue;
      // Held: its header names it. Not held: its file name, without the extension.
      const bool isHeld = held != contents.sounds.end() && !held->second.header.name.empty();
      const std::string name = isHeld ? held->second.header.name : fileName.substr(0, fileName.rfind('.'));
      const std::string version = isHeld ? held->second.header.version : "";
      const auto id = soundIdOf(values_.soundsTable, kind, name, version);
      Needed& needed = id ? byId(kind, *id) : needed_["file " + kind + "\n" + name + "\n" + version];
      if (!id) {
        needed.kind = kind, needed.name = name, needed.version = version;
        if (isHeld) needed.size = static_cast<std::int64_t>(held->second.size);
      }
      needed.programs.insert(index);
      if (held != contents.sounds.end()) needed.found.insert({held->first, program.place.inside});
    }
  }

  const Values& values_;
  Notes& notes_;
  std::map<std::string, Needed> needed_;
  std::map<std::string, std::unique_ptr<BundleContents>> bundles_;
};

// The piano and sample files the library sees, and those of the set's own
// folder (read in the same walk as its programs), by what their headers say.
struct Seen {
  Place place;
  std::optional<std::uint32_t> id;
  std::string kind, name, version;
};

std::vector<Seen> soundFilesSeen(const Values& values, std::vector<WalkedFile> inSetFolder,
                                 platform::WorkControl* control) {
  const WalkWants wants{[](std::string_view extension) { return !soundKindOf(extension).empty(); },
                        [](std::string_view) { return kSoundHeaderBytes; }};
  std::vector<WalkedFile> files = walkFiles(libraryRoots(values, std::nullopt), wants, control);
  std::move(inSetFolder.begin(), inSetFolder.end(), std::back_inserter(files));
  std::vector<Seen> seen;
  for (WalkedFile& file : files) {
    const std::string kind(soundKindOf(file.extension));
    SoundFileHeader header = readSoundHeader(kind, file.bytes);
    if (header.name.empty()) continue;
    const auto id = soundIdOf(values.soundsTable, kind, header.name, header.version);
    seen.push_back({{std::move(file.path), std::move(file.inside)}, id, kind, std::move(header.name),
                    std::move(header.version)});
  }
  return seen;
}

bool matches(const Seen& file, const Needed& needed) {
  if (file.kind != needed.kind) return false;
  if (file.id && needed.id) return *file.id == *needed.id;
  return !needed.name.empty() && file.name == needed.name && file.version == needed.version;
}

std::optional<Place> placeOf(const Json& item) {
  if (!item.is_object()) return std::nullopt;
  const auto path = textMember(item, "path");
  const auto inside = textMember(item, "inside").value_or("");
  if (!path || path->empty() || path->find('\0') != std::string::npos || inside.find('\0') != std::string::npos)
    return std::nullopt;
  return Place{*path, inside};
}

Status invalid(const char* what) { return Status::said(Problem::Invalid, FailureText::Argument, {what}); }

// The entries `names` of the backup `inside`, each read whole, in one pass
// over the archive however many a set takes from it.
std::map<std::string, std::string> entriesOf(const std::string& inside, const std::set<std::string>& names) {
  std::map<std::string, std::string> read;
  const auto opened = openBackup(inside);
  if (!opened || !*opened) return read;
  std::string bytes;
  (void)forEachBackupEntry(
      **opened,
      [&](const platform::ZipEntry& entry, const platform::ZipEntryReader& data) {
        if (!names.contains(entry.name) || read.contains(entry.name)) return true;
        const auto problem = data.read(kCheckedFileLimit, bytes);
        if (problem == platform::EntryProblem::OverLimit) return false;
        read.emplace(entry.name, bytes);
        return read.size() < names.size();
      });
  return read;
}

// The programs the request names, read whole; those that cannot be read are
// noted. A set given as a folder also gives the sound files in it.
struct SetFiles {
  std::vector<SetProgram> programs;
  std::vector<WalkedFile> soundFiles;
};

StatusOr<SetFiles> programsOf(const Json& args, Notes& notes, platform::WorkControl* control) {
  std::vector<SetProgram> programs;
  if (const auto list = args.find("programs"); list != args.end()) {
    if (!list->is_array() || list->size() > kMaxPrograms) return invalid("programs");
    std::map<std::string, std::set<std::string>> fromBackups;
    std::vector<Place> places;
    std::set<Place> named;
    for (const Json& item : *list) {
      const auto place = placeOf(item);
      if (!place) return invalid("programs");
      if (!named.insert(*place).second) continue;  // the same program twice is one program
      if (!place->inside.empty()) fromBackups[place->inside].insert(place->path);
      places.push_back(*place);
    }
    std::map<std::string, std::map<std::string, std::string>> backups;
    for (const auto& [inside, names] : fromBackups) {
      if (platform::isCancelled(control)) return Status::cancelled();
      backups[inside] = entriesOf(inside, names);
    }
    for (Place& place : places) {
      if (platform::isCancelled(control)) return Status::cancelled();
      std::string extension = lowerExtension(fileNameOf(place.path));
      if (!place.inside.empty()) {
        auto& entries = backups[place.inside];
        if (const auto entry = entries.find(place.path); entry != entries.end())
          programs.push_back({place, std::move(extension), entry->second});
        else
          notes.add(programUnreadable(place.path, place.inside));
        continue;
      }
      const auto file = readProgramFile(place.path, "");
      if (!file) {
        notes.add(file.status());
        continue;
      }
      programs.push_back({std::move(place), std::move(extension), file->bytes});
    }
    return SetFiles{std::move(programs), {}};
  }
  const auto dir = textMember(args, "dir");
  if (!dir || dir->empty() || dir->find('\0') != std::string::npos) return invalid("dir");
  const auto facts = platform::factsOf(platform::absolutePath(*dir), true);
  if (!facts || facts->kind != platform::EntryKind::Folder)
    return Status::said(Problem::NotFound, FailureText::FolderNotFound, {*dir});
  const WalkWants wants{[](std::string_view extension) {
                          return isProgramExtension(extension) || !soundKindOf(extension).empty();
                        },
                        [](std::string_view extension) {
                          return soundKindOf(extension).empty() ? static_cast<std::size_t>(kCheckedFileLimit)
                                                                : kSoundHeaderBytes;
                        }};
  SetFiles set;
  for (WalkedFile& file : walkFiles({platform::absolutePath(*dir)}, wants, control)) {
    if (!soundKindOf(file.extension).empty())
      set.soundFiles.push_back(std::move(file));
    else if (set.programs.size() < kMaxPrograms)
      set.programs.push_back(
          {{std::move(file.path), std::move(file.inside)}, std::move(file.extension), std::move(file.bytes)});
  }
  return set;
}

}  // namespace

Reply needs(const Values& values, const Json& args, platform::WorkControl* control) {
  const bool es = spanish(values);
  Notes notes(es);
  if (control) control->begin(platform::WorkPhase::Scan);
  auto files = programsOf(args, notes, control);
  if (!files) return failureReply(files.status(), es);
  const std::vector<SetProgram>& programs = files->programs;
  SetNeeds set(values, notes);
  for (std::size_t i = 0; i < programs.size(); ++i) set.add(i, programs[i]);
  std::vector<Needed> needed = set.sounds();
  if (!needed.empty()) {
    const std::vector<Seen> seen = soundFilesSeen(values, std::move(files->soundFiles), control);
    for (Needed& sound : needed)
      for (const Seen& file : seen)
        if (matches(file, sound)) sound.found.insert(file.place);
  }
  if (platform::isCancelled(control)) return failureReply(Status::cancelled(), es);

  Json sounds = Json::array();
  std::int64_t missing = 0, bytesNeeded = 0;
  for (const Needed& sound : needed) {
    Json found = Json::array();
    for (const Place& place : sound.found) found.push_back({{"path", place.path}, {"inside", place.inside}});
    if (sound.found.empty()) ++missing, bytesNeeded += sound.size;
    sounds.push_back({{"id", idText(sound.id)},
                      {"kind", sound.kind},
                      {"name", sound.name},
                      {"version", sound.version},
                      {"size", sound.size},
                      {"programs", static_cast<std::int64_t>(sound.programs.size())},
                      {"found", std::move(found)}});
  }
  return {{"ok", true}, {"sounds", std::move(sounds)}, {"missing", missing}, {"bytesNeeded", bytesNeeded},
          {"notes", notes.json()}};
}

}  // namespace velmorin
