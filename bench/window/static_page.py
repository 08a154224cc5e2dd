"""A static page as heavy as the application's: the same number of bytes of
markup, styles and script, all in one file, which logs when it is painted."""
from pathlib import Path


def write_static_page(ui_folder: Path, out: Path) -> int:
    size = sum(p.stat().st_size for p in ui_folder.iterdir() if p.suffix in (".html", ".css", ".js"))
    head = ("<!doctype html><html><head><meta charset='utf-8'><title>Static</title><style>"
            "body{font:15px sans-serif;background:#1c1c1e;color:#eee;margin:24px}"
            "section{border:1px solid #333;border-radius:8px;padding:12px;margin:8px 0}</style></head><body>")
    tail = ("<script>requestAnimationFrame(() => console.info('static page shown'));</script></body></html>")
    body, n = [], 0
    while len(head) + n + len(tail) < size:
        block = f"<section><h2>Part {len(body)}</h2><p>Programs, lists and archives of one keyboard model.</p></section>"
        body.append(block)
        n += len(block)
    out.write_text(head + "".join(body) + tail)
    return out.stat().st_size
