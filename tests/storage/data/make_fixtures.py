#!/usr/bin/env python3
"""Writes the person and duty file fixtures of tst_storage and the fuzz seeds.

Built from the byte layout directly (not with the program's writer), so the tests
compare the writer against an independent rendering of the layout.
Run from this folder: ./make_fixtures.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
FUZZ = os.path.join(HERE, '..', 'fuzz')


def i32(v):
    return struct.pack('<i', v)


def f64(v):
    return struct.pack('<d', v)


def b8(v):
    return bytes([v])


def string(s):
    b = s.encode('cp1252')
    return i32(len(b)) + b


def font(charset, color, face, pitch, ppi, size, style):
    f = face.encode('cp1252')
    return b8(charset) + i32(color) + b8(len(f)) + f + b8(pitch) + i32(ppi) + i32(size) + b8(style)


TABLE = 1212


def table(fn):
    return b''.join(f64(fn(i)) for i in range(TABLE))


def person_file(persons, holidays=None, colors=(0x9696C4, 0x808096, 0xC4C4E4),
                fonts=None, captions=('Rostelmark', 'Tagesanwesenheit'), switches=(1, 1, 0),
                language=0, double_row=1, free_lines=0, darker=0, until='S14'):
    """persons: dicts with name, hired, left, dismissed, entries [(datum, dienst, extra)],
    tables (soll, vortrag, uebertrag, ist as functions), start, max, persnr, abteilung."""
    if holidays is None:
        holidays = [1] * 27 + [0, 0]
    if fonts is None:
        fonts = [font(0, 0, 'Arial', 0, 96, 14, 1), font(0, 0, 'Arial Narrow', 0, 96, 8, 0),
                 font(178, 0, 'Arial', 0, 96, 10, 1)]
    out = [i32(len(persons))]
    for p in persons:
        out += [string(p['name']), f64(p.get('hired', 0.0)), f64(p.get('left', 0.0)),
                b8(p.get('dismissed', 0)), i32(len(p.get('entries', [])))]
        for (d, dienst, _extra) in p.get('entries', []):
            out += [f64(d), i32(dienst), i32(0)]
    out += [i32(c) for c in colors] + list(fonts) + [i32(h) for h in holidays[:27]]
    sections = [
        ('S1', string(captions[0]) + string(captions[1])),
        ('S2', b8(switches[0])), ('S3', b8(switches[1])), ('S4', b8(switches[2])),
        ('S5', i32(language)), ('S6', b8(double_row)),
        ('S7', i32(len(persons)) + b''.join(
            b''.join(table(p.get(t, lambda i: 0.0)) for t in ('soll', 'vortrag', 'uebertrag', 'ist'))
            for p in persons)),
        ('S8', i32(len(persons)) + b''.join(f64(p.get('start', 0.0)) for p in persons)),
        ('S9', b8(free_lines)),
        ('S10', b''.join(f64(e[2]) for p in persons for e in p.get('entries', []))),
        ('S11', i32(holidays[27]) + i32(holidays[28])),
        ('S12', i32(len(persons)) + b''.join(f64(p.get('max', 0.0)) for p in persons)),
        ('S13', b8(darker)),
        ('S14', i32(len(persons)) + b''.join(string(p.get('persnr', '')) + string(p.get('abteilung', ''))
                                             for p in persons)),
    ]
    if until != 'M9':
        for name, data in sections:
            out.append(data)
            if name == until:
                break
    return b''.join(out)


def duty_file(duties, margin=10.0, until='S3'):
    out = [i32(len(duties))]
    for d in duties:
        out += [string(d['name']), string(d['kuerzel']), i32(d['farbe'])]
    if until != 'M2':
        out.append(b''.join(b8(d.get('abwesend', 0)) for d in duties))
        if until != 'S1':
            out.append(b''.join(f64(d.get('stunden', 0.0)) for d in duties))
            if until != 'S2':
                out.append(f64(margin))
    return b''.join(out)


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


DEFAULT_PERSON = {'name': 'Mustermann'}
ANNA = {'name': 'Anna Müller', 'hired': 45292.0, 'left': 45657.0, 'dismissed': 1,
        'entries': [(45366.0, 1, 0.0), (45367.0, 2, 1.5), (45368.0, 0, 2.25)],
        'soll': lambda i: 160.0 if i % 12 else 150.0, 'vortrag': lambda i: i * 0.5,
        'uebertrag': lambda i: -i * 0.25, 'ist': lambda i: 1.0 if i == 290 else 0.0,
        'start': 12.5, 'max': 180.0, 'persnr': '4711', 'abteilung': 'Küche'}
BERT = {'name': 'Bert', 'entries': [(45400.0, 3, 0.0)], 'persnr': '', 'abteilung': 'Pforte',
        'start': -3.0}
HOLIDAYS = [1, 0] * 14 + [1]
FONTS = [font(1, 0x0000FF, 'Liberation Sans', 1, 120, 12, 3),
         font(0, 0, '', 2, 96, 9, 0), font(0, 0x123456, 'Arial', 0, 96, 10, 12)]
FULL = dict(holidays=HOLIDAYS, colors=(0x010203, 0x040506, 0x070809), fonts=FONTS,
            captions=('Dienstplan Süd', ''), switches=(0, 0, 1), language=1, double_row=0,
            free_lines=1, darker=1)

DUTIES = [{'name': 'Frühdienst', 'kuerzel': 'F', 'farbe': 0x00FF00, 'abwesend': 0, 'stunden': 7.5},
          {'name': 'Urlaub', 'kuerzel': 'U', 'farbe': 0x00FFFF, 'abwesend': 1, 'stunden': 0.0}]
URLAUB = [{'name': 'Urlaub', 'kuerzel': 'U', 'farbe': 0x0000FFFF, 'abwesend': 1, 'stunden': 0.0}]

files = {
    'personen_default.dat': person_file([DEFAULT_PERSON]),
    'personen_full.dat': person_file([ANNA, BERT], **FULL),
    'personen_m9.dat': person_file([ANNA, BERT], holidays=HOLIDAYS, colors=(1, 2, 3), fonts=FONTS, until='M9'),
    'personen_s4.dat': person_file([ANNA], **dict(FULL, until='S4')),
    'personen_p0.dat': person_file([], **FULL),
    'personen_cut_s7.dat': person_file([ANNA, BERT], **FULL)[:5000],
    'personen_cut_m2.dat': person_file([ANNA, BERT], **FULL)[:60],
    'personen_cut_s10.dat': person_file([ANNA, BERT], **dict(FULL, until='S10'))[:-3],
    'personen_hugecount.dat': i32(0x7FFFFFFF) + person_file([DEFAULT_PERSON])[4:200],
    'personen_negstring.dat': i32(1) + i32(-5) + b'abcdefgh' * 8,
    'dienste_default.dat': duty_file(URLAUB),
    'dienste_full.dat': duty_file(DUTIES, margin=7.25),
    'dienste_m2.dat': duty_file(DUTIES, until='M2'),
    'dienste_d0_margin125.dat': duty_file([], margin=12.5),
    'dienste_cut.dat': duty_file(DUTIES)[:20],
    'dienste_cut_s2.dat': duty_file(DUTIES)[:-12],
    'dienste_hugecount.dat': i32(100000) + duty_file(URLAUB)[4:],
    # Booleans and holiday flags written by other programs as any non-zero value.
    'personen_truthy.dat': person_file([dict(DEFAULT_PERSON, dismissed=0x80)],
                                       holidays=[-1, 0x100, 2, 0] * 6 + [-1, 0x100, 0, -1, 0x100],
                                       switches=(2, 0x80, 0xFF), double_row=0xFF, free_lines=2, darker=0x80),
    'dienste_truthy.dat': duty_file([dict(URLAUB[0], abwesend=v) for v in (2, 0x80, 0xFF, 0)]),
}

for name, data in files.items():
    write(HERE, name, data)
    if len(data) <= 65536 or name == 'personen_full.dat':
        write(os.path.join(FUZZ, 'personfile' if name.startswith('personen') else 'dutyfile'), name, data)
