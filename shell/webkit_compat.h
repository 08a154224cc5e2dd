#pragma once
// Every GTK/WebKitGTK version difference the shell cares about, in one place.
// Built against the 4.1 API (GTK 3, libsoup 3); older releases lack some calls.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace velmorin::shell::compat {

// The script-message signal hands over a WebKitJavascriptResult. The body as
// JSON text; empty when it has none.
inline std::string messageBodyJson(WebKitJavascriptResult* result) {
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  if (!value) return {};
  char* json = jsc_value_to_json(value, 0);
  // Values JSON cannot hold (cycles, BigInt) leave an exception on the context.
  if (JSCContext* context = jsc_value_get_context(value)) jsc_context_clear_exception(context);
  std::string text = json ? json : "";
  g_free(json);
  return text;
}

// Evaluates `script` in the page's main world and ignores the outcome.
inline void evaluateScript(WebKitWebView* web, const std::string& script) {
#if WEBKIT_CHECK_VERSION(2, 40, 0)
  webkit_web_view_evaluate_javascript(web, script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr,
                                      nullptr, nullptr, nullptr);
#else
  webkit_web_view_run_javascript(web, script.c_str(), nullptr, nullptr, nullptr);
#endif
}

// "context-menu" also hands over the GdkEvent that opened the menu. `edit` may
// change the menu before it shows.
using ContextMenuEdit = void (*)(WebKitContextMenu* menu);

inline gboolean contextMenuOpening(WebKitWebView*, WebKitContextMenu* menu, GdkEvent*, WebKitHitTestResult*,
                                   gpointer edit) {
  reinterpret_cast<ContextMenuEdit>(edit)(menu);
  return FALSE;  // shown, as edited
}

inline void onContextMenu(WebKitWebView* web, ContextMenuEdit edit) {
  g_signal_connect(web, "context-menu", G_CALLBACK(contextMenuOpening), reinterpret_cast<gpointer>(edit));
}

// Paints the page without GPU compositing. The page is a few panels of text:
// entering the compositing mode (for a spinner, say) cost it 140 ms at its
// first paint, a seventh of the window's whole start, for nothing it needs.
inline void paintWithoutCompositing(WebKitSettings* settings) {
  webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
}

// Answers a custom-scheme request with `bytes` (taken). Responses with their own
// status and headers arrived in 2.36; before that the page gets the body and type only.
inline void finishSchemeRequest(WebKitURISchemeRequest* request, GBytes* bytes, const char* mimeType,
                                std::initializer_list<std::pair<const char*, const char*>> headers) {
  GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
  const auto length = static_cast<gint64>(g_bytes_get_size(bytes));
#if WEBKIT_CHECK_VERSION(2, 36, 0)
  WebKitURISchemeResponse* response = webkit_uri_scheme_response_new(stream, length);
  webkit_uri_scheme_response_set_status(response, 200, nullptr);
  webkit_uri_scheme_response_set_content_type(response, mimeType);
  SoupMessageHeaders* soupHeaders = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
  // With headers of its own the response takes its type from them, not from the call above.
  soup_message_headers_set_content_type(soupHeaders, mimeType, nullptr);
  for (const auto& [name, value] : headers) soup_message_headers_append(soupHeaders, name, value);
  webkit_uri_scheme_response_set_http_headers(response, soupHeaders);  // takes the headers
  webkit_uri_scheme_request_finish_with_response(request, response);
  g_object_unref(response);
#else
  (void)headers;
  webkit_uri_scheme_request_finish(request, stream, length, mimeType);
#endif
  g_object_unref(stream);
  g_bytes_unref(bytes);
}

}  // namespace velmorin::shell::compat
