#pragma once
// Failures as values: an operation answers with a Status (or a StatusOr when it
// also gives something back), never an exception. Both must be looked at.
// A failure says what went wrong in English and in Spanish, and which of a few
// stable kinds of problem it is, so that the page can offer the next step.
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

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

class [[nodiscard]] Status {
 public:
  Status() = default;  // success
  // A failure told in English only (the Spanish text is the same).
  static Status failure(std::string message, int code = 0) { return Status(Problem::Failed, message, message, code); }
  // A failure told in both languages; `code` is the errno value behind it, if any.
  static Status failure(Problem problem, std::string english, std::string spanish, int code = 0) {
    return Status(problem, std::move(english), std::move(spanish), code);
  }
  // A system call's failure, for a caller that names the file in its own words.
  static Status fromErrno(int code);
  // Work stopped at the user's request before it changed anything.
  static Status cancelled();

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const std::string& error() const { return english_; }
  const std::string& error(bool spanish) const { return spanish ? spanish_ : english_; }
  int code() const { return code_; }  // the errno value behind a failure, 0 when none
  // What kind of problem: the one given, else the errno value's.
  Problem problem() const { return problem_ != Problem::Failed ? problem_ : problemOfErrno(code_); }

 private:
  Status(Problem problem, std::string english, std::string spanish, int code)
      : failed_(true), problem_(problem), code_(code), english_(std::move(english)), spanish_(std::move(spanish)) {}
  bool failed_ = false;
  Problem problem_ = Problem::Failed;
  int code_ = 0;
  std::string english_;
  std::string spanish_;
};

// A value, or the failure that kept it from being made.
template <class T>
class [[nodiscard]] StatusOr {
 public:
  StatusOr(T value) : value_(std::move(value)) {}
  StatusOr(Status failure) : status_(std::move(failure)) {}

  bool ok() const { return status_.ok(); }
  explicit operator bool() const { return ok(); }
  const std::string& error() const { return status_.error(); }
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

// The system's text for an errno value, such as "No space left on device".
std::string errnoText(int err);
// The same in Spanish, for the errno values a user meets.
std::string errnoTextSpanish(int err);

// A cause's reason in one language: its errno text, else its message.
std::string reasonText(const Status& cause, bool spanish);

// The Spanish for one of the English verbs that failure texts use ("read",
// "create folder", ...); the English verb itself when it has none.
std::string actionSpanish(const std::string& action);

// A path in double quotes, as failure messages name files.
std::string inQuotes(const std::filesystem::path& path);

// "Could not <action> "<path>": <reason>" for the errno value `err`, with its
// Spanish twin. `action` is one of the verbs in failure_text.cpp.
Status failureFor(const std::string& action, const std::filesystem::path& path, int err);

// The same failure with `cause`'s reason (its errno text, else its message),
// for a step that fails because something beneath it did.
Status failureFor(const std::string& action, const std::filesystem::path& path, const Status& cause);

}  // namespace velmorin
