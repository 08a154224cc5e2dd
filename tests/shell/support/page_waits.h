#pragma once
// Scripts for DrivenApp::executeAsync that wait for the page to show text.

namespace velmorin::testing {

// True once the page's text holds `wanted`; false after 20 s.
inline constexpr const char* kWaitForText = R"JS(
  const [wanted, done] = arguments;
  const deadline = Date.now() + 20000;
  (function poll() {
    const shown = document.body.innerText.includes(wanted);
    if (shown || Date.now() > deadline) return done(shown);
    setTimeout(poll, 50);
  })();
)JS";

// Waits (up to 20 s) until the page's visible text holds every string given:
// "shown", or the text it holds at the end.
inline constexpr const char* kWaitForTexts = R"JS(
  const [wanted, done] = arguments;
  const deadline = Date.now() + 20000;
  (function poll() {
    const text = document.body ? document.body.innerText : '';
    if (wanted.every((w) => text.includes(w))) return done('shown');
    if (Date.now() > deadline) return done(text);
    setTimeout(poll, 50);
  })();
)JS";

}  // namespace velmorin::testing
