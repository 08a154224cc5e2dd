// The desktop notices of long work, filled in from the replies, in both languages.
#include "bridge/work_notice.h"

#include <gtest/gtest.h>

namespace velmorin::bridge {
namespace {

void expectNotice(const std::optional<WorkNotice>& notice, const std::string& title, const std::string& body) {
  ASSERT_TRUE(notice) << title;
  EXPECT_EQ(notice->title, title);
  EXPECT_EQ(notice->body, body);
}

TEST(WorkNotice, InstallZipAndLibrarySayHowTheyEndedInTheUsersLanguage) {
  const Reply installed{{"ok", true}, {"path", "/home/ana/Desktop/Velmorin/Nord Stage 3"}, {"programBytes", 12}};
  expectNotice(workNotice("install", installed, false), "Install finished",
               "The programs and the list are in /home/ana/Desktop/Velmorin/Nord Stage 3");
  expectNotice(workNotice("install", installed, true), "Instalación terminada",
               "Los programas y la lista están en /home/ana/Desktop/Velmorin/Nord Stage 3");
  const Reply zipped{{"ok", true}, {"path", "/home/ana/Desktop/Velmorin.zip"}};
  expectNotice(workNotice("zip", zipped, false), "ZIP archive made", "Saved as /home/ana/Desktop/Velmorin.zip");
  expectNotice(workNotice("zip", zipped, true), "Archivo ZIP creado", "Guardado en /home/ana/Desktop/Velmorin.zip");
  const Reply read{{"ok", true}, {"total", 1204u}, {"damaged", 3u}};
  expectNotice(workNotice("library", read, false), "Library read", "1204 programs found, 3 damaged");
  expectNotice(workNotice("library", read, true), "Biblioteca leída", "1204 programas encontrados, 3 dañados");
  // The library counts as signed numbers do.
  const Reply counted{{"ok", true}, {"total", std::int64_t{52}}, {"damaged", std::int64_t{0}}};
  expectNotice(workNotice("library", counted, false), "Library read", "52 programs found, 0 damaged");
  // What a reply lacks, or carries in another shape, reads as nothing, or none.
  expectNotice(workNotice("library", Reply{{"ok", true}, {"total", "many"}, {"damaged", -1}}, false), "Library read",
               "0 programs found, 0 damaged");
  expectNotice(workNotice("zip", Reply{{"ok", true}, {"path", 7}}, false), "ZIP archive made", "Saved as ");

  // A failure's body is its own sentence; a cancel the user made is not news.
  const Reply full{{"ok", false}, {"code", "noSpace"}, {"error", "No queda espacio en el disco."}};
  expectNotice(workNotice("install", full, true), "La instalación no se ha hecho", "No queda espacio en el disco.");
  expectNotice(workNotice("zip", full, false), "The ZIP archive was not made", "No queda espacio en el disco.");
  expectNotice(workNotice("library", Reply{{"ok", false}}, false), "The library was not read", "");
  EXPECT_FALSE(workNotice("install", Reply{{"ok", false}, {"code", "cancelled"}, {"error", "Cancelled."}}, false));

  // Other commands, unknown names and replies that are not objects: none.
  for (const char* cmd : {"scan", "plan", "saveSetList", "info", "quit", "Install", ""})
    EXPECT_FALSE(workNotice(cmd, installed, false)) << cmd;
  EXPECT_FALSE(workNotice("install", Reply::array(), false));
}

}  // namespace
}  // namespace velmorin::bridge
