#include "sound/layout.h"

namespace velmorin::sounds {

extern const Layout kStage3Program;
extern const Layout kStage3SynthPreset;
extern const Layout kStage2Program;
extern const Layout kStage2SynthPreset;

namespace {
constexpr const Layout* kLayouts[] = {&kStage3Program, &kStage3SynthPreset, &kStage2Program, &kStage2SynthPreset};
}  // namespace

std::span<const Layout* const> allLayouts() { return kLayouts; }

const Layout* layoutFor(std::string_view extension) {
  for (const Layout* layout : kLayouts)
    if (layout->extension == extension) return layout;
  return nullptr;
}

}  // namespace velmorin::sounds
