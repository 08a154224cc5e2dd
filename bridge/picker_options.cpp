#include "bridge/picker_options.h"

namespace velmorin::bridge {

PickerOptions pickerOptions(const std::string& kind, bool spanish,
                            const std::optional<std::filesystem::path>& icloud) {
  PickerOptions options;
  if (kind == "dest") {
    options.title = spanish ? "Elige dónde guardar la carpeta Velmorin"
                            : "Choose where to save the Velmorin folder";
    options.startFolder = icloud;
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

Reply pickerReply(const std::optional<std::string>& chosenFolder) {
  if (!chosenFolder || chosenFolder->empty()) return Reply{{"cancel", true}};
  std::string path = *chosenFolder;
  // The root keeps its one "/".
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return Reply{{"path", path}};
}

}  // namespace velmorin::bridge
