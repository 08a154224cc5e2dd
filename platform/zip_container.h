#pragma once
// The zip container around entries whose data is already deflated (or stored):
// minizip in raw mode, writing through a buffer to an open descriptor.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/status.h"

namespace velmorin::platform {

class ZipContainer {
 public:
  // `fd` is a fresh, empty, seekable file; it stays open and owned by the caller.
  explicit ZipContainer(int fd);
  ~ZipContainer();
  ZipContainer(const ZipContainer&) = delete;
  ZipContainer& operator=(const ZipContainer&) = delete;

  // Once anything failed, every call fails with the first failure's errno code.
  Status open();
  // Starts an entry for `name` with the type, permission bits and time of `st`.
  // Its data, given to write(), is raw deflate when `deflated`, else stored.
  Status begin(const std::string& name, const struct stat& st, bool deflated);
  Status write(const void* data, std::size_t size);
  Status end(std::uint64_t size, std::uint32_t crc);
  // Writes the central directory and end records, and flushes.
  Status finish();
  // Drops all further output: the archive is being abandoned.
  void abandon();

 private:
  class Output;
  Status failure() const;  // the first failure's
  bool completeZip64(std::uint64_t centralStart);

  std::unique_ptr<Output> out_;
  void* zip_ = nullptr;
  std::uint64_t entries_ = 0;
  bool zip64Entries_ = false;  // some entry got Zip64 fields in the central directory
  std::uint64_t entryStart_ = 0;
  std::uint64_t entryDataStart_ = 0;
};

}  // namespace velmorin::platform
