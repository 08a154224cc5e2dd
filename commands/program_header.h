#pragma once
// What a Nord file says about itself: the common "CBIN" header at its start
// (type, place on the keyboard, category, version), checked against its
// extension, its length and, in newer files, its checksum.
#include <cstdint>
#include <string>
#include <string_view>

namespace velmorin {

// Files at most this long are read whole and their checksum checked; of a
// longer one (pianos, samples) only the header is read.
constexpr std::uint64_t kCheckedFileLimit = 1 << 20;
constexpr std::size_t kHeaderBytes = 0x2C;

struct ProgramHeader {
  std::string type;  // the four letters at 0x08
  int header = 0;    // 0: old, no checksum; 1: with a checksum
  int bank = 0;      // after the model's mask
  int location = 0;  // after the model's mask
  int categoryCode = 0;
  int version = 0;
};

// What the check found; written as its word only where a reply is made.
enum class Verdict { Ok, Unchecked, Damaged, Unknown };

// "ok", "unchecked", "damaged", "unknown".
std::string_view verdictText(Verdict verdict);

// The problem is a fixed text, never a copy: a library holds one per program.
struct ProgramCheck {
  ProgramHeader header;        // zeros and "" where it could not be read
  Verdict check = Verdict::Unknown;
  std::string_view problem;    // for a damaged one: "magic", "type", "size", "crc", "short", ...

  // Whether the header's slot, category and version can be believed: the
  // file passed, or failed only after its header was read.
  bool headerReadable() const {
    return check == Verdict::Ok || check == Verdict::Unchecked || (check == Verdict::Damaged && !header.type.empty());
  }
};

// The fields of a "CBIN" header end here, before its checksum.
constexpr std::size_t kHeaderFieldsEnd = 0x16;

// The header fields of `bytes`, which begin "CBIN" and are at least
// kHeaderFieldsEnd long; nothing is checked.
ProgramHeader readHeader(std::string_view extension, std::string_view bytes);

// Whether `extension` (lower case) names a program, piano, sample or preset file.
bool isProgramExtension(std::string_view extension);

// Whether `extension` (lower case) names one of the maker's backups or bundles.
bool isBackupExtension(std::string_view extension);

// Checks `bytes`, the start of a file of `fileSize` bytes whose extension is
// `extension` (lower case): the whole file when it is at most kCheckedFileLimit
// long, else at least its header.
ProgramCheck checkProgram(std::string_view extension, std::string_view bytes, std::uint64_t fileSize);

// "Acoustic", "Grand", ...; the code in decimal when it has no name.
std::string categoryName(int code);

// Where the program sits on the keyboard: "A:11" (Stage 3), "A:01:1" (Stage 2),
// else the location from 1.
std::string slotText(std::string_view extension, int bank, int location);

// The program's name: the file name without its extension, and without the
// maker's forum time stamp ("1624224019581-Warm Pad.ns3f" is "Warm Pad").
std::string programName(std::string_view fileName);

// The version as the keyboard shows it: 304 is "3.04", a small whole number
// (Stage 2's) as it is; "" for 0.
std::string versionText(int version);

// The model a file's extension (or type) belongs to; "" when none is known.
std::string modelOfType(std::string_view extension);

}  // namespace velmorin
