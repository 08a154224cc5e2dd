#include <gtest/gtest.h>

#include <map>

#include "vocabulary/language.h"
#include "app/startup.h"
#include "platform/environment.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

platform::EnvLookup fakeEnvironment(std::map<std::string, std::string> variables) {
  auto shared = std::make_shared<std::map<std::string, std::string>>(std::move(variables));
  return [shared](const char* name) -> const char* {
    const auto it = shared->find(name);
    return it == shared->end() ? nullptr : it->second.c_str();
  };
}

TEST(Spanish, FirstTagDecidesByCaseSensitivePrefix) {
  EXPECT_TRUE(spanish(std::vector<std::string>{"es-419", "en-US"}));
  EXPECT_TRUE(spanish(std::vector<std::string>{"es"}));
  EXPECT_TRUE(spanish(std::vector<std::string>{"es-MX"}));
  EXPECT_FALSE(spanish(std::vector<std::string>{"en-GB", "es-ES"}));
  EXPECT_FALSE(spanish(std::vector<std::string>{}));
  EXPECT_FALSE(spanish(std::vector<std::string>{"ca"}));
  EXPECT_FALSE(spanish(std::vector<std::string>{"fr"}));
  EXPECT_FALSE(spanish(std::vector<std::string>{"ES-es"}));
}

TEST(LanguageTags, LocaleNamesBecomeTags) {
  EXPECT_EQ(platform::languageTagFromLocale("es_ES.UTF-8"), "es-ES");
  EXPECT_EQ(platform::languageTagFromLocale("ca_ES@valencia"), "ca-ES");
  EXPECT_EQ(platform::languageTagFromLocale("C.UTF-8"), "en");
  EXPECT_EQ(platform::languageTagFromLocale("POSIX"), "en");
}

TEST(LanguageTags, LanguageListComesFirstThenTheFirstLocaleVariableSet) {
  using Tags = std::vector<std::string>;
  EXPECT_EQ(platform::preferredLanguageTags(fakeEnvironment({{"LANGUAGE", "es_MX:en"}, {"LANG", "fr_FR.UTF-8"}})),
            (Tags{"es-MX", "en"}));
  EXPECT_EQ(platform::preferredLanguageTags(fakeEnvironment({{"LANGUAGE", ""}, {"LC_ALL", ""},
                                                             {"LC_MESSAGES", "es_AR.UTF-8"}, {"LANG", "en_US"}})),
            (Tags{"es-AR"}));
  EXPECT_EQ(platform::preferredLanguageTags(fakeEnvironment({{"LANG", "C"}})), (Tags{"en"}));
  EXPECT_EQ(platform::preferredLanguageTags(fakeEnvironment({})), Tags{});
}

TEST(UserFolders, XdgUserDirsPlaceTheDesktopAndExportFolder) {
  testing::TempTree home;
  home.file(".config/user-dirs.dirs",
            "# written by xdg-user-dirs-update\n"
            "XDG_DESKTOP_DIR=\"$HOME/Escritorio\"\n"
            "XDG_DOWNLOAD_DIR=\"/srv/descargas/\"\n");
  const Values values = valuesFromEnvironment(fakeEnvironment({{"HOME", home.root().string()}, {"LANG", "es_ES.UTF-8"}}));
  EXPECT_EQ(values.DESKTOP, home / "Escritorio");
  EXPECT_EQ(values.EXPORT_DIR, home / "Escritorio/Para Velmorin");
  EXPECT_EQ(values.DOWNLOADS, fs::path("/srv/descargas"));
  EXPECT_EQ(values.DOCUMENTS, home / "Documents");
  EXPECT_EQ(values.ICLOUD, home / "Library/Mobile Documents/com~apple~CloudDocs");
  EXPECT_TRUE(spanish(values));
}

TEST(UserFolders, ConfigHomeAndDataDirsComeFromTheEnvironment) {
  testing::TempTree home;
  home.file("cfg/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
  const auto env = fakeEnvironment({{"HOME", home.root().string()},
                                    {"XDG_CONFIG_HOME", (home / "cfg").string()},
                                    {"XDG_DATA_HOME", "/data/home"},
                                    {"XDG_DATA_DIRS", "/a:relative:/b/"}});
  const Values values = valuesFromEnvironment(env);
  EXPECT_EQ(values.DOCUMENTS, home / "Docs");
  const std::vector<fs::path> expected = {"/data/home/applications", "/a/applications", "/b/applications"};
  EXPECT_EQ(values.desktopEntryFolders, expected);
}

TEST(UserFolders, RelativeHomeFallsBackToThePasswordDatabase) {
  EXPECT_TRUE(platform::homeFolder(fakeEnvironment({{"HOME", "relative/home"}})).is_absolute());
  EXPECT_EQ(platform::homeFolder(fakeEnvironment({{"HOME", "/home/ana"}})), fs::path("/home/ana"));
}

}  // namespace
}  // namespace velmorin
