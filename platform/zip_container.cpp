#include "platform/zip_container.h"
#include "platform/whole_io.h"

#include <errno.h>
#include <time.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/utf8.h"

namespace velmorin::platform {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;
constexpr std::uint64_t kMax32 = 0xFFFFFFFF;
// Deflate can grow incompressible data a little; files this close to 4 GiB
// get Zip64 local headers in case their deflated size passes it.
constexpr std::uint64_t kZip64FileSize = kMax32 - (kMax32 >> 8);
constexpr unsigned kMadeByUnix = (3 << 8) | 30;  // made on Unix, format version 3.0, as Info-ZIP writes
constexpr std::size_t kEndRecord = 22;            // end of central directory, no comment
constexpr std::size_t kZip64Records = 56 + 20;    // Zip64 end record and its locator

bool isAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// MS-DOS date and time in local time, as zip readers expect, clamped to its
// 1980-2107 range; the exact time goes in the extended timestamp field.
unsigned long dosTime(time_t seconds) {
  struct tm tm;
  if (!localtime_r(&seconds, &tm) || tm.tm_year < 80) return (1ul << 21) | (1ul << 16);
  if (tm.tm_year > 207) return (127ul << 25) | (12ul << 21) | (31ul << 16) | (23ul << 11) | (59ul << 5) | 29ul;
  return (static_cast<unsigned long>(tm.tm_year - 80) << 25) | (static_cast<unsigned long>(tm.tm_mon + 1) << 21) |
         (static_cast<unsigned long>(tm.tm_mday) << 16) | (static_cast<unsigned long>(tm.tm_hour) << 11) |
         (static_cast<unsigned long>(tm.tm_min) << 5) | static_cast<unsigned long>(tm.tm_sec / 2);
}

void putLittle(unsigned char* at, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint64_t getLittle(const unsigned char* at, int bytes) {
  std::uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

bool writeAllAt(int fd, const void* data, std::size_t size, std::uint64_t offset, int& error) {
  error = writeUntilDone(fd, data, size, At::offset(offset));
  return error == 0;
}

bool readAllAt(int fd, void* data, std::size_t size, std::uint64_t offset, int& error) {
  const ssize_t got = readUntilFullOrEnd(fd, data, size, At::offset(offset));
  if (got == static_cast<ssize_t>(size)) return true;
  error = got < 0 ? errno : EIO;  // ended early: the archive is not what was written
  return false;
}

}  // namespace

// minizip's file functions over the descriptor. Writes collect in a large
// buffer; minizip's seeks back to fill in a local header land in that buffer
// when the entry was small, so most entries cost no extra system call.
class ZipContainer::Output {
 public:
  explicit Output(int fd) : fd_(fd), buffer_(new char[kBufferSize]) {}

  std::uint64_t tell() const { return pos_; }
  std::uint64_t end() const { return std::max(flushedEnd_, start_ + used_); }
  int error() const { return error_; }
  int fd() const { return fd_; }
  void fail(int error) {
    if (error_ == 0) error_ = error;
  }
  void abandon() { abandoned_ = true; }

  bool write(const char* data, std::size_t size) {
    while (size > 0 && ok()) {
      if (pos_ < start_) {  // before the buffer: already on disk
        const std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(size, start_ - pos_));
        if (!writeAllAt(fd_, data, part, pos_, error_)) return false;
        flushedEnd_ = std::max(flushedEnd_, pos_ + part);
        pos_ += part, data += part, size -= part;
        continue;
      }
      const std::size_t at = static_cast<std::size_t>(pos_ - start_);
      if (at > used_) return fail(EINVAL), false;  // minizip never seeks past the end
      if (at == kBufferSize) {
        if (!flush()) return false;
        continue;
      }
      const std::size_t part = std::min(size, kBufferSize - at);
      std::memcpy(buffer_.get() + at, data, part);
      used_ = std::max(used_, at + part);
      pos_ += part, data += part, size -= part;
    }
    return ok();
  }

  void seek(std::uint64_t position) { pos_ = position; }

  // Writes out the buffer; the position stays.
  bool flush() {
    if (!ok()) return false;
    if (used_ > 0 && !writeAllAt(fd_, buffer_.get(), used_, start_, error_)) return false;
    start_ += used_;
    flushedEnd_ = std::max(flushedEnd_, start_);
    used_ = 0;
    return true;
  }

  static zlib_filefunc64_def functions(Output* self) {
    zlib_filefunc64_def f{};
    f.zopen64_file = [](voidpf opaque, const void*, int) -> voidpf { return opaque; };
    f.zread_file = [](voidpf, voidpf, void*, uLong) -> uLong { return 0; };
    f.zwrite_file = [](voidpf, voidpf stream, const void* data, uLong size) -> uLong {
      return static_cast<Output*>(stream)->write(static_cast<const char*>(data), size) ? size : 0;
    };
    f.ztell64_file = [](voidpf, voidpf stream) -> ZPOS64_T { return static_cast<Output*>(stream)->tell(); };
    f.zseek64_file = [](voidpf, voidpf stream, ZPOS64_T offset, int origin) -> long {
      auto* out = static_cast<Output*>(stream);
      if (origin == ZLIB_FILEFUNC_SEEK_CUR) offset += out->tell();
      if (origin == ZLIB_FILEFUNC_SEEK_END) offset += out->end();
      out->seek(offset);
      return 0;
    };
    f.zclose_file = [](voidpf, voidpf stream) -> int { return static_cast<Output*>(stream)->flush() ? 0 : -1; };
    f.zerror_file = [](voidpf, voidpf stream) -> int { return static_cast<Output*>(stream)->error(); };
    f.opaque = self;
    return f;
  }

 private:
  bool ok() const { return error_ == 0 && !abandoned_; }

  const int fd_;
  const std::unique_ptr<char[]> buffer_;
  std::uint64_t start_ = 0;       // file offset of buffer_[0]
  std::size_t used_ = 0;          // bytes of buffer_ holding output
  std::uint64_t pos_ = 0;         // where the next write goes
  std::uint64_t flushedEnd_ = 0;  // end of what is on disk
  int error_ = 0;
  bool abandoned_ = false;
};

ZipContainer::ZipContainer(int fd) : out_(std::make_unique<Output>(fd)) {}

ZipContainer::~ZipContainer() {
  if (zip_) {  // only after a failure: free minizip's state, writing nothing more
    out_->abandon();
    zipClose(zip_, nullptr);
  }
}

Status ZipContainer::failure() const { return Status::fromErrno(out_->error() != 0 ? out_->error() : EIO); }

void ZipContainer::abandon() { out_->abandon(); }

Status ZipContainer::open() {
  zlib_filefunc64_def functions = Output::functions(out_.get());
  zip_ = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &functions);
  if (zip_) return Status();
  out_->fail(ENOMEM);
  return failure();
}

Status ZipContainer::begin(const std::string& name, const struct stat& st, bool deflated) {
  if (name.size() > 0xFFFF) return out_->fail(ENAMETOOLONG), failure();
  zip_fileinfo info{};
  info.dosDate = dosTime(st.st_mtim.tv_sec);
  // The whole mode, file type included, for Unix readers (links are told
  // apart by it); the MS-DOS bits for the others.
  info.external_fa = (static_cast<uLong>(st.st_mode & 0xFFFF) << 16) | (S_ISDIR(st.st_mode) ? 0x10 : 0) |
                     ((st.st_mode & S_IWUSR) ? 0 : 0x01);
  // Extended timestamp: the modification time to the second, in UTC.
  unsigned char stamp[9] = {0x55, 0x54, 5, 0, 1};
  const bool stamped = st.st_mtim.tv_sec >= INT32_MIN && st.st_mtim.tv_sec <= INT32_MAX;
  putLittle(stamp + 5, static_cast<std::uint32_t>(st.st_mtim.tv_sec), 4);
  // Bit 11: the name is UTF-8. Only for names that need it and are valid;
  // other names keep their bytes, which readers take as their legacy code page.
  const unsigned long flags = !isAscii(name) && isValidUtf8(name) ? 1ul << 11 : 0;
  const bool zip64 = S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) >= kZip64FileSize;
  entryStart_ = out_->tell();
  const int result = zipOpenNewFileInZip4_64(
      zip_, name.c_str(), &info, stamped ? stamp : nullptr, stamped ? sizeof stamp : 0, stamped ? stamp : nullptr,
      stamped ? sizeof stamp : 0, nullptr, deflated ? Z_DEFLATED : 0, deflated ? 6 : 0, /*raw=*/1, -MAX_WBITS,
      DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, kMadeByUnix, flags, zip64 ? 1 : 0);
  entryDataStart_ = out_->tell();
  if (result == ZIP_OK) return Status();
  out_->fail(EIO);
  return failure();
}

Status ZipContainer::write(const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const unsigned part = static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30));
    if (zipWriteInFileInZip(zip_, p, part) != ZIP_OK) return out_->fail(EIO), failure();
    p += part, size -= part;
  }
  return Status();
}

Status ZipContainer::end(std::uint64_t size, std::uint32_t crc) {
  // minizip still holds up to 64 KiB of the data: the deflated size is known after closing.
  if (zipCloseFileInZipRaw64(zip_, size, crc) != ZIP_OK) return out_->fail(EIO), failure();
  const std::uint64_t deflatedSize = out_->tell() - entryDataStart_;
  if (size >= kMax32 || deflatedSize >= kMax32 || entryStart_ >= kMax32) zip64Entries_ = true;
  ++entries_;
  return Status();
}

Status ZipContainer::finish() {
  const std::uint64_t centralStart = out_->tell();
  void* zip = zip_;
  zip_ = nullptr;
  if (zipClose(zip, nullptr) != ZIP_OK) return out_->fail(EIO), failure();
  return completeZip64(centralStart) ? Status() : failure();
}

// minizip 1.1 falls short of the format in two places, mended here on what it
// wrote: with 65535 entries or more but the central directory below 4 GiB it
// writes no Zip64 end records, so readers see only the count modulo 65536;
// and for entries with Zip64 fields it sets "version made by" to 4.5 for
// MS-DOS, so that readers would drop their Unix modes (links among them).
bool ZipContainer::completeZip64(std::uint64_t centralStart) {
  const int fd = out_->fd();
  int error = 0;
  const std::uint64_t fileEnd = out_->end();
  const bool zip64End = centralStart >= kMax32;  // minizip wrote the Zip64 records itself
  const std::uint64_t centralEnd = fileEnd - kEndRecord - (zip64End ? kZip64Records : 0);
  const std::uint64_t centralSize = centralEnd - centralStart;

  if (zip64Entries_) {
    std::vector<unsigned char> central(centralSize);
    if (!readAllAt(fd, central.data(), central.size(), centralStart, error)) return out_->fail(error), false;
    for (std::size_t at = 0; at + 46 <= central.size();) {
      if (getLittle(&central[at], 4) != 0x02014b50) return out_->fail(EIO), false;
      if (central[at + 5] == 0) central[at + 5] = kMadeByUnix >> 8;
      at += 46 + getLittle(&central[at + 28], 2) + getLittle(&central[at + 30], 2) + getLittle(&central[at + 32], 2);
    }
    if (!writeAllAt(fd, central.data(), central.size(), centralStart, error)) return out_->fail(error), false;
  }

  if (entries_ >= 0xFFFF && !zip64End) {
    unsigned char endRecord[kEndRecord];
    if (!readAllAt(fd, endRecord, sizeof endRecord, centralEnd, error)) return out_->fail(error), false;
    unsigned char records[kZip64Records + kEndRecord] = {};
    unsigned char* record = records;  // Zip64 end of central directory
    putLittle(record, 0x06064b50, 4);
    putLittle(record + 4, 44, 8);
    putLittle(record + 12, (3 << 8) | 45, 2);
    putLittle(record + 14, 45, 2);
    putLittle(record + 24, entries_, 8);
    putLittle(record + 32, entries_, 8);
    putLittle(record + 40, centralSize, 8);
    putLittle(record + 48, centralStart, 8);
    unsigned char* locator = records + 56;
    putLittle(locator, 0x07064b50, 4);
    putLittle(locator + 8, centralEnd, 8);
    putLittle(locator + 16, 1, 4);
    std::memcpy(records + kZip64Records, endRecord, sizeof endRecord);  // counts already 0xFFFF
    if (!writeAllAt(fd, records, sizeof records, centralEnd, error)) return out_->fail(error), false;
  }
  return true;
}

}  // namespace velmorin::platform
