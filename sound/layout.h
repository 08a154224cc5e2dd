#pragma once
// A model's program layout as data: every setting with where its bits lie and
// how their value reads as the keyboard shows it. One table per model
// (ns3_layout.cpp, ns2_layout.cpp), each row reviewable against the
// community's documentation line by line; decode.cpp is the one reader.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sound/bits.h"
#include "sound/sheet.h"

namespace velmorin::sounds {

// The bytes of one program as a setting sees them: offsets as the
// documentation gives them (header type 1, panel A), moved for an older
// header (20 bytes fewer after 0x17) and for panel B.
class Source {
 public:
  Source(std::span<const std::uint8_t> bytes, int headerType, std::size_t panelOffset,
         const std::function<std::string(std::uint32_t id)>* soundName)
      : bytes_(bytes), headerType_(headerType), panelOffset_(panelOffset), soundName_(soundName) {}

  std::optional<std::uint32_t> read(Place place) const;
  // The same place without the panel's offset: settings kept once for both panels.
  std::optional<std::uint32_t> readShared(Place place) const;
  // The name of the piano or sample `id` (Stage 3 form); "" when unknown.
  std::string soundName(std::uint32_t id) const { return soundName_ && *soundName_ ? (*soundName_)(id) : ""; }
  std::size_t panelOffset() const { return panelOffset_; }

 private:
  std::span<const std::uint8_t> bytes_;
  int headerType_;
  std::size_t panelOffset_;
  const std::function<std::string(std::uint32_t)>* soundName_;
};

// How a raw field reads.
enum class Kind : std::uint8_t {
  Switch,  // 1 is on
  Raw,     // the number itself
  Texts,   // an index into `texts`; "?" beyond them
  Scale,   // 0..`rawMax` as `from`..`to` with `decimals` decimals, then `unit`
  Offset,  // the number plus `from`, then `unit` ("-6 oct" style: `decimals` 0)
  Custom,  // `custom` reads what it needs itself
};

struct Setting {
  std::string_view key;    // below the panel for panel settings ("piano.type")
  enum class Scope : std::uint8_t { Program, Panel, Shared } scope = Scope::Panel;
  Kind kind = Kind::Raw;
  Place place;
  std::span<const std::string_view> texts = {};
  double from = 0, to = 0;
  std::uint32_t rawMax = 127;
  int decimals = 1;
  std::string_view unit = {};
  Value (*custom)(const Source&) = nullptr;
};

// A model's layout: its settings in the order sheets list them (program-wide
// ones first, then each panel's), the size of a complete file with header
// type 1, and where panel B lies from panel A. A synth preset file has no panels.
struct Layout {
  std::string_view extension;
  std::size_t size = 0;           // with header type 1; 20 bytes fewer with type 0
  std::size_t panelB = 0;         // 0: one set of settings, no panels
  std::span<const Setting> settings;
};

// The layout of the program files with `extension` (lower case); nothing for
// models without one.
const Layout* layoutFor(std::string_view extension);

// Every layout known.
std::span<const Layout* const> allLayouts();

// Rows of a table, written as the documentation writes them.
namespace rows {
constexpr Setting onOff(std::string_view key, Place place, Setting::Scope scope = Setting::Scope::Panel) {
  return {key, scope, Kind::Switch, place};
}
constexpr Setting raw(std::string_view key, Place place, Setting::Scope scope = Setting::Scope::Panel) {
  return {key, scope, Kind::Raw, place};
}
constexpr Setting pick(std::string_view key, Place place, std::span<const std::string_view> texts,
                       Setting::Scope scope = Setting::Scope::Panel) {
  return {key, scope, Kind::Texts, place, texts};
}
constexpr Setting scaled(std::string_view key, Place place, double from, double to, int decimals = 1,
                         std::string_view unit = {}, std::uint32_t rawMax = 127,
                         Setting::Scope scope = Setting::Scope::Panel) {
  return {key, scope, Kind::Scale, place, {}, from, to, rawMax, decimals, unit};
}
constexpr Setting shifted(std::string_view key, Place place, double by, std::string_view unit = {},
                          Setting::Scope scope = Setting::Scope::Panel) {
  return {key, scope, Kind::Offset, place, {}, by, 0, 0, 0, unit};
}
constexpr Setting custom(std::string_view key, Value (*read)(const Source&), Setting::Scope scope = Setting::Scope::Panel) {
  return {key, scope, Kind::Custom, {}, {}, 0, 0, 0, 0, {}, read};
}
}  // namespace rows

}  // namespace velmorin::sounds
