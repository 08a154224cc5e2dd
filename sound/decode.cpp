#include "sound/decode.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "sound/layout.h"

namespace velmorin::sounds {

namespace {

constexpr std::size_t kHeaderEnd = 0x17;       // the last byte both header types share
constexpr std::size_t kNewHeaderBytes = 20;    // what header type 1 adds after it

int headerType(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 8 || bytes[0] != 'C' || bytes[1] != 'B' || bytes[2] != 'I' || bytes[3] != 'N') return -1;
  const std::uint32_t type = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | static_cast<std::uint32_t>(bytes[7]) << 24;
  return type <= 1 ? static_cast<int>(type) : -1;
}

Value read(const Setting& setting, const Source& source) {
  if (setting.kind == Kind::Custom) return setting.custom(source);
  const auto raw = setting.scope == Setting::Scope::Shared ? source.readShared(setting.place) : source.read(setting.place);
  if (!raw) return std::string("?");
  switch (setting.kind) {
    case Kind::Switch:
      return *raw != 0;
    case Kind::Raw:
      return static_cast<std::int64_t>(*raw);
    case Kind::Texts:
      return *raw < setting.texts.size() ? std::string(setting.texts[*raw]) : std::string("?");
    case Kind::Scale: {
      if (*raw > setting.rawMax) return std::string("?");
      const double value = setting.from + (setting.to - setting.from) * *raw / setting.rawMax;
      std::string text = formatNumber(value, setting.decimals);
      return setting.unit.empty() ? text : text + " " + std::string(setting.unit);
    }
    case Kind::Offset: {
      std::string text = formatNumber(*raw + setting.from, 0);
      return setting.unit.empty() ? text : text + " " + std::string(setting.unit);
    }
    case Kind::Custom:
      break;
  }
  return std::string("?");
}

}  // namespace

std::optional<std::uint32_t> Source::read(Place place) const {
  place.offset = static_cast<std::uint16_t>(place.offset + panelOffset_);
  return readShared(place);
}

std::optional<std::uint32_t> Source::readShared(Place place) const {
  std::size_t offset = place.offset;
  if (headerType_ == 0 && offset > kHeaderEnd) {
    if (offset < kHeaderEnd + 1 + kNewHeaderBytes) return std::nullopt;  // a field the old header lacks
    offset -= kNewHeaderBytes;
  }
  return readBits(bytes_, offset, place.bit, place.width);
}

std::string formatNumber(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string shown(text);
  // "-0.0" is what rounding makes of a small negative number; the keyboard shows "0.0".
  if (shown.starts_with('-') && shown.find_first_not_of("-0.") == std::string::npos) shown.erase(0, 1);
  return shown;
}

namespace {

bool saysWhatPlays(std::string_view key) {
  for (const std::string_view wanted : kWhatPlays)
    if (key == wanted) return true;
  return false;
}

// Which rows of each layout say what plays, found once: a library reads
// thousands of programs, each wanting a dozen of some 300 rows.
const std::vector<std::size_t>& whatPlaysRows(const Layout& layout) {
  static const auto rows = [] {
    std::map<const Layout*, std::vector<std::size_t>> all;
    for (const Layout* known : allLayouts()) {
      auto& wanted = all[known];
      for (std::size_t row = 0; row < known->settings.size(); ++row)
        if (saysWhatPlays(known->settings[row].key)) wanted.push_back(row);
    }
    return all;
  }();
  return rows.at(&layout);
}

Decoded decodeRows(std::string_view extension, std::span<const std::uint8_t> bytes,
                   const std::function<std::string(std::uint32_t)>& soundName, bool whatPlaysOnly) {
  Decoded decoded;
  const Layout* layout = layoutFor(extension);
  if (!layout) return decoded;
  const int header = headerType(bytes);
  if (header < 0) {
    decoded.why = NotDecoded::UnknownHeader;
    return decoded;
  }
  if (bytes.size() < layout->size - (header == 0 ? kNewHeaderBytes : 0)) {
    decoded.why = NotDecoded::Truncated;
    return decoded;
  }
  decoded.why = NotDecoded::None;
  const std::vector<std::size_t>* wanted = whatPlaysOnly ? &whatPlaysRows(*layout) : nullptr;
  // Panel rows come twice (A and B), the program's own once.
  decoded.sheet.reserve(2 * (wanted ? wanted->size() : layout->settings.size()));
  const auto emit = [&](std::string_view prefix, std::size_t panelOffset, bool panelRows) {
    const Source source(bytes, header, panelOffset, &soundName);
    const auto emitRow = [&](const Setting& setting) {
      if ((setting.scope == Setting::Scope::Program) == panelRows) return;
      std::string key;
      key.reserve(prefix.size() + setting.key.size());
      key.append(prefix).append(setting.key);
      decoded.sheet.push_back({std::move(key), read(setting, source)});
    };
    if (wanted) {
      for (const std::size_t row : *wanted) emitRow(layout->settings[row]);
    } else {
      for (const Setting& setting : layout->settings) emitRow(setting);
    }
  };
  if (layout->panelB == 0) {
    emit("", 0, false);
    return decoded;
  }
  emit("", 0, false);
  emit("A.", 0, true);
  emit("B.", layout->panelB, true);
  return decoded;
}

}  // namespace

Decoded decode(std::string_view extension, std::span<const std::uint8_t> bytes,
               const std::function<std::string(std::uint32_t)>& soundName) {
  return decodeRows(extension, bytes, soundName, false);
}

Decoded decodeWhatPlays(std::string_view extension, std::span<const std::uint8_t> bytes,
                        const std::function<std::string(std::uint32_t)>& soundName) {
  return decodeRows(extension, bytes, soundName, true);
}

}  // namespace velmorin::sounds
