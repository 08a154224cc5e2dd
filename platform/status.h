#pragma once
// Failures as values: an operation answers with a Status, never an exception.
#include <filesystem>
#include <string>

namespace velmorin {

class Status {
 public:
  Status() = default;  // success
  static Status failure(std::string message) { return Status(std::move(message)); }

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const std::string& error() const { return message_; }

 private:
  explicit Status(std::string message) : failed_(true), message_(std::move(message)) {}
  bool failed_ = false;
  std::string message_;
};

// The system's text for an errno value, such as "No space left on device".
std::string errnoText(int err);

// A path in double quotes, as failure messages name files.
std::string inQuotes(const std::filesystem::path& path);

// "Could not <action> "<path>": <reason>" for the errno value `err`.
Status failureFor(const std::string& action, const std::filesystem::path& path, int err);

}  // namespace velmorin
