#pragma once
// Which keyboard a program list is for, as its name or its content suggests:
// the maker's lists are named "<model> Program List.html" and name the model
// in their title, but a renamed or downloaded one may say it only inside.
#include <filesystem>
#include <string>

namespace velmorin {

// A known model name ("Nord Stage 3"), or "" when neither says.
std::string suggestedListModel(const std::filesystem::path& list);

}  // namespace velmorin
