#include "sound/layout.h"

namespace velmorin::sounds {

extern const Layout kStage3Program;
extern const Layout kStage3SynthPreset;

const Layout* layoutFor(std::string_view extension) {
  for (const Layout* layout : {&kStage3Program, &kStage3SynthPreset})
    if (layout->extension == extension) return layout;
  return nullptr;
}

}  // namespace velmorin::sounds
