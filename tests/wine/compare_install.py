#!/usr/bin/env python3
"""What an installation changed, on a Wine prefix and on a simulated machine,
and whether the two agree.

  compare_install.py snapshot DRIVE_C OUT.json
      the files of a drive: SHA-1 of each, and the lines of each INI file
  compare_install.py compare WINE_DIR SIM_DIR [EXPECTED]
      each side's folder holds before.json, after.json, roots.txt (NAME=path
      lines: the Windows folder, the system folder, the shell folders, the
      program files folder) and one .reg file per registry key of interest;
      EXPECTED lists differences that come from Wine itself, one a line as
      printed here, '#' for comments. Exit 1 on any other difference.

Paths are compared without regard to case and with each side's folders
written as %NAME%, so that C:\\windows\\system32 on Wine and
C:\\WINDOWS\\SYSTEM on a simulated Windows 98 are the same place.
"""
import hashlib
import json
import os
import re
import sys


def snapshot(drive, out):
    files = {}
    for root, _dirs, names in os.walk(drive):
        for name in names:
            path = os.path.join(root, name)
            if os.path.islink(path) or not os.path.isfile(path):
                continue
            with open(path, 'rb') as f:
                data = f.read()
            entry = {'sha1': hashlib.sha1(data).hexdigest()}
            # INI files and the installation's manifest of what it made are
            # compared line by line: each side spells its folders its own way.
            if name.lower().endswith('.ini') or name.lower() == 'manifest.lst':
                entry['lines'] = [line.strip() for line in data.decode('latin-1').splitlines() if line.strip()]
            files['C:\\' + os.path.relpath(path, drive).replace('/', '\\')] = entry
    with open(out, 'w') as f:
        json.dump(files, f)


# The folders, by their values in these keys, that each side names its own way.
ROOT_VALUES = {'shell folders': ('Programs', 'Startup', 'Common Programs', 'Common Startup'),
               'currentversion': ('ProgramFilesDir',)}


def read_roots(side):
    roots = []
    with open(os.path.join(side, 'roots.txt'), encoding='latin-1') as f:
        for line in f:
            name, _, path = line.strip().partition('=')
            if name and path:
                roots.append((path.rstrip('\\'), '%' + name + '%'))
    for item in registry_values(os.path.join(side, 'roots'), []):
        if not item.startswith('value '):
            continue
        key, name, value = item[6:].split(' | ', 2)
        kind, _, text = value.partition(' ')
        wanted = ROOT_VALUES.get(key.rsplit('\\', 1)[-1], ())
        for root in wanted:
            if name == root.lower() and kind == 'sz' and text:
                roots.append((text.rstrip('\\'), '%' + root.replace(' ', '') + '%'))
    # The longest folder first: the system folder before the Windows folder.
    roots.sort(key=lambda root: -len(root[0]))
    return roots


def symbolic(text, roots):
    for path, name in roots:
        text = re.sub(re.escape(path) + r'(?=\\|$|;|"|\s)', lambda _m, n=name: n, text, flags=re.IGNORECASE)
    return text.lower()


def file_changes(side, roots):
    with open(os.path.join(side, 'before.json')) as f:
        before = json.load(f)
    with open(os.path.join(side, 'after.json')) as f:
        after = json.load(f)
    changes = set()
    for path, entry in after.items():
        old = before.get(path)
        if old is not None and old['sha1'] == entry['sha1']:
            continue
        where = symbolic(path, roots)
        if path.lower().endswith('.lnk'):
            # Each shell link writer lays out its own blocks: the name is the result.
            changes.add('link ' + where)
        elif 'lines' in entry:
            kind = 'manifest ' if path.lower().endswith('manifest.lst') else 'ini '
            old_lines = set(old['lines']) if old else set()
            for line in sorted(set(entry['lines']) - old_lines):
                changes.add(kind + where + ' + ' + symbolic(line, roots))
            for line in sorted(old_lines - set(entry['lines'])):
                changes.add(kind + where + ' - ' + symbolic(line, roots))
        else:
            changes.add('file ' + where + ' ' + entry['sha1'])
    for path in before:
        if path not in after:
            changes.add('deleted ' + symbolic(path, roots))
    return changes


def read_reg(path):
    with open(path, 'rb') as f:
        data = f.read()
    if data.startswith(b'\xff\xfe'):
        return data[2:].decode('utf-16-le'), 'utf-16-le'
    return data.decode('latin-1'), 'latin-1'


def decode_value(kind, text, encoding):
    """A value of a .reg file as its type and a comparable text."""
    if text.startswith('"'):
        return 'sz', text[1:-1].replace('\\\\', '\\').replace('\\"', '"')
    if text.startswith('dword:'):
        return 'dword', str(int(text[6:], 16))
    match = re.match(r'hex(?:\((\w+)\))?:(.*)', text, re.DOTALL)
    if not match:
        return 'other', text
    raw = bytes(int(b, 16) for b in re.findall(r'[0-9a-fA-F]{2}', match.group(2)))
    type_code = int(match.group(1) or '3', 16)
    if type_code in (2, 7):
        # REGEDIT5 writes these in UTF-16, REGEDIT4 in the code page.
        value = raw.decode(encoding if encoding == 'utf-16-le' else 'latin-1')
        return ('expand_sz' if type_code == 2 else 'multi_sz'), value.rstrip('\0').replace('\0', '|')
    if type_code == 1:
        return 'sz', raw.decode(encoding if encoding == 'utf-16-le' else 'latin-1').rstrip('\0')
    if type_code == 4 and len(raw) == 4:
        return 'dword', str(int.from_bytes(raw, 'little'))
    return 'hex(%x)' % type_code, raw.hex()


def registry_values(side, roots):
    values = set()
    for name in sorted(os.listdir(side)):
        if not name.endswith('.reg'):
            continue
        text, encoding = read_reg(os.path.join(side, name))
        text = re.sub(r'\\\r?\n\s*', '', text)  # continued lines
        key = None
        for line in text.splitlines():
            line = line.strip()
            if line.startswith('[') and line.endswith(']'):
                key = line[1:-1]
                values.add('key ' + symbolic(key, roots))
                continue
            match = re.match(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$', line)
            if key is None or not match:
                continue
            value_name = '@' if match.group(1) == '@' else match.group(1)[1:-1].replace('\\\\', '\\')
            kind, value = decode_value(None, match.group(2), encoding)
            values.add('value %s | %s | %s %s' % (symbolic(key, roots), value_name.lower(), kind,
                                                   symbolic(value, roots)))
    return values


def compare(wine, sim, expected_file):
    expected = set()
    if expected_file:
        with open(expected_file, encoding='latin-1') as f:
            expected = {line.strip() for line in f if line.strip() and not line.startswith('#')}
    wine_roots, sim_roots = read_roots(wine), read_roots(sim)
    wine_result = file_changes(wine, wine_roots) | registry_values(wine, wine_roots)
    sim_result = file_changes(sim, sim_roots) | registry_values(sim, sim_roots)
    differences = sorted(['only on Wine: ' + item for item in wine_result - sim_result] +
                         ['only simulated: ' + item for item in sim_result - wine_result])
    unexpected = [d for d in differences if d not in expected]
    for difference in differences:
        print(('  expected  ' if difference in expected else '  DIFFERS   ') + difference)
    agreed = wine_result & sim_result
    print('%d results agree, %d differ as Wine is known to, %d differ otherwise' %
          (len(agreed), len(differences) - len(unexpected), len(unexpected)))
    if not agreed:
        print('nothing was installed on either side')
        return 1
    return 1 if unexpected else 0


def main(argv):
    if len(argv) == 4 and argv[1] == 'snapshot':
        snapshot(argv[2], argv[3])
        return 0
    if len(argv) in (4, 5) and argv[1] == 'compare':
        return compare(argv[2], argv[3], argv[4] if len(argv) == 5 else None)
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))
