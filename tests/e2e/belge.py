"""The checked examples of docs/protokol.md, each marked "<!-- ornek: NAME -->" before its block; the
passes over the real bundle (uygulama.py) and the real helper (e2e_jack.py) compare them with the wire."""
import json
import pathlib
import re

BELGE = (pathlib.Path(__file__).resolve().parents[2] / "docs" / "protokol.md").read_text(encoding="utf-8")
ORNEK = {ad: metin.strip("\n") for ad, metin in re.findall(r"<!-- ornek: (\S+) -->\n```\w*\n(.*?)```", BELGE, re.S)}
JSON = {ad: json.loads(metin) for ad, metin in ORNEK.items() if metin.startswith("{")}


def bayt(ad):
    return bytes.fromhex(ORNEK[ad])


def http(ad):  # lines end in CR LF; an answer without a body ends in an empty line, a body has no line end
    return (ORNEK[ad] + ("" if "\n\n" in ORNEK[ad] else "\n\n")).replace("\n", "\r\n").encode()


def sekil(j):  # keys in order with their JSON types
    return [(k, type(v)) for k, v in j.items()]
