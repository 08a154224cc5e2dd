// What the folder chooser shows, by kind and language, and what it answers.
#include "bridge/picker_options.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velmorin::bridge {
namespace {

const std::filesystem::path kICloud = "/home/ana/Library/Mobile Documents/com~apple~CloudDocs";

TEST(PickerOptions, DestinationInEnglishStartsInICloudWhenPresent) {
  const auto o = pickerOptions("dest", false, kICloud);
  EXPECT_EQ(o.title, "Choose the destination folder: the keyboard model's folder is made in it");
  EXPECT_EQ(o.acceptLabel, "Choose");
  EXPECT_EQ(o.startFolder, kICloud);
}

TEST(PickerOptions, DestinationWithoutICloudHasNoStartFolder) {
  const auto o = pickerOptions("dest", false, std::nullopt);
  EXPECT_EQ(o.title, "Choose the destination folder: the keyboard model's folder is made in it");
  EXPECT_FALSE(o.startFolder);
}

TEST(PickerOptions, ListsInSpanishNeverStartInICloud) {
  const auto o = pickerOptions("list", true, kICloud);
  EXPECT_EQ(o.title, "Elige la carpeta donde guardaste las listas");
  EXPECT_EQ(o.acceptLabel, "Elegir");
  EXPECT_FALSE(o.startFolder);
}

TEST(PickerOptions, EveryOtherKindAsksForTheProgramsFolder) {
  EXPECT_EQ(pickerOptions("zip", false, kICloud).title, "Choose the folder to pack");
  EXPECT_EQ(pickerOptions("zip", true, kICloud).title, "Elige la carpeta que quieres comprimir");
  EXPECT_EQ(pickerOptions("setList", false, kICloud).title, "Choose the folder to save the set list in");
  EXPECT_EQ(pickerOptions("setList", true, kICloud).title, "Elige la carpeta donde guardar la lista de programas");
  EXPECT_EQ(pickerOptions("restore", false, kICloud).title, "Choose the folder to restore the program into");
  EXPECT_EQ(pickerOptions("restore", true, kICloud).title, "Elige la carpeta donde restaurar el programa");
  EXPECT_FALSE(pickerOptions("restore", false, kICloud).openFile);
  for (const char* kind : {"", "Dest", "LIST", "programs", "dest ", "progs", "Zip", "setlist"}) {
    EXPECT_EQ(pickerOptions(kind, false, kICloud).title, "Choose the folder with the Nord programs") << kind;
    EXPECT_EQ(pickerOptions(kind, true, kICloud).title, "Elige la carpeta con los programas del Nord") << kind;
    EXPECT_FALSE(pickerOptions(kind, false, kICloud).startFolder) << kind;
  }
}

TEST(PickerOptions, SpanishDestination) {
  const auto o = pickerOptions("dest", true, kICloud);
  EXPECT_EQ(o.title, "Elige la carpeta de destino: en ella se crea la carpeta del modelo de teclado");
  EXPECT_EQ(o.acceptLabel, "Elegir");
}

TEST(PickerReply, ChosenFolderWithoutTrailingSlash) {
  EXPECT_EQ(pickerReply(std::string("/srv/Shared/Nord")), (Reply{{"path", "/srv/Shared/Nord"}}));
  EXPECT_EQ(pickerReply(std::string("/srv/Shared/Nord//")), (Reply{{"path", "/srv/Shared/Nord"}}));
  EXPECT_EQ(pickerReply(std::string("/")), (Reply{{"path", "/"}}));
  EXPECT_EQ(pickerReply(std::string("/home/ana/Música ñ")), (Reply{{"path", "/home/ana/Música ñ"}}));
}

TEST(PickerReply, NothingChosenIsACancel) {
  EXPECT_EQ(pickerReply(std::nullopt), (Reply{{"cancel", true}}));
  EXPECT_EQ(pickerReply(std::string()), (Reply{{"cancel", true}}));
}

// A backup is a file: the chooser opens one, among the maker's backups and ZIPs.
TEST(PickerOptions, BackupOpensOneFileAmongBackupsAndZips) {
  for (const bool es : {false, true}) {
    const auto o = pickerOptions("backup", es, kICloud);
    EXPECT_EQ(o.title, es ? "Elige la copia de seguridad" : "Choose the backup");
    EXPECT_TRUE(o.openFile);
    EXPECT_FALSE(o.saveFile);
    EXPECT_FALSE(o.startFolder);
    for (const char* pattern : {"*.ns3b", "*.NS3B", "*.ns2pb", "*.zip", "*.ZIP"})
      EXPECT_NE(std::find(o.patterns.begin(), o.patterns.end(), pattern), o.patterns.end()) << pattern;
  }
  EXPECT_FALSE(pickerOptions("progs", false, kICloud).openFile);
  EXPECT_TRUE(pickerOptions("progs", false, kICloud).patterns.empty());
}

}  // namespace
}  // namespace velmorin::bridge
