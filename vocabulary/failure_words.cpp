#include "vocabulary/failure_words.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/verify.h"

namespace velmorin {

const char* failureRow(FailureText text, bool spanish);  // failure_table.cpp

namespace {

struct Words {
  const char* english;
  const char* spanish;
};

// What was being done, by Action; {0} is the path, {1} the other path.
constexpr Words kActions[] = {
    {"", ""},
    {"archive \"{0}\"", "comprimir \"{0}\""},
    {"compare \"{0}\"", "comparar \"{0}\""},
    {"copy \"{0}\" to \"{1}\"", "copiar \"{0}\" a \"{1}\""},
    {"create folder \"{0}\"", "crear la carpeta \"{0}\""},
    {"list folder \"{0}\"", "leer la carpeta \"{0}\""},
    {"measure the free space of \"{0}\"", "medir el espacio libre de \"{0}\""},
    {"open folder \"{0}\"", "abrir la carpeta \"{0}\""},
    {"read \"{0}\"", "leer \"{0}\""},
    {"read the archive \"{0}\"", "leer el archivo ZIP \"{0}\""},
    {"replace \"{0}\"", "reemplazar \"{0}\""},
    {"start \"{0}\"", "iniciar \"{0}\""},
    {"write \"{0}\"", "escribir \"{0}\""},
    {"write archive \"{0}\"", "escribir el archivo ZIP \"{0}\""},
    {"write to \"{0}\"", "escribir en \"{0}\""},
};
static_assert(std::size(kActions) == static_cast<std::size_t>(Action::Count));

// Why a step failed when no errno value says it, by Reason.
constexpr Words kReasons[] = {
    {"", ""},
    {"it is damaged", "está dañado"},
    {"it got shorter while being archived", "se acortó mientras se comprimía"},
    {"it is neither a file nor a folder", "no es ni un archivo ni una carpeta"},
    {"it is neither a regular file nor a folder", "no es ni un archivo normal ni una carpeta"},
    {"the file system has no Trash", "el sistema de archivos no tiene Papelera"},
};
static_assert(std::size(kReasons) == static_cast<std::size_t>(Reason::Count));

constexpr Words kCouldNot = {"Could not {0}: {1}", "No se pudo {0}: {1}"};
constexpr Words kCancelled = {"Cancelled. Nothing was changed.", "Cancelado. No se ha cambiado nada."};

const char* in(const Words& words, bool spanish) { return spanish ? words.spanish : words.english; }

// The system's own text for an errno value, such as "No space left on device".
std::string errnoText(int err) {
  char buffer[256];
  // GNU strerror_r may return a static text instead of filling the buffer.
  const char* text = strerror_r(err, buffer, sizeof buffer);
  return text ? std::string(text) : "error " + std::to_string(err);
}

// The same in Spanish, for the errno values a user meets.
std::string errnoTextSpanish(int err) {
  switch (err) {
    case ENOSPC: return "no queda espacio en el disco";
    case EDQUOT: return "se ha agotado la cuota de disco";
    case EFBIG: return "el archivo es demasiado grande para ese disco";
    case EACCES: return "permiso denegado";
    case EPERM: return "operación no permitida";
    case EROFS: return "el disco es de solo lectura";
    case ENOENT: return "no existe";
    case ENAMETOOLONG: return "el nombre es demasiado largo";
    case ENOTDIR: return "no es una carpeta";
    case EISDIR: return "es una carpeta";
    case EEXIST: return "ya existe";
    case ENOTEMPTY: return "la carpeta no está vacía";
    case EIO: return "error de lectura o escritura en el disco";
    case EXDEV: return "está en otro disco";
    case ELOOP: return "demasiados enlaces encadenados";
    case EMFILE:
    case ENFILE: return "hay demasiados archivos abiertos";
    case ENOMEM: return "no hay memoria suficiente";
    case EBUSY:
    case ETXTBSY: return "está en uso";
    case EAGAIN: return "el recurso no está disponible por ahora";
    case ENODEV:
    case ENXIO: return "el dispositivo no está disponible";
    case EINVAL: return "argumento no válido";
    case ESTALE: return "el archivo ya no está disponible en la red";
    case ETIMEDOUT: return "se agotó el tiempo de espera";
    default: return "error del sistema " + std::to_string(err) + " (" + errnoText(err) + ")";
  }
}

// `pattern` with each {n} replaced by words[n], in one pass: a word that
// itself holds "{0}" (a file's name may) stays as it is.
std::string filled(std::string_view pattern, const std::vector<std::string>& words) {
  std::string text;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 1] >= '0' && pattern[i + 1] <= '9' &&
        pattern[i + 2] == '}') {
      const std::size_t n = static_cast<std::size_t>(pattern[i + 1] - '0');
      VERIFY(n < words.size());  // a text asks for a word its caller did not give
      text += words[n];
      i += 2;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

// Why `failure` happened, without what was being done.
std::string reasonText(const Status& failure, bool spanish) {
  if (failure.code() != 0) return spanish ? errnoTextSpanish(failure.code()) : errnoText(failure.code());
  if (const Status* cause = failure.cause()) return failureText(*cause, spanish);
  if (failure.reason() != Reason::None) return in(kReasons[static_cast<std::size_t>(failure.reason())], spanish);
  if (failure.problem() == Problem::Cancelled && failure.detail().empty()) return in(kCancelled, spanish);
  return failure.detail();
}

}  // namespace

std::string_view failureTemplate(FailureText text, bool spanish) { return failureRow(text, spanish); }

std::string failureText(const Status& failure, bool spanish) {
  if (failure.ok()) return {};
  if (const auto text = failure.text()) return filled(failureTemplate(*text, spanish), failure.words());
  if (failure.action() == Action::None) return reasonText(failure, spanish);
  const auto action = static_cast<std::size_t>(failure.action());
  VERIFY(action < std::size(kActions));
  const std::string doing =
      filled(in(kActions[action], spanish), {failure.path().string(), failure.otherPath().string()});
  return filled(in(kCouldNot, spanish), {doing, reasonText(failure, spanish)});
}

}  // namespace velmorin
