#include "bridge/picker_options.h"

#include "commands/failure_reply.h"
#include "platform/file_checks.h"
#include "platform/paths.h"
#include "platform/utf8.h"
#include "vocabulary/text.h"

namespace velmorin::bridge {

namespace {

std::string upperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

}  // namespace

PickerOptions pickerOptions(const std::string& kind, bool spanish,
                            const std::optional<std::filesystem::path>& icloud) {
  PickerOptions options;
  if (kind == "dest") {
    // The chosen folder is the destination itself: the model's folder is made in it.
    options.title = spanish ? "Elige la carpeta de destino: en ella se crea la carpeta del modelo de teclado"
                            : "Choose the destination folder: the keyboard model's folder is made in it";
    options.startFolder = icloud;
  } else if (kind == "zip") {
    options.title = spanish ? "Elige la carpeta que quieres comprimir" : "Choose the folder to pack";
  } else if (kind == "setList") {
    options.title = spanish ? "Elige la carpeta donde guardar la lista de programas"
                            : "Choose the folder to save the set list in";
  } else if (kind == "restore") {
    options.title =
        spanish ? "Elige la carpeta donde restaurar el programa" : "Choose the folder to restore the program into";
  } else if (kind == "backup") {
    options.title = spanish ? "Elige la copia de seguridad" : "Choose the backup";
    options.openFile = true;
    options.filterName = spanish ? "Copias de seguridad de Nord y archivos ZIP" : "Nord backups and ZIP archives";
    // Both cases: names from other systems keep theirs, and the chooser's patterns are exact.
    for (const std::string extension : {"ns3b", "ns3fb", "ns2b", "ns2pb", "ne5b", "np2pb", "nlab", "nwb", "zip"}) {
      options.patterns.push_back("*." + extension);
      options.patterns.push_back("*." + upperAscii(extension));
    }
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

PickerOptions setListSaveOptions(bool spanish) {
  PickerOptions options;
  options.title = spanish ? "Guardar la lista de programas" : "Save the set list";
  options.acceptLabel = spanish ? "Guardar" : "Save";
  options.saveFile = true;
  options.fileName = (spanish ? "Lista " : "Set list ") + todayText() + ".csv";
  return options;
}

namespace {

// JSON holds text only: such a path would reach the page with its bad bytes
// replaced, and naming a file or folder that is not the one chosen.
Reply notUtf8(bool spanish) {
  return Reply{{"error", spanish ? "La ruta elegida tiene caracteres que no son texto UTF-8 válido, y Velmorin Sync "
                                   "no puede usarla. Cambia el nombre de la carpeta o elige otra."
                                 : "The chosen path has characters that are not valid UTF-8 text, so Velmorin Sync "
                                   "cannot use it. Rename the folder or choose another one."}};
}

}  // namespace

Reply pickerReply(const std::optional<std::string>& chosenFolder, bool spanish, bool mustWrite) {
  if (!chosenFolder || chosenFolder->empty()) return Reply{{"cancel", true}};
  if (!platform::isValidUtf8(*chosenFolder)) return notUtf8(spanish);
  // Tidied as every path is: no trailing "/" (the root keeps its one), no "//".
  const std::string folder = platform::absolutePath(*chosenFolder);
  if (mustWrite)
    if (Status writable = platform::checkWritable(folder); !writable) return failureReply(writable, spanish);
  return Reply{{"path", folder}};
}

Reply saveFileReply(const std::optional<std::string>& chosenFile, bool spanish) {
  if (!chosenFile || chosenFile->empty()) return Reply{{"cancel", true}};
  if (!platform::isValidUtf8(*chosenFile)) return notUtf8(spanish);
  const std::string file = platform::absolutePath(*chosenFile);
  // The dialog asked before it let an existing file be chosen.
  return Reply{{"path", file}, {"replace", platform::kindOf(file) != platform::EntryKind::Missing}};
}

}  // namespace velmorin::bridge
