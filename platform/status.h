#pragma once
// Failures as values: an operation answers with a Status (or a StatusOr when it
// also gives something back), never an exception. Both must be looked at.
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

namespace velmorin {

class [[nodiscard]] Status {
 public:
  Status() = default;  // success
  static Status failure(std::string message, int code = 0) { return Status(std::move(message), code); }
  // A system call's failure, for a caller that names the file in its own words.
  static Status fromErrno(int code);

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const std::string& error() const { return message_; }
  int code() const { return code_; }  // the errno value behind a failure, 0 when none

 private:
  Status(std::string message, int code) : failed_(true), code_(code), message_(std::move(message)) {}
  bool failed_ = false;
  int code_ = 0;
  std::string message_;
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
  T& value() { return *value_; }
  const T& value() const { return *value_; }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }

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

// A path in double quotes, as failure messages name files.
std::string inQuotes(const std::filesystem::path& path);

// "Could not <action> "<path>": <reason>" for the errno value `err`.
Status failureFor(const std::string& action, const std::filesystem::path& path, int err);

}  // namespace velmorin
