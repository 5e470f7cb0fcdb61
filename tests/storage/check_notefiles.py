#!/usr/bin/python3
"""Reads the note files written by make_notefiles with olefile, a compound-file
reader that shares nothing with the program, and checks every element."""
import struct
import sys

import olefile

NOTE_FILE_CLASS = "FA236B80-C465-11CF-BBF3-0020AF71E433"
ANSI = "cp1252"

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def record(text):
    return struct.pack("<I", len(text)) + text


def index_bytes(names):
    return struct.pack("<I", len(names)) + b"".join(record(n) for n in names)


def parse_index(data):
    (count,) = struct.unpack_from("<I", data, 0)
    pos, names = 4, []
    for _ in range(count):
        (length,) = struct.unpack_from("<I", data, pos)
        names.append(data[pos + 4:pos + 4 + length])
        pos += 4 + length
    check(pos == len(data), "Index has %d bytes after its records" % (len(data) - pos))
    return names


def elements(ole):
    found = {}
    for path in ole.listdir(streams=True, storages=True):
        found["/".join(path)] = ole.get_type(path)
    return found


def check_common(ole, name, topic_names, streams_of_topics, extra):
    check(ole.root.clsid == NOTE_FILE_CLASS,
          "%s: root class %r" % (name, ole.root.clsid))
    expected = {"Index": olefile.STGTY_STREAM, "Topics": olefile.STGTY_STORAGE}
    for topic in streams_of_topics:
        expected["Topics/" + topic.decode(ANSI)] = olefile.STGTY_STREAM
    for element in extra:
        expected[element] = olefile.STGTY_STREAM
    check(elements(ole) == expected, "%s: elements %r, expected %r" % (name, elements(ole), expected))
    index = ole.openstream("Index").read()
    check(parse_index(index) == topic_names,
          "%s: Index names %r" % (name, parse_index(index)))
    return index


def topic_text(ole, name):
    data = ole.openstream(["Topics", name.decode(ANSI)]).read()
    (length,) = struct.unpack_from("<I", data, 0)
    check(length == len(data) - 4, "topic %r: record length %d in %d bytes" % (name, length, len(data)))
    return data[4:]


def check_new(folder):
    with olefile.OleFileIO(folder + "/new.qld") as ole:
        names = [b"To-do", b"Notes"]
        index = check_common(ole, "new.qld", names, names, [])
        check(len(index) == 22, "new.qld: Index is %d bytes" % len(index))
        check(index == index_bytes(names), "new.qld: Index bytes %r" % index)
        for name in names:
            data = ole.openstream(["Topics", name.decode(ANSI)]).read()
            check(data == b"\0\0\0\0", "new.qld: topic %r holds %r" % (name, data))


def long_text():
    return b"".join(b"Line %d of a long topic\r\n" % i for i in range(800))


def check_topics(folder):
    topics = [
        (b"To-do", b"Buy milk\r\nCall Anna\r\n"),
        (b"Notes", None),  # listed in the Index, no stream
        (b"Shopping list", b"bread, butter"),
        (b"12345678901234567890", long_text()),
        (b"a  b", b"two blanks"),
        (b"Caf\xe9", b"na\xefve \xe4\xf6\xfc"),
    ]
    with olefile.OleFileIO(folder + "/topics.qld") as ole:
        names = [n for n, _ in topics]
        with_streams = [n for n, t in topics if t is not None]
        check_common(ole, "topics.qld", names, with_streams, [])
        for name, text in topics:
            if text is not None:
                got = topic_text(ole, name)
                check(got == text, "topics.qld: topic %r holds %d bytes %r..." % (name, len(got), got[:40]))


def check_appearance(folder):
    with olefile.OleFileIO(folder + "/appearance.qld") as ole:
        names = [b"To-do", b"Notes"]
        check_common(ole, "appearance.qld", names, names, ["Colours", "Font"])
        colours = ole.openstream("Colours").read()
        if check(len(colours) == 72, "Colours is %d bytes" % len(colours)):
            values = struct.unpack("<18I", colours)
            check(values[0] == 0x00112233, "background %08x" % values[0])
            check(values[1] == 0x00445566, "text colour %08x" % values[1])
            check(list(values[2:]) == [i * 0x00010203 for i in range(16)],
                  "custom colours %r" % (values[2:],))
        font = ole.openstream("Font").read()
        if check(len(font) == 120, "Font is %d bytes" % len(font)):
            layout = "<5i8B32s"
            text = struct.unpack_from(layout, font, 0)
            tab = struct.unpack_from(layout, font, 60)
            check(text[0] == -13, "text font height %d" % text[0])
            check(text[4] == 700, "text font weight %d" % text[4])
            check(text[13].rstrip(b"\0") == b"Courier New", "text font face %r" % text[13])
            check(font[60:] == bytes(60), "tab font record %r" % (tab,))


def main():
    folder = sys.argv[1]
    for name in ("new.qld", "topics.qld", "appearance.qld"):
        check(olefile.isOleFile(folder + "/" + name), name + " is not a compound file")
    if not failures:
        for check_file in (check_new, check_topics, check_appearance):
            try:
                check_file(folder)
            except (OSError, struct.error) as error:
                failures.append("%s: %s" % (check_file.__name__, error))
    for failure in failures:
        print("FAIL:", failure)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
