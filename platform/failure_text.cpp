// The words failures are told in: problem names for replies, and the Spanish
// for the system's errno texts and for the verbs of "Could not ..." texts.
#include <cerrno>
#include <string>
#include <utility>

#include "platform/status.h"

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

std::string actionSpanish(const std::string& action) {
  static const std::pair<const char*, const char*> kVerbs[] = {
      {"archive", "comprimir"},
      {"copy", "copiar"},
      {"create folder", "crear la carpeta"},
      {"list folder", "leer la carpeta"},
      {"measure the free space of", "medir el espacio libre de"},
      {"open folder", "abrir la carpeta"},
      {"read", "leer"},
      {"replace", "reemplazar"},
      {"start", "iniciar"},
      {"write archive", "escribir el archivo ZIP"},
      {"write to", "escribir en"},
      {"write", "escribir"},
      {"compare", "comparar"},
  };
  for (const auto& [english, spanish] : kVerbs)
    if (action == english) return spanish;
  return action;
}

}  // namespace velmorin
