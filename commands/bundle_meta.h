#pragma once
// The meta.xml of the maker's program bundles (.ns3fb, .ns2pb): which file of
// the bundle needs which pianos and samples. Read by a small reader of its
// own that knows only elements, attributes, text, comments and the five
// predefined entities: a document type (and so any entity of its own) is
// refused, never expanded, and size, depth and counts are bounded.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmorin {

// More than this is not a bundle's description.
constexpr std::size_t kMaxBundleMetaBytes = 1 << 20;

struct BundleFile {
  std::string name;               // its path inside the ZIP
  std::vector<std::string> deps;  // paths inside the ZIP ("Piano/…", "Samp Lib/…")
};

enum class BundleMetaFault {
  None,
  TooLarge,  // longer than kMaxBundleMetaBytes
  NotXml,    // not well-formed, or beyond what the reader takes
  NotBundle, // well-formed, but its root is not <bundle>
};

struct BundleMeta {
  BundleMetaFault fault = BundleMetaFault::None;
  std::string product;
  std::vector<BundleFile> files;
};

// The description in `text`. Each child of <bundle> is a file: its `name`,
// `depCnt` and `dep0` … `depN` may be attributes or child elements; the
// dependencies are taken as `depCnt` says, or all those given when it is
// missing or says more.
BundleMeta readBundleMeta(std::string_view text);

}  // namespace velmorin
