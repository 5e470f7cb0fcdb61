"""Checks note files against the topics the test expected, with olefile."""
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
    # Wine's RenameElement keeps the old name length in the directory entry, so
    # a renamed stream is read by its terminated name, not by that length.
    raw = entry.name_raw.decode("utf-16-le")
    return raw.split("\0", 1)[0]


def topic_stream(ole, name):
    topics = next(e for e in ole.direntries if e is not None and entry_name(e) == "Topics")
    for kid in topics.kids:
        if entry_name(kid).upper() == name.upper():
            return ole._open(kid.isectStart, kid.size)
    raise KeyError(f"no stream {name!r} in Topics")


def check(path):
    expected = []
    data = Path(str(path)[:-4] + ".expected").read_bytes().decode("cp1252")
    for line in data.split("\n")[:-1]:
        name, text = line.split("\t", 1)
        expected.append((name, text.replace("\\n", "\n")))
    ole = olefile.OleFileIO(str(path))
    assert ole.root.clsid == CLSID, f"class {ole.root.clsid}"
    names = records(ole.openstream("Index").read())
    assert names == [n for n, _ in expected], f"index {names}"
    for name, text in expected:
        stored = records(topic_stream(ole, name).read(), count_first=False)[0]
        assert stored == text, f"{name}: {stored!r} != {text!r}"
    ole.close()


failures = 0
for path in sorted(Path(sys.argv[1]).glob("*.qld")):
    try:
        check(path)
        print(f"ok {path.name}")
    except Exception as error:  # report every file, then fail
        failures += 1
        print(f"FAIL {path.name}: {error}")
print(f"{failures} failures")
sys.exit(1 if failures else 0)
