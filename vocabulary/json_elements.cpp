#include "vocabulary/json_elements.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace velmorin {

namespace {
// Big enough that handing a block over costs nothing next to writing it.
constexpr std::size_t kBlock = 256;

// What the helper hands over: the block it wrote, or why it stopped; and
// what it gets back: a writer appended and emptied, whose memory it reuses.
struct Handover {
  std::mutex mutex;
  std::condition_variable changed;
  std::optional<JsonWriter> ready;
  std::optional<JsonWriter> spare;
  std::exception_ptr failure;
  bool stop = false;  // this thread gives up; the helper ends at its next hand-over
};
}  // namespace

void writeElements(JsonWriter& out, std::size_t count, const std::function<void(JsonWriter&, std::size_t)>& writeOne) {
  const std::size_t blocks = (count + kBlock - 1) / kBlock;
  const auto writeBlock = [&](JsonWriter& into, std::size_t block) {
    for (std::size_t i = block * kBlock; i < std::min(count, (block + 1) * kBlock); ++i) writeOne(into, i);
  };
  const auto writeAllHere = [&] {
    for (std::size_t block = 0; block < blocks; ++block) writeBlock(out, block);
  };
  if (blocks < 2 || std::thread::hardware_concurrency() < 2) return writeAllHere();

  // The helper writes the odd blocks, this thread the even ones and appends
  // each odd one in its turn.
  Handover handover;
  const JsonWriter blank = out.elements();  // made here: `out` changes meanwhile
  const auto helperWork = [&] {
    for (std::size_t block = 1; block < blocks; block += 2) {
      std::optional<JsonWriter> part;
      {
        const std::lock_guard lock(handover.mutex);
        part.swap(handover.spare);
      }
      if (!part) part.emplace(blank);
      std::exception_ptr failure;
      try {
        writeBlock(*part, block);
      } catch (...) {
        failure = std::current_exception();
      }
      std::unique_lock lock(handover.mutex);
      handover.changed.wait(lock, [&] { return !handover.ready || handover.stop; });
      if (handover.stop) return;
      if (failure) handover.failure = failure;
      else handover.ready.swap(part);
      handover.changed.notify_all();
      if (failure) return;
    }
  };
  std::thread helper;
  try {
    helper = std::thread(helperWork);
  } catch (const std::system_error&) {
    return writeAllHere();  // no second thread: this one writes it all
  }
  // Whatever happens here, the helper is stopped and waited for.
  struct Joined {
    Handover& handover;
    std::thread& helper;
    ~Joined() {
      {
        const std::lock_guard lock(handover.mutex);
        handover.stop = true;
      }
      handover.changed.notify_all();
      helper.join();
    }
  } joined{handover, helper};

  for (std::size_t block = 0; block < blocks; ++block) {
    if (block % 2 == 0) {
      writeBlock(out, block);
      continue;
    }
    std::unique_lock lock(handover.mutex);
    handover.changed.wait(lock, [&] { return handover.ready || handover.failure; });
    if (handover.failure) std::rethrow_exception(handover.failure);
    std::optional<JsonWriter> part;
    part.swap(handover.ready);
    lock.unlock();
    handover.changed.notify_all();
    out.append(*part);
    lock.lock();
    handover.spare.swap(part);
  }
}

}  // namespace velmorin
