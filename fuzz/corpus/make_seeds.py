#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (run from this folder).

Hand-written settings files, property lists made with plistlib, fixtures of the
tests, and album data files made by gen_albumdata.py (pass its path).
    python3 make_seeds.py /work/shared/tools/gen_albumdata.py
"""
import datetime
import plistlib
import subprocess
import sys


def w(path, data):
    with open(path, 'wb') as f:
        f.write(data if isinstance(data, bytes) else data.encode())


# Settings text form: lines end in CR as the program writes them; LF and CRLF as older files may.
example = ["<Speed>max</Speed>", "<Verify>True</Verify>", "<VolumePopup>1</VolumePopup>", "<BurnWindow>",
           "    <Left>20</Left>", "    <Top>44</Top>", "    <Width>600</Width>", "</BurnWindow>"]
w('settingstext/example-cr', '\r'.join(example) + '\r')
w('settingstext/example-lf', '\n'.join(example) + '\n')
w('settingstext/example-crlf', '\r\n'.join(example) + '\r\n')
w('settingstext/comments-multiline', '\r'.join(["# settings", "<A>1</A>", "   # indented", "<Note>", "# dropped", "x", "#<B>2</B>",
                                                 "y", "</Note>", "<Esc>&#60;b&#62;</Esc>", "<D>1/2/2005 3:4:5</D>", "<R>-2.25</R>"]) + '\r')
w('settingstext/nested', '\r'.join(["<A>", "    <B>", "        <C>", "            <V>deep</V>", "        </C>", "    </B>", "    <W>x</W>",
                                     "</A>", "<W>", "<L>1</L>", "</W>", "<W>", "<L>2</L>", "</W>"]) + '\r')
w('settingstext/odd', b"<A>x\xff\xfey</A>\n<B>1\x002</B>\n<>x</>\n<E>\n</E>\n<C>2")

# Settings property-list form.
settings = {'Speed': 'max', 'Verify': 'True', 'VolumePopup': '1', 'Note': 'first\rsecond', 'Tag': '<b> & "q"',
            'BurnWindow': {'Left': '20', 'Top': '44', 'Inner': {'Deep': 'x'}}, 'Empty': {}}
w('settingsplist/settings', plistlib.dumps(settings))
w('settingsplist/kinds', plistlib.dumps({'S': 's', 'B': True, 'I': -3, 'F': 0.5, 'D': datetime.datetime(2005, 1, 2, 3, 4, 5),
                                         'A': [1, 2], 'X': b'\x00\x01', 'Sub': {'T': False}}))
for name in ['declaration-then-text.txt', 'truncated-plist.xml', 'array-plist.xml']:
    w('settingsplist/' + name.split('.')[0], open('../../tests/settings/data/cxml/' + name, 'rb').read())

# Property lists, XML and binary.
every = {'string': 'text é €\r\n\t', 'true': True, 'false': False, 'int': 42, 'neg': -9223372036854775808,
         'big': 18446744073709551615 // 2, 'real': 1.5, 'date': datetime.datetime(2005, 1, 2, 3, 4, 5), 'data': b'\x00\x01\xff',
         'array': [1, 'a', [True], {}], 'dict': {'nested': {'x': 1}, 'list': [1.25]}}
w('propertylist/every-kind.xml', plistlib.dumps(every))
w('propertylist/every-kind.bplist', plistlib.dumps(every, fmt=plistlib.FMT_BINARY))
w('propertylist/array.xml', plistlib.dumps([1, 'two', 3.0, [], {}]))
w('propertylist/array.bplist', plistlib.dumps([1, 'two', 3.0, [], {}], fmt=plistlib.FMT_BINARY))
w('propertylist/unicode.bplist', plistlib.dumps({'ключ': 'значение 😀', 'a' * 20: 'b' * 300}, fmt=plistlib.FMT_BINARY))
w('propertylist/bare-value.xml', '<string>no wrapper</string>')
w('propertylist/entities.xml', '<?xml version="1.0"?>\n<!DOCTYPE plist [<!ENTITY a "aaaa">]>\n<plist><dict><key>k&amp;</key>'
  '<string>&a;&#13;&#x20AC;</string><key>k&amp;</key><integer>1</integer></dict></plist>')

# Another application's preferences.
prefs = {'RootDirectory': '/home/someone/Pictures/iPhoto Library', 'ShowTitles': True, 'ThumbSize': 128, 'Ratio': 1.5,
         'Recent': ['a', 'b'], 'Window': {'Title': 'Main', 'Visible': False, 'Left': 40, 'Nested': {'x': 1}, 'List': [1]},
         'Stamp': datetime.datetime(2005, 1, 2, 3, 4, 5), 'Blob': b'\x00\x01'}
w('prefsmod/prefs.xml', plistlib.dumps(prefs))
w('prefsmod/prefs.bplist', open('../../tests/photobackup/data/binary-prefs.plist', 'rb').read())
w('prefsmod/not-a-dictionary.bplist', plistlib.dumps(['RootDirectory'], fmt=plistlib.FMT_BINARY))

# Album data.
gen = sys.argv[1] if len(sys.argv) > 1 else '/work/shared/tools/gen_albumdata.py'
for n, name, eol, seed in [(3, 'three-lf.xml', 'lf', 1), (12, 'twelve-crlf.xml', 'crlf', 2), (5, 'five-cr.xml', 'cr', 3), (60, 'sixty-lf.xml', 'lf', 4)]:
    subprocess.run([sys.executable, gen, str(n), 'albumdata/' + name, '--eol', eol, '--seed', str(seed)], check=True)
w('albumdata/three.bplist', plistlib.dumps(plistlib.load(open('albumdata/three-lf.xml', 'rb')), fmt=plistlib.FMT_BINARY))

# Deep and long inputs, so that the fuzzers start with room past the nesting limits.
w('settingstext/deep', '\r'.join(['<L%d>' % i for i in range(80)] + ['<V>deep</V>'] + ['</L%d>' % i for i in reversed(range(80))]) + '\r')
w('settingstext/unclosed', '\n'.join(['<A>'] * 100 + ['<B>' + 'x' * 2000]) + '\n')
deep = {'V': 'deep'}
for i in range(80):
    deep = {'L%d' % i: deep, 'S': str(i)}
w('settingsplist/deep', plistlib.dumps(deep))
w('propertylist/deep-array.xml', '<plist>' + '<array>' * 520 + '</array>' * 520 + '</plist>')

# Other encodings of the same list: UTF-16 with a byte-order mark, UTF-16 without one, Latin-1.
small = plistlib.dumps({'Name': 'Fotos été', 'N': 3, 'L': ['ä', {'k': 'ß'}]}).decode()
w('propertylist/utf16-bom.xml', small.replace('UTF-8', 'UTF-16').encode('utf-16'))
w('propertylist/utf16le.xml', small.replace('UTF-8', 'UTF-16').encode('utf-16-le'))
w('propertylist/latin1.xml', small.replace('UTF-8', 'ISO-8859-1').encode('latin-1'))
w('prefsmod/utf16-bom.xml', plistlib.dumps(prefs).decode().replace('UTF-8', 'UTF-16').encode('utf-16'))
