#!/usr/bin/python3
"""Peer check of the vCard export: python3-vobject, an importer written by
others, reads every card brantel-tool writes for a sample address book, and
each decoded value must equal the contact's field as the tool's JSON dump
gives it (texts) or as the PDB file holds it (picture bytes). Every contact's
single card must equal its card in the series byte for byte.

usage: vcard_peer.py BRANTEL_TOOL WORK_FOLDER [COUNT]
"""
import base64
import concurrent.futures
import io
import json
import os
import struct
import subprocess
import sys

import vobject

PHONE_TYPES = {0: {"WORK", "VOICE"}, 1: {"HOME", "VOICE"}, 2: {"FAX"}, 3: set(),
               5: {"X-PALM-MAIN", "VOICE"}, 6: {"PAGER"}, 7: {"CELL"}}
PLACEHOLDER = "BEGIN:VCARD\r\nVERSION:2.1\r\nX-PALM:4.0\r\nN:;;\r\nEND:VCARD\r\n"
ADR_TYPES = {0: {"WORK"}, 1: {"HOME"}, 2: set()}
CHAT_NAMES = {0: "X-AIM", 1: "X-MSN", 2: "X-YAHOO", 3: "X-ICQ"}  # other labels: X-PALMSG-IM
KNOWN = {"BEGIN", "VERSION", "X-PALM", "N", "ADR", "ORG", "TITLE", "NOTE", "TEL", "EMAIL",
         "X-PALM-CUSTOM", "URL", "BDAY", "PHOTO", "END", "X-PALMSG-IM"} | set(CHAT_NAMES.values()) \
    | {f"X-PALM-CUSTOM{i}" for i in range(5, 10)}


def handheld_bytes(text):
    """The JSON dump's text back as the handheld's bytes (Latin-1 letters;
    other characters through cp1252)."""
    out = bytearray()
    for ch in text:
        if ord(ch) < 0x100:
            out.append(ord(ch))
        else:
            out += ch.encode("cp1252")
    return bytes(out)


def as_card_text(text):
    """What an importer reading the card as ISO-8859-1 must give back."""
    return handheld_bytes(text).decode("latin-1") if text else ""


def pictures(path):
    """The JPEG bytes of each record's "Bd00" blob, read from the file."""
    data = open(path, "rb").read()
    count = struct.unpack(">H", data[76:78])[0]
    offsets = [struct.unpack(">I", data[78 + 8 * i:82 + 8 * i])[0] for i in range(count)]
    ends = offsets[1:] + [len(data)]
    out = []
    for start, end in zip(offsets, ends):
        record = data[start:end]
        at = record.find(b"Bd00")
        if at < 0:
            out.append(None)
            continue
        size = struct.unpack(">H", record[at + 4:at + 6])[0]
        out.append(record[at + 8:at + 6 + size])
    return out


def split_components(value):
    """A structured value's parts: split at ";" not escaped as "\\;"."""
    parts, current, i = [], "", 0
    while i < len(value):
        if value[i] == "\\" and i + 1 < len(value) and value[i + 1] == ";":
            current += ";"
            i += 2
            continue
        if value[i] == ";":
            parts.append(current)
            current = ""
        else:
            current += value[i]
        i += 1
    return parts + [current]


def read_card(card):
    """The card's content lines as vobject reads them (unfolding, parameters,
    quoted-printable and charset decoding), without vobject's vCard 3.0 value
    rules, which would cut 2.1 text at its first comma."""
    lines = []
    for text, number in vobject.base.getLogicalLines(io.StringIO(card), allowQP=True):
        lines.append(vobject.base.textLineToContentLine(text, number))
    names = [line.name for line in lines]
    if names[0] != "BEGIN" or names[-1] != "END" or names[1] != "VERSION":
        raise ValueError("not a card: " + " ".join(names))
    vobject.readOne(card, allowQP=True)  # the whole card must parse as well
    return lines


def types_of(line):
    return {t.upper() for t in line.singletonparams + line.params.get("TYPE", [])} - {"PREF"}


def is_pref(line):
    return "PREF" in {t.upper() for t in line.singletonparams + line.params.get("TYPE", [])}


def text_of(line):
    return line.value.replace("\r\n", "\n")


def listed(fields, info, kind, count_key):
    """(index, value) of the contact's non-empty fields of `kind` below the
    info's count for them."""
    texts = fields.get(kind) or []
    return [(i, texts[i]) for i in range(min(info.get(count_key, 0), len(texts))) if texts[i]]


def check_extras(lines, fields, info, problems, where):
    """Custom fields, chat names and the web address, each in index order."""
    custom = [(line.name + "".join(";" + p for p in line.singletonparams), text_of(line))
              for line in lines if line.name.startswith("X-PALM-CUSTOM")]
    want = [("X-PALM-CUSTOM;%d" % (i + 1) if i < 4 else "X-PALM-CUSTOM%d" % (i + 1),
             as_card_text(value)) for i, value in listed(fields, info, "Custom", "CustomCount")]
    if custom != want:
        problems.append(f"{where}: custom {custom!r} != {want!r}")
    chat_names = set(CHAT_NAMES.values()) | {"X-PALMSG-IM"}
    chats = [(line.name, text_of(line)) for line in lines if line.name in chat_names]
    want = [(CHAT_NAMES.get(info["ChatLabel"][i], "X-PALMSG-IM"), as_card_text(value))
            for i, value in listed(fields, info, "Chat", "ChatCount")]
    if chats != want:
        problems.append(f"{where}: chat {chats!r} != {want!r}")
    urls = [(text_of(line), tuple(sorted(types_of(line)))) for line in values(lines, "URL")]
    want = [(as_card_text(value), ("WORK",)) for _, value in listed(fields, info, "Web", "HasWeb")]
    if urls != want:
        problems.append(f"{where}: URL {urls!r} != {want!r}")


def values(lines, name):
    return [line for line in lines if line.name == name]


def check_card(card, contact, picture, problems, where):
    fields, info = contact["fields"], contact["info"]
    lines = read_card(card)
    n = split_components(values(lines, "N")[0].value)
    expect = [as_card_text(fields["LastName"][0]), as_card_text(fields["FirstName"][0])]
    if n != expect:
        problems.append(f"{where}: N {n!r} != {expect!r}")
    unknown = sorted({line.name for line in lines} - KNOWN)
    if unknown:
        problems.append(f"{where}: unknown properties {unknown}")
    # PREF marks the shown phone; an e-mail entry never carries a type.
    tels = sorted((t.value, tuple(sorted(types_of(t))), is_pref(t)) for t in values(lines, "TEL"))
    mails = sorted((m.value, tuple(sorted(types_of(m))), is_pref(m))
                   for m in values(lines, "EMAIL"))
    want_tels, want_mails = [], []
    for i, number in enumerate(fields["Phone"]):
        if not number:
            continue
        label = info["PhoneLabel"][i]
        if label == 4:
            want_mails.append((as_card_text(number), (), False))
        else:
            want_tels.append((as_card_text(number), tuple(sorted(PHONE_TYPES.get(label, set()))),
                              i == info["ShownPhone"]))
    if tels != sorted(want_tels):
        problems.append(f"{where}: TEL {tels} != {sorted(want_tels)}")
    if mails != sorted(want_mails):
        problems.append(f"{where}: EMAIL {mails} != {sorted(want_mails)}")
    adrs = sorted(tuple(p.replace("\r\n", "\n") for p in split_components(a.value))
                  + (tuple(sorted(types_of(a))),) for a in values(lines, "ADR"))
    want_adrs = []
    for i, street in enumerate(fields["Address"]):
        if not street:
            continue
        parts = [as_card_text(fields[k][i]) for k in ("Address", "City", "State", "Zip", "Country")]
        label = info["AddressLabel"][i] if contact["layout"] == "ContactsDB-PAdd" else 0
        want_adrs.append(("", "") + tuple(parts) + (tuple(sorted(ADR_TYPES.get(label, {"WORK"}))),))
    if adrs != sorted(want_adrs):
        problems.append(f"{where}: ADR {adrs} != {sorted(want_adrs)}")
    for key, kind in (("ORG", "Company"), ("TITLE", "Title"), ("NOTE", "Note")):
        got = values(lines, key)
        value = got[0].value.replace("\r\n", "\n") if got else ""
        if value != as_card_text(fields[kind][0]):
            problems.append(f"{where}: {key} {value!r} != {as_card_text(fields[kind][0])!r}")
    bday = values(lines, "BDAY")
    info_bday = info["BirthdayInfo"]
    if info["HasBirthday"] and info_bday != -1:
        bits = info_bday & 0xFFFFFFFF
        want = "%04d%02d%02d" % (((bits >> 25) & 0x7F) + 1904, (bits >> 21) & 15, (bits >> 16) & 31)
        if not bday or bday[0].value != want:
            problems.append(f"{where}: BDAY {bday and bday[0].value} != {want}")
    elif bday:
        problems.append(f"{where}: BDAY without a birthday")
    photo = values(lines, "PHOTO")
    got_photo = base64.b64decode("".join(photo[0].value.split())) if photo else None
    if got_photo != picture:
        problems.append(f"{where}: PHOTO {len(got_photo or b'')} bytes != {len(picture or b'')}")
    check_extras(lines, fields, info, problems, where)


def run(args, **kw):
    return subprocess.run(args, check=True, capture_output=True, **kw).stdout


def main():
    tool, work = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 500
    os.makedirs(work, exist_ok=True)
    problems = []
    for layout in ("contacts", "address"):
        pdb = os.path.join(work, f"peer-{layout}.pdb")
        if os.path.exists(pdb):
            os.remove(pdb)
        run([tool, "sample", "--layout", layout, "--count", str(count), "--seed", "11", pdb])
        dump = json.loads(run([tool, "contacts", "dump", pdb, "--json"]).decode("utf-8"))
        pics = pictures(pdb)
        out = os.path.join(work, f"peer-{layout}.vcf")
        run([tool, "vcard", pdb, "all", out])
        text = open(out, "rb").read().decode("latin-1")
        cards = [c + "END:VCARD\r\n" for c in text.split("END:VCARD\r\n")[:-1]]
        if len(cards) != len(dump["records"]):
            problems.append(f"{layout}: {len(cards)} cards for {len(dump['records'])} contacts")
        for i, (card, contact) in enumerate(zip(cards, dump["records"])):
            contact["layout"] = dump["layout"]
            if contact["attributes"] & 1:  # deleted: the placeholder card
                read_card(card)
                if card != PLACEHOLDER:
                    problems.append(f"{layout} {i}: a deleted contact's card is {card!r}")
                continue
            check_card(card, contact, pics[i], problems, f"{layout} {i}")
        # Each contact's single card is its card in the series, which was
        # checked above: comparing the bytes checks the single card as well.
        # The tool starts once per card; two at a time keep both cores busy.
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
            singles = pool.map(lambda i: run([tool, "vcard", pdb, str(i)]), range(len(cards)))
            for i, single in enumerate(singles):
                if single.decode("latin-1") != cards[i]:
                    problems.append(f"{layout} {i}: the single card differs from the series' card")
    for p in problems[:40]:
        print(p)
    print(f"vcard peer check: {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
