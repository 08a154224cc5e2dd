// Every failure the commands and the bridge tell in their own words, in each
// language. {0}, {1}, ... are the words the caller gives, in order.
#include <cstddef>
#include <iterator>

#include "platform/verify.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace {

struct Row {
  FailureText id;
  const char* english;
  const char* spanish;
};

using enum FailureText;

constexpr Row kRows[] = {
    {Argument, "{0}", "{0}"},
    {AsGiven, "{0}", "{0}"},
    {InternalError, "Internal error.", "Error interno."},
    {InternalErrorAbout, "Internal error: {0}", "Error interno: {0}"},
    {Closing, "Velmorin Sync is closing: it finishes what it started and starts nothing new.",
     "Velmorin Sync se está cerrando: termina lo que ya empezó y no empieza nada nuevo."},
    {TooManyRequests, "Velmorin Sync has too many requests at once. Try again in a moment.",
     "Velmorin Sync tiene demasiadas peticiones a la vez. Inténtalo de nuevo en un momento."},
    {CannotShowFile,
     "No file manager could show it, and the folder that holds it could not be opened: it may have been moved or "
     "removed.",
     "No hay un gestor de archivos que pueda mostrarlo, y la carpeta que lo contiene no se pudo abrir: puede que se "
     "haya movido o eliminado."},
    {NoFolderToMeasure, "No valid folder was given to measure its free space.",
     "No se indicó una carpeta válida para medir su espacio libre."},
    {SettingsTooLarge, "The settings are too large to keep.", "Los ajustes son demasiado grandes para guardarlos."},
    {CopyDoesNotMatch,
     "The copy \"{0}\" does not match its original. Nothing was changed; try again, and if it happens again, check "
     "the destination disk.",
     "La copia \"{0}\" no coincide con su original. No se ha cambiado nada; vuelve a intentarlo y, si se repite, "
     "revisa el disco de destino."},
    {ArchiveDidNotReadBack,
     "The new archive \"{0}\" did not read back whole. Nothing was changed; try again, and if it happens again, "
     "check the destination disk.",
     "El nuevo archivo ZIP \"{0}\" no se pudo volver a leer entero. No se ha cambiado nada; vuelve a intentarlo y, "
     "si se repite, revisa el disco de destino."},
    {CopiesNotChecked, "The copies could not be checked: {0}", "No se pudieron comprobar las copias: {0}"},
    {NameTooLong,
     "The name \"{0}\" is too long for the destination's disk ({1} bytes; it takes at most {2}). Use a shorter "
     "name.",
     "El nombre \"{0}\" es demasiado largo para el disco de destino ({1} bytes; admite {2} como máximo). Usa un "
     "nombre más corto."},
    {ListLinkOutside,
     "The program list \"{0}\" is a link to something outside its own folder. Choose the list file itself.",
     "La lista de programas \"{0}\" es un enlace a algo que está fuera de su carpeta. Elige el propio archivo de la "
     "lista."},
    {DestinationInsideCopied,
     "The destination \"{0}\" lies inside \"{1}\", which the install copies: it would copy itself. Choose a "
     "destination outside it.",
     "El destino \"{0}\" está dentro de \"{1}\", que la instalación copia: se copiaría a sí mismo. Elige un destino "
     "fuera de esa carpeta."},
    {ProgramFolderInsideReplaced,
     "The program folder \"{0}\" lies inside \"{1}\", which the install replaces. Choose the programs from another "
     "folder.",
     "La carpeta de programas \"{0}\" está dentro de \"{1}\", que la instalación sustituye. Elige los programas de "
     "otra carpeta."},
    {DestinationNotValid, "The destination folder \"{0}\" is not a valid path.",
     "La carpeta de destino \"{0}\" no es una ruta válida."},
    {ModelNameNotFolder, "The model name \"{0}\" cannot name a folder.",
     "El nombre de modelo \"{0}\" no sirve como nombre de carpeta."},
    {ListNotCopyable, "The program list \"{0}\" is not a file that can be copied.",
     "La lista de programas \"{0}\" no es un archivo que se pueda copiar."},
    {ExtensionNotFolder, "The extension \"{0}\" cannot name a folder.",
     "La extensión \"{0}\" no sirve como nombre de carpeta."},
    {ProgramFolderNotValid, "The program folder \"{0}\" is not a valid path.",
     "La carpeta de programas \"{0}\" no es una ruta válida."},
    {FolderWhereArchiveGoes, "A folder named \"{0}\" stands where the archive goes, in \"{1}\". Rename or move that folder.",
     "Hay una carpeta llamada \"{0}\" donde va el archivo comprimido, en \"{1}\". Cámbiale el nombre o muévela."},
    {ProgramUnreadable, "The program \"{0}\" could not be read.", "No se pudo leer el programa \"{0}\"."},
    {ProgramInBackupUnreadable, "The program \"{0}\" in \"{1}\" could not be read.",
     "No se pudo leer el programa \"{0}\" en \"{1}\"."},
    {FolderNotFound, "The folder \"{0}\" could not be found.", "No se encontró la carpeta \"{0}\"."},
    {TooManyToCompare, "\"{0}\" holds too many programs to compare.",
     "\"{0}\" tiene demasiados programas para compararlos."},
    {NeitherFolderNorBackup, "\"{0}\" is neither a folder nor a backup that can be read.",
     "\"{0}\" no es una carpeta ni una copia de seguridad que se pueda leer."},
    {NotFound, "\"{0}\" was not found.", "No se encontró \"{0}\"."},
    {CollectionMissing, "The collection \"{0}\" is missing.", "Falta la colección \"{0}\"."},
    {RestoredDidNotReadBack, "The restored program \"{0}\" did not read back as it was written; nothing was changed.",
     "El programa restaurado \"{0}\" no se leyó igual que se escribió; no se ha cambiado nada."},
    {BackupNotZip, "The backup \"{0}\" is not a ZIP archive, so nothing can be restored from it.",
     "La copia de seguridad \"{0}\" no es un archivo ZIP, así que no se puede restaurar nada de ella."},
    {ChooseRestoreSource, "Choose the folder or the backup to restore from.",
     "Elige la carpeta o la copia de seguridad de la que restaurar."},
    {ChooseRestoreDestination, "Choose the folder to restore the programs into.",
     "Elige la carpeta en la que restaurar los programas."},
    {ChooseRestorePrograms, "Choose the programs to restore.", "Elige los programas que quieres restaurar."},
    {RestoreEntryNotText, "Each program to restore is named by a text.",
     "Cada programa que restaurar se nombra con un texto."},
    {NoSetListPrograms, "No programs were given for the set list.", "No se indicaron programas para la lista."},
    {SetListEmpty, "The set list would be empty: no programs are shown.",
     "La lista quedaría vacía: no se muestra ningún programa."},
    {SetListTooLong, "The set list has too many programs to save.", "La lista tiene demasiados programas para guardarla."},
    {SetListRowIncomplete, "A program of the set list is not described by its slot, name, category and model.",
     "Un programa de la lista no viene descrito por su posición, nombre, categoría y modelo."},
    {SetListFieldNotText, "A program of the set list is not described as text (its \"{0}\").",
     "Un programa de la lista no viene descrito como texto (su \"{0}\")."},
    {NoSetListFileName, "No file name was given for the set list.", "No se indicó el nombre del archivo de la lista."},
    {NoSetListPlace, "No file or folder was given for the set list.",
     "No se indicó el archivo ni la carpeta de la lista."},
    {PathNotValid, "\"{0}\" is not a valid path.", "\"{0}\" no es una ruta válida."},
    {FolderMissing, "The folder \"{0}\" does not exist.", "La carpeta \"{0}\" no existe."},
    {NotReplaceableBySetList, "\"{0}\" is not a file that a set list can replace.",
     "\"{0}\" no es un archivo que una lista pueda sustituir."},
    {FileAlreadyThere, "A file named \"{0}\" is already there. Choose another name.",
     "Ya hay un archivo llamado \"{0}\". Elige otro nombre."},
    {NotAFolder, "\"{0}\" is not a folder.", "\"{0}\" no es una carpeta."},
    {TooManySetListsToday, "The folder \"{0}\" already holds {1} set lists of today. Choose another folder.",
     "La carpeta \"{0}\" ya tiene {1} listas de hoy. Elige otra carpeta."},
    {NoFolderToPack, "No folder was given to pack.", "No se indicó qué carpeta comprimir."},
    {FolderNotValid, "The folder \"{0}\" is not a valid path.", "La carpeta \"{0}\" no es una ruta válida."},
    {FolderWhereZipGoes, "A folder named \"Velmorin.zip\" stands where the archive goes, in \"{0}\". Rename or move that folder.",
     "Hay una carpeta llamada \"Velmorin.zip\" en \"{0}\", donde va el archivo ZIP. Cámbiale el nombre o muévela."},
};

// Each id has its row, at its own place: a text without words cannot be built.
constexpr bool everyRowInPlace() {
  for (std::size_t i = 0; i < std::size(kRows); ++i)
    if (kRows[i].id != static_cast<FailureText>(i)) return false;
  return std::size(kRows) == static_cast<std::size_t>(Count);
}
static_assert(everyRowInPlace(), "kRows must hold one row per FailureText, in the enum's order");

}  // namespace

const char* failureRow(FailureText text, bool spanish) {
  const auto row = static_cast<std::size_t>(text);
  VERIFY(row < std::size(kRows));
  return spanish ? kRows[row].spanish : kRows[row].english;
}

}  // namespace velmorin
