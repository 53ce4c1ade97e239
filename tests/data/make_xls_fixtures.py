#!/usr/bin/python3
"""Writes the .xls fixtures of the workbook reader tests into this folder.

Run with the system Python, which has python3-xlwt:  /usr/bin/python3 tests/data/make_xls_fixtures.py
Workbooks an ordinary writer can produce come from xlwt; the traps xlwt cannot make (strings split
over CONTINUE records with a width switch, rich text and phonetic blocks, cached formula results,
BIFF5 in a Chinese code page, encryption, lying counts) are assembled record by record and packed
into an OLE2 compound file written here as well.

    make_xls_fixtures.py --large PATH [ROWS]   writes a tick workbook of ROWS trades (default 20000)
                                               for timing the reader; not committed.
"""
import datetime
import os
import struct
import sys

import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------------------------------------
# OLE2 compound file with one stream, 512-byte sectors, no mini stream (streams padded to 4096).

FREESECT, ENDOFCHAIN, FATSECT, NOSTREAM = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFF
SECTOR = 512


def dir_entry(name, kind, child, start, size):
    if not name:
        return struct.pack('<64sHBBIII16sIQQIQ', b'', 0, 0, 0, NOSTREAM, NOSTREAM, NOSTREAM,
                           b'', 0, 0, 0, 0, 0)
    encoded = name.encode('utf-16-le') + b'\0\0'
    return struct.pack('<64sHBBIII16sIQQIQ', encoded, len(encoded), kind, 1, NOSTREAM, NOSTREAM,
                       child, b'', 0, 0, 0, start, size)


def ole_file(stream_name, data):
    data = data + b'\0' * max(0, 4096 - len(data))
    data_sectors = (len(data) + SECTOR - 1) // SECTOR
    data = data + b'\0' * (data_sectors * SECTOR - len(data))
    directory = (dir_entry('Root Entry', 5, 1, ENDOFCHAIN, 0) + dir_entry(stream_name, 2, NOSTREAM, 0, len(data))
                 + dir_entry('', 0, 0, 0, 0) * 2)
    fat_sectors = 1
    while (data_sectors + 1 + fat_sectors) > fat_sectors * 128:
        fat_sectors += 1
    assert fat_sectors <= 109
    fat = [i + 1 for i in range(data_sectors - 1)] + [ENDOFCHAIN]   # the stream
    fat += [ENDOFCHAIN]                                              # the directory
    fat += [FATSECT] * fat_sectors
    fat += [FREESECT] * (fat_sectors * 128 - len(fat))
    dir_sector = data_sectors
    first_fat = data_sectors + 1
    difat = [first_fat + i for i in range(fat_sectors)] + [FREESECT] * (109 - fat_sectors)
    header = struct.pack('<8s16sHHHHH6sIIIIIIIII', bytes.fromhex('D0CF11E0A1B11AE1'), b'', 0x3E, 3, 0xFFFE,
                         9, 6, b'', 0, fat_sectors, dir_sector, 0, 4096, ENDOFCHAIN, 0, ENDOFCHAIN, 0)
    header += struct.pack('<109I', *difat)
    assert len(header) == 512
    return header + data + directory + struct.pack('<%dI' % len(fat), *fat)


# ---------------------------------------------------------------------------------------------
# BIFF records.

def rec(rtype, body):
    return struct.pack('<HH', rtype, len(body)) + body


def bof8(substream):
    return rec(0x0809, struct.pack('<HHHHII', 0x0600, substream, 0x0DBB, 0x07CC, 0x000100C1, 0x00000006))


def bof5(substream):
    return rec(0x0809, struct.pack('<HHHH', 0x0500, substream, 0x096C, 0x07C9))


EOF = rec(0x000A, b'')


def window1(active_tab):
    return rec(0x003D, struct.pack('<HHHHHHHHH', 0, 0, 0x4000, 0x2000, 0x38, active_tab, 0, 1, 0x258))


def xf8(fmt):
    return rec(0x00E0, struct.pack('<HHHBBBBIIH', 0, fmt, 0x0001, 0x20, 0, 0, 0, 0, 0, 0x20C0))


def xf5(fmt):
    return rec(0x00E0, struct.pack('<HHHHIII', 0, fmt, 0x0001, 0x0020, 0x20C00000, 0, 0))


def chars(text, wide):
    return text.encode('utf-16-le') if wide else text.encode('latin-1')


def ustr(text, count_bytes=2, wide=None):
    """BIFF8 Unicode string, in one piece."""
    if wide is None:
        wide = any(ord(c) > 0xFF for c in text)
    units = len(text.encode('utf-16-le')) // 2
    count = struct.pack('<B' if count_bytes == 1 else '<H', units)
    return count + bytes([1 if wide else 0]) + chars(text, wide)


def format8(fmt_id, code):
    return rec(0x041E, struct.pack('<H', fmt_id) + ustr(code))


def boundsheet8(offset, name, sheet_type=0):
    return rec(0x0085, struct.pack('<IBB', offset, 0, sheet_type) + ustr(name, 1))


def boundsheet5(offset, name_bytes, sheet_type=0):
    return rec(0x0085, struct.pack('<IBBB', offset, 0, sheet_type, len(name_bytes)) + name_bytes)


def cell(rtype, row, col, xf, body):
    return rec(rtype, struct.pack('<HHH', row, col, xf) + body)


def number(row, col, value, xf=0):
    return cell(0x0203, row, col, xf, struct.pack('<d', value))


def rk(row, col, raw, xf=0):
    return cell(0x027E, row, col, xf, struct.pack('<I', raw))


def rk_float(value, divided=False):
    """The top 30 bits of a double whose low 34 bits are zero."""
    bits = struct.unpack('<Q', struct.pack('<d', value))[0]
    assert bits & 0x3FFFFFFFF == 0, value
    return (bits >> 32) | (1 if divided else 0)


def label8(row, col, text, xf=0, wide=None):
    return cell(0x0204, row, col, xf, ustr(text, 2, wide))


def boolerr(row, col, value, is_error):
    return cell(0x0205, row, col, 0, struct.pack('<BB', value, 1 if is_error else 0))


def formula(row, col, result, xf=0):
    """FORMULA with a cached result of 8 bytes and a one-token formula (=1)."""
    return cell(0x0006, row, col, xf, result + struct.pack('<HIH', 0, 0, 3) + bytes([0x1E, 1, 0]))


def special_result(kind, value=0):
    return struct.pack('<BBBBHH', kind, 0, value, 0, 0, 0xFFFF)


def workbook8(globals_records, sheets, active_tab=0, sheet_types=None):
    """Globals plus BOUNDSHEET records pointing at each sheet substream."""
    sheet_types = sheet_types or [0] * len(sheets)
    names = ['Sheet%d' % (i + 1) for i in range(len(sheets))]
    head = bof8(5) + globals_records + window1(active_tab)
    probe = b''.join(boundsheet8(0, n, t) for n, t in zip(names, sheet_types))
    offset = len(head) + len(probe) + len(EOF)
    bound = b''
    for sheet, name, kind in zip(sheets, names, sheet_types):
        bound += boundsheet8(offset, name, kind)
        offset += len(sheet)
    return head + bound + EOF + b''.join(sheets)


def write(name, data):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


# ---------------------------------------------------------------------------------------------
# Workbooks written by xlwt.

def worked_day(path=None, rows=None):
    book = xlwt.Workbook(encoding='utf-8')
    sheet = book.add_sheet('Ticks')
    time_style = xlwt.easyxf(num_format_str='hh:mm:ss')
    price_style = xlwt.easyxf(num_format_str='0.00')
    sheet.write(0, 0, '20000101 ABC (600000)')
    for col, head in enumerate(['时间', '成交价', '现手', '笔数', '性质']):
        sheet.write(4, col, head)
    rows = rows or [((9, 30, 1), 10.00, 50, 3, ''), ((9, 30, 5), 10.04, 150, 5, 'B'),
                    ((9, 30, 9), 10.00, 1200, 9, 'S'), ((9, 30, 12), 10.02, 300, 4, '')]
    for r, (hms, price, lots, count, direction) in enumerate(rows, start=5):
        sheet.write(r, 0, datetime.time(*hms), time_style)
        sheet.write(r, 1, price, price_style)
        sheet.write(r, 2, lots)
        sheet.write(r, 3, count)
        if direction:
            sheet.write(r, 4, direction)
    book.save(path or os.path.join(HERE, 'worked-day.xls'))


def large_day(path, count):
    rows = []
    for i in range(count):
        seconds = 9 * 3600 + 30 * 60 + i
        rows.append(((seconds // 3600, seconds // 60 % 60, seconds % 60), 10 + (i % 37) / 100.0,
                     1 + (i * 7919) % 1500, 1 + i % 9, ['', 'B', 'S'][i % 3]))
    worked_day(path, rows)


CHINESE_TEXTS = [
    '岚谷股票资金流向分析',         # GBK
    '买盘 卖盘 中性盘',
    '한국어 㐀 €',                  # beyond GBK, still in the BMP
    'Zürich',                       # written as 8-bit (Latin-1) by xlwt
    '长' * 5000,                    # 10000 bytes: the writer splits it over CONTINUE records
    '尾',
]


def chinese_text():
    book = xlwt.Workbook(encoding='utf-8')
    sheet = book.add_sheet('文本')
    for r, text in enumerate(CHINESE_TEXTS):
        sheet.write(r, 0, text)
    book.save(os.path.join(HERE, 'chinese-text.xls'))


def several_sheets():
    book = xlwt.Workbook(encoding='utf-8')
    for name in ('one', 'two', 'three'):
        book.add_sheet(name).write(0, 0, 'sheet ' + name)
    book.active_sheet = 1
    book.get_sheet(0).set_selected(False)
    book.get_sheet(1).set_selected(True)
    book.save(os.path.join(HERE, 'several-sheets.xls'))


# ---------------------------------------------------------------------------------------------
# Hand-made BIFF8 traps.

def sst_continue():
    """Shared strings split over CONTINUE records in every way a reader can get wrong.
    The unique count lies (far more than present): reading stops where the bytes end."""
    p1 = struct.pack('<II', 0xFFFFFFF0, 0xFFFFFFF0)
    p1 += struct.pack('<HB', 4, 0x00) + b'ab'                                 # 0: 8-bit, goes on 16-bit
    p2 = b'\x01' + chars('中文', True)
    p2 += struct.pack('<HB', 4, 0x01) + chars('中文', True)                    # 1: 16-bit, goes on 8-bit
    p3 = b'\x00' + b'ab'
    p3 += struct.pack('<HBH', 4, 0x08, 2) + chars('rich', False) + b'\x00\x01\x02\x03'  # 2: runs split 4 | 4
    p4 = b'\x04\x05\x06\x07'
    p4 += struct.pack('<HBI', 1, 0x05, 10) + chars('音', True) + b'PHON'       # 3: phonetic split 4 | 6
    p5 = b'ETIC..'
    p5 += struct.pack('<HB', 4, 0x00) + bytes([0x63, 0x61, 0x66, 0xE9])         # 4: 8-bit is Latin-1
    p5 += struct.pack('<HB', 4, 0x01) + chars('😀', True)                     # 5: beyond the BMP
    p6 = b'\x01' + chars('𠀀', True)
    p7 = struct.pack('<HB', 0, 0x00)                                           # 6: empty, starts a CONTINUE
    p7 += struct.pack('<HB', 3, 0x00) + b'end'                                 # 7
    sst = rec(0x00FC, p1) + b''.join(rec(0x003C, p) for p in (p2, p3, p4, p5, p6, p7))
    globals_records = rec(0x0042, struct.pack('<H', 936)) + xf8(0) + sst
    sheet = bof8(0x10) + b''.join(cell(0x00FD, r, 0, 0, struct.pack('<I', r)) for r in range(8)) + EOF
    write('sst-continue.xls', ole_file('Workbook', workbook8(globals_records, [sheet])))


def cell_kinds():
    """Every cell record the reader knows, formats from the file before the built-in table,
    the 1904 date system, the last cell of the grid and an embedded chart whose records are no cells."""
    globals_records = (rec(0x0042, struct.pack('<H', 1200)) + rec(0x0022, struct.pack('<H', 1))
                       + format8(2, '0.000') + format8(200, 'hh:mm:ss')
                       + xf8(0) + xf8(2) + xf8(200) + xf8(14) + xf8(163))
    rstring = cell(0x00D6, 0, 1, 0, ustr('富文本') + struct.pack('<H', 1) + struct.pack('<HH', 0, 1))
    split_string = (rec(0x0207, struct.pack('<HB', 4, 0) + b'abc') + rec(0x003C, b'\x01' + chars('中', True)))
    sheet = (bof8(0x10) + rec(0x0200, struct.pack('<IIHHH', 0, 3, 0, 2, 0))    # DIMENSIONS that lie
             + label8(0, 0, '标签label') + rstring + label8(0, 2, 'naïve', wide=False)
             + boolerr(1, 0, 1, False) + boolerr(1, 1, 0, False) + boolerr(1, 2, 0x07, True)
             + boolerr(1, 3, 0x2A, True)
             + formula(2, 0, struct.pack('<d', 3.5))
             + formula(2, 1, special_result(0)) + rec(0x04BC, b'\0' * 10) + rec(0x0207, ustr('公式文本'))
             + formula(2, 2, special_result(1, 1)) + formula(2, 3, special_result(2, 0x1D))
             + formula(2, 4, special_result(3))
             + formula(2, 5, special_result(0)) + rec(0x0221, b'\0' * 14) + split_string
             + rec(0x0207, ustr('stray'))                                      # STRING without FORMULA
             + rk(3, 0, (123 << 2) | 2) + rk(3, 1, ((-5 << 2) | 2) & 0xFFFFFFFF) + rk(3, 2, (1004 << 2) | 3)
             + rk(3, 3, rk_float(0.5)) + rk(3, 4, rk_float(1.5, True)) + number(3, 5, 12345.678)
             + rec(0x00BD, struct.pack('<HH', 4, 0) + struct.pack('<HI', 0, (1 << 2) | 2)
                   + struct.pack('<HI', 0, (2 << 2) | 2) + struct.pack('<HI', 0, rk_float(3.25)) + struct.pack('<H', 2))
             + rec(0x00BE, struct.pack('<HHHHHH', 4, 3, 0, 0, 0, 5)) + rec(0x0201, struct.pack('<HHH', 4, 6, 0))
             + number(5, 0, 10.5, 1) + number(5, 1, 0.5, 2) + number(5, 2, 1.0, 3) + number(5, 3, 2.0, 999)
             + number(5, 4, 3.0, 4)
             + bof8(0x20) + number(9, 0, 99.0) + EOF                            # embedded chart
             + number(65535, 255, 7.0)
             + EOF)
    write('cell-kinds.xls', ole_file('Workbook', workbook8(globals_records, [sheet])))


def biff5_gbk():
    """An Excel 5/95 workbook ("Book" stream) whose 8-bit strings are in code page 936 (GBK)."""
    def label5(row, col, raw, xf=0):
        return cell(0x0204, row, col, xf, struct.pack('<H', len(raw)) + raw)
    fmt = '0.00"元"'.encode('gbk')
    name = '数据'.encode('gbk')
    head = (bof5(5) + rec(0x0042, struct.pack('<H', 936)) + window1(0)
            + rec(0x041E, struct.pack('<HB', 164, len(fmt)) + fmt) + xf5(0) + xf5(164))
    sheet = (bof5(0x10) + label5(0, 0, '20000101 浦发银行 (600000)'.encode('gbk'))
             + number(1, 0, 10.5, 1) + rk(2, 0, (42 << 2) | 2)
             + label5(3, 0, '坏'.encode('gbk') + b'\x81')                       # cut double-byte character
             + formula(4, 0, special_result(0)) + rec(0x0207, struct.pack('<H', 2) + '买'.encode('gbk'))
             + EOF)
    bound = boundsheet5(0, name)
    offset = len(head) + len(bound) + len(EOF)
    data = head + boundsheet5(offset, name) + EOF + sheet
    write('biff5-gbk.xls', ole_file('Book', data))


def encrypted():
    filepass = rec(0x002F, struct.pack('<HHH', 1, 1, 1) + b'\x11' * 48)
    sheet = bof8(0x10) + label8(0, 0, 'secret') + EOF
    write('encrypted.xls', ole_file('Workbook', workbook8(filepass + xf8(0), [sheet])))


def truncated_sst():
    """A shared string that claims 100 characters where 10 are present."""
    sst = rec(0x00FC, struct.pack('<IIHB', 1, 1, 100, 0) + b'0123456789')
    sheet = bof8(0x10) + cell(0x00FD, 0, 0, 0, struct.pack('<I', 0)) + EOF
    write('truncated-sst.xls', ole_file('Workbook', workbook8(xf8(0) + sst, [sheet])))


def sheet_without_eof():
    """The worksheet's records stop without an EOF record: the rest of the stream is padding."""
    sheet = bof8(0x10) + label8(0, 0, 'cut') + number(1, 0, 1.0)
    write('sheet-without-eof.xls', ole_file('Workbook', workbook8(xf8(0), [sheet])))


def bad_sst_index():
    """A LABELSST cell that points past the shared strings."""
    sst = rec(0x00FC, struct.pack('<II', 1, 1) + ustr('only'))
    sheet = bof8(0x10) + cell(0x00FD, 0, 0, 0, struct.pack('<I', 1)) + EOF
    write('bad-sst-index.xls', ole_file('Workbook', workbook8(xf8(0) + sst, [sheet])))


def active_chart():
    """The saved active tab is a chart sheet: the first worksheet is read instead."""
    data = bof8(0x10) + label8(0, 0, 'first worksheet') + EOF
    chart = bof8(0x20) + number(0, 0, 1.0) + EOF
    write('active-chart.xls', ole_file('Workbook', workbook8(xf8(0), [data, chart], 1, [0, 2])))


def no_workbook_stream():
    write('no-workbook-stream.xls', ole_file('Contents', bof8(5) + EOF))


def main(argv):
    if len(argv) >= 3 and argv[1] == '--large':
        large_day(argv[2], int(argv[3]) if len(argv) > 3 else 20000)
        return
    worked_day()
    chinese_text()
    several_sheets()
    sst_continue()
    cell_kinds()
    biff5_gbk()
    encrypted()
    truncated_sst()
    sheet_without_eof()
    bad_sst_index()
    active_chart()
    no_workbook_stream()


if __name__ == '__main__':
    main(sys.argv)
