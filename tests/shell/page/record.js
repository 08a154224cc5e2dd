// Keeps every reply the application sends, for the tests to read.
window.replies = [];
window.__vlReply = (id, text) => {
  window.replies.push({ id, text });
};
window.post = (message) => window.webkit.messageHandlers.vl.postMessage(message);
