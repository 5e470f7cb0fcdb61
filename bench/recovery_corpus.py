"""Damages note files in the ways real files are damaged, recovers each with
recover_dump and reads each with olefile, and prints the figures per kind.
usage: recovery_corpus.py OUT_FOLDER NOTE_FILE..."""
import io
import os
import struct
import subprocess
import sys

import olefile

SECTOR = 512
FREE, END = 0xFFFFFFFF, 0xFFFFFFFE


def record(data):
    if len(data) < 4:
        return None
    n = struct.unpack_from('<I', data)[0]
    return data[4:4 + n] if 4 + n <= len(data) else None


def topics_by_olefile(data, names):
    """Topic texts olefile reads whole from the bytes, by name."""
    found = {}
    try:
        ole = olefile.OleFileIO(io.BytesIO(data))
    except Exception:
        return found
    for name in names:
        try:
            text = record(ole.openstream(['Topics', name.decode('latin-1')]).read())
        except Exception:
            continue
        if text is not None:
            found[name] = text
    return found


def index_names(data):
    n = struct.unpack_from('<I', data)[0]
    names, at = [], 4
    for _ in range(n):
        size = struct.unpack_from('<I', data, at)[0]
        names.append(data[at + 4:at + 4 + size])
        at += 4 + size
    return names


def variants(data):
    """(kind, bytes) for every damage of each kind."""
    sectors = len(data) // SECTOR - 1
    fat_count = struct.unpack_from('<I', data, 0x2C)[0]
    fat_sectors = [struct.unpack_from('<I', data, 0x4C + 4 * i)[0] for i in range(min(fat_count, 109))]
    fat = []
    for s in fat_sectors:
        fat += struct.unpack_from('<128I', data, (s + 1) * SECTOR)
    for s in range(sectors + 1):
        yield 'one sector zeroed', data[:s * SECTOR] + bytes(SECTOR) + data[(s + 1) * SECTOR:]
    for s in range(1, sectors + 1):
        yield 'cut at a sector boundary', data[:s * SECTOR]
    for i, value in enumerate(fat[:sectors]):
        if value == FREE:
            continue
        for new in (value ^ 1, END if value != END else FREE):
            at = (fat_sectors[i // 128] + 1) * SECTOR + 4 * (i % 128)
            yield 'table entry changed', data[:at] + struct.pack('<I', new) + data[at + 4:]
    directory = []
    s = struct.unpack_from('<I', data, 0x30)[0]
    while s < len(fat) and len(directory) < sectors:
        directory.append(s)
        s = fat[s]
    for d in directory:
        for e in range(4):
            entry = (d + 1) * SECTOR + 128 * e
            if data[entry + 0x42] == 0:
                continue
            for field in (0x44, 0x48, 0x4C, 0x74, 0x78):
                value = struct.unpack_from('<I', data, entry + field)[0]
                yield 'directory entry changed', data[:entry + field] + struct.pack('<I', value ^ 1) + data[entry + field + 4:]


def main():
    out, sources = sys.argv[1], sys.argv[2:]
    dump = os.path.join(out, 'recover_dump')
    folder = os.path.join(out, 'variants')
    os.makedirs(folder, exist_ok=True)
    totals = {}
    for source in sources:
        data = open(source, 'rb').read()
        whole = olefile.OleFileIO(io.BytesIO(data))
        # Topics with a stream of their own (a name of the Index without one is an empty topic).
        expected = topics_by_olefile(data, index_names(whole.openstream('Index').read()))
        names = list(expected)
        files = []
        for n, (kind, damaged) in enumerate(variants(data)):
            path = os.path.join(folder, '%s-%d.qld' % (os.path.basename(source), n))
            with open(path, 'wb') as f:
                f.write(damaged)
            files.append((kind, path, damaged))
        lines = {}
        for start in range(0, len(files), 200):
            run = subprocess.run([dump] + [p for _, p, _ in files[start:start + 200]],
                                 capture_output=True, check=True, timeout=600)
            for line in run.stdout.decode('latin-1').splitlines():
                parts = line.split(' ')
                lines[parts[0]] = parts[1:]
        for kind, path, damaged in files:
            ours = {}
            for item in lines[path]:
                mark, name, text = (item.split(':') + ['', ''])[:3]
                if mark == 'W':
                    ours[bytes.fromhex(name)] = b'' if text == '-' else bytes.fromhex(text)
            theirs = topics_by_olefile(damaged, names)
            t = totals.setdefault(kind, [0, 0, 0, 0, 0, 0])
            t[0] += 1
            for name in names:
                ours_ok = ours.get(name) == expected[name]
                theirs_ok = theirs.get(name) == expected[name]
                t[1] += 1
                t[2] += ours_ok
                t[3] += theirs_ok
                t[4] += theirs_ok and not ours_ok
                if theirs_ok and not ours_ok and os.environ.get('RECOVERY_CORPUS_SHOW'):
                    print('missed', name, 'in', path, kind)
                t[5] += name in ours and not ours_ok
    print('| damage | files | topics | recovered whole | olefile reads | olefile reads, recovery misses | recovered "whole" but changed |')
    print('|---|---|---|---|---|---|---|')
    missed = 0
    for kind, (files, topics, ours, theirs, miss, changed) in totals.items():
        print('| %s | %d | %d | %d (%.1f%%) | %d (%.1f%%) | %d | %d |' % (
            kind, files, topics, ours, 100.0 * ours / topics, theirs, 100.0 * theirs / topics, miss, changed))
        missed += miss
    print('recovery corpus: %d topics olefile reads that the recovery misses %s' % (missed, 'PASS' if missed == 0 else 'MISS'))
    return 0 if missed == 0 else 1


if __name__ == '__main__':
    sys.exit(main())
