// Every failure a user can meet is worded in both languages, with each of its
// words in place and no placeholder left over.
#include "vocabulary/failure_words.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>
#include <vector>

namespace velmorin {
namespace {

// The given words ("w0", "w1", ...) that a text shows.
std::set<std::string> wordsShown(const std::string& text, const std::vector<std::string>& words) {
  std::set<std::string> shown;
  for (const auto& word : words)
    if (text.find("<" + word + ">") != std::string::npos) shown.insert(word);
  return shown;
}

bool holdsPlaceholder(const std::string& text) {
  for (std::size_t i = 0; i + 2 < text.size(); ++i)
    if (text[i] == '{' && text[i + 1] >= '0' && text[i + 1] <= '9' && text[i + 2] == '}') return true;
  return false;
}

TEST(FailureWords, EveryTextActionAndReasonIsWordedInBothLanguages) {
  std::vector<std::string> words;
  for (int i = 0; i < 10; ++i) words.push_back("<w" + std::to_string(i) + ">");
  std::vector<std::string> bare;
  for (int i = 0; i < 10; ++i) bare.push_back("w" + std::to_string(i));
  for (int id = 0; id < static_cast<int>(FailureText::Count); ++id) {
    const Status said = Status::said(Problem::Invalid, static_cast<FailureText>(id), words);
    const std::string english = failureText(said, false), spanish = failureText(said, true);
    SCOPED_TRACE(english);
    EXPECT_FALSE(english.empty());
    EXPECT_FALSE(holdsPlaceholder(english) || holdsPlaceholder(spanish)) << spanish;
    EXPECT_EQ(wordsShown(english, bare), wordsShown(spanish, bare)) << spanish;
    // Only the texts that pass a given word on as it is read the same in both.
    const bool asGiven = english == "<w0>";
    EXPECT_EQ(english == spanish, asGiven) << spanish;
    EXPECT_EQ(said.problem(), Problem::Invalid);
  }

  std::set<std::string> verbs[2];
  for (int action = 1; action < static_cast<int>(Action::Count); ++action) {
    const Status failed = Status::whileDoing(static_cast<Action>(action), "/music/{0}.ns3f",
                                             Status::fromErrno(ENOENT), "/copy/B.ns3f");
    const std::string english = failureText(failed, false), spanish = failureText(failed, true);
    SCOPED_TRACE(english);
    EXPECT_EQ(english.rfind("Could not ", 0), 0u);
    EXPECT_EQ(spanish.rfind("No se pudo ", 0), 0u);
    // A name that looks like a placeholder is shown as it is.
    EXPECT_NE(english.find("\"/music/{0}.ns3f\""), std::string::npos);
    EXPECT_NE(spanish.find("\"/music/{0}.ns3f\""), std::string::npos);
    EXPECT_EQ(english.find("/copy/") != std::string::npos, static_cast<Action>(action) == Action::Copy);
    EXPECT_TRUE(english.ends_with("\": No such file or directory"));
    EXPECT_TRUE(spanish.ends_with("\": no existe"));
    EXPECT_EQ(failed.problem(), Problem::NotFound);
    verbs[0].insert(english);
    verbs[1].insert(spanish);
  }
  EXPECT_EQ(verbs[0].size(), static_cast<std::size_t>(Action::Count) - 1);
  EXPECT_EQ(verbs[1].size(), static_cast<std::size_t>(Action::Count) - 1);

  for (int reason = 1; reason < static_cast<int>(Reason::Count); ++reason) {
    const Status failed = Status::because(Problem::Failed, static_cast<Reason>(reason));
    const std::string english = failureText(failed, false), spanish = failureText(failed, true);
    EXPECT_FALSE(english.empty());
    EXPECT_NE(english, spanish);
  }
}

TEST(FailureWords, ACauseIsToldInsideWhatFailedAndACancellationStaysOne) {
  const Status shrank = failureFor(Action::Read, "/a b/Pad.ns3f", Reason::ShorterWhileArchived, Problem::Failed);
  const Status archive = failureFor(Action::WriteArchive, "/out.zip", shrank);
  EXPECT_EQ(failureText(archive, false),
            "Could not write archive \"/out.zip\": Could not read \"/a b/Pad.ns3f\": it got shorter while being archived");
  EXPECT_EQ(failureText(archive, true), "No se pudo escribir el archivo ZIP \"/out.zip\": No se pudo leer "
                                        "\"/a b/Pad.ns3f\": se acortó mientras se comprimía");
  EXPECT_EQ(failureText(failureFor(Action::Read, "/x", Status::fromErrno(EACCES)), true),
            "No se pudo leer \"/x\": permiso denegado");
  const Status stopped = failureFor(Action::Copy, "/x", Status::cancelled());
  EXPECT_EQ(stopped.problem(), Problem::Cancelled);
  EXPECT_EQ(failureText(stopped, false), "Cancelled. Nothing was changed.");
  EXPECT_EQ(failureText(stopped, true), "Cancelado. No se ha cambiado nada.");
  EXPECT_EQ(failureText(Status(), true), "");
}

TEST(FailureWordsDeathTest, ATextMissingAWordStopsTheProcess) {
  const Status said = Status::said(Problem::NotFound, FailureText::ProgramInBackupUnreadable, {"Pad.ns3f"});
  EXPECT_DEATH((void)failureText(said, false), "VERIFY\\(n < words.size\\(\\)\\)");
}

}  // namespace
}  // namespace velmorin
