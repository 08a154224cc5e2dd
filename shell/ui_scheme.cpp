#include "shell/ui_scheme.h"

#include <string>

#include "shell/ui_files.h"
#include "shell/webkit_compat.h"

namespace velmorin::shell {

namespace {

struct UiFolder {
  std::optional<std::filesystem::path> root;
};

void fail(WebKitURISchemeRequest* request, const char* message) {
  GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, message);
  webkit_uri_scheme_request_finish_error(request, error);
  g_error_free(error);
}

void answer(WebKitURISchemeRequest* request, gpointer data) {
  const auto* folder = static_cast<const UiFolder*>(data);
  if (!folder->root) return fail(request, "The page's folder was not found.");
  const char* uri = webkit_uri_scheme_request_get_uri(request);
  const auto relative = uri ? uiRelativePath(uri) : std::nullopt;
  const auto file = relative ? fileInside(*folder->root, *relative) : std::nullopt;
  if (!file) return fail(request, "No such file in the page's folder.");

  gchar* contents = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(file->c_str(), &contents, &length, nullptr))
    return fail(request, "The file could not be read.");
  const std::string mime = mimeTypeFor(*file);
  compat::finishSchemeRequest(request, g_bytes_new_take(contents, length), mime.c_str(),
                              {{"Content-Security-Policy", kContentSecurityPolicy},
                               {"X-Content-Type-Options", "nosniff"},
                               {"Cache-Control", "no-store"}});
}

}  // namespace

void registerUiScheme(WebKitWebContext* context, std::optional<std::filesystem::path> uiFolder) {
  const std::string scheme(kUiScheme);
  // A secure context, like a page from a file: it may use the APIs that need one.
  webkit_security_manager_register_uri_scheme_as_secure(webkit_web_context_get_security_manager(context),
                                                        scheme.c_str());
  webkit_web_context_register_uri_scheme(
      context, scheme.c_str(), answer, new UiFolder{std::move(uiFolder)},
      [](gpointer data) { delete static_cast<UiFolder*>(data); });
}

}  // namespace velmorin::shell
