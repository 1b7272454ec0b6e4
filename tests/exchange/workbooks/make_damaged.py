#!/usr/bin/python3
# Writes the damaged workbooks of the import tests: a sound stock workbook (Debian's python3-xlwt)
# with a few bytes changed. Run it here; the files it writes are committed beside it, since
# another xlwt could lay the workbook out differently and the damage would land elsewhere.
import xlwt

HEADER = ["a", "b", "c", "d", "e", "f", "g", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "z", "day1"]
ROW = ["铅笔", "HB", "001", "文具", "QB", "HB", "供货商", 1.5, 10, 15, 2.0, 0, 0, 10, 15, "备注", "2024-03-05"]

book = xlwt.Workbook(encoding='utf-8')
sheet = book.add_sheet('lanbor')
for c, name in enumerate(HEADER):
    sheet.write(0, c, name)
for r in range(1, 4):
    for c, value in enumerate(ROW):
        sheet.write(r, c, value)
book.save('sound.xls')
sound = open('sound.xls', 'rb').read()


def damaged(name, changes):
    data = bytearray(sound)
    for offset, value in changes.items():
        data[offset] = value
    open(name, 'wb').write(bytes(data))


# One length byte in the globals: the reader's open call reads far beyond its buffer (SIGSEGV).
damaged('reader-crash.xls', {0x6EB: 89})
# The workbook stream's first record zeroed: the reader opens the file and finds no sheet.
damaged('no-sheets.xls', {0x200: 0, 0x201: 0})
