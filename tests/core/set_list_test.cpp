// The set list written for real into a temporary folder, read back byte for
// byte and by Python's csv module: hostile program names stay one text field
// each, never a formula; an earlier list is never replaced unless the user
// confirmed it in the save dialog.
#include <gtest/gtest.h>

#include <ctime>

#include "commands/dispatcher.h"
#include "platform/atomic_file.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

using testing::TempTree;

std::string today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

Json row(const std::string& slot, const std::string& name, const std::string& category, const std::string& model) {
  return {{"slot", slot}, {"name", name}, {"category", category}, {"model", model}};
}

// The file's records as Python's csv module reads them, as a JSON array of arrays.
Json readByPython(const fs::path& file) {
  const char* script = R"(import csv, json, sys
with open(sys.argv[1], newline='', encoding='utf-8') as f:
    print(json.dumps(list(csv.reader(f, strict=True))))
)";
  int status = -1;
  const std::string out =
      testing::commandOutput("python3 -c " + testing::shellQuote(script) + " " + testing::shellQuote(file.string()), &status);
  EXPECT_EQ(status, 0) << out;
  return Json::parse(out.empty() ? "null" : out);
}

class SetList : public ::testing::Test {
 protected:
  Reply save(const Json& args) { return work(values, "saveSetList", args); }
  TempTree home;
  Values values = valuesForHome(home.root());
};

TEST_F(SetList, HostileNamesStayTextInRfc4180FormAndNothingIsReplaced) {
  const fs::path dir = home.folder("Sets");
  const std::string name = "Set list " + today() + ".csv";
  home.file("Sets/" + name, "an earlier list");
  const Json rows = {row("A:11", "Warm, \"Big\" Pad", "Pad", "Nord Stage 3"),
                     row("A:12", "two\nlines\r\nhere", "Grand", "Nord Stage 3"),
                     row("B:55", "=HYPERLINK(\"http://x\")", "Lead", "Nord Stage 3"),
                     row("3", "+1", "-2", "@SUM(A1)"),
                     row("4", "\tTabbed", "\rCR", "Señor Ñandú ✓ 鍵盤"),
                     row("", "<b>plain</b>", "", "")};

  const Reply first = save({{"dir", dir.string()}, {"rows", rows}});
  ASSERT_EQ(first["ok"], true) << first.dump();
  EXPECT_EQ(first["rows"], 6);
  EXPECT_EQ(first["path"], (dir / ("Set list " + today() + " 2.csv")).string());
  EXPECT_EQ(testing::readText(dir / name), "an earlier list");

  const std::string bytes = testing::readText(first["path"].get<std::string>());
  EXPECT_EQ(bytes,
            "Slot,Name,Category,Model,Folder,Sound\r\n"
            "A:11,\"Warm, \"\"Big\"\" Pad\",Pad,Nord Stage 3,,\r\n"
            "A:12,\"two\nlines\r\nhere\",Grand,Nord Stage 3,,\r\n"
            "B:55,\"'=HYPERLINK(\"\"http://x\"\")\",Lead,Nord Stage 3,,\r\n"
            "3,'+1,'-2,'@SUM(A1),,\r\n"
            "4,'\tTabbed,\"'\rCR\",Señor Ñandú ✓ 鍵盤,,\r\n"
            ",<b>plain</b>,,,,\r\n");

  // An independent reader gives back every field as it was, bar the apostrophe.
  Json expected = Json::array({Json::array({"Slot", "Name", "Category", "Model", "Folder", "Sound"})});
  for (const Json& r : rows) {
    Json fields = Json::array();
    for (const char* key : {"slot", "name", "category", "model"}) {
      const std::string value = r[key];
      fields.push_back(!value.empty() && std::string("=+-@\t\r").find(value[0]) != std::string::npos ? "'" + value : value);
    }
    fields.push_back("");
    fields.push_back("");
    expected.push_back(fields);
  }
  EXPECT_EQ(readByPython(first["path"].get<std::string>()), expected);

  const Reply second = save({{"dir", dir.string()}, {"rows", Json::array({row("A:11", "x", "Pad", "Nord Stage 3")})}});
  ASSERT_EQ(second["ok"], true) << second.dump();
  EXPECT_EQ(second["path"], (dir / ("Set list " + today() + " 3.csv")).string());
  EXPECT_EQ(testing::readText(first["path"].get<std::string>()), bytes);
  // Only the three lists: no draft is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);

  // A NUL ends the text for many readers: it is shown as U+FFFD instead.
  const Reply nul = save({{"dir", dir.string()}, {"rows", Json::array({row("1", std::string("a\0b", 3), "Pad", "x")})}});
  ASSERT_EQ(nul["ok"], true) << nul.dump();
  EXPECT_EQ(testing::readText(nul["path"].get<std::string>()), "Slot,Name,Category,Model,Folder,Sound\r\n1,a\xEF\xBF\xBD" "b,Pad,x,,\r\n");
}

TEST_F(SetList, SpanishNamesAndHeaderAndClearRefusals) {
  values.preferredLanguages = [] { return std::vector<std::string>{"es-ES"}; };
  const fs::path dir = home.folder("Listas");
  const Reply saved = save({{"dir", dir.string()}, {"rows", Json::array({row("A:01:1", "Órgano", "Organ", "Nord Stage 2")})}});
  ASSERT_EQ(saved["ok"], true) << saved.dump();
  EXPECT_EQ(saved["path"], (dir / ("Lista " + today() + ".csv")).string());
  EXPECT_EQ(testing::readText(saved["path"].get<std::string>()),
            "Posición,Nombre,Categoría,Modelo,Carpeta,Sonido\r\nA:01:1,Órgano,Organ,Nord Stage 2,,\r\n");

  const fs::path missing = home / "No such folder";
  const Reply gone = save({{"dir", missing.string()}, {"rows", Json::array({row("1", "a", "b", "c")})}});
  EXPECT_EQ(gone["ok"], false);
  EXPECT_EQ(gone["code"], "notFound");
  EXPECT_EQ(gone["error"], "La carpeta \"" + missing.string() + "\" no existe.");
  EXPECT_FALSE(fs::exists(missing));

  for (const Json& args : {Json{{"rows", Json::array({row("1", "a", "b", "c")})}},
                           Json{{"dir", dir.string()}, {"rows", "A:11"}},
                           Json{{"dir", dir.string()}, {"rows", Json::array({"A:11"})}},
                           Json{{"dir", dir.string()}, {"rows", Json::array({{{"slot", 1}, {"name", "a"}, {"category", "b"}, {"model", "c"}}})}},
                           Json{{"dir", dir.string()}, {"rows", Json::array()}}, Json::array()}) {
    const Reply refused = save(args);
    EXPECT_EQ(refused["ok"], false) << args;
    EXPECT_EQ(refused["code"], "invalid") << args;
    EXPECT_FALSE(refused["error"].get<std::string>().empty()) << args;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

// The file named in the save dialog: written as named, with each program's folder;
// an existing file is replaced only with the dialog's confirmation, never a folder.
TEST_F(SetList, SavesAsTheChosenFileWithFoldersAndReplacesOnlyWhenConfirmed) {
  values.preferredLanguages = [] { return std::vector<std::string>{"es-ES"}; };
  const fs::path dir = home.folder("Listas");
  const fs::path file = dir / "Concierto, sábado.csv";
  Json rows = Json::array({row("A:11", "Pad cálido", "Pad", "Nord Stage 3"), row("", "Roto", "", "")});
  rows[0]["folder"] = "/home/ana/Música/Nord, directo";
  rows[1]["folder"] = "/home/ana/Copia.ns3b";
  // What plays, a spreadsheet's formula sign and all, stays text.
  rows[0]["summary"] = "A: Grand (Royal Grand 3D) + B3 organ · B: Sample synth (Strings)";
  rows[1]["summary"] = "=1+1, \"dos\"";

  const Reply saved = save({{"path", file.string()}, {"rows", rows}});
  ASSERT_EQ(saved["ok"], true) << saved.dump();
  EXPECT_EQ(saved["path"], file.string());
  EXPECT_EQ(saved["replaced"], false);
  EXPECT_EQ(readByPython(file), Json::parse(R"x([["Posición","Nombre","Categoría","Modelo","Carpeta","Sonido"],
      ["A:11","Pad cálido","Pad","Nord Stage 3","/home/ana/Música/Nord, directo","A: Grand (Royal Grand 3D) + B3 organ · B: Sample synth (Strings)"],
      ["","Roto","","","/home/ana/Copia.ns3b","'=1+1, \"dos\""]])x"));
  // A summary that is not text is refused, as any other field.
  Json odd = rows;
  odd[0]["summary"] = 7;
  EXPECT_EQ(save({{"path", (dir / "rara.csv").string()}, {"rows", odd}})["code"], "invalid");

  // Without the dialog's word the file there stays as it is.
  home.file("Listas/otra.csv", "la de antes");
  const Reply refused = save({{"path", (dir / "otra.csv").string()}, {"rows", rows}});
  EXPECT_EQ(refused["ok"], false);
  EXPECT_EQ(refused["error"], "Ya hay un archivo llamado \"otra.csv\". Elige otro nombre.");
  EXPECT_EQ(testing::readText(dir / "otra.csv"), "la de antes");

  const Reply replaced = save({{"path", (dir / "otra.csv").string()}, {"replace", true}, {"rows", rows}});
  ASSERT_EQ(replaced["ok"], true) << replaced.dump();
  EXPECT_EQ(replaced["replaced"], true);
  EXPECT_EQ(testing::readText(dir / "otra.csv"), testing::readText(file));

  // A folder is never replaced, a missing folder is not made, a bad "folder" is no row.
  home.folder("Listas/carpeta.csv");
  EXPECT_EQ(save({{"path", (dir / "carpeta.csv").string()}, {"replace", true}, {"rows", rows}})["code"], "notFolder");
  EXPECT_EQ(save({{"path", (home / "Nada" / "x.csv").string()}, {"rows", rows}})["code"], "notFound");
  rows[0]["folder"] = 7;
  EXPECT_EQ(save({{"path", (dir / "y.csv").string()}, {"rows", rows}})["code"], "invalid");
  EXPECT_FALSE(fs::exists(home / "Nada"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
}

// The save looks for a free name first; the write itself must still refuse a file
// that another program made meanwhile.
TEST_F(SetList, TheWriteRefusesANameTakenMeanwhile) {
  const fs::path dir = home.folder("Sets");
  home.file("Sets/taken.csv", "someone else's");
  const Status refused = platform::writeNewFileAtomically(dir, "taken.csv", ".draft", "ours");
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.code(), EEXIST);
  EXPECT_EQ(testing::readText(dir / "taken.csv"), "someone else's");
  EXPECT_FALSE(fs::exists(dir / ".draft"));
  ASSERT_TRUE(platform::writeNewFileAtomically(dir, "free.csv", ".draft", "ours"));
  EXPECT_EQ(testing::readText(dir / "free.csv"), "ours");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace velmorin
