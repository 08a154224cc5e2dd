#include "platform/zip_writer.h"
#include "platform/whole_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <libdeflate.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/change_journal.h"
#include "platform/fault_hook.h"
#include "platform/folder_reader.h"
#include "platform/paths.h"
#include "platform/zip_container.h"

namespace velmorin::platform {

namespace {

// Files up to this size are deflated whole, each by one worker, with
// libdeflate: about twice as fast as zlib at the same level, and as small.
constexpr std::size_t kWholeFile = 4 * 1024 * 1024;
// Bigger files are deflated in pieces of this size on all cores at once, with
// zlib, which libdeflate cannot replace here: each piece after the first
// starts from the 32 KiB before it as its dictionary and ends on a byte
// boundary without ending the stream, so together they form one deflate
// stream nearly as small as a serial one.
constexpr std::size_t kPiece = 512 * 1024;
constexpr std::size_t kDictionary = 32 * 1024;
// What may be read ahead of the archive's writing: bounds memory, and open
// descriptors, whatever the size of the tree.
constexpr std::size_t kWindowBytes = 16 * 1024 * 1024;
constexpr std::size_t kWindowEntries = 256;
constexpr int kLevel = 6;
// Pieces whose bytes are this close to uniformly spread (already compressed
// media and archives) go in stored blocks: zlib would spend as long on them as
// on text and save next to nothing.
constexpr double kIncompressibleBits = 7.99;

Status readFailure(const fs::path& path, int err) { return failureFor(Action::Read, path, err); }

// A container step that fails ends the writing, its failure told as the archive's.
#define TRY_WRITE(step)                                              \
  do {                                                               \
    if (Status done_ = (step); !done_) return writeFailure(done_); \
  } while (false)
Status readFailure(const fs::path& path, const Status& cause) { return failureFor(Action::Read, path, cause); }

Status shrankFailure(const fs::path& path) {
  return failureFor(Action::Read, path, Reason::ShorterWhileArchived, Problem::Failed);
}

// One piece of a file, as a worker leaves it for the writer.
struct Piece {
  std::string data;  // raw deflate, or the bytes themselves when `stored`
  uLong crc = 0;
  std::size_t size = 0;  // bytes read
  Status failure;
  bool stored = false;  // a one-piece file that deflate did not shrink
  bool done = false;
};

// One entry, in archive order.
struct Item {
  enum class Kind { Folder, File, Link, Failure } kind = Kind::Failure;
  std::string name;
  struct stat st {};
  std::string linkTarget;
  Status failure;  // a Failure item ends the archive when the writer reaches it
  UniqueFd file;
  fs::path path;
  std::vector<Piece> pieces;
};

// A walker thread lists the tree in archive order, worker threads read and
// deflate the pieces of upcoming files, and the calling thread writes the
// entries in order as their pieces come in.
class ZipPipeline {
 public:
  ZipPipeline(const fs::path& archivePath, std::vector<FileId> leaveOut, WorkControl* control)
      : archivePath_(archivePath), leaveOut_(std::move(leaveOut)), control_(control) {}

  Status run(int archiveFd, UniqueFd source, const struct stat& st, bool isFolder, const std::string& topName,
             const fs::path& sourcePath) {
    ZipContainer zip(archiveFd);
    if (Status opened = zip.open(); !opened) return writeFailure(opened);
    std::vector<std::thread> threads;
    Status result;
    {
      std::error_code spawnError;
      bool walking = false;
      try {
        const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < workers; ++i) threads.emplace_back([this] { work(); });
        threads.emplace_back([&, this] {
          try {
            faultPoint("zip-walk");
            if (isFolder) {
              addFolder(source.get(), st, topName, sourcePath);
            } else {
              addFile(std::move(source), st, topName, sourcePath);
            }
          } catch (const std::exception& error) {
            walkFailed(internalFailure(error.what()));
          } catch (...) {
            walkFailed(internalFailure("unknown error"));
          }
          const std::lock_guard lock(mutex_);
          walkDone_ = true;
          progress_.notify_all();
        });
        walking = true;
      } catch (const std::system_error& error) {
        spawnError = error.code();
      }
      if (!walking) {
        result = failureFor(Action::WriteArchive, archivePath_, spawnError ? spawnError.value() : EAGAIN);
      } else {
        try {
          result = writeAll(zip);
        } catch (const std::exception& error) {
          result = internalFailure(error.what());
        }
      }
    }
    {
      const std::lock_guard lock(mutex_);
      stop_ = true;
    }
    space_.notify_all();
    work_.notify_all();
    for (std::thread& thread : threads) thread.join();
    if (result && walkBroken_) result = walkFailure_;
    if (!result) zip.abandon();
    return result;
  }

 private:
  // ---- Walker: everything in archive order; false once it should stop.

  bool addFolder(int folderFd, const struct stat& st, const std::string& name, const fs::path& path) {
    std::string prefix;
    if (!name.empty()) {
      prefix = name + "/";
      auto item = std::make_unique<Item>();
      item->kind = Item::Kind::Folder;
      item->name = prefix;
      item->st = st;
      if (!push(std::move(item))) return false;
    }
    // Files and links go in as the listing is read and sub-folders after it,
    // so only sub-folders' names are held, however many files a folder has.
    // The order is the file system's: the same for an unchanged folder.
    std::vector<std::string> subfolders;
    bool going = true;
    const Status listed = visitFolder(folderFd, [&](const char* entryName, unsigned char type) {
      if (going) going = addEntry(folderFd, entryName, type, prefix, path, subfolders);
    });
    if (!going) return false;
    if (!listed) return fail(readFailure(path, listed));
    for (const std::string& sub : subfolders) {
      if (!addSubfolder(folderFd, sub.c_str(), prefix + sub, path / sub)) return false;
    }
    return true;
  }

  // A file or link is added at once; a folder's name waits in `subfolders`.
  bool addEntry(int folderFd, const char* fileName, unsigned char type, const std::string& prefix,
                const fs::path& folderPath, std::vector<std::string>& subfolders) {
    // A zip name has 16 bits of length.
    if (prefix.size() + std::strlen(fileName) + 1 > 0xFFFF) return fail(readFailure(folderPath / fileName, ENAMETOOLONG));
    const auto known = entryType(folderFd, fileName, type);
    if (!known) return fail(readFailure(folderPath / fileName, known.status()));
    switch (*known) {
      case DT_DIR:
        subfolders.emplace_back(fileName);
        return true;
      case DT_REG: {
        auto opened = openRegularFile(folderFd, fileName, false);
        if (!opened) return fail(readFailure(folderPath / fileName, opened.status()));
        if (!opened->fd.valid()) return true;  // no longer a file
        if (isOneOf(opened->st, leaveOut_)) return true;
        return addFile(std::move(opened->fd), opened->st, prefix + fileName, folderPath / fileName);
      }
      case DT_LNK:
        return addLink(folderFd, fileName, prefix + fileName, folderPath / fileName);
      default:  // FIFO, socket, device: nothing a zip can hold, and a FIFO would block
        return true;
    }
  }

  // `name` was checked against the zip's limit while the parent was listed.
  bool addSubfolder(int folderFd, const char* fileName, const std::string& name, const fs::path& path) {
    const auto folder = openFolderAt(folderFd, fileName, false);
    if (!folder) return fail(readFailure(path, folder.status()));
    struct stat st;
    if (fstat(folder->get(), &st) != 0) return fail(readFailure(path, errno));
    return addFolder(folder->get(), st, name, path);
  }

  // The file's pieces are handed to the workers as the window allows: a big
  // file is never read far ahead of its writing.
  bool addFile(UniqueFd file, const struct stat& st, const std::string& name, const fs::path& path) {
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    const std::size_t count = static_cast<std::size_t>(size <= kWholeFile ? size > 0 : (size + kPiece - 1) / kPiece);
    auto item = std::make_unique<Item>();
    Item* const added = item.get();
    item->kind = Item::Kind::File;
    item->name = name;
    item->st = st;
    item->file = std::move(file);
    item->path = path;
    item->pieces.resize(count);
    posix_fadvise(item->file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    if (!push(std::move(item))) return false;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t bytes =
          count == 1 ? static_cast<std::size_t>(size)
                     : static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, size - i * kPiece));
      std::unique_lock lock(mutex_);
      space_.wait(lock, [&] { return stop_ || bytesInFlight_ == 0 || bytesInFlight_ + bytes <= kWindowBytes; });
      if (stop_) return false;
      bytesInFlight_ += bytes;
      tasks_.emplace_back(added, i);
      work_.notify_one();
    }
    return true;
  }

  bool addLink(int folderFd, const char* fileName, const std::string& name, const fs::path& path) {
    auto item = std::make_unique<Item>();
    item->kind = Item::Kind::Link;
    item->name = name;
    if (fstatat(folderFd, fileName, &item->st, AT_SYMLINK_NOFOLLOW) != 0) return fail(readFailure(path, errno));
    auto target = readLinkAt(folderFd, fileName, item->st);
    if (!target) return fail(readFailure(path, target.status()));
    item->linkTarget = std::move(*target);
    return push(std::move(item));
  }

  // Queues `item` for the writer, waiting while the window is full.
  bool push(std::unique_ptr<Item> item) {
    std::unique_lock lock(mutex_);
    space_.wait(lock, [&] { return stop_ || items_.size() < kWindowEntries; });
    if (stop_) return false;
    items_.push_back(std::move(item));
    progress_.notify_all();
    return true;
  }

  // Queues the failure that ends the archive; nothing after it is listed.
  bool fail(Status failure) {
    auto item = std::make_unique<Item>();
    item->failure = std::move(failure);
    push(std::move(item));
    return false;
  }

  // ---- Workers

  void work() {
    z_stream stream{};
    const bool streamReady = deflateInit2(&stream, kLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    libdeflate_compressor* const whole = libdeflate_alloc_compressor(kLevel);
    const bool ready = streamReady && whole;
    std::vector<unsigned char> input;
    for (;;) {
      std::pair<Item*, std::size_t> task;
      {
        std::unique_lock lock(mutex_);
        work_.wait(lock, [&] { return stop_ || !tasks_.empty(); });
        if (stop_) break;
        task = tasks_.front();
        tasks_.pop_front();
      }
      Piece piece;
      try {
        faultPoint("zip-piece");
        if (ready) {
          piece = makePiece(stream, whole, input, *task.first, task.second);
        } else {
          piece.failure = failureFor(Action::WriteArchive, archivePath_, ENOMEM);
        }
      } catch (const std::exception& error) {
        piece = Piece();
        piece.failure = internalFailure(error.what());
      }
      piece.done = true;
      {
        const std::lock_guard lock(mutex_);
        task.first->pieces[task.second] = std::move(piece);
      }
      progress_.notify_all();
    }
    if (streamReady) deflateEnd(&stream);
    if (whole) libdeflate_free_compressor(whole);
  }

  Piece makePiece(z_stream& stream, libdeflate_compressor* whole, std::vector<unsigned char>& input,
                  const Item& item, std::size_t index) {
    Piece piece;
    const std::uint64_t size = static_cast<std::uint64_t>(item.st.st_size);
    const bool alone = item.pieces.size() == 1;
    const std::uint64_t offset = index * kPiece;
    const std::size_t length = static_cast<std::size_t>(alone ? size : std::min<std::uint64_t>(kPiece, size - offset));
    const std::size_t dictionary = index > 0 ? kDictionary : 0;
    // Exactly the size seen when opened: growth is cut off, shrinking fails.
    input.resize(dictionary + length);
    const ssize_t read = readUntilFullOrEnd(item.file.get(), input.data(), input.size(), At::offset(offset - dictionary));
    if (read < 0) return piece.failure = readFailure(item.path, errno), piece;
    if (static_cast<std::size_t>(read) < input.size()) return piece.failure = shrankFailure(item.path), piece;
    const unsigned char* data = input.data() + dictionary;
    piece.size = length;
    piece.crc = crc32_z(0, data, length);
    const bool last = index + 1 == item.pieces.size();

    if (alone) {
      piece.data.resize(libdeflate_deflate_compress_bound(whole, length));
      piece.data.resize(libdeflate_deflate_compress(whole, data, length, piece.data.data(), piece.data.size()));
      if (piece.data.empty() || piece.data.size() >= length) {  // incompressible: store it, as zip does
        piece.stored = true;
        piece.data.assign(reinterpret_cast<const char*>(data), length);
      }
    } else if (looksIncompressible(data, length)) {
      storeBlocks(data, length, last, piece.data);
    } else if (!deflatePiece(stream, input.data(), dictionary, data, length, last, piece.data)) {
      piece.failure = failureFor(Action::WriteArchive, archivePath_, ENOMEM);
    }
    return piece;
  }

  // Order-0 entropy of the bytes, in bits per byte.
  static bool looksIncompressible(const unsigned char* data, std::size_t length) {
    std::array<std::size_t, 256> counts{};
    for (std::size_t i = 0; i < length; ++i) ++counts[data[i]];
    double bits = 0;
    for (const std::size_t count : counts) {
      if (count > 0) bits -= static_cast<double>(count) * std::log2(static_cast<double>(count) / length);
    }
    return bits >= kIncompressibleBits * static_cast<double>(length);
  }

  // The bytes as deflate stored blocks, byte-aligned like the deflated pieces.
  static void storeBlocks(const unsigned char* data, std::size_t length, bool last, std::string& out) {
    out.clear();
    out.reserve(length + (length / 65535 + 1) * 5);
    do {
      const std::size_t block = std::min<std::size_t>(length, 65535);
      length -= block;
      const unsigned char header[5] = {static_cast<unsigned char>(last && length == 0 ? 1 : 0),
                                       static_cast<unsigned char>(block), static_cast<unsigned char>(block >> 8),
                                       static_cast<unsigned char>(~block), static_cast<unsigned char>(~block >> 8)};
      out.append(reinterpret_cast<const char*>(header), sizeof header);
      out.append(reinterpret_cast<const char*>(data), block);
      data += block;
    } while (length > 0);
  }

  static bool deflatePiece(z_stream& stream, const unsigned char* dictionary, std::size_t dictionaryLength,
                           const unsigned char* data, std::size_t length, bool last, std::string& out) {
    deflateReset(&stream);
    if (dictionaryLength > 0) deflateSetDictionary(&stream, dictionary, static_cast<uInt>(dictionaryLength));
    // A sync flush ends a piece on a byte boundary without ending the stream.
    const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    out.resize(deflateBound(&stream, length) + 16);
    stream.next_in = const_cast<unsigned char*>(data);
    stream.avail_in = static_cast<uInt>(length);
    std::size_t produced = 0;
    for (;;) {
      stream.next_out = reinterpret_cast<unsigned char*>(out.data()) + produced;
      stream.avail_out = static_cast<uInt>(out.size() - produced);
      const int result = deflate(&stream, flush);
      produced = out.size() - stream.avail_out;
      if (result == Z_STREAM_END || (!last && stream.avail_in == 0 && stream.avail_out > 0)) break;
      if (result != Z_OK && result != Z_BUF_ERROR) return false;
      out.resize(out.size() * 2);
    }
    out.resize(produced);
    return true;
  }

  // ---- Writer

  Status writeAll(ZipContainer& zip) {
    for (;;) {
      Item* item;
      {
        std::unique_lock lock(mutex_);
        progress_.wait(lock, [&] { return !items_.empty() || walkDone_; });
        if (items_.empty()) break;
        item = items_.front().get();
      }
      if (isCancelled(control_)) return Status::cancelled();
      if (Status written = writeItem(zip, *item); !written) return written;
      {
        const std::lock_guard lock(mutex_);
        items_.pop_front();
      }
      space_.notify_all();
    }
    if (Status finished = zip.finish(); !finished) return writeFailure(finished);
    return Status();
  }

  Status writeItem(ZipContainer& zip, Item& item) {
    switch (item.kind) {
      case Item::Kind::Failure:
        return item.failure;
      case Item::Kind::Folder:
        TRY_WRITE(zip.begin(item.name, item.st, false));
        TRY_WRITE(zip.end(0, 0));
        return Status();
      case Item::Kind::Link: {
        const std::string& target = item.linkTarget;
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(target.data()), static_cast<uInt>(target.size()));
        TRY_WRITE(zip.begin(item.name, item.st, false));
        TRY_WRITE(zip.write(target.data(), target.size()));
        TRY_WRITE(zip.end(target.size(), crc));
        return Status();
      }
      case Item::Kind::File:
        break;
    }
    uLong crc = 0;
    std::uint64_t size = 0;
    for (std::size_t i = 0; i < item.pieces.size(); ++i) {
      Piece& piece = item.pieces[i];
      {
        std::unique_lock lock(mutex_);
        progress_.wait(lock, [&] { return piece.done || walkBroken_; });
        if (!piece.done) return walkFailure_;
      }
      if (!piece.failure) return piece.failure;
      if (isCancelled(control_)) return Status::cancelled();
      if (i == 0) TRY_WRITE(zip.begin(item.name, item.st, !piece.stored));
      TRY_WRITE(zip.write(piece.data.data(), piece.data.size()));
      crc = crc32_combine(crc, piece.crc, static_cast<z_off_t>(piece.size));
      size += piece.size;
      advance(control_, 0, piece.size);
      std::string().swap(piece.data);
      {
        const std::lock_guard lock(mutex_);
        bytesInFlight_ -= piece.size;
      }
      space_.notify_all();
    }
    if (item.pieces.empty()) TRY_WRITE(zip.begin(item.name, item.st, false));
    TRY_WRITE(zip.end(size, static_cast<std::uint32_t>(crc)));
    advance(control_, 1);
    return Status();
  }

  // The container's failure, told as the archive's.
  Status writeFailure(const Status& cause) const { return failureFor(Action::WriteArchive, archivePath_, cause); }

  void walkFailed(Status failure) {
    const std::lock_guard lock(mutex_);
    walkFailure_ = std::move(failure);
    walkBroken_ = true;
    progress_.notify_all();
  }

  // An exception in a thread of the pipeline fails the archive, not the process.
  Status internalFailure(const std::string& what) const {
    return failureFor(Action::WriteArchive, archivePath_, Status::described(Problem::Failed, what));
  }

  const fs::path archivePath_;
  const std::vector<FileId> leaveOut_;
  WorkControl* const control_;  // may stop the writing; hears of each file and its bytes

  std::mutex mutex_;
  std::condition_variable space_;     // the walker waits for room in the window
  std::condition_variable work_;      // workers wait for pieces
  std::condition_variable progress_;  // the writer waits for entries and pieces
  std::deque<std::unique_ptr<Item>> items_;
  std::deque<std::pair<Item*, std::size_t>> tasks_;
  std::size_t bytesInFlight_ = 0;
  bool walkDone_ = false;
  bool stop_ = false;
  bool walkBroken_ = false;  // the walker threw: pieces it had not queued never come
  Status walkFailure_;
};

// The name the layouts store for `source`: its last component, also for
// "folder/" or "folder/." spellings; for "x/.." the name of the folder the
// kernel finds there, which text alone cannot tell after a link.
std::string storedName(const fs::path& source) {
  const fs::path path = absolutePath(source.string());
  std::string name = path.filename().string();
  if (name == "..")
    if (const auto real = realLocation(path)) name = fs::path(*real).filename().string();
  return name;
}

// Makes the rename itself durable: a USB stick may be pulled right after.
void syncFolderOf(const fs::path& file) {
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  if (const auto fd = openFolderAt(AT_FDCWD, folder.c_str(), true)) fsync(fd->get());
}

}  // namespace

Status writeZipFile(const fs::path& source, const fs::path& file, ZipLayout layout, const fs::path& replaces,
                    const std::vector<fs::path>& alsoLeaveOut, WorkControl* control) {
  struct stat st;
  if (stat(source.c_str(), &st) != 0) return failureFor(Action::Archive, source, errno);
  const bool isFolder = S_ISDIR(st.st_mode);
  if (!isFolder && !S_ISREG(st.st_mode))
    return failureFor(Action::Archive, source, Reason::NeitherFileNorFolder, Problem::Invalid);
  UniqueFd sourceFd;
  if (isFolder) {
    auto folder = openFolderAt(AT_FDCWD, source.c_str(), true);
    if (!folder) return failureFor(Action::Archive, source, folder.code());
    if (fstat(folder->get(), &st) != 0) return failureFor(Action::Archive, source, errno);
    sourceFd = std::move(*folder);
  } else {
    auto opened = openRegularFile(AT_FDCWD, source.c_str(), true);
    if (!opened) return failureFor(Action::Archive, source, opened.code());
    if (!opened->fd.valid()) return failureFor(Action::Archive, source, ENOENT);  // no longer a file
    st = opened->st;
    sourceFd = std::move(opened->fd);
  }

  // Open for reading too: the end records are mended in place.
  const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return failureFor(Action::WriteArchive, replaces, errno);

  // Neither the archive being written nor the one it replaces goes into itself.
  std::vector<FileId> leaveOut;
  struct stat own;
  if (fstat(fd, &own) == 0) leaveOut.push_back(FileId::of(own));
  if (stat(replaces.c_str(), &own) == 0) leaveOut.push_back(FileId::of(own));
  for (const fs::path& path : alsoLeaveOut)
    if (lstat(path.c_str(), &own) == 0) leaveOut.push_back(FileId::of(own));

  Status result = ZipPipeline(replaces, std::move(leaveOut), control)
                      .run(fd, UniqueFd(sourceFd.release()), st, isFolder,
                           isFolder && layout == ZipLayout::ContentsAtTop ? "" : storedName(source), source);
  if (result && fsync(fd) != 0) result = failureFor(Action::WriteArchive, replaces, errno);
  if (close(fd) != 0 && result && errno != EINTR) result = failureFor(Action::WriteArchive, replaces, errno);
  if (!result) unlink(file.c_str());
  return result;
}

Status writeZipArchive(const fs::path& source, const fs::path& archive, ZipLayout layout) {
  const fs::path temporary = archive.parent_path() / temporaryName();
  TRY(writeZipFile(source, temporary, layout, archive));
  if (rename(temporary.c_str(), archive.c_str()) != 0) {
    const int err = errno;
    unlink(temporary.c_str());
    return failureFor(Action::WriteArchive, archive, err);
  }
  syncFolderOf(archive);
  return Status();
}

}  // namespace velmorin::platform
