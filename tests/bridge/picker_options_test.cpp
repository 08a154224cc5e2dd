// What the folder chooser shows, by kind and language, and what it answers.
#include "bridge/picker_options.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace velmorin::bridge
