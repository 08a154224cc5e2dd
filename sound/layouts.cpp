#include "sound/layout.h"

namespace velmorin::sounds {

extern const Layout kStage3Program;

const Layout* layoutFor(std::string_view extension) {
  for (const Layout* layout : {&kStage3Program})
    if (layout->extension == extension) return layout;
  return nullptr;
}

}  // namespace velmorin::sounds
