#!/usr/bin/python3
"""Builds the four embedded font files from Debian's fonts-lato.

Each weight becomes a family of its own ("Plumel Bold", ...) with no shared
typographic family: Qt's font database on Linux reports name entry 16 first,
and with a shared family a weightless QFont would never pick the bold face.
The licence reserves the original family name, hence the new one.
Run with Debian's python3 (python3-fonttools): /usr/bin/python3 tools/make-fonts.py
"""
import os
import re
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

SOURCE_DIR = "/usr/share/fonts/truetype/lato"
LICENCE_SOURCE = "/usr/share/doc/fonts-lato/copyright"
FAMILY = "Plumel"
VERSION = "Version 1.0"
WEIGHTS = [  # (file word, source file, family suffix)
    ("light", "Lato-Light.ttf", "Light"),
    ("regular", "Lato-Regular.ttf", "Regular"),
    ("bold", "Lato-Bold.ttf", "Bold"),
    ("heavy", "Lato-Black.ttf", "Heavy"),
]
# Printable ASCII and Latin-1 cover every text of the interface and what users type.
UNICODES = list(range(0x20, 0x7F)) + list(range(0xA0, 0x100))
KEEP_NAME_IDS = {0, 13, 14}  # copyright and licence must travel with the font


def build(out_dir, word, source, suffix):
    options = subset.Options()
    options.name_IDs = ["*"]
    options.layout_features = ["kern", "liga"]
    options.hinting = True
    options.notdef_outline = True
    font = TTFont(os.path.join(SOURCE_DIR, source), recalcTimestamp=False)
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=UNICODES)
    subsetter.subset(font)

    name = font["name"]
    name.names = [n for n in name.names if n.nameID in KEEP_NAME_IDS]
    family = f"{FAMILY} {suffix}"
    subfamily = "Bold" if word == "bold" else "Regular"
    postscript = f"{FAMILY}-{suffix}"
    for name_id, text in ((1, family), (2, subfamily), (3, f"1.0;{postscript}"),
                          (4, family),
                          (5, VERSION), (6, postscript)):
        name.setName(text, name_id, 3, 1, 0x409)
        name.setName(text, name_id, 1, 0, 0)
    if "CFF " in font or "FFTM" in font:
        font.pop("FFTM", None)
    # Fixed timestamps keep the output byte-identical from run to run.
    font["head"].created = font["head"].modified = 0x7C259DC0  # 2014-01-01
    out = os.path.join(out_dir, f"plumel-{word}-webfont.ttf")
    font.save(out, reorderTables=True)
    return out


def write_licence(out_dir):
    copyright_line = TTFont(os.path.join(SOURCE_DIR, WEIGHTS[1][1]))["name"].getDebugName(0)
    with open(LICENCE_SOURCE, encoding="utf-8") as f:
        text = f.read()
    match = re.search(r"^License: OFL-1\.1\n(.*?)(?=^\S|\Z)", text, re.S | re.M)
    if not match:
        sys.exit("OFL text not found in " + LICENCE_SOURCE)
    body = []
    for line in match.group(1).splitlines():
        line = line[1:] if line.startswith(" ") else line
        body.append("" if line == "." else line)
    with open(os.path.join(out_dir, "OFL.txt"), "w", encoding="utf-8") as f:
        f.write("The plumel-*-webfont.ttf files are subsets of Lato, renamed as the licence asks\n")
        f.write("of Modified Versions.\n\n")
        f.write(copyright_line.strip() + "\n\n")
        f.write("SIL OPEN FONT LICENSE Version 1.1 - 26 February 2007\n\n")
        f.write("\n".join(body).strip() + "\n")


def main():
    out_dir = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    for word, source, suffix in WEIGHTS:
        print(build(out_dir, word, source, suffix))
    write_licence(out_dir)


if __name__ == "__main__":
    main()
