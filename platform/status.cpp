#include "platform/status.h"

#include <cerrno>

namespace velmorin {

const char* problemCode(Problem problem) {
  switch (problem) {
    case Problem::Cancelled: return "cancelled";
    case Problem::Busy: return "busy";
    case Problem::NoSpace: return "noSpace";
    case Problem::Permission: return "permission";
    case Problem::NotFound: return "notFound";
    case Problem::NameTooLong: return "nameTooLong";
    case Problem::NotFolder: return "notFolder";
    case Problem::Nested: return "nested";
    case Problem::Link: return "link";
    case Problem::Invalid: return "invalid";
    case Problem::Failed: break;
  }
  return "failed";
}

Problem problemOfErrno(int err) {
  switch (err) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return Problem::NoSpace;
    case EACCES:
    case EPERM:
    case EROFS: return Problem::Permission;
    case ENOENT: return Problem::NotFound;
    case ENAMETOOLONG: return Problem::NameTooLong;
    case ENOTDIR: return Problem::NotFolder;
    case ELOOP: return Problem::Link;
    default: return Problem::Failed;
  }
}

Status Status::said(Problem problem, FailureText text, std::vector<std::string> words) {
  Status status(problem);
  status.text_ = text;
  status.words_ = std::move(words);
  return status;
}

Status Status::fromErrno(int code) {
  Status status(Problem::Failed);
  status.code_ = code;
  return status;
}

Status Status::because(Problem problem, Reason reason) {
  Status status(problem);
  status.reason_ = reason;
  return status;
}

Status Status::described(Problem problem, std::string detail) {
  Status status(problem);
  status.detail_ = std::move(detail);
  return status;
}

Status Status::cancelled() { return Status(Problem::Cancelled); }

Status Status::whileDoing(Action action, std::filesystem::path path, const Status& cause, std::filesystem::path other) {
  if (cause.problem() == Problem::Cancelled) return cause;
  Status status(cause.problem());
  status.action_ = action;
  status.path_ = std::move(path);
  status.other_ = std::move(other);
  status.code_ = cause.code();
  // An errno value words the reason by itself; anything else is worded as the cause.
  if (cause.code() == 0) status.cause_ = std::make_shared<const Status>(cause);
  return status;
}

Status failureFor(Action action, const std::filesystem::path& path, int err) {
  return Status::whileDoing(action, path, Status::fromErrno(err));
}

Status failureFor(Action action, const std::filesystem::path& path, const Status& cause) {
  return Status::whileDoing(action, path, cause);
}

Status failureFor(Action action, const std::filesystem::path& path, Reason reason, Problem problem) {
  return Status::whileDoing(action, path, Status::because(problem, reason));
}

}  // namespace velmorin
