#include "bridge/picker_options.h"

#include "platform/paths.h"
#include "platform/utf8.h"

namespace velmorin::bridge {

PickerOptions pickerOptions(const std::string& kind, bool spanish,
                            const std::optional<std::filesystem::path>& icloud) {
  PickerOptions options;
  if (kind == "dest") {
    options.title = spanish ? "Elige dónde guardar la carpeta Velmorin"
                            : "Choose where to save the Velmorin folder";
    options.startFolder = icloud;
  } else if (kind == "zip") {
    options.title = spanish ? "Elige la carpeta que quieres comprimir" : "Choose the folder to pack";
  } else if (kind == "setList") {
    options.title = spanish ? "Elige la carpeta donde guardar la lista de programas"
                            : "Choose the folder to save the set list in";
  } else if (kind == "list") {
    options.title = spanish ? "Elige la carpeta donde guardaste las listas"
                            : "Choose the folder where you saved the lists";
  } else {
    options.title = spanish ? "Elige la carpeta con los programas del Nord"
                            : "Choose the folder with the Nord programs";
  }
  options.acceptLabel = spanish ? "Elegir" : "Choose";
  return options;
}

Reply pickerReply(const std::optional<std::string>& chosenFolder, bool spanish) {
  if (!chosenFolder || chosenFolder->empty()) return Reply{{"cancel", true}};
  // JSON holds text only: such a path would reach the page with its bad bytes
  // replaced, and naming a folder that is not the one chosen.
  if (!platform::isValidUtf8(*chosenFolder))
    return Reply{{"error", spanish ? "La ruta de la carpeta elegida tiene caracteres que no son texto UTF-8 válido, "
                                     "y Velmorin Sync no puede usarla. Cambia el nombre de la carpeta o elige otra."
                                   : "The chosen folder's path has characters that are not valid UTF-8 text, so "
                                     "Velmorin Sync cannot use it. Rename the folder or choose another one."}};
  // Tidied as every path is: no trailing "/" (the root keeps its one), no "//".
  return Reply{{"path", platform::absolutePath(*chosenFolder)}};
}

}  // namespace velmorin::bridge
