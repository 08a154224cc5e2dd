#include "sound/layout.h"

namespace velmorin::sounds {

extern const Layout kStage3Program;
extern const Layout kStage2Program;
extern const Layout kStage2SynthPreset;

const Layout* layoutFor(std::string_view extension) {
  for (const Layout* layout : {&kStage3Program, &kStage2Program, &kStage2SynthPreset})
    if (layout->extension == extension) return layout;
  return nullptr;
}

}  // namespace velmorin::sounds
