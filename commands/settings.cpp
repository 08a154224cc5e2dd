// The page's lasting settings (the chosen destination, say): one small JSON
// object in the user's config folder, replaced whole at every save.
#include <string>

#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "vocabulary/language.h"
#include "platform/atomic_file.h"
#include "platform/file_checks.h"
#include "platform/folder.h"
#include "platform/folder_lock.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace {

// Far more than a few paths need; a bigger file is not ours.
constexpr std::size_t kMaxSettingsBytes = 64 * 1024;

struct Stored {
  Json settings = Json::object();
  bool damaged = false;  // there, but not a settings object
};

Stored readStored(const fs::path& file) {
  Stored stored;
  const auto facts = platform::factsOf(file.string(), false);
  if (!facts) return stored;  // never saved
  const auto text = platform::readRegularFile(file.string(), kMaxSettingsBytes + 1);
  std::optional<Json> parsed;
  if (text && text->size() <= kMaxSettingsBytes) parsed = parseJson(*text);
  if (parsed && parsed->is_object()) {
    stored.settings = std::move(*parsed);
  } else {
    stored.damaged = true;
  }
  return stored;
}

Reply tooLarge(bool es) {
  return failureReply(Status::said(Problem::Invalid, FailureText::SettingsTooLarge),
                      es);
}

}  // namespace

Reply settings(const Values& values) {
  const Stored stored = readStored(values.settingsFile);
  Reply reply{{"ok", true}, {"settings", stored.settings}};
  if (stored.damaged)
    reply["notice"] = spanish(values)
                          ? "No se pudieron leer los ajustes guardados; se usan los valores predeterminados."
                          : "Your saved settings could not be read, so the defaults are used.";
  return reply;
}

Reply saveSettings(const Values& values, const Json& changes) {
  const bool es = spanish(values);
  const fs::path folder = values.settingsFile.parent_path();
  if (compactJson(changes).size() > kMaxSettingsBytes) return tooLarge(es);
  if (const auto made = platform::makeFolders(folder); !made) return failureReply(made.status(), es);
  // Saves take turns, so that neither loses the other's keys.
  platform::FolderLock lock(folder);
  Json merged = readStored(values.settingsFile).settings;
  for (const auto& [key, value] : changes.items()) {
    if (value.is_null()) {
      merged.erase(key);
    } else {
      merged[key] = value;
    }
  }
  // Indented for a reader, unless that is more than the next start reads:
  // then compact, or, when even that is too long, not saved at all.
  std::string text = merged.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
  if (text.size() > kMaxSettingsBytes) text = compactJson(merged) + "\n";
  if (text.size() > kMaxSettingsBytes) return tooLarge(es);
  const std::string name = values.settingsFile.filename().string();
  if (Status written = platform::writeFileAtomically(folder, name, "." + name + ".draft", text); !written)
    return failureReply(written, es);
  return {{"ok", true}};
}

}  // namespace velmorin
