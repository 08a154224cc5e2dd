// Keeps every reply and progress report the application sends, for the tests to read.
window.replies = [];
window.progress = [];
window.__vlReply = (id, text) => {
  window.replies.push({ id, text });
};
window.__vlProgress = (id, report) => {
  window.progress.push({ id, report });
};
window.post = (message) => window.webkit.messageHandlers.vl.postMessage(message);
