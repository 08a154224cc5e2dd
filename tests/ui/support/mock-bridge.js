// The application's side of the bridge, installed in the page before its scripts run.
// It answers like the real application (same reply shapes, replies later and by id),
// and each test can add rules: a fixed reply, raw reply text, a delay, or a reply held
// back until the test releases it. A "cancel" stops a held command as the application
// does: the command answers {"ok": false, "code": "cancelled"}.
//
// This function is serialised into the page by page.addInitScript: it must not use
// anything from this module's scope.
export function installMockBridge({ rules = {}, languages = null }) {
  if (languages) {
    Object.defineProperty(Navigator.prototype, 'languages', { get: () => languages.slice(), configurable: true });
  }
  const spanish = () => (navigator.languages[0] || 'en').startsWith('es');
  const HOME = '/home/ana';
  const table = {};
  for (const [cmd, list] of Object.entries(rules)) table[cmd] = list.slice();

  const pickedByKind = {
    dest: '/media/ana/NORD USB/Backups',
    list: `${HOME}/Documents/Lists`,
    progs: `${HOME}/Music/Nord Programs`,
    setList: `${HOME}/Documents/Set lists`,
    restore: `${HOME}/Music/Restored`,
    backup: `${HOME}/Downloads/Stage backup 2026-10.ns3b`,
  };

  // A small library: both kinds of header, a backup's entry, a duplicate pair, damage.
  const day = (d) => new Date(2026, 10, d, 12).getTime();
  // What plays in each program, as the library's "sound" gives it (null: not decoded).
  const SOUNDS = {
    'Grand Lady': { summary: 'A: Grand (Royal Grand 3D) + B3 organ · B: Sample synth (Strings)', piano: 'Grand', organ: 'B3', synth: 'Sample', pianoName: 'Royal Grand 3D', sampleName: 'Strings' },
    'Warm Pad': { summary: 'A: Classic synth', piano: '', organ: '', synth: 'Classic', pianoName: '', sampleName: '' },
    'Old Organ': { summary: 'A: Vox organ', piano: '', organ: 'Vox', synth: '', pianoName: '', sampleName: '' },
    Strings: { summary: 'A: Upright (Ballad Upright) + Sample synth (Velvet Strings)', piano: 'Upright', organ: '', synth: 'Sample', pianoName: 'Ballad Upright', sampleName: 'Velvet Strings' },
    'Broken Lead': { summary: 'A: Electric (?)', piano: 'Electric', organ: '', synth: '', pianoName: '', sampleName: '' },
  };
  const program = (dir, name, ext, model, category, bank, location, slot, check, problem, d, dup = 0, inside = '') => ({
    path: inside ? `Program/Bank A/${name}.${ext}` : `${dir}/${name}.${ext}`, inside, name, ext, model, type: check === 'unknown' ? '' : ext,
    header: check === 'unchecked' ? 0 : 1, category, categoryCode: 0, bank, location, slot, version: 304, check, problem,
    size: 592, mtime: day(d), dup, sound: SOUNDS[name] || null,
  });

  // A Stage 3 sheet: panel A a grand piano and a B3 organ, panel B a sample synth.
  const panel = (on, { piano = false, organ = false, synth = false, pianoType = 'Grand', pianoName = 'Royal Grand 3D', organType = 'B3', oscillator = 'Sample', sample = 'Strings' }) => ({
    on, output: { main: '1-2', subSource: 'Off', subDestination: '3-4' },
    organ: { on: organ, type: organType, kbZone: 'oooo', volume: '-0.8 dB', octaveShift: '+0 oct', pitchStick: { on: false }, sustainPedal: { on: false },
      preset1: { drawbars: '888000000', vibrato: { on: true, mode: 'C3' }, percussion: { on: false, volumeSoft: { on: false }, decayFast: { on: true }, harmonicThird: { on: false } } },
      preset2: { on: false, drawbars: '008800000' } },
    piano: { on: piano, type: pianoType, model: 'Grand 3', name: pianoName, id: '0b0c0d0e', kbZone: 'oooo', volume: '-2.5 dB', octaveShift: '+0 oct', timbre: 'Soft', kbTouch: 'Normal', dynamics: 3, stringResonance: { on: true } },
    synth: { on: synth, kbZone: 'oooo', volume: '?', voice: 'Poly', oscillators: { type: oscillator, waveForm1: 'Saw', fastAttack: { on: false } }, sample: { name: sample, id: '0f0e0d0c' },
      filter: { type: 'LP24', cutoffFrequency: '2.2 kHz', resonance: 12 }, envelopes: { amplifier: { attack: '0.5 ms', decay: '45 ms', release: '1.2 s', velocity: 'Off' } } },
    extern: { on: false, channel: 1, program: 0 },
    effects: { rotarySpeaker: { on: organ, speed: 'Slow' }, reverb: { on: true, type: 'Hall 1', amount: '4.2', bright: { on: false } }, delay: { on: false, tempo: '120 bpm' } },
  });
  const SHEETS = {
    'Grand Lady': {
      split: { on: true, low: { note: 'C3', width: '1' } }, dualKeyboard: { on: false }, transpose: 'Off', masterClock: { rate: '120 bpm' },
      A: panel(true, { piano: true, organ: true }), B: panel(true, { synth: true }),
    },
    Strings: {
      split: { on: false }, transpose: '-2 semi', masterClock: { rate: '96 bpm' },
      A: panel(true, { piano: true, synth: true, pianoType: 'Upright', pianoName: 'Ballad Upright', sample: 'Velvet Strings' }), B: panel(false, { synth: true }),
    },
  };
  const NOTES = {
    en: 'The layout of Nord Electro 6 programs is not known, so its sound cannot be shown.',
    es: 'No se conoce el formato de los programas del Nord Electro 6: no se puede mostrar cómo suena.',
  };
  function soundReply(args) {
    const entry = libraryReply.programs.find((p) => p.path === args.path && p.inside === (args.inside || ''));
    if (!entry) return { ok: false, error: spanish() ? 'El archivo no existe.' : 'The file does not exist.', code: 'notFound' };
    const sheet = SHEETS[entry.name] || null;
    return {
      ok: true, path: entry.path, inside: entry.inside, name: entry.name, model: entry.model, ext: entry.ext, slot: entry.slot,
      category: entry.category, version: '3.04', check: entry.check, decoded: sheet !== null,
      note: sheet ? '' : NOTES[spanish() ? 'es' : 'en'], summary: sheet && entry.sound ? entry.sound.summary : '', sheet,
    };
  }
  // What differs between two sheets, key by key in a's order, as the application lists it.
  function flat(node, prefix = '', out = new Map()) {
    for (const [name, value] of Object.entries(node || {})) {
      const key = prefix ? `${prefix}.${name}` : name;
      if (value && typeof value === 'object') flat(value, key, out);
      else out.set(key, value);
    }
    return out;
  }
  function compareReply(args) {
    const a = soundReply(args.a || {});
    const b = soundReply(args.b || {});
    if (!a.ok) return a;
    if (!b.ok) return b;
    const decoded = a.decoded && b.decoded;
    const differences = [];
    if (decoded) {
      const x = flat(a.sheet);
      const y = flat(b.sheet);
      for (const [key, value] of x) if (!y.has(key) || y.get(key) !== value) differences.push({ key, a: value, b: y.has(key) ? y.get(key) : null });
      for (const [key, value] of y) if (!x.has(key)) differences.push({ key, a: null, b: value });
    }
    const header = ['slot', 'name', 'category', 'version'].filter((key) => a[key] !== b[key]).map((key) => ({ key, a: a[key], b: b[key] }));
    return { ok: true, decoded, sameSound: decoded ? differences.length === 0 : a.path === b.path, differences, header };
  }
  const LIVE = `${HOME}/Music/Nord/Live set`;
  const DOWNLOADS = `${HOME}/Downloads`;
  const libraryReply = {
    ok: true,
    programs: [
      program(LIVE, 'Warm Pad', 'ns3f', 'Nord Stage 3', 'Pad', 0, 0, 'A:11', 'ok', '', 20, 1),
      program(LIVE, 'Grand Lady', 'ns3f', 'Nord Stage 3', 'Grand', 1, 7, 'B:23', 'ok', '', 21),
      program(LIVE, 'Broken Lead', 'ns3f', 'Nord Stage 3', '', 0, 0, '', 'damaged', 'crc', 19),
      program(DOWNLOADS, 'Warm Pad', 'ns3f', 'Nord Stage 3', 'Pad', 0, 0, 'A:11', 'ok', '', 2, 1),
      program(DOWNLOADS, 'Old Organ', 'ns2p', 'Nord Stage 2', 'Organ', 0, 0, 'A:01:1', 'unchecked', '', 3),
      program(DOWNLOADS, 'Mystery', 'ne6p', 'Nord Electro 6', '', 0, 0, '', 'unknown', '', 4),
      program(DOWNLOADS, 'Strange', 'ns3f', 'Nord Stage 3', '', 0, 0, '', 'damaged', 'magic', 1),
      program(`${HOME}/Documents`, 'Strings', 'ns3f', 'Nord Stage 3', 'String', 0, 1, 'A:12', 'ok', '', 5, 0, `${HOME}/Documents/Backup 2026.ns3b`),
    ],
    folders: [
      { dir: LIVE, count: 3, models: ['Nord Stage 3'], newest: day(21), own: false, programs: { ns3f: 3 } },
      { dir: `${HOME}/Documents`, count: 1, models: ['Nord Stage 3'], newest: day(5), own: false, programs: {} },
      { dir: DOWNLOADS, count: 4, models: ['Nord Electro 6', 'Nord Stage 2', 'Nord Stage 3'], newest: day(4), own: false, programs: { ns3f: 2, ns2p: 1, ne6p: 1 } },
    ],
    damaged: 2, total: 8, truncated: false,
  };

  // The real application's answers for an ordinary machine.
  function builtin(cmd, args) {
    switch (cmd) {
      case 'info':
        return {
          os: 'linux', nsm: { found: true, name: 'Nord Sound Manager' }, icloud: { found: false, path: '' },
          diskFree: 120482713600, exportDir: `${HOME}/Desktop/Para Velmorin`, dest: `${HOME}/Desktop/Velmorin`,
          destLabel: spanish() ? 'Escritorio › Velmorin' : 'Desktop › Velmorin', destCloud: false,
        };
      case 'nord': return { connected: true, name: 'Nord Stage 3' };
      case 'scan': return {
        list: { path: `${HOME}/Documents/Nord Stage 3 Program List.html`, name: 'Nord Stage 3 Program List.html', model: 'Nord Stage 3', size: 48213 },
        progs: { dir: `${HOME}/Documents/Nord/Live set`, count: 24, ext: 'ns3f', model: 'Nord Stage 3', size: 3412000 },
      };
      case 'plan': {
        if (typeof args.dest !== 'string') return { ok: false, error: 'dest', code: 'invalid' };
        // A restore into a folder that does not hold the programs yet.
        if (args.restore === true) {
          if (typeof args.from !== 'string' || !Array.isArray(args.entries)) return { ok: false, error: 'from', code: 'invalid' };
          return {
            ok: true, programs: { add: args.entries.map((entry) => entry.split('/').pop()), replace: [], same: [] },
            trash: 0, bytesNeeded: 592 * args.entries.length, bytesFree: 120482713600, warnings: [],
          };
        }
        // A first install: nothing there yet, so nothing to replace.
        const model = (typeof args.model === 'string' ? args.model : 'Nord').split('/').join('-');
        return {
          ok: true, path: `${args.dest}/${model}`, programs: null, removeNames: [], list: null, archive: null,
          trash: 0, bytesNeeded: 3460213, diskFree: 120482713600, warnings: [],
        };
      }
      case 'install': {
        if (typeof args.dest !== 'string') return { ok: false, error: 'dest', code: 'invalid' };
        const model = (typeof args.model === 'string' ? args.model : 'Nord').split('/').join('-');
        const progsStep = typeof args.progs === 'string' && typeof args.ext === 'string';
        return {
          ok: true, count: progsStep ? 24 : 0, lists: typeof args.list === 'string' ? 1 : 0,
          bytes: 3460213, path: `${args.dest}/${model}`, root: args.dest,
        };
      }
      case 'zip': {
        const path = `${HOME}/Desktop/Velmorin.zip`;
        return typeof args.path === 'string' && args.path !== '' ? { ok: true, path, bytes: 2104518, trashed: 0, replaced: false } : { ok: false, path, bytes: 0 };
      }
      case 'library': return libraryReply;
      case 'sound': return soundReply(args);
      case 'compare': return compareReply(args);
      case 'compareSets': {
        if (typeof args.a !== 'string' || typeof args.b !== 'string') return { ok: false, error: 'a', code: 'invalid' };
        const side = (root, slot, name) => (root.endsWith('.ns3b') || root.endsWith('.zip')
          ? { path: `Program/${name}.ns3f`, inside: root, slot, name } : { path: `${root}/${name}.ns3f`, inside: '', slot, name });
        const row = (state, slot, name, a, b, differences = 0, keys = []) => ({
          state, slot, name, model: 'Nord Stage 3', a: a && side(args.a, ...a), b: b && side(args.b, ...b), differences, keys,
        });
        return {
          ok: true,
          rows: [
            row('changed', 'A:11', 'Warm Pad', ['A:11', 'Warm Pad'], ['A:11', 'Warm Pad'], 3, ['Piano Model', 'Organ Level', 'Synth Filter Cutoff']),
            row('moved', 'B:23', 'Grand Lady', ['A:12', 'Grand Lady'], ['B:23', 'Grand Lady']),
            row('added', 'A:13', 'New Lead', null, ['A:13', 'New Lead']),
            row('removed', 'A:14', 'Old Organ', ['A:14', 'Old Organ'], null),
            row('same', 'A:15', 'Strings', ['A:15', 'Strings'], ['A:15', 'Strings Live']),
          ],
          counts: { added: 1, removed: 1, changed: 1, moved: 1, same: 1 },
        };
      }
      case 'restore': {
        if (typeof args.dest !== 'string' || typeof args.from !== 'string' || !Array.isArray(args.entries)) return { ok: false, error: 'dest', code: 'invalid' };
        return { ok: true, written: args.entries.length, replaced: 0, trashed: 0, refused: [], verified: true };
      }
      case 'needs': {
        if (!Array.isArray(args.programs) && typeof args.dir !== 'string') return { ok: false, error: 'programs', code: 'invalid' };
        return {
          ok: true,
          sounds: [
            { id: 1201, kind: 'piano', name: 'Royal Grand 3D', version: '5.3', size: 181_000_000, programs: 2,
              found: [{ path: `${HOME}/Music/Nord/Pianos/Royal Grand 3D.npno`, inside: '' }] },
            { id: 3301, kind: 'sample', name: 'Strings Ensemble', version: '3.0', size: 24_500_000, programs: 1, found: [] },
          ],
          missing: 1, bytesNeeded: 24_500_000, notes: [],
        };
      }
      case 'saveSetList': {
        if (typeof args.path !== 'string' || !Array.isArray(args.rows)) return { ok: false, error: spanish() ? 'Argumentos no válidos.' : 'Bad arguments.', code: 'invalid' };
        return { ok: true, path: args.path, rows: args.rows.length };
      }
      case 'pickFolder': return { path: pickedByKind[args.kind] || `${HOME}/Music/Nord Programs` };
      case 'pickSaveFile': {
        const stamp = new Date().toISOString().slice(0, 10);
        return { path: `${HOME}/Documents/${spanish() ? 'Lista' : 'Set list'} ${stamp}.csv`, replace: false };
      }
      case 'freeSpace': return typeof args.path === 'string' && args.path !== ''
        ? { ok: true, path: args.path, diskFree: 120482713600 } : { ok: false, error: 'No folder was given.', code: 'invalid' };
      case 'settings': return { ok: true, settings: {} };
      case 'saveSettings': return { ok: true };
      case 'cancel': {
        const index = mock.held.findIndex((entry) => entry.id === args.id);
        if (index < 0) return { ok: true, found: false };
        const [target] = mock.held.splice(index, 1);
        const error = spanish() ? 'Cancelado.' : 'Cancelled.';
        setTimeout(() => window.__vlReply(target.id, JSON.stringify({ ok: false, error, code: 'cancelled' })), 5);
        return { ok: true, found: true };
      }
      case 'openNSM': case 'openURL': case 'reveal': case 'quit': case 'prepare': case 'print': return { ok: true };
      default: return { error: 'cmd' };
    }
  }

  function matches(when, args) {
    return !when || Object.entries(when).every(([key, value]) => JSON.stringify(args[key]) === JSON.stringify(value));
  }

  const mock = {
    log: [],
    held: [],
    violations: [],
    // Newer rules win over older ones and over the built-in answers.
    rule(cmd, rule) { (table[cmd] = table[cmd] || []).unshift(rule); },
    release(cmd) {
      const index = mock.held.findIndex((entry) => !cmd || entry.cmd === cmd);
      if (index < 0) return false;
      mock.held.splice(index, 1)[0].send();
      return true;
    },
    sent(cmd) { return mock.log.filter((message) => message.cmd === cmd); },
    // Progress for the latest `cmd` posted (or the one `index` picks), as the application sends it.
    progress(cmd, info, index = -1) {
      const message = mock.sent(cmd).at(index);
      window.__vlProgress(message.id, info);
    },
  };

  document.addEventListener('securitypolicyviolation', (event) => {
    mock.violations.push(`${event.violatedDirective} ${event.blockedURI}`);
  });

  window.__mock = mock;
  window.webkit = {
    messageHandlers: {
      vl: {
        postMessage(body) {
          // The application receives a copy of plain data, not the page's object.
          const message = JSON.parse(JSON.stringify(body));
          mock.log.push(message);
          const args = message.args && typeof message.args === 'object' ? message.args : {};
          const list = table[message.cmd] || [];
          const index = list.findIndex((rule) => matches(rule.when, args));
          const rule = index >= 0 ? list[index] : {};
          if (rule.once) list.splice(index, 1);
          const text = 'raw' in rule ? rule.raw : JSON.stringify('reply' in rule ? rule.reply : builtin(message.cmd, args));
          const send = () => window.__vlReply(message.id, [text][0]);
          if (rule.hold) mock.held.push({ cmd: message.cmd, id: message.id, send });
          else setTimeout(send, rule.delay ?? 5);
        },
      },
    },
  };
}
