#!/usr/bin/env python3
"""Reads the application manifest resource (type 24, id 1) out of built programs and
checks what it asks of Windows. Usage: check_manifest.py program.exe..."""
import struct
import sys


def manifest(path):
    data = open(path, 'rb').read()
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        raise ValueError('not a PE file')
    machine, sections, _, _, _, optional_size = struct.unpack_from('<HHIIIH', data, pe + 4)
    table = pe + 24 + optional_size
    for i in range(sections):
        name, _, rva, raw_size, raw = struct.unpack_from('<8sIIII', data, table + 40 * i)
        if name.rstrip(b'\0') == b'.rsrc':
            break
    else:
        raise ValueError('no resource section')

    def entries(offset):
        named, ids = struct.unpack_from('<HH', data, raw + offset + 12)
        for k in range(named + ids):
            ident, target = struct.unpack_from('<II', data, raw + offset + 16 + 8 * k)
            yield ident, target

    def child(offset, wanted=None):
        for ident, target in entries(offset):
            if wanted is None or ident == wanted:
                return target & 0x7FFFFFFF
        raise ValueError('no resource %s' % wanted)

    leaf = child(child(child(0, 24), 1))
    data_rva, size = struct.unpack_from('<II', data, raw + leaf)
    start = raw + data_rva - rva
    return machine, data[start:start + size].decode('utf-8')


failures = 0
for path in sys.argv[1:]:
    try:
        machine, text = manifest(path)
        problems = []
        if 'level="asInvoker"' not in text:
            problems.append('no asInvoker execution level')
        if text.count('<supportedOS Id=') < 5:
            problems.append('fewer than five supported systems')
        if 'Common-Controls' in text:
            problems.append('asks for common controls 6')
    except (OSError, ValueError, struct.error, UnicodeDecodeError) as error:
        machine, problems = 0, [str(error)]
    kind = {0x14C: 'PE32', 0x8664: 'PE32+'}.get(machine, hex(machine))
    print('%s (%s): %s' % (path, kind, '; '.join(problems) or 'manifest ok'))
    failures += bool(problems)
sys.exit(1 if failures or not sys.argv[1:] else 0)
