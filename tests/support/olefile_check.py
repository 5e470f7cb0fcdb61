"""Reads note files with Debian's olefile, independently of the program.

  olefile_check.py expected DIR
      every DIR/*.qld against DIR/*.expected (one "name<TAB>text" line a topic)
  olefile_check.py states STATES NOTE [RESCUE]
      NOTE holds one of the states in STATES (a JSON object a line: "topics",
      a list of [name, text], and "colours"); RESCUE, when given, the last one
"""
import json
import struct
import sys
from pathlib import Path

import olefile

CLSID = "FA236B80-C465-11CF-BBF3-0020AF71E433"


def records(data, count_first=True):
    pos = 0
    if count_first:
        (count,) = struct.unpack_from("<I", data, 0)
        pos = 4
    else:
        count = 1
    out = []
    for _ in range(count):
        (length,) = struct.unpack_from("<I", data, pos)
        pos += 4
        out.append(data[pos:pos + length].decode("cp1252"))
        pos += length
    assert pos == len(data), f"{len(data) - pos} bytes after the records"
    return out


def entry_name(entry):
    # The name as its length field gives it: a terminator inside it means the
    # entry was renamed without its length (Wine's RenameElement does that).
    raw = entry.name_raw[:max(entry.namelength - 2, 0)].decode("utf-16-le")
    assert "\0" not in raw, f"malformed element name {raw!r}"
    return raw


def read_note(path):
    """The topics (name, text) in Index order and whether "Colours" is there."""
    ole = olefile.OleFileIO(str(path))
    try:
        assert ole.root.clsid == CLSID, f"class {ole.root.clsid}"
        for entry in ole.direntries:
            if entry is not None:
                entry_name(entry)
        names = records(ole.openstream("Index").read())
        topics = next(e for e in ole.root.kids if entry_name(e) == "Topics")
        streams = {entry_name(kid).upper(): kid for kid in topics.kids}
        assert sorted(streams) == sorted(n.upper() for n in names), \
            f"Topics holds {sorted(streams)} for the index {names}"
        texts = [records(ole._open(streams[n.upper()].isectStart, streams[n.upper()].size).read(),
                         count_first=False)[0] for n in names]
        return list(zip(names, texts)), ole.exists("Colours")
    finally:
        ole.close()


def check_expected(folder):
    failures = 0
    for path in sorted(Path(folder).glob("*.qld")):
        try:
            data = Path(str(path)[:-4] + ".expected").read_bytes().decode("cp1252")
            expected = [tuple(line.split("\t", 1)) for line in data.split("\n")[:-1]]
            expected = [(n, t.replace("\\n", "\n")) for n, t in expected]
            topics, _ = read_note(path)
            # A topic listed without a stream reads as empty in the program.
            assert topics == expected, f"{topics} != {expected}"
            print(f"ok {path.name}")
        except Exception as error:  # report every file, then fail
            failures += 1
            print(f"FAIL {path.name}: {error}")
    print(f"{failures} failures")
    return failures == 0


def check_states(states_file, note, rescue=None):
    states = [json.loads(line) for line in Path(states_file).read_text().splitlines() if line]
    states = [([tuple(t) for t in s["topics"]], s["colours"]) for s in states]
    topics, colours = read_note(note)
    assert (topics, colours) in states, f"{note} holds no state of the session: {topics}, colours {colours}"
    held = states.index((topics, colours))
    if rescue:
        rescued, _ = read_note(rescue)
        assert rescued == states[-1][0], f"{rescue} holds {rescued}"
    return held, len(states) - 1


if __name__ == "__main__":
    if len(sys.argv) >= 3 and sys.argv[1] == "expected":
        sys.exit(0 if check_expected(sys.argv[2]) else 1)
    if len(sys.argv) in (4, 5) and sys.argv[1] == "states":
        try:
            held, last = check_states(*sys.argv[2:])
            print(f"state {held} of {last}")
        except Exception as error:
            print(f"FAIL {error}")
            sys.exit(1)
        sys.exit(0)
    print(__doc__)
    sys.exit(2)
