#include "commands/sound_file.h"

#include <algorithm>

#include "commands/program_header.h"
#include "vocabulary/text.h"

namespace velmorin {

namespace {

// The older header (type 0) lacks 20 bytes before the names.
constexpr std::size_t kOldHeaderShift = 20;
constexpr int kLaterPianos = 600;  // from version 6.0 pianos keep their name further on

struct NameField {
  std::size_t at, length;
};

NameField nameField(std::string_view kind, int version) {
  if (kind == "sample") return {0x52, kSoundHeaderBytes - 0x52};
  return version >= kLaterPianos ? NameField{0x68, 0x20} : NameField{0x48, 0x20};
}

// A C string in a field that may lack its NUL, lie past the end, or hold bytes
// that are not UTF-8: cut at the field or the file's end, shown printable.
std::string fieldText(std::string_view bytes, NameField field) {
  if (field.at >= bytes.size()) return "";
  std::string_view text = bytes.substr(field.at, std::min(field.length, bytes.size() - field.at));
  text = text.substr(0, text.find('\0'));
  std::string name(text);
  const bool utf8 = isValidUtf8(name);
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || (!utf8 && byte >= 0x80)) c = '?';
  }
  // Fields are padded with spaces as often as with NULs.
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

}  // namespace

std::string_view soundKindOf(std::string_view extension) {
  if (extension == "npno") return "piano";
  if (extension == "nsmp" || extension == "nsmp3") return "sample";
  return "";
}

SoundFileHeader readSoundHeader(std::string_view kind, std::string_view bytes) {
  if (kind.empty() || bytes.size() < kHeaderFieldsEnd || bytes.substr(0, 4) != "CBIN") return {};
  const ProgramHeader header = readHeader(kind, bytes);
  if (header.header != 0 && header.header != 1) return {};
  NameField field = nameField(kind, header.version);
  if (header.header == 0) field.at -= kOldHeaderShift;
  return {fieldText(bytes, field), soundVersionText(header.version)};
}

std::string soundVersionText(int version) {
  if (version <= 0) return "";
  std::string text = std::to_string(version / 100) + ".";
  const int minor = version % 100;
  text += std::to_string(minor / 10);
  if (minor % 10) text += std::to_string(minor % 10);
  return text;
}

std::size_t headerReadBytes(std::string_view extension) {
  return soundKindOf(extension).empty() ? kHeaderBytes : kSoundHeaderBytes;
}

}  // namespace velmorin
