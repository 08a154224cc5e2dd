// The page's bridge client, driven inside the real page: ids, reply order, bad replies.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { useBrowser } from './support/harness.js';

const browser = useBrowser();

describe('bridge client', { timeout: 120_000 }, () => {
  test('posts {cmd, id, args} and settles each request by its own id, whatever the reply order', async () => {
    const ui = await browser.open({ rules: { zip: [{ hold: true }], reveal: [{ hold: true, reply: { ok: true, note: 'quote " back\\slash\nline ñ ✓' } }] } });
    const result = await ui.page.evaluate(async () => {
      const { request } = await import('./bridge.js');
      const first = request('zip', { path: '/a b/c' });
      const second = request('reveal', { path: '/x' });
      const order = [];
      first.then(() => order.push('zip'));
      second.then(() => order.push('reveal'));
      window.__mock.release('reveal');
      const revealReply = await second;
      window.__mock.release('zip');
      const zipReply = await first;
      return { order, revealReply, zipReply, posted: [...window.__mock.sent('zip'), ...window.__mock.sent('reveal')] };
    });
    assert.deepEqual(result.order, ['reveal', 'zip']);
    assert.equal(result.revealReply.note, 'quote " back\\slash\nline ñ ✓');
    assert.equal(result.zipReply.path, '/home/ana/Desktop/Velmorin.zip');
    const [zip, reveal] = result.posted;
    assert.deepEqual(Object.keys(zip).sort(), ['args', 'cmd', 'id']);
    assert.deepEqual(zip.args, { path: '/a b/c' });
    assert.ok(Number.isInteger(zip.id) && Number.isInteger(reveal.id) && zip.id !== reveal.id);
    await ui.close();
  });

  test('ignores replies for ids nobody waits for, and answers each id only once', async () => {
    const ui = await browser.open({ rules: { prepare: [{ hold: true }] } });
    const outcome = await ui.page.evaluate(async () => {
      const { request } = await import('./bridge.js');
      const pending = request('prepare');
      const { id } = window.__mock.sent('prepare').at(-1);
      window.__vlReply(987654, '{"ok":false}');
      window.__vlReply(id, '{"ok":"first"}');
      window.__vlReply(id, '{"ok":"second"}');
      return pending;
    });
    assert.deepEqual(outcome, { ok: 'first' });
    await ui.close();
  });

  test('rejects a reply that is not JSON, or not a JSON object, with a readable error', async () => {
    const ui = await browser.open({ rules: { zip: [{ raw: '{"ok": tru' }], reveal: [{ raw: '[1,2]' }] } });
    const errors = await ui.page.evaluate(async () => {
      const { request } = await import('./bridge.js');
      const messages = [];
      for (const cmd of ['zip', 'reveal']) {
        await request(cmd).then(() => messages.push('resolved'), (error) => messages.push(error.message));
      }
      return messages;
    });
    assert.match(errors[0], /reply to "zip" is not valid JSON: \{"ok": tru/);
    assert.match(errors[1], /reply to "reveal" is not a JSON object/);
    await ui.close();
  });
});
