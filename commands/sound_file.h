#pragma once
// What a piano (.npno) or sample (.nsmp, .nsmp3) file says about itself in
// its header: the name and version the keyboard knows it by. Only the header
// is read, never the sound data.
#include <cstddef>
#include <string>
#include <string_view>

namespace velmorin {

// Enough of a file's start to hold every name its header may carry.
constexpr std::size_t kSoundHeaderBytes = 0x88;

// "piano", "sample", or "" for any other extension (lower case).
std::string_view soundKindOf(std::string_view extension);

struct SoundFileHeader {
  std::string name;     // "" when the header could not be read
  std::string version;  // "5.3"; "" when the header could not be read
};

// The header of `bytes`, the start of a file of kind `kind`: a short or
// foreign file gives "" for what it lacks. Names are valid UTF-8 (other
// bytes become "?") and never longer than their field.
SoundFileHeader readSoundHeader(std::string_view kind, std::string_view bytes);

// A sound's version as the maker writes it: 530 is "5.3", 301 is "3.01", 300 is "3.0".
std::string soundVersionText(int version);

// How many bytes of a file with this extension the library reads when it is
// too long to read whole.
std::size_t headerReadBytes(std::string_view extension);

}  // namespace velmorin
