// A tiny static server for ui/ on 127.0.0.1 with the application's strict
// Content-Security-Policy, so that anything the policy forbids fails here too.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const CSP = "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
  + "font-src 'self'; connect-src 'none'; frame-src 'none'";

const UI_DIR = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../../ui');
// axe-core is served from the same origin so that 'self' lets the tests inject it.
const AXE_PATH = createRequire(import.meta.url).resolve('axe-core/axe.min.js');

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.svg': 'image/svg+xml',
  '.png': 'image/png',
};

function fileFor(urlPath) {
  if (urlPath === '/__test__/axe.min.js') return AXE_PATH;
  const local = path.normalize(path.join(UI_DIR, decodeURIComponent(urlPath)));
  return local.startsWith(UI_DIR + path.sep) ? local : null;
}

export async function startServer() {
  const server = createServer(async (req, res) => {
    const file = fileFor(new URL(req.url, 'http://localhost').pathname);
    try {
      if (!file) throw new Error('outside ui/');
      const body = await readFile(file);
      res.writeHead(200, {
        'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
        'Content-Security-Policy': CSP,
        'Cache-Control': 'no-store',
      });
      res.end(body);
    } catch {
      res.writeHead(404, { 'Content-Type': 'text/plain', 'Content-Security-Policy': CSP });
      res.end('not found');
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  return { url: `http://127.0.0.1:${port}`, close: () => new Promise((resolve) => server.close(resolve)) };
}
