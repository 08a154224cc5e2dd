#pragma once
// Failures as values: an operation answers with a Status (or a StatusOr when it
// also gives something back), never an exception. Both must be looked at.
// A failure keeps facts, not sentences: which of a few stable kinds of problem
// it is (so that the page can offer the next step), the errno value, what was
// being done and to which path, or the id of a text of the layers above with
// its words. vocabulary/failure_words.h turns them into the user's language.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/verify.h"

namespace velmorin {

enum class Problem {
  Failed,  // anything not below
  Cancelled,
  Busy,
  NoSpace,
  Permission,
  NotFound,
  NameTooLong,
  NotFolder,
  Nested,
  Link,
  Invalid,
};

// The stable name of a problem in replies: "noSpace", "permission", ...
const char* problemCode(Problem problem);

// The kind of problem behind an errno value; Failed for the rest.
Problem problemOfErrno(int err);

// What was being done when a step failed: "Could not <action> ...".
enum class Action : std::uint8_t {
  None,
  Archive,
  Compare,
  Copy,  // from the path to the other path
  CreateFolder,
  ListFolder,
  MeasureFreeSpace,
  OpenFolder,
  Read,
  ReadArchive,
  Replace,
  Start,
  Write,
  WriteArchive,
  WriteTo,
  Count,  // not an action: how many there are
};

// Why a step failed when no errno value says it.
enum class Reason : std::uint8_t {
  None,
  Damaged,
  ShorterWhileArchived,
  NeitherFileNorFolder,
  NeitherRegularFileNorFolder,
  NoTrash,
  Count,  // not a reason: how many there are
};

// A text of the layers above, by its id; only they know its values and words.
enum class FailureText : std::uint16_t;

class [[nodiscard]] Status {
 public:
  Status() = default;  // success
  // A failure told by one of the texts above with its words ({0}, {1}, ...).
  static Status said(Problem problem, FailureText text, std::vector<std::string> words = {});
  // A system call's failure, for a caller that names the file in its own words.
  static Status fromErrno(int code);
  // A failure for one of the reasons above, alone.
  static Status because(Problem problem, Reason reason);
  // A failure the system (or a library) described in its own words.
  static Status described(Problem problem, std::string detail);
  // Work stopped at the user's request before it changed anything.
  static Status cancelled();
  // Doing `action` to `path` (and `other`) failed for `cause`'s reason; a
  // cancellation stays one.
  static Status whileDoing(Action action, std::filesystem::path path, const Status& cause,
                           std::filesystem::path other = {});

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  int code() const { return code_; }  // the errno value behind a failure, 0 when none
  // What kind of problem: the one given, else the errno value's.
  Problem problem() const { return problem_ != Problem::Failed ? problem_ : problemOfErrno(code_); }

  // The facts a failure is worded from.
  Action action() const { return action_; }
  const std::filesystem::path& path() const { return path_; }
  const std::filesystem::path& otherPath() const { return other_; }
  Reason reason() const { return reason_; }
  const std::string& detail() const { return detail_; }
  std::optional<FailureText> text() const { return text_; }
  const std::vector<std::string>& words() const { return words_; }
  const Status* cause() const { return cause_.get(); }  // what a step beneath failed with, if worded apart

 private:
  explicit Status(Problem problem) : failed_(true), problem_(problem) {}
  bool failed_ = false;
  Problem problem_ = Problem::Failed;
  int code_ = 0;
  Action action_ = Action::None;
  Reason reason_ = Reason::None;
  std::optional<FailureText> text_;
  std::filesystem::path path_, other_;
  std::string detail_;
  std::vector<std::string> words_;
  std::shared_ptr<const Status> cause_;
};

// A value, or the failure that kept it from being made.
template <class T>
class [[nodiscard]] StatusOr {
 public:
  StatusOr(T value) : value_(std::move(value)) {}
  StatusOr(Status failure) : status_(std::move(failure)) {}

  bool ok() const { return status_.ok(); }
  explicit operator bool() const { return ok(); }
  int code() const { return status_.code(); }
  const Status& status() const { return status_; }

  T value_or(T fallback) const { return value_ ? *value_ : std::move(fallback); }
  // Reaching for the value of a failure is a fault in the caller, not the input.
  T& value() {
    VERIFY(value_.has_value());
    return *value_;
  }
  const T& value() const {
    VERIFY(value_.has_value());
    return *value_;
  }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

 private:
  Status status_;
  std::optional<T> value_;
};

// Hands a failure back to the caller at once:
//   TRY(step());                      for a Status
//   auto size = TRY_VALUE(measure()); for a StatusOr (a GNU statement expression)
#define TRY(expression)                                  \
  do {                                                   \
    if (::velmorin::Status status_ = (expression); !status_) \
      return status_;                                    \
  } while (false)

#define TRY_VALUE(expression)                                           \
  ({                                                                    \
    auto result_ = (expression);                                        \
    if (!result_) return result_.status();                              \
    std::move(result_.value());                                         \
  })

// "Could not <action> "<path>"" for the errno value `err`.
Status failureFor(Action action, const std::filesystem::path& path, int err);

// The same failure with `cause`'s reason (its errno value, else its own
// wording), for a step that fails because something beneath it did.
Status failureFor(Action action, const std::filesystem::path& path, const Status& cause);

// The same failure for one of the reasons above.
Status failureFor(Action action, const std::filesystem::path& path, Reason reason, Problem problem);

}  // namespace velmorin
