#include "bridge/work_notice.h"

namespace velmorin::bridge {

namespace {

std::string text(const Reply& reply, const char* key) { return textMember(reply, key).value_or(""); }

std::string count(const Reply& reply, const char* key) {
  const auto found = reply.find(key);
  return found != reply.end() && found->is_number_unsigned() ? std::to_string(found->get<std::uint64_t>()) : "0";
}

}  // namespace

std::optional<WorkNotice> workNotice(const std::string& cmd, const Reply& reply, bool es) {
  if (!reply.is_object()) return std::nullopt;
  const bool ok = reply.value("ok", false) == true;
  if (!ok && text(reply, "code") == "cancelled") return std::nullopt;
  // A failure's own sentence, already in the user's language, says what went wrong.
  const std::string failure = text(reply, "error");
  if (cmd == "install") {
    if (ok)
      return WorkNotice{es ? "Instalación terminada" : "Install finished",
                        (es ? "Los programas y la lista están en " : "The programs and the list are in ") +
                            text(reply, "path")};
    return WorkNotice{es ? "La instalación no se ha hecho" : "The install did not happen", failure};
  }
  if (cmd == "zip") {
    if (ok)
      return WorkNotice{es ? "Archivo ZIP creado" : "ZIP archive made",
                        (es ? "Guardado en " : "Saved as ") + text(reply, "path")};
    return WorkNotice{es ? "El archivo ZIP no se ha creado" : "The ZIP archive was not made", failure};
  }
  if (cmd == "library") {
    if (ok)
      return WorkNotice{es ? "Biblioteca leída" : "Library read",
                        es ? count(reply, "total") + " programas encontrados, " + count(reply, "damaged") + " dañados"
                           : count(reply, "total") + " programs found, " + count(reply, "damaged") + " damaged"};
    return WorkNotice{es ? "La biblioteca no se ha leído" : "The library was not read", failure};
  }
  return std::nullopt;
}

}  // namespace velmorin::bridge
