// The threaded scan against a plain one-thread walk on random trees: the same
// findings, ties included, and the same folders in the same order.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "commands/commands.h"
#include "support/temp_tree.h"

namespace velmorin {
namespace {

using testing::TempTree;

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string extensionOf(const std::string& name) {
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? "" : lower(name.substr(dot + 1));
}

// A direct, slow walk with std::filesystem, in listing order.
class ReferenceScan {
 public:
  explicit ReferenceScan(double since) : since_(since) {}

  void root(const fs::path& path) {
    if (visited_.insert(path.string()).second) walk(path, 1);
  }

  Reply reply() const {
    Reply reply = Reply::object();
    if (!lists_.empty()) {
      auto newest = lists_.begin();
      for (auto it = lists_.begin(); it != lists_.end(); ++it)
        if (it->date > newest->date) newest = it;
      const std::string name = newest->path.filename().string();
      const auto cut = name.find(" Program");
      reply["list"] = {{"path", newest->path.string()}, {"name", name},
                       {"model", cut == std::string::npos ? name : name.substr(0, cut)}, {"size", newest->size}};
      // Every list, newest first, ties in the order found (the model each
      // suggests is left to the scan's own tests).
      std::vector<List> order = lists_;
      std::stable_sort(order.begin(), order.end(), [](const List& a, const List& b) { return a.date > b.date; });
      reply["lists"] = Json::array();
      for (const List& list : order)
        reply["lists"].push_back({{"path", list.path.string()}, {"name", list.path.filename().string()},
                                  {"modified", static_cast<double>(list.date)}, {"size", list.size}});
    }
    if (!tally_.empty()) {
      auto most = tally_.begin();
      for (auto it = tally_.begin(); it != tally_.end(); ++it)
        if (it->count > most->count) most = it;
      const auto [count, size] = fullCount(*most);
      reply["progs"] = {{"dir", most->folder}, {"count", count}, {"ext", most->ext},
                        {"model", PROG_EXT.at(most->ext)}, {"size", size}};
      // Every folder, newest first, ties in the order found.
      std::vector<Tally> order = tally_;
      std::stable_sort(order.begin(), order.end(), [](const Tally& a, const Tally& b) { return a.newest > b.newest; });
      if (order.size() > 200) order.resize(200);
      reply["folders"] = Json::array();
      for (const Tally& entry : order)
        reply["folders"].push_back({{"dir", entry.folder}, {"ext", entry.ext}, {"model", PROG_EXT.at(entry.ext)},
                                    {"count", fullCount(entry).first}, {"newest", static_cast<double>(entry.newest)}});
    }
    return reply;
  }

 private:
  struct List {
    fs::path path;
    long double date;
    std::int64_t size;
  };
  struct Tally {
    std::string folder, ext;
    int count;
    long double newest;
  };

  // The folder's count of one extension, hidden and old files included, and their bytes.
  static std::pair<std::int64_t, std::int64_t> fullCount(const Tally& tally) {
    std::int64_t count = 0, size = 0;
    for (const auto& entry : fs::directory_iterator(tally.folder)) {
      if (extensionOf(entry.path().filename().string()) != tally.ext) continue;
      ++count;
      std::error_code ec;
      if (entry.is_regular_file(ec)) size += static_cast<std::int64_t>(entry.file_size(ec));
    }
    return {count, size};
  }

  void walk(const fs::path& folder, int depth) {
    if (depth > 3) return;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
      const std::string name = entry.path().filename().string();
      if (name[0] == '.') continue;
      const std::string ext = extensionOf(name);
      if (entry.is_directory(ec) && !entry.is_symlink(ec)) {
        static const std::set<std::string> packages = {"app", "bundle", "framework", "photoslibrary", "musiclibrary",
                                                       "tvlibrary", "pkg", "logicx", "band"};
        if (packages.contains(ext) || !visited_.insert(entry.path().string()).second) continue;
        walk(entry.path(), depth + 1);
        continue;
      }
      const bool list = (ext == "html" || ext == "htm") && lower(name).find("program") != std::string::npos;
      if (!list && !PROG_EXT.contains(ext)) continue;
      struct stat st {};
      if (stat(entry.path().c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
      const long double date = st.st_mtim.tv_sec * 1000.0L + st.st_mtim.tv_nsec / 1e6L;
      if (date < since_) continue;
      if (list) {
        lists_.push_back({entry.path(), date, st.st_size});
        continue;
      }
      auto it = std::find_if(tally_.begin(), tally_.end(),
                             [&](const Tally& t) { return t.folder == folder.string() && t.ext == ext; });
      if (it == tally_.end()) {
        tally_.push_back({folder.string(), ext, 1, date});
      } else {
        ++it->count;
        it->newest = std::max(it->newest, date);
      }
    }
  }

  long double since_;
  std::set<std::string> visited_;
  std::vector<List> lists_;
  std::vector<Tally> tally_;
};

// A random tree with every kind of entry the scan must tell apart.
void growTree(const TempTree& tree, std::mt19937& random, const fs::path& folder, int depth) {
  static const char* names[] = {"Sounds", "Live", "Backup.app", "Old.pkg", ".cache", "Set.ns3f", "x"};
  static const char* extensions[] = {"ns3f", "NS3F", "ns4f", "ne6p", "npno", "txt", "html", "wav"};
  const int files = std::uniform_int_distribution<>(0, 8)(random);
  for (int i = 0; i < files; ++i) {
    std::string ext = extensions[random() % std::size(extensions)];
    std::string name = (random() % 5 == 0 ? "." : "") + std::to_string(random() % 50);
    if (ext == "html") name += random() % 2 ? " Program List" : " notes";
    // Few distinct dates, so that ties happen.
    const long long date = 1'700'000'000'000LL + static_cast<long long>(random() % 4) * 1000;
    tree.file(folder / (name + "." + ext), std::string(random() % 300, 'p'), date);
  }
  if (depth >= 5) return;
  const int folders = std::uniform_int_distribution<>(0, 3)(random);
  for (int i = 0; i < folders; ++i) {
    const fs::path sub = folder / (std::string(names[random() % std::size(names)]) + std::to_string(random() % 3));
    tree.folder(sub);
    if (random() % 10 == 0) {
      std::error_code ec;
      fs::create_directory_symlink(tree.root(), sub / "loop", ec);
    }
    growTree(tree, random, sub, depth + 1);
  }
}

TEST(ScanReference, ThreadedScanAgreesWithAPlainWalkOnRandomTrees) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    TempTree tree;
    std::mt19937 random(seed);
    for (const char* top : {"Desktop", "Documents", "Downloads"}) growTree(tree, random, tree / top, 1);
    growTree(tree, random, tree / "Desktop/Para Velmorin", 2);
    const Values values = valuesForHome(tree.root());
    for (double since : {0.0, 1'700'000'002'000.0}) {
      ReferenceScan reference(since);
      for (const fs::path& root : {values.EXPORT_DIR, values.DESKTOP, values.DOCUMENTS, values.DOWNLOADS})
        reference.root(root);
      Reply scanned = scan(values, since, std::nullopt);
      if (scanned.contains("lists")) {
        Json lists = scanned["lists"];
        for (Json& list : lists) list.erase("model");
        scanned["lists"] = lists;
      }
      ASSERT_EQ(scanned, reference.reply()) << "seed " << seed << " since " << since;
    }
  }
}

}  // namespace
}  // namespace velmorin
