#include "commands/program_header.h"

#include <array>
#include <utility>

#include "vocabulary/values.h"
#include "platform/checksum.h"

namespace velmorin {

namespace {

struct KnownSize {
  const char* type;
  std::uint64_t oldHeader, newHeader;
};

// The types whose lengths are known; the newer header adds 18 bytes.
constexpr KnownSize kKnownSizes[] = {
    {"ns3f", 574, 592}, {"ns2p", 547, 565}, {"nlas", 123, 141}, {"ns3y", 84, 102}, {"ns2s", 60, 78},
};

// Types beyond the extension table, with the model they belong to.
constexpr std::pair<const char*, const char*> kOtherTypes[] = {
    {"nlas", "Nord Lead A1"}, {"ns3y", "Nord Stage 3"}, {"ns2s", "Nord Stage 2"}};

constexpr const char* kBackups[] = {"ns3b", "ns3fb", "ns2b", "ns2pb", "ne5b", "np2pb", "nlab", "nwb"};

constexpr std::pair<int, const char*> kCategories[] = {
    {0x00, "Acoustic"}, {0x01, "Bass"},    {0x02, "Wind"},      {0x04, "Fantasy"}, {0x05, "FX"},
    {0x06, "Lead"},     {0x07, "Organ"},   {0x08, "Pad"},       {0x0A, "Pluck"},   {0x0B, "String"},
    {0x0C, "Synth"},    {0x0D, "Vocal"},   {0x0E, "User"},      {0x11, "None"},    {0x15, "Grand"},
    {0x16, "Upright"},  {0x17, "EPiano1"}, {0x18, "EPiano2"},   {0x1B, "Clavinet"}, {0x1C, "Harpsi"},
    {0x1E, "Arpeggio"}, {0xFF, "Undefined"},
};

std::uint32_t little(std::string_view bytes, std::size_t at, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return value;
}

const KnownSize* knownSize(std::string_view extension) {
  for (const auto& known : kKnownSizes)
    if (extension == known.type) return &known;
  return nullptr;
}

ProgramCheck damaged(const char* problem, ProgramHeader header = {}) { return {std::move(header), Verdict::Damaged, problem}; }

}  // namespace

ProgramHeader readHeader(std::string_view extension, std::string_view bytes) {
  ProgramHeader header;
  header.header = static_cast<int>(little(bytes, 0x04, 4));
  for (std::size_t i = 0x08; i < 0x0C; ++i) {
    const char c = bytes[i];
    // Only printable letters make a type that can be shown.
    header.type += (c >= 0x20 && c < 0x7F) ? c : '?';
  }
  header.bank = static_cast<unsigned char>(bytes[0x0C]);
  header.location = static_cast<unsigned char>(bytes[0x0E]);
  if (extension == "ns2p") {
    header.bank &= 0x03;
    header.location &= 0x7F;
  }
  header.categoryCode = static_cast<unsigned char>(bytes[0x10]);
  header.version = static_cast<int>(little(bytes, 0x14, 2));
  return header;
}

std::string_view verdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::Ok:
      return "ok";
    case Verdict::Unchecked:
      return "unchecked";
    case Verdict::Damaged:
      return "damaged";
    case Verdict::Unknown:
      return "unknown";
  }
  return "unknown";
}

bool isProgramExtension(std::string_view extension) {
  if (PROG_EXT.contains(std::string(extension))) return true;
  // Synth samples belong to no one model: several keyboards play them.
  if (extension == "nsmp" || extension == "nsmp3") return true;
  for (const auto& [type, model] : kOtherTypes)
    if (extension == type) return true;
  return false;
}

bool isBackupExtension(std::string_view extension) {
  for (const char* backup : kBackups)
    if (extension == backup) return true;
  return false;
}

ProgramCheck checkProgram(std::string_view extension, std::string_view bytes, std::uint64_t fileSize) {
  const KnownSize* known = knownSize(extension);
  const bool cbin = bytes.size() >= 4 && bytes.substr(0, 4) == "CBIN";
  if (bytes.size() < kHeaderBytes || fileSize < kHeaderBytes) {
    // Too short for a header: damage for the known types and for a CBIN file.
    if (known || cbin) return damaged("short");
    return {{}, Verdict::Unknown, ""};
  }
  if (!cbin) return known ? damaged("magic") : ProgramCheck{{}, Verdict::Unknown, ""};
  ProgramHeader header = readHeader(extension, bytes);
  if (known) {
    if (header.type != extension) return damaged("type", std::move(header));
    if (fileSize != known->oldHeader && fileSize != known->newHeader) return damaged("size", std::move(header));
  }
  if (header.header != 1 || fileSize > kCheckedFileLimit || bytes.size() < fileSize)
    return {std::move(header), Verdict::Unchecked, ""};
  const std::string_view body = bytes.substr(kHeaderBytes, fileSize - kHeaderBytes);
  if (platform::crc32Of(body) != little(bytes, 0x18, 4)) return damaged("crc", std::move(header));
  return {std::move(header), Verdict::Ok, ""};
}

std::string categoryName(int code) {
  for (const auto& [known, name] : kCategories)
    if (known == code) return name;
  return std::to_string(code);
}

std::string slotText(std::string_view extension, int bank, int location) {
  const auto digit = [](int n) { return std::to_string(n); };
  const std::string letter(1, static_cast<char>('A' + bank % 26));
  if (extension == "ns3f" && location <= 24) return letter + ":" + digit(location / 5 + 1) + digit(location % 5 + 1);
  if (extension == "ns2p") {
    const int page = location / 5 + 1;
    return letter + ":" + (page < 10 ? "0" : "") + digit(page) + ":" + digit(location % 5 + 1);
  }
  return digit(location + 1);
}

std::string programName(std::string_view fileName) {
  const auto dot = fileName.rfind('.');
  std::string_view name = dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
  if (name.size() > 14 && name[13] == '-') {
    bool stamp = true;
    for (std::size_t i = 0; i < 13; ++i) stamp = stamp && name[i] >= '0' && name[i] <= '9';
    if (stamp) name.remove_prefix(14);
  }
  return std::string(name);
}

std::string versionText(int version) {
  if (version <= 0) return "";
  // Stage 2 files count their versions in whole numbers.
  if (version < 100) return std::to_string(version);
  const std::string minor = std::to_string(version % 100);
  return std::to_string(version / 100) + "." + (minor.size() < 2 ? "0" + minor : minor);
}

std::string modelOfType(std::string_view extension) {
  if (const auto it = PROG_EXT.find(std::string(extension)); it != PROG_EXT.end()) return it->second;
  for (const auto& [type, model] : kOtherTypes)
    if (extension == type) return model;
  return "";
}

}  // namespace velmorin
